#include "http/Cookie.h"

#include <algorithm>

#include "base/InternetText.h"
#include "base/SysUtils.h"

namespace qp::http {

namespace {

// The largest Max-Age honoured, about 400 years, so that the computed date stays a date.
constexpr int64_t kMaxAgeCeiling = int64_t{400} * 366 * 86400;

std::string Unquote(std::string text) {
  if (!text.empty() && text.front() == '"') text.erase(0, 1);
  if (!text.empty() && text.back() == '"') text.pop_back();
  return text;
}

}  // namespace

void TNetscapeCookie::ParseCookieText(const std::string& text, TDateTime now) {
  if (text == ReceivedText) return;
  ReceivedText = text;
  std::string rest = text;
  std::string first = Trim(CutToken(rest, ";"));
  const std::string name = CutToken(first, "=");
  Name = Trim(name);
  Value = Trim(first);
  TAttributes attributes;
  while (!rest.empty()) {
    std::string entry = Trim(CutToken(rest, ";"));
    TAttribute attribute;
    attribute.Name = UpperCase(Trim(CutToken(entry, "=")));
    attribute.Value = Trim(entry);
    attributes.push_back(std::move(attribute));
  }
  ReadAttributes(attributes, now);
}

bool TNetscapeCookie::ExpiredAt(TDateTime now) const {
  return !Expires.empty() && now > InternetDateToLocal(Expires);
}

const TNetscapeCookie::TAttribute* TNetscapeCookie::FindAttribute(const TAttributes& attributes,
                                                                  const char* name) {
  for (const TAttribute& attribute : attributes) {
    if (attribute.Name == name) return &attribute;
  }
  return nullptr;
}

std::string TNetscapeCookie::AttributeValue(const TAttributes& attributes, const char* name) {
  const TAttribute* attribute = FindAttribute(attributes, name);
  return attribute != nullptr ? attribute->Value : std::string();
}

void TNetscapeCookie::ReadAttributes(const TAttributes& attributes, TDateTime now) {
  (void)now;
  Path = Unquote(AttributeValue(attributes, "PATH"));
  Expires = AttributeValue(attributes, "EXPIRES");
  Domain = AttributeValue(attributes, "DOMAIN");
  Secure = FindAttribute(attributes, "SECURE") != nullptr;
}

void TCookieRFC2109::ReadAttributes(const TAttributes& attributes, TDateTime now) {
  TNetscapeCookie::ReadAttributes(attributes, now);
  int64_t maxAge = -1;
  if (!TryStrToInt64(AttributeValue(attributes, "MAX-AGE"), maxAge)) maxAge = -1;
  MaxAge = maxAge;
  Version = AttributeValue(attributes, "VERSION");
  Comment = AttributeValue(attributes, "COMMENT");
  if (FindAttribute(attributes, "EXPIRES") == nullptr) {
    CookieVersion = 0;
    if (MaxAge >= 0) {
      const int64_t seconds = std::min(MaxAge, kMaxAgeCeiling);
      Expires = LocalDateToInternet(now + static_cast<double>(seconds) / 86400.0, false);
    }
  }
}

void TCookieRFC2965::ReadAttributes(const TAttributes& attributes, TDateTime now) {
  TCookieRFC2109::ReadAttributes(attributes, now);
  CommentURL = AttributeValue(attributes, "COMMENTURL");
  Discard = FindAttribute(attributes, "DISCARD") != nullptr;
  Ports.clear();
  const TAttribute* port = FindAttribute(attributes, "PORT");
  if (port == nullptr) return;
  const std::string& value = port->Value;
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    std::string list = value.substr(1, value.size() - 2);
    while (!list.empty()) Ports.push_back(StrToInt(Trim(CutToken(list, ","))));
  } else if (!value.empty()) {
    return;
  }
  if (Ports.empty()) Ports.push_back(80);
}

bool TCookies::Add(std::unique_ptr<TNetscapeCookie> cookie) {
  if (cookie->ReceivedText.size() > kMaxCookieText) return false;
  auto domain = std::find_if(FDomains.begin(), FDomains.end(), [&](const TCookieDomain& d) {
    return SameText(d.Domain, cookie->Domain);
  });
  if (domain != FDomains.end()) {
    for (std::unique_ptr<TNetscapeCookie>& stored : domain->Cookies) {
      if (SameText(stored->Name, cookie->Name)) {
        stored = std::move(cookie);
        return true;
      }
    }
  }
  if (domain != FDomains.end() && domain->Cookies.size() >= kMaxCookiesPerDomain) {
    domain->Cookies.erase(domain->Cookies.begin());
    --FCount;
  } else if (FCount >= kMaxCookies) {
    return false;
  }
  if (domain == FDomains.end()) {
    FDomains.push_back(TCookieDomain{cookie->Domain, {}});
    domain = FDomains.end() - 1;
  }
  domain->Cookies.push_back(std::move(cookie));
  ++FCount;
  return true;
}

void TCookies::Delete(std::size_t domainIndex, std::size_t index) {
  std::vector<std::unique_ptr<TNetscapeCookie>>& cookies = FDomains.at(domainIndex).Cookies;
  if (index >= cookies.size()) return;
  cookies.erase(cookies.begin() + static_cast<std::ptrdiff_t>(index));
  --FCount;
}

std::size_t TCookies::Count() const {
  return FCount;
}

TNetscapeCookie* TCookies::Find(const std::string& domain, const std::string& name) const {
  for (const TCookieDomain& d : FDomains) {
    if (!SameText(d.Domain, domain)) continue;
    for (const std::unique_ptr<TNetscapeCookie>& cookie : d.Cookies) {
      if (SameText(cookie->Name, name)) return cookie.get();
    }
  }
  return nullptr;
}

}  // namespace qp::http
