#include "dialogs/IniFile.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "base/Exception.h"
#include "base/FileSystem.h"
#include "base/SysUtils.h"

namespace qp::dialogs {

namespace {

// The section a line names ("[Firewall]" -> Firewall), when it is a section line.
bool SectionName(const std::string& line, std::string& name) {
  const std::string text = Trim(line);
  if (text.empty() || text.front() != '[') return false;
  const std::size_t close = text.find(']');
  name = Trim(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

// The key and value of a key line ("Host = proxy" -> Host, proxy).
bool KeyValue(const std::string& line, std::string& key, std::string& value) {
  const std::string text = TrimLeft(line);
  if (text.empty() || text.front() == ';' || text.front() == '#' || text.front() == '[') {
    return false;
  }
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos) return false;
  key = Trim(text.substr(0, equals));
  value = Trim(text.substr(equals + 1));
  return !key.empty();
}

}  // namespace

int IniTextToInteger(const std::string& text, int fallback) {
  const std::string value = Trim(text);
  std::size_t at = 0;
  bool negative = false;
  if (at < value.size() && (value[at] == '-' || value[at] == '+')) negative = value[at++] == '-';
  int base = 10;
  if (value.size() - at > 2 && value[at] == '0' && (value[at + 1] == 'x' || value[at + 1] == 'X')) {
    base = 16;
    at += 2;
  }
  uint32_t result = 0;
  bool digits = false;
  for (; at < value.size(); ++at) {
    const int digit = base == 16 ? HexDigitValue(value[at])
                                 : (value[at] >= '0' && value[at] <= '9' ? value[at] - '0' : -1);
    if (digit < 0) break;
    // Wraps like the 32-bit integer of the platform's reader; only "is it 0" matters here.
    result = result * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
    digits = true;
  }
  if (!digits) return fallback;
  if (negative) result = 0u - result;
  return static_cast<int>(result);
}

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {
  struct stat info {};
  if (::stat(FFileName.c_str(), &info) != 0) return;  // missing: empty
  std::ifstream in(FFileName, std::ios::binary);
  std::ostringstream content;
  if (!S_ISREG(info.st_mode) || !in || !(content << in.rdbuf())) {
    // An empty file makes the stream report a failure too; only a real one counts.
    if (!(S_ISREG(info.st_mode) && info.st_size == 0)) FUnreadable = true;
    return;
  }
  std::string text = content.str();
  // A byte order mark left by an editor is not part of the first line.
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  FLines.SetText(text);
}

int TIniFile::FindSection(const std::string& section) const {
  std::string name;
  for (int i = 0; i < FLines.Count(); ++i) {
    if (SectionName(FLines[i], name) && SameText(name, section)) return i;
  }
  return -1;
}

int TIniFile::FindKey(int sectionLine, const std::string& key) const {
  std::string name;
  std::string value;
  for (int i = sectionLine + 1; i < FLines.Count(); ++i) {
    if (SectionName(FLines[i], name)) break;
    if (KeyValue(FLines[i], name, value) && SameText(name, key)) return i;
  }
  return -1;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
  const int sectionLine = FindSection(section);
  if (sectionLine < 0) return fallback;
  const int keyLine = FindKey(sectionLine, key);
  if (keyLine < 0) return fallback;
  std::string name;
  std::string value;
  KeyValue(FLines[keyLine], name, value);
  if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
  return value;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int fallback) const {
  const int sectionLine = FindSection(section);
  if (sectionLine < 0) return fallback;
  if (FindKey(sectionLine, key) < 0) return fallback;
  return IniTextToInteger(ReadString(section, key, ""), fallback);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  std::string text = value;
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  const std::string line = key + "=" + text;
  int sectionLine = FindSection(section);
  if (sectionLine < 0) {
    if (!FLines.Empty() && !Trim(FLines[FLines.Count() - 1]).empty()) FLines.Add("");
    FLines.Add("[" + section + "]");
    FLines.Add(line);
    return;
  }
  const int keyLine = FindKey(sectionLine, key);
  if (keyLine >= 0) {
    FLines[keyLine] = line;
    return;
  }
  // After the section's last line that is not blank.
  int last = sectionLine;
  std::string name;
  for (int i = sectionLine + 1; i < FLines.Count() && !SectionName(FLines[i], name); ++i) {
    if (!Trim(FLines[i]).empty()) last = i;
  }
  FLines.Insert(last + 1, line);
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::UpdateFile() const {
  if (FUnreadable) {
    throw EFOpenError(
        Format("Cannot open file \"%s\". It exists but cannot be read.", FFileName.c_str()));
  }
  std::string text;
  for (const std::string& line : FLines) text += line + "\n";
  ReplaceFile(FFileName, text);
}

}  // namespace qp::dialogs
