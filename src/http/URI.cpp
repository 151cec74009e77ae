#include "http/URI.h"

#include <cctype>

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

// The five parts of a URI reference (RFC 3986 section 3); the flags tell an empty part from
// an absent one.
struct TReference {
  std::string Scheme, Authority, Path, Query, Fragment;
  bool HasScheme = false, HasAuthority = false, HasQuery = false, HasFragment = false;
};

TReference SplitReference(std::string text) {
  TReference r;
  const std::size_t hash = text.find('#');
  if (hash != std::string::npos) {
    r.HasFragment = true;
    r.Fragment = text.substr(hash + 1);
    text.resize(hash);
  }
  const std::size_t question = text.find('?');
  if (question != std::string::npos) {
    r.HasQuery = true;
    r.Query = text.substr(question + 1);
    text.resize(question);
  }
  // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ), ended by the first ":".
  const std::size_t colon = text.find(':');
  if (colon != std::string::npos && colon > 0 &&
      std::isalpha(static_cast<unsigned char>(text[0]))) {
    bool scheme = true;
    for (std::size_t i = 1; i < colon && scheme; ++i) {
      const auto c = static_cast<unsigned char>(text[i]);
      scheme = std::isalnum(c) || c == '+' || c == '-' || c == '.';
    }
    if (scheme) {
      r.HasScheme = true;
      r.Scheme = text.substr(0, colon);
      text.erase(0, colon + 1);
    }
  }
  if (text.rfind("//", 0) == 0) {
    r.HasAuthority = true;
    const std::size_t slash = text.find('/', 2);
    r.Authority = text.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
    text.erase(0, slash == std::string::npos ? text.size() : slash);
  }
  r.Path = std::move(text);
  return r;
}

// RFC 3986 section 5.2.4.
std::string RemoveDots(std::string input) {
  std::string output;
  while (!input.empty()) {
    if (input.rfind("../", 0) == 0) {
      input.erase(0, 3);
    } else if (input.rfind("./", 0) == 0) {
      input.erase(0, 2);
    } else if (input.rfind("/./", 0) == 0) {
      input.erase(0, 2);
    } else if (input == "/.") {
      input = "/";
    } else if (input.rfind("/../", 0) == 0 || input == "/..") {
      input = input.size() == 3 ? "/" : input.substr(3);
      const std::size_t last = output.rfind('/');
      output.resize(last == std::string::npos ? 0 : last);
    } else if (input == "." || input == "..") {
      input.clear();
    } else {
      const std::size_t next = input.find('/', 1);
      output += input.substr(0, next);
      input.erase(0, next == std::string::npos ? input.size() : next);
    }
  }
  return output;
}

}  // namespace

std::string TURI::ResolveReference(const std::string& base, const std::string& reference) {
  const TReference b = SplitReference(base);
  const TReference r = SplitReference(reference);
  TReference t;
  if (r.HasScheme) {
    t = r;
    t.Path = RemoveDots(r.Path);
  } else {
    t.HasScheme = b.HasScheme;
    t.Scheme = b.Scheme;
    if (r.HasAuthority) {
      t.HasAuthority = true;
      t.Authority = r.Authority;
      t.Path = RemoveDots(r.Path);
      t.HasQuery = r.HasQuery;
      t.Query = r.Query;
    } else {
      t.HasAuthority = b.HasAuthority;
      t.Authority = b.Authority;
      if (r.Path.empty()) {
        t.Path = b.Path;
        t.HasQuery = r.HasQuery || b.HasQuery;
        t.Query = r.HasQuery ? r.Query : b.Query;
      } else {
        if (r.Path[0] == '/') {
          t.Path = RemoveDots(r.Path);
        } else {
          const std::size_t slash = b.Path.rfind('/');
          const std::string merged =
              b.HasAuthority && b.Path.empty()
                  ? "/" + r.Path
                  : (slash == std::string::npos ? r.Path : b.Path.substr(0, slash + 1) + r.Path);
          t.Path = RemoveDots(merged);
        }
        t.HasQuery = r.HasQuery;
        t.Query = r.Query;
      }
    }
    t.HasFragment = r.HasFragment;
    t.Fragment = r.Fragment;
  }
  std::string result;
  if (t.HasScheme) result += t.Scheme + ":";
  if (t.HasAuthority) result += "//" + t.Authority;
  result += t.Path;
  if (t.HasQuery) result += "?" + t.Query;
  if (t.HasFragment) result += "#" + t.Fragment;
  return result;
}

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
