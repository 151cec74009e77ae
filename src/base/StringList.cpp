#include "base/StringList.h"

#include "base/Exception.h"
#include "base/SysUtils.h"

namespace qp {

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw Exception(Format("List index out of bounds (%d)", index));
}

const std::string& TStringList::operator[](int index) const {
  CheckIndex(index);
  return FLines[static_cast<std::size_t>(index)];
}

std::string& TStringList::operator[](int index) {
  CheckIndex(index);
  return FLines[static_cast<std::size_t>(index)];
}

int TStringList::Add(std::string line) {
  FLines.push_back(std::move(line));
  return Count() - 1;
}

void TStringList::AddStrings(const TStringList& other) {
  FLines.insert(FLines.end(), other.FLines.begin(), other.FLines.end());
}

void TStringList::Insert(int index, std::string line) {
  if (index < 0 || index > Count()) throw Exception(Format("List index out of bounds (%d)", index));
  FLines.insert(FLines.begin() + index, std::move(line));
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  FLines.erase(FLines.begin() + index);
}

int TStringList::IndexOf(std::string_view s) const {
  for (std::size_t i = 0; i < FLines.size(); ++i)
    if (FLines[i] == s) return static_cast<int>(i);
  return -1;
}

std::string TStringList::Text() const {
  std::string r;
  for (const std::string& line : FLines) {
    r += line;
    r += "\r\n";
  }
  return r;
}

void TStringList::SetText(std::string_view text) {
  FLines.clear();
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      FLines.emplace_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) FLines.emplace_back(text.substr(start));
}

}  // namespace qp
