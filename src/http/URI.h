// Splitting a URL into its parts (protocol, user information, host, port, directory,
// document with query, fragment) and encoding the characters of a path or a query that may
// not stand in a request line (RFC 3986 section 2.1 percent-encoding, with "+" for a blank
// in a query as HTML forms write it). Nothing here decodes "%" sequences.
#pragma once

#include <string>

namespace qp::http {

// The parts of a URL as TURI::SplitURI returns them; every part is empty when the URL has
// none. Path begins with "/" and, unless it is "/" alone, ends with "/"; Path followed by
// Document is the request target.
struct TURIParts {
  std::string Protocol;
  std::string Host;
  std::string Path;
  std::string Document;
  std::string Port;
  std::string Fragment;
  std::string Username;
  std::string Password;
};

// The record of one URL. A plain value, owned by whoever made it: the HTTP client keeps one
// as the record of its current request (RequestURI), whose host and path choose the cookies
// that go with the request. Used on one thread.
class TURI {
 public:
  // Stores text (with "\" turned into "/") in URIText and splits it into Protocol, Host,
  // Path, Document, Port and Fragment; Username and Password stay empty. Empty text makes
  // an empty record.
  explicit TURI(const std::string& text = "");

  std::string Document;
  std::string Protocol;
  std::string URIText;
  std::string Port;
  std::string Path;
  std::string Host;
  std::string Fragment;
  std::string Username;
  std::string Password;

  // Splits a URL of the form protocol "://" user ":" password "@" host ":" port path
  // document "?" query "#" fragment. Never fails: text that cannot be a host stays in the
  // host and fails when a connection resolves it. A URL without "://" has no protocol,
  // host, port or user information; all of it is path and document.
  static TURIParts SplitURI(const std::string& text);

  // The target of reference (as found in a Location header) taken against the absolute URL
  // base, as RFC 3986 section 5.2 resolves it: a reference with a scheme stands alone, "//h/x"
  // keeps base's scheme, "/x" base's scheme and host, "x" replaces base's last path
  // segment, "?q" base's query; "." and ".." segments are removed (section 5.2.4). The
  // text is not decoded or encoded.
  static std::string ResolveReference(const std::string& base, const std::string& reference);

  // Percent-encodes (two upper-case hex digits) the blank, "#", "%", "*", "+", "<", ">" and
  // every byte from 0x80 up; everything else, control characters included, is copied. A
  // "%" already present is encoded again.
  static std::string EncodePathPart(const std::string& text);
  // As EncodePathPart, except that a blank becomes "+".
  static std::string EncodeQueryPart(const std::string& text);
  // Turns every "\" into "/". Text is 8-bit in a single-byte code page or UTF-8, where a
  // "\" byte is never the second byte of a multi-byte character.
  static void NormalizeSlashes(std::string& text);
};

}  // namespace qp::http
