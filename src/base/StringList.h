// An ordered, index-based list of 8-bit text lines: replies, listings, header lines, bodies.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qp {

class TStringList {
 public:
  TStringList() = default;
  TStringList(std::initializer_list<std::string> lines) : FLines(lines) {}
  virtual ~TStringList() = default;
  TStringList(const TStringList&) = default;
  TStringList& operator=(const TStringList&) = default;
  TStringList(TStringList&&) = default;
  TStringList& operator=(TStringList&&) = default;

  int Count() const { return static_cast<int>(FLines.size()); }
  bool Empty() const { return FLines.empty(); }
  // Index checked: an index outside 0..Count()-1 throws EStringListError.
  const std::string& operator[](int index) const;
  std::string& operator[](int index);

  int Add(std::string line);
  void AddStrings(const TStringList& other);
  void Insert(int index, std::string line);
  void Delete(int index);
  void Clear() { FLines.clear(); }
  // Index of the first line equal to s (case-sensitive), -1 when absent.
  int IndexOf(std::string_view s) const;

  // Every line followed by CR LF.
  std::string Text() const;
  // Replaces the lines by the lines of text; CR LF, LF or a lone CR end a line, and a final
  // line end adds no empty line.
  void SetText(std::string_view text);

  const std::vector<std::string>& Lines() const { return FLines; }
  std::vector<std::string>::const_iterator begin() const { return FLines.begin(); }
  std::vector<std::string>::const_iterator end() const { return FLines.end(); }

  bool operator==(const TStringList& other) const { return FLines == other.FLines; }

 private:
  void CheckIndex(int index) const;
  std::vector<std::string> FLines;
};

}  // namespace qp
