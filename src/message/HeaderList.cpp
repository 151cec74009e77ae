#include "message/HeaderList.h"

#include "base/SysUtils.h"

namespace qp::message {

namespace {

bool IsContinuation(const std::string& line) {
  return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

}  // namespace

std::string WrapAtWhitespace(const std::string& line, const std::string& breakStr,
                             const std::string& breakChars, int maxCol) {
  // Positions are 1-based as in the classic column-counting wrap: pos is the next character
  // to look at, segStart the first character of the pending segment, breakPos the last
  // place a cut may happen (0 = none yet). The system code page is single-byte (UTF-8 bytes
  // are never treated as lead bytes), so no character spans two columns here.
  const std::size_t len = line.size();
  auto at = [&line](std::size_t p) { return line[p - 1]; };
  auto isBreakChar = [&breakChars](char c) { return breakChars.find(c) != std::string::npos; };
  std::string result;
  std::size_t col = 1, segStart = 1, breakPos = 0, pos = 1;
  bool quoteOpen = false, existingBreak = false;
  while (pos <= len) {
    const char c = at(pos);
    if (!breakStr.empty() && c == breakStr[0] && !quoteOpen) {
      if (SameText(std::string_view(line).substr(pos - 1, breakStr.size()), breakStr)) {
        existingBreak = true;
        pos += breakStr.size() - 1;
        breakPos = pos;
      }
    } else if (isBreakChar(c) && !quoteOpen) {
      breakPos = pos;
    } else if (c == '"') {
      quoteOpen = !quoteOpen;
    }
    ++pos;
    ++col;
    if (!quoteOpen &&
        (existingBreak || (col > static_cast<std::size_t>(maxCol) && breakPos > segStart))) {
      col = pos - breakPos;
      result.append(line, segStart - 1, breakPos - segStart + 1);
      if (c != '"') {
        while (pos <= len && (isBreakChar(at(pos)) || at(pos) == '\r' || at(pos) == '\n')) ++pos;
      }
      if (!existingBreak && pos < len) result += breakStr;
      segStart = breakPos + 1;
      existingBreak = false;
    }
  }
  if (segStart <= len) result.append(line, segStart - 1, std::string::npos);
  return result;
}

std::size_t THeaderList::NameEnd(const std::string& line) const {
  // A name ends at the separator without its trailing blanks, i.e. at the first ":".
  std::string sep = TrimRight(NameSeparator);
  if (sep.empty()) sep = NameSeparator;
  return sep.empty() ? std::string::npos : line.find(sep);
}

std::string THeaderList::FieldName(int index) const {
  const std::string& line = (*this)[index];
  const std::size_t end = NameEnd(line);
  if (end == std::string::npos) return "";
  std::string name = line.substr(0, end);
  return MatchCase ? name : UpperCase(name);
}

std::string THeaderList::FieldValue(int index) const {
  if (index < 0) return "";
  const std::string& line = (*this)[index];
  const std::size_t end = NameEnd(line);
  std::string value;
  if (end != std::string::npos) {
    std::string sep = TrimRight(NameSeparator);
    if (sep.empty()) sep = NameSeparator;
    value = line.substr(end + sep.size());
  }
  if (UnfoldValues) {
    for (int i = index + 1; i < Count() && IsContinuation((*this)[i]); ++i) {
      const std::string piece = TrimLeft((*this)[i]);
      if (value.empty() || value.back() == ' ' || value.back() == '\t')
        value += piece;
      else
        value += ' ' + piece;
    }
  }
  return TrimLeft(value);
}

int THeaderList::FindField(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string fieldName = FieldName(i);
    if (MatchCase ? fieldName == name : SameText(fieldName, name)) return i;
  }
  return -1;
}

void THeaderList::CollectValues(const std::string& name, TStringList* dest) const {
  if (dest == nullptr) return;
  for (int i = 0; i < Count(); ++i) {
    const std::string fieldName = FieldName(i);
    if (MatchCase ? fieldName == name : SameText(fieldName, name)) dest->Add(FieldValue(i));
  }
}

void THeaderList::AssignField(const std::string& name, const std::string& value) {
  int i = FindField(name);
  if (!value.empty()) {
    if (i == -1) i = Add("");
    if (FoldValues) {
      RemoveContinuations(i);
      const TStringList folded = FoldField(name + NameSeparator + value);
      if (folded.Count() == 0) {
        (*this)[i] = name + NameSeparator + value;
        return;
      }
      (*this)[i] = folded[folded.Count() - 1];
      for (int k = 0; k < folded.Count() - 1; ++k) Insert(i + k, folded[k]);
    } else {
      (*this)[i] = name + NameSeparator + value;
    }
  } else if (i != -1) {
    if (FoldValues) RemoveContinuations(i);
    Delete(i);
  }
}

TStringList THeaderList::FoldField(const std::string& text) const {
  const std::string wrapped = WrapAtWhitespace(text, "\r\n ", " \t", FoldWidth);
  TStringList lines;
  std::size_t start = 0;
  while (true) {
    const std::size_t cut = wrapped.find("\r\n", start);
    lines.Add(TrimRight(wrapped.substr(start, cut == std::string::npos ? cut : cut - start)));
    if (cut == std::string::npos) break;
    start = cut + 2;
  }
  return lines;
}

void THeaderList::RemoveContinuations(int index) {
  while (index + 1 < Count() && IsContinuation((*this)[index + 1])) Delete(index + 1);
}

}  // namespace qp::message
