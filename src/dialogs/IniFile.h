// The settings file: INI text made of section names in square brackets, each followed by
// lines of a key, an equals sign and a value.
#pragma once

#include <string>

#include "base/StringList.h"

namespace qp::dialogs {

// The lines of one INI file, read once when the object is made; values are looked up and
// set by section and key, and UpdateFile writes the lines back. Section and key names
// compare without letter case; blanks around names and values do not count; the first of
// two equal keys of a section is the one read and written. Lines that are neither a section
// nor a key (comments, garbage) are kept as they are. Owned by whoever reads or writes the
// file; one thread.
class TIniFile {
 public:
  // The longest value read, in characters; a longer one is cut.
  static constexpr std::size_t kMaxValueLength = 2047;

  // Reads fileName; a missing or unreadable file reads as empty.
  explicit TIniFile(std::string fileName);

  const std::string& FileName() const { return FFileName; }

  // The key's value, cut to kMaxValueLength; fallback when the section or key is missing.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
  // The key's value as a number: decimal, or hexadecimal after "0x" or "0X" when the value
  // is longer than two characters; the digits at the start count and the rest is ignored.
  // fallback when the key is missing or its value starts with no digit.
  int ReadInteger(const std::string& section, const std::string& key, int fallback) const;
  // ReadInteger not 0.
  bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;

  // Sets the key's value in the lines: the first line of the key is replaced, a missing key
  // goes after the section's last key, a missing section goes at the end. A line break in
  // value becomes a blank, so a value cannot add lines of its own.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

  // Writes the lines to the file: into a new file beside it, readable and writable by the
  // owner only, which then replaces the file, so a failure never leaves half a file. Throws
  // EFCreateError when that fails, and EFOpenError, writing nothing, when the file existed
  // but could not be read (writing would lose what it holds).
  void UpdateFile() const;

  const TStringList& Lines() const { return FLines; }

 private:
  // Index of the section's line, -1 when absent.
  int FindSection(const std::string& section) const;
  // Index of the key's line within the section starting at sectionLine, -1 when absent.
  int FindKey(int sectionLine, const std::string& key) const;

  std::string FFileName;
  TStringList FLines;
  bool FUnreadable = false;
};

// The number an INI value stands for, as ReadInteger reads it; fallback when the value starts
// with no digit.
int IniTextToInteger(const std::string& text, int fallback);

}  // namespace qp::dialogs
