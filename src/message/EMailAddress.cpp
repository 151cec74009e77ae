#include "message/EMailAddress.h"

#include <cstring>
#include <string_view>

#include "base/SysUtils.h"

namespace qp::message {

namespace {

// The atom characters of RFC 2822 without "^": letters, digits and ! # $ % & ' * + - / = ?
// _ { | } ~ and the grave accent.
bool IsAtomChar(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return c != '\0' && std::strchr("!#$%&'*+-/=?_{|}~`", c) != nullptr;
}

// Puts a backslash before each backslash and double quote.
std::string Escape(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  for (const char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

bool IsBlank(std::string_view s) {
  return Trim(s).empty();
}

}  // namespace

std::string FormatAddress(const TEMailAddressItem& item) {
  if (item.Address.empty()) return item.Name.empty() ? std::string() : std::string("<>");
  const std::size_t at = item.Address.rfind('@');
  std::string local;
  std::string domain;
  if (at != std::string::npos) {
    local = item.Address.substr(0, at);
    domain = item.Address.substr(at);
  }
  // A local part with a character outside the atom set must be quoted, except that a dot
  // (as in "john.doe") is left alone when it is the first such character.
  for (const char c : local) {
    if (IsAtomChar(c)) continue;
    if (c == '.') break;
    return "<\"" + Escape(local) + "\"" + domain + ">";
  }
  if (item.Name.empty()) return local + domain;
  return "<" + local + domain + ">";
}

std::string TEMailAddressItem::Text() const {
  if (Name.empty() || Name == UpperCase(Address)) return FormatAddress(*this);
  bool plain = true;
  for (const char c : Name) plain = plain && (IsAtomChar(c) || c == ' ');
  if (plain) return Name + " " + FormatAddress(*this);
  return "\"" + Escape(Name) + "\" " + FormatAddress(*this);
}

void TEMailAddressItem::SetText(const std::string& value) {
  Address.clear();
  Name.clear();
  if (value.empty()) return;
  std::string_view v(value);
  bool inAddress = false;
  bool inAngle = false;
  bool inQuote = false;
  bool inDomain = false;
  int depth = 0;
  bool firstSearch = true;
  for (;;) {
    const char* delimiters;
    if (depth > 0)
      delimiters = "()\\";
    else if (inQuote)
      delimiters = "\"\\";
    else if (inDomain && inAngle)
      delimiters = ".>(";
    else if (inDomain)
      delimiters = ".( ";
    else if (inAddress)
      delimiters = "\"(@>";
    else
      delimiters = "(\"< @\t";
    const std::size_t p = v.find_first_of(delimiters);
    if (p == std::string_view::npos) {
      if (firstSearch)
        Address = std::string(v);
      else if (inAddress && !inAngle)
        Address += Trim(v);
      return;
    }
    firstSearch = false;
    const std::string_view before = v.substr(0, p);
    std::string_view rest = v.substr(p + 1);
    switch (v[p]) {
      case ' ':
      case '\t':
        if (inDomain && !inAngle) {
          Address += before;
          inAddress = inDomain = false;
        } else if (p > 0) {
          Name += before;
          Name += ' ';
        }
        break;
      case '"':
        if (inQuote) {
          (inAngle ? Address : Name) += Trim(before);
          inQuote = false;
        } else {
          (inAddress ? Address : Name) += before;
          inQuote = true;
        }
        break;
      case '(':
        ++depth;
        if (p > 0) {
          if (inAddress)
            Address += Trim(before);
          else if (depth == 1)
            Name += before;
        }
        break;
      case ')':
        --depth;
        break;
      case '<':
        Name = Trim(Name + std::string(before));
        inAngle = inAddress = true;
        break;
      case '>':
        inAddress = inDomain = false;
        Address += Trim(before);
        break;
      case '@':
        inDomain = true;
        if (!inAddress && inAngle) throw EEmailParseError("@ Outside address");
        inAddress = true;
        Address += before;
        Address += '@';
        break;
      case '.':
        if (inAngle) {
          Address += Trim(before);
          Address += '.';
          rest = rest.substr(std::min(rest.find_first_not_of(' '), rest.size()));
        } else {
          Address += before;
          Address += '.';
        }
        break;
      case '\\': {
        // The escaped character is taken literally in a quote and dropped with a comment.
        const std::string_view escaped = rest.substr(0, 1);
        if (depth == 0) {
          std::string& target = inAddress ? Address : Name;
          target += before;
          target += escaped;
        }
        rest = rest.substr(escaped.size());
        break;
      }
    }
    v = rest;
  }
}

TEMailAddressItem& TEMailAddressList::operator[](int index) {
  CheckIndex(index);
  return *FItems[static_cast<std::size_t>(index)];
}

const TEMailAddressItem& TEMailAddressList::operator[](int index) const {
  CheckIndex(index);
  return *FItems[static_cast<std::size_t>(index)];
}

TEMailAddressItem& TEMailAddressList::Add() {
  FItems.push_back(std::make_unique<TEMailAddressItem>());
  return *FItems.back();
}

void TEMailAddressList::Delete(int index) {
  CheckIndex(index);
  FItems.erase(FItems.begin() + index);
}

void TEMailAddressList::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw Exception(Format("List index out of bounds (%d)", index));
}

void TEMailAddressList::DropLastIfEmpty() {
  const std::string text = FItems.back()->Text();
  if (IsBlank(text) || text == "<>") FItems.pop_back();
}

void TEMailAddressList::ParseAddresses(const std::string& text) {
  Clear();
  if (IsBlank(text)) return;
  std::string_view v(text);
  std::string cur;
  bool inQuote = false;
  int depth = 0;
  bool firstSearch = true;
  for (;;) {
    const char* delimiters = depth > 0 ? "(\\)" : inQuote ? "\"\\" : ":;(\", \t";
    const std::size_t p = v.find_first_of(delimiters);
    if (p == std::string_view::npos) {
      if (firstSearch) {
        Add().SetText(TrimLeft(v));
      } else if (!IsBlank(cur) || !IsBlank(v)) {
        Add().SetText(TrimLeft(cur + std::string(v)));
        DropLastIfEmpty();
      }
      return;
    }
    firstSearch = false;
    std::string_view rest = v.substr(p + 1);
    switch (v[p]) {
      case ' ':
      case '\t':
      case '(':
      case ')':
      case '"':
        if (v[p] == '"') inQuote = !inQuote;
        if (v[p] == '(') ++depth;
        if (v[p] == ')') --depth;
        cur += v.substr(0, p + 1);
        break;
      case ',':
        cur += v.substr(0, p);
        Add().SetText(cur);
        DropLastIfEmpty();
        cur.clear();
        break;
      case ':':
        // A group name ends here; the whole name is dropped, including words already
        // collected before its last blank.
        cur.clear();
        break;
      case ';':
        cur += v.substr(0, p);
        if (!IsBlank(cur)) Add().SetText(TrimLeft(cur));
        cur.clear();
        break;
      case '\\': {
        const std::size_t through = std::min(p + 2, v.size());
        cur += v.substr(0, through);
        rest = v.substr(through);
        break;
      }
    }
    v = rest;
  }
}

}  // namespace qp::message
