#include "http/URI.h"

#include "base/InternetText.h"

namespace qp::http {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string PercentEncode(const std::string& text, bool blankAsPlus) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == ' ' && blankAsPlus) {
      result += '+';
    } else if (byte == ' ' || byte == '#' || byte == '%' || byte == '*' || byte == '+' ||
               byte == '<' || byte == '>' || byte >= 0x80) {
      result += '%';
      result += kHexDigits[byte >> 4];
      result += kHexDigits[byte & 0x0F];
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace

TURI::TURI(const std::string& text) {
  if (text.empty()) return;
  URIText = text;
  NormalizeSlashes(URIText);
  TURIParts parts = SplitURI(URIText);
  Protocol = std::move(parts.Protocol);
  Host = std::move(parts.Host);
  Path = std::move(parts.Path);
  Document = std::move(parts.Document);
  Port = std::move(parts.Port);
  Fragment = std::move(parts.Fragment);
}

TURIParts TURI::SplitURI(const std::string& text) {
  TURIParts parts;
  std::string rest = text;
  NormalizeSlashes(rest);

  const std::size_t scheme = rest.find("://");
  if (scheme != std::string::npos) {
    parts.Protocol = rest.substr(0, scheme);
    rest.erase(0, scheme + 3);
    std::string authority = CutToken(rest, "/");
    std::string userInfo;
    const std::size_t at = authority.find('@');
    if (at != std::string::npos) {
      userInfo = authority.substr(0, at);
      authority.erase(0, at + 1);
    }
    parts.Username = CutToken(userInfo, ":");
    parts.Password = parts.Username.empty() ? std::string() : userInfo;
    parts.Host = CutToken(authority, ":");
    parts.Port = authority;
  }

  // The query starts at the first "?", or failing that at the first "=" (a CGI path such as
  // "/cgi/run=x/y"); the directory ends at the last "/" before it.
  std::size_t queryStart = rest.find('?');
  if (queryStart == std::string::npos) queryStart = rest.find('=');
  const std::size_t slash =
      queryStart == std::string::npos ? rest.rfind('/') : rest.rfind('/', queryStart);
  const std::size_t directoryLength = slash == std::string::npos ? 0 : slash + 1;
  std::string path = "/" + rest.substr(0, directoryLength);
  std::string document = rest;
  std::string query;
  if (queryStart != std::string::npos) {
    document.resize(queryStart);
    query = rest.substr(queryStart);
  }
  document.erase(0, directoryLength);

  const std::size_t hash = query.find('#');
  if (hash != std::string::npos) {
    parts.Fragment = query.substr(hash + 1);
    query.resize(hash);
  }
  parts.Path = EncodePathPart(path);
  parts.Document = EncodePathPart(document) + EncodeQueryPart(query);
  return parts;
}

std::string TURI::EncodePathPart(const std::string& text) {
  return PercentEncode(text, false);
}

std::string TURI::EncodeQueryPart(const std::string& text) {
  return PercentEncode(text, true);
}

void TURI::NormalizeSlashes(std::string& text) {
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
}

}  // namespace qp::http
