#include "http/CookieManager.h"

#include <algorithm>
#include <vector>

#include "base/SysUtils.h"
#include "net/NetGlobal.h"

namespace qp::http {

TCookieManager::TCookieManager(TCookieManagerEvent onCreate) : OnCreate(std::move(onCreate)) {
  if (OnCreate) OnCreate(*this);
}

TCookieManager::~TCookieManager() {
  if (OnDestroy) {
    try {
      OnDestroy(*this);
    } catch (...) {
      // A destructor must not throw; the manager goes either way.
    }
  }
}

bool TCookieManager::DomainFitsHost(const std::string& domain, const std::string& host) {
  if (net::IsDottedQuad(host)) return SameText(domain, host);
  if (!net::IsHostNameText(host)) return false;
  if (net::IsHostNameText(domain)) return SameText(domain, host);
  return SameText(domain, net::FromFirstDot(host));
}

bool TCookieManager::DomainMatchesHost(const std::string& domain, const std::string& host) {
  const std::string_view bare =
      !domain.empty() && domain[0] == '.' ? std::string_view(domain).substr(1) : domain;
  if (SameText(host, bare)) return true;
  return host.size() > bare.size() && host[host.size() - bare.size() - 1] == '.' &&
         SameText(std::string_view(host).substr(host.size() - bare.size()), bare);
}

void TCookieManager::StoreSetCookie(const std::string& text, const std::string& host) {
  Store(std::make_unique<TCookieRFC2109>(), text, host);
}

void TCookieManager::StoreSetCookie2(const std::string& text, const std::string& host) {
  Store(std::make_unique<TCookieRFC2965>(), text, host);
}

void TCookieManager::Store(std::unique_ptr<TNetscapeCookie> cookie, const std::string& text,
                           const std::string& host) {
  cookie->ParseCookieText(text, Clock());
  if (cookie->Domain.empty()) cookie->Domain = host;
  if (!DomainFitsHost(cookie->Domain, host)) return;
  bool accept = true;
  if (OnNewCookie) OnNewCookie(*this, *cookie, accept);
  if (!accept) return;
  FCookies.Add(std::move(cookie));
}

std::string TCookieManager::CookieHeaderFor(const TURI& uri, bool secure) {
  const TDateTime now = Clock();
  std::vector<const TNetscapeCookie*> used;
  const std::vector<TCookieDomain>& domains = FCookies.Domains();
  for (std::size_t d = 0; d < domains.size(); ++d) {
    if (!DomainMatchesHost(domains[d].Domain, uri.Host)) continue;
    // Newest first, so that among equal paths the last stored cookie leads.
    for (std::size_t i = domains[d].Cookies.size(); i-- > 0;) {
      const TNetscapeCookie& cookie = *domains[d].Cookies[i];
      if (!uri.Path.starts_with(cookie.Path)) continue;
      if (cookie.ExpiredAt(now)) {
        FCookies.Delete(d, i);
        continue;
      }
      if (!cookie.Value.empty() && (!cookie.Secure || secure)) used.push_back(&cookie);
    }
  }
  std::stable_sort(used.begin(), used.end(),
                   [](const TNetscapeCookie* a, const TNetscapeCookie* b) {
                     return UpperCase(a->Path) > UpperCase(b->Path);
                   });
  std::string header;
  for (const TNetscapeCookie* cookie : used) {
    if (!header.empty()) header += "; ";
    header += cookie->Name + "=" + cookie->Value;
  }
  return header;
}

}  // namespace qp::http
