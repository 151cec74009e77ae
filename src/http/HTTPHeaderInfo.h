// The typed header records of an HTTP exchange: the entity fields shared by requests and
// responses, the request record with its proxy settings and authentication, and the
// response record. Each translates between its named fields and raw header lines
// ("Name: value", RFC 9110 section 5).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/DateTime.h"
#include "http/Authentication.h"
#include "message/HeaderList.h"

namespace qp::http {

// The fields every HTTP message may carry about its body, and the raw header lines. Part of
// a request or response record, which owns it; used on the client's thread.
class TEntityHeaderInfo {
 public:
  TEntityHeaderInfo();
  virtual ~TEntityHeaderInfo() = default;
  TEntityHeaderInfo(const TEntityHeaderInfo&) = delete;
  TEntityHeaderInfo& operator=(const TEntityHeaderInfo&) = delete;

  // Neither read nor written.
  std::string CacheControl;
  std::string Connection;
  std::string ContentEncoding;
  std::string ContentLanguage;
  // 0 when absent; a response record never holds a negative length (see its parsing).
  int64_t ContentLength = 0;
  int64_t ContentRangeEnd = 0;
  int64_t ContentRangeStart = 0;
  std::string ContentType;
  std::string ContentVersion;
  TDateTime Date = 0;
  TDateTime Expires = 0;
  TDateTime LastModified = 0;

  // The raw header lines (a response's folded at 1024 columns when assigned; a request's never
  // folded).
  message::THeaderList& RawHeaders() { return FRawHeaders; }
  const message::THeaderList& RawHeaders() const { return FRawHeaders; }

  // Empties the text fields, zeroes the numbers and dates and clears RawHeaders.
  virtual void Clear();
  // Fills the fields from RawHeaders. Throws EConvertError for a "Content-Range" part that
  // is not an integer, EFailedToRetreiveTimeZoneInfo when the dates cannot be converted.
  virtual void ParseRawHeaders();
  // Replaces RawHeaders by the lines of the fields that are set.
  virtual void BuildRawHeaders();

 protected:
  void ClearEntity();
  void ParseEntity();
  void BuildEntity();
  void AssignEntity(const TEntityHeaderInfo& source);

 private:
  message::THeaderList FRawHeaders;
};

// How a request reaches a proxy, and its credentials there. Owned by the request record.
class TProxyConnectionInfo {
 public:
  TProxyConnectionInfo() = default;
  TProxyConnectionInfo(const TProxyConnectionInfo&) = delete;
  TProxyConnectionInfo& operator=(const TProxyConnectionInfo&) = delete;

  std::string ProxyPassword;
  int ProxyPort = 0;
  std::string ProxyServer;
  std::string ProxyUsername;
  bool BasicAuthentication = false;

  // The scheme object answering the proxy's challenges; nullptr when none.
  TAuthentication* ProxyAuthentication() const { return FAuthentication.get(); }
  void SetProxyAuthentication(std::unique_ptr<TAuthentication> authentication) {
    FAuthentication = std::move(authentication);
  }

  // Empties server, user name and password and sets the port to 0.
  void Clear();
  // Copies the settings (not the authentication object).
  void Assign(const TProxyConnectionInfo& source);
  // The value of "Proxy-Authorization": that of the authentication object, or with
  // BasicAuthentication set that of a new Basic object made from ProxyUsername and
  // ProxyPassword (kept as the authentication object); "" otherwise.
  std::string AuthorizationValue();

 private:
  std::unique_ptr<TAuthentication> FAuthentication;
};

// The header fields of a request. Owned by the HTTP client (its Request); the program sets
// what the requests should carry, the client sets Host, ContentLength and Connection.
class TRequestHeaderInfo : public TEntityHeaderInfo {
 public:
  TRequestHeaderInfo();

  std::string Accept;
  std::string AcceptCharSet;
  std::string AcceptEncoding;
  std::string AcceptLanguage;
  std::string From;
  std::string Password;
  std::string Referer;
  std::string UserAgent;
  std::string Username;
  std::string Host;
  bool BasicAuthentication = false;
  TProxyConnectionInfo ProxyParams;

  // The scheme object answering the server's challenges; nullptr when none.
  TAuthentication* ActiveAuthentication() const { return FAuthentication.get(); }
  void SetActiveAuthentication(std::unique_ptr<TAuthentication> authentication) {
    FAuthentication = std::move(authentication);
  }

  // Sets Accept and UserAgent to the reader's values, empties AcceptCharSet, clears
  // BasicAuthentication and the proxy record, then the entity fields.
  void Clear() override;
  // Entity lines, then "Host", "Accept", "Accept-Charset", "Accept-Encoding",
  // "Accept-Language", "From", "Referer", "User-Agent", "Range", "Authorization" and
  // "Proxy-Authorization", each only when set. With BasicAuthentication and no
  // authentication object, a Basic object is made from Username and Password and kept.
  void BuildRawHeaders() override;
  // Copies every field, the raw lines and the proxy settings (not the authentication
  // objects).
  void Assign(const TRequestHeaderInfo& source);

  static constexpr const char* kDefaultAccept = "text/html, */*";
  static constexpr const char* kDefaultUserAgent = "Mozilla/3.0 (compatible; Quillpost)";

 private:
  std::unique_ptr<TAuthentication> FAuthentication;
};

// The header fields of a response. Owned by the HTTP client (its Response).
class TResponseHeaderInfo : public TEntityHeaderInfo {
 public:
  TResponseHeaderInfo();

  std::string Location;
  std::string Server;
  std::string ProxyConnection;
  // The values of every "Proxy-Authenticate" and every "WWW-Authenticate" line.
  message::THeaderList ProxyAuthenticate;
  message::THeaderList WWWAuthenticate;
  // The response carried a "Content-Length" with a length in it.
  bool HasContentLength = false;

  void Clear() override;
  // Fills the fields from RawHeaders. A negative "Content-Length" counts as no length
  // (HasContentLength false, ContentLength 0); one too large for 64 bits as the largest
  // length, so that a body limit refuses it. Throws as TEntityHeaderInfo::ParseRawHeaders.
  void ParseRawHeaders() override;
  void Assign(const TResponseHeaderInfo& source);
};

}  // namespace qp::http
