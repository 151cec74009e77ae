// Cookies as servers send them: the Netscape form of "Set-Cookie", its RFC 2109 reading
// (Max-Age, Version, Comment) and the RFC 2965 "Set-Cookie2" form (CommentURL, Discard,
// Port), and the in-memory store that keeps them by domain.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/DateTime.h"

namespace qp::http {

// One cookie. Owned by the store (TCookies) once stored; used on the client's thread.
class TNetscapeCookie {
 public:
  TNetscapeCookie() = default;
  virtual ~TNetscapeCookie() = default;
  TNetscapeCookie(const TNetscapeCookie&) = delete;
  TNetscapeCookie& operator=(const TNetscapeCookie&) = delete;

  // The header value as received.
  std::string ReceivedText;
  std::string Domain;
  // The expiry date as received or computed (an RFC 5322-style date), "" for none.
  std::string Expires;
  std::string Name;
  std::string Path;
  bool Secure = false;
  std::string Value;
  uint8_t CookieVersion = 0;

  // Reads a "Set-Cookie" value ("name=value; Path=/; Expires=...; Domain=...; Secure") into
  // the fields, unless it equals ReceivedText. Attribute names ignore letter case; an
  // attribute that is absent leaves its field empty. now (local time) dates a Max-Age.
  // Throws EConvertError for a quoted "Port" list of a "Set-Cookie2" value that holds
  // something other than integers.
  void ParseCookieText(const std::string& text, TDateTime now);
  // True when the cookie has an expiry date and now (local time) is past it. Throws
  // EFailedToRetreiveTimeZoneInfo when the date cannot be converted to local time.
  bool ExpiredAt(TDateTime now) const;

 protected:
  // The attributes after the first entry; each name is upper-cased, an entry without "="
  // being all name.
  struct TAttribute {
    std::string Name;
    std::string Value;
  };
  using TAttributes = std::vector<TAttribute>;
  static const TAttribute* FindAttribute(const TAttributes& attributes, const char* name);
  static std::string AttributeValue(const TAttributes& attributes, const char* name);

  virtual void ReadAttributes(const TAttributes& attributes, TDateTime now);
};

// A "Set-Cookie" cookie read with the attributes of RFC 2109.
class TCookieRFC2109 : public TNetscapeCookie {
 public:
  TCookieRFC2109() { CookieVersion = 1; }

  // Seconds the cookie lives from its arrival; -1 = not given (or not a number).
  int64_t MaxAge = -1;
  std::string Version;
  std::string Comment;

 protected:
  // Without "Expires", CookieVersion becomes 0 and a Max-Age of 0 or more sets Expires to
  // now plus that many seconds.
  void ReadAttributes(const TAttributes& attributes, TDateTime now) override;
};

// A "Set-Cookie2" cookie (RFC 2965).
class TCookieRFC2965 : public TCookieRFC2109 {
 public:
  TCookieRFC2965() { CookieVersion = 2; }

  std::string CommentURL;
  bool Discard = false;
  // From "Port": the quoted comma-separated list, or (80) for an empty value or list.
  std::vector<int> Ports;

 protected:
  void ReadAttributes(const TAttributes& attributes, TDateTime now) override;
};

// The cookies of one domain, in the order they were stored.
struct TCookieDomain {
  std::string Domain;
  std::vector<std::unique_ptr<TNetscapeCookie>> Cookies;
};

// The store: domains in the order they were first stored, each with its cookies. Domain
// and cookie names are matched without regard to letter case. Owned by the cookie manager;
// used on the client's thread.
//
// Limits (RFC 6265 section 6.1 asks for at least these): a cookie whose received text is
// longer than 4096 bytes is refused; a domain keeps at most 50 cookies, a new name beyond
// that pushing out the domain's oldest; the store keeps at most 3000 cookies and refuses new
// names beyond that.
class TCookies {
 public:
  static constexpr std::size_t kMaxCookieText = 4096;
  static constexpr std::size_t kMaxCookiesPerDomain = 50;
  static constexpr std::size_t kMaxCookies = 3000;

  // Stores cookie under its Domain. A cookie of the same domain and name is replaced in
  // place (it keeps its position). Returns false when a limit refuses the cookie.
  bool Add(std::unique_ptr<TNetscapeCookie> cookie);
  // Deletes the cookie at index of the domain at domainIndex.
  void Delete(std::size_t domainIndex, std::size_t index);
  void Clear() { FDomains.clear(); }

  const std::vector<TCookieDomain>& Domains() const { return FDomains; }
  std::size_t Count() const;
  // The stored cookie of that domain and name, nullptr when there is none.
  TNetscapeCookie* Find(const std::string& domain, const std::string& name) const;

 private:
  std::vector<TCookieDomain> FDomains;
  std::size_t FCount = 0;
};

}  // namespace qp::http
