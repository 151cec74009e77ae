// The cookie store of the HTTP client: takes the "Set-Cookie" and "Set-Cookie2" values a
// host sends and builds the "Cookie" header for later requests. Cookies live in memory for
// the life of the manager and are never written to disk.
#pragma once

#include <functional>
#include <string>

#include "base/Component.h"
#include "base/DateTime.h"
#include "http/Cookie.h"
#include "http/URI.h"

namespace qp::http {

class TCookieManager;

using TCookieManagerEvent = std::function<void(TCookieManager& ASender)>;
// VAccept starts true; a handler that clears it discards the cookie.
using TNewCookieEvent =
    std::function<void(TCookieManager& ASender, TNetscapeCookie& ACookie, bool& VAccept)>;

// Owned by the HTTP client that created it (or by the program that assigned it to a client);
// used on the client's thread.
class TCookieManager : public TBaseComponent {
 public:
  // Fires onCreate (kept as OnCreate) once the manager exists.
  explicit TCookieManager(TCookieManagerEvent onCreate = nullptr);
  // Fires OnDestroy.
  ~TCookieManager() override;

  TCookieManagerEvent OnCreate;
  TCookieManagerEvent OnDestroy;
  TNewCookieEvent OnNewCookie;
  // The current local time; tests set a fixed clock.
  std::function<TDateTime()> Clock = [] { return Now(); };

  TCookies& CookieCollection() { return FCookies; }

  // The "Cookie" header value for a request to uri's Host and Path: the name=value pairs of
  // the stored cookies whose domain is the host or a parent domain of it (RFC 6265 section
  // 5.1.3, letter case ignored), whose path begins the request path (a cookie without a
  // path goes with every path), that have a value and are not Secure unless secure is set;
  // longest path first, joined by "; ". Expired cookies met on the way are deleted. "" when
  // none applies. Throws EFailedToRetreiveTimeZoneInfo.
  std::string CookieHeaderFor(const TURI& uri, bool secure);
  // Takes one "Set-Cookie" value received from host. A cookie without a domain belongs to
  // host; one whose domain does not fit host (see DomainFitsHost) or that OnNewCookie or a
  // limit refuses is discarded. Throws as TNetscapeCookie::ParseCookieText.
  void StoreSetCookie(const std::string& text, const std::string& host);
  // The same for one "Set-Cookie2" value.
  void StoreSetCookie2(const std::string& text, const std::string& host);

  // Whether a cookie of domain may be set by host, letter case ignored: a dotted-quad host
  // only for itself; a host name for itself, or for the domain from its first dot on
  // (".d.e" from "w.d.e").
  static bool DomainFitsHost(const std::string& domain, const std::string& host);
  // Whether a cookie of domain goes to host: host equals the domain (without a leading
  // dot) or ends with "." followed by it, letter case ignored.
  static bool DomainMatchesHost(const std::string& domain, const std::string& host);

 private:
  void Store(std::unique_ptr<TNetscapeCookie> cookie, const std::string& text,
             const std::string& host);

  TCookies FCookies;
};

}  // namespace qp::http
