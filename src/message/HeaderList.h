// Header lines with field-level access: lookup by name with unfolding, assignment with
// folding (RFC 5322 section 2.2.3), and collection of repeated fields.
#pragma once

#include <string>

#include "base/StringList.h"

namespace qp::message {

// Wraps line at the break characters so that no segment grows past maxCol columns, inserting
// breakStr at each cut. Text inside double quotes is never cut, existing breakStr occurrences
// are kept, and a stretch without break characters stays whole.
std::string WrapAtWhitespace(const std::string& line, const std::string& breakStr,
                             const std::string& breakChars, int maxCol);

// An ordered list of raw header lines. A line is a field line ("Name: value") or a
// continuation line beginning with a space or TAB that belongs to the field line above it.
// Owned by a message, a message part or an HTTP header record; used on one thread.
class THeaderList : public TStringList {
 public:
  std::string NameSeparator = ": ";
  bool MatchCase = false;
  bool UnfoldValues = true;
  bool FoldValues = true;
  int FoldWidth = 78;

  // Line index cut before its first ":", upper-cased unless MatchCase; "" without a ":".
  std::string FieldName(int index) const;
  // The value of the field at index, with its continuation lines when UnfoldValues; "" for
  // a negative index.
  std::string FieldValue(int index) const;
  // Index of the first field line named name, -1 when absent.
  int FindField(const std::string& name) const;
  std::string ValueOf(const std::string& name) const { return FieldValue(FindField(name)); }
  // Adds the value of every field named name to dest, in list order; dest may be null.
  void CollectValues(const std::string& name, TStringList* dest) const;
  // Sets, replaces (folding it at FoldWidth) or, for an empty value, removes the field.
  void AssignField(const std::string& name, const std::string& value);
  // The lines that text folds into; continuation lines begin with one space.
  TStringList FoldField(const std::string& text) const;
  // Deletes the continuation lines that follow line index.
  void RemoveContinuations(int index);

 private:
  std::size_t NameEnd(const std::string& line) const;
};

}  // namespace qp::message
