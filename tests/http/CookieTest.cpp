#include <gtest/gtest.h>

#include <cstdlib>

#include "base/DateTime.h"
#include "base/Exception.h"
#include "http/CookieManager.h"

namespace qp::http {
namespace {

// A fixed "now": 2024-03-01 12:00:00 local time (the tests run in UTC).
const TDateTime kNow = EncodeDate(2024, 3, 1) + EncodeTime(12, 0, 0, 0);
const char* const kFuture = "Fri, 01 Jan 2100 00:00:00 GMT";
const char* const kPast = "Thu, 01 Jan 2004 00:00:00 GMT";

TURI RequestTo(const std::string& host, const std::string& path) {
  TURI uri;
  uri.Host = host;
  uri.Path = path;
  return uri;
}

class CookieTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    manager.Clock = [this] { return now; };
  }
  std::string For(const std::string& host, const std::string& path) {
    return manager.CookieHeaderFor(RequestTo(host, path), false);
  }
  TDateTime now = kNow;
  TCookieManager manager;
};

TEST_F(CookieTest, ExpiringCookieGoesWithEveryPathOfItsHost) {
  manager.StoreSetCookie(std::string("id=42; path=/; expires=") + kFuture, "news.example");
  EXPECT_EQ(For("news.example", "/"), "id=42");
  EXPECT_EQ(For("news.example", "/deep/feeds/"), "id=42");
}

TEST_F(CookieTest, LongestPathFirstAndOnlyMatchingPaths) {
  manager.StoreSetCookie("a=1; path=/news/", "h");
  manager.StoreSetCookie("b=2; path=/", "h");
  EXPECT_EQ(For("h", "/news/today/"), "a=1; b=2");
  EXPECT_EQ(For("h", "/"), "b=2");
  // Equal paths: the newest first.
  manager.StoreSetCookie("c=3; path=/", "h");
  EXPECT_EQ(For("h", "/"), "c=3; b=2");
}

TEST_F(CookieTest, DomainMustFitTheHostThatSetIt) {
  struct Row {
    const char* name;
    std::string text, host;
    bool stored;
  };
  const Row rows[] = {
      {"parent domain with a dot", "c=1; domain=.d.e", "w.d.e", true},
      {"parent domain without a dot", "c=1; domain=d.e", "w.d.e", false},
      {"own host name", "c=1; domain=w.d.e", "w.d.e", true},
      {"letter case ignored", "c=1; domain=.D.E", "W.d.e", true},
      {"grandparent domain", "c=1; domain=.e", "w.d.e", false},
      {"another site", "c=1; domain=.attacker.net", "w.d.e", false},
      {"address, no domain", "c=1", "10.0.0.1", true},
      {"address, its own domain", "c=1; domain=10.0.0.1", "10.0.0.1", true},
      {"address, another domain", "c=1; domain=.0.0.1", "10.0.0.1", false},
      {"address, another address", "c=1; domain=10.0.0.2", "10.0.0.1", false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TCookieManager fresh;
    fresh.StoreSetCookie(r.text, r.host);
    EXPECT_EQ(fresh.CookieCollection().Count(), r.stored ? 1u : 0u);
  }
}

TEST_F(CookieTest, CookiesGoOnlyToTheirOwnSite) {
  manager.StoreSetCookie("s=1", "news.example");
  manager.StoreSetCookie("p=2; domain=.shop.example", "www.shop.example");
  struct Row {
    const char* name;
    std::string host, want;
  };
  const Row rows[] = {
      {"the host itself", "news.example", "s=1"},
      {"letter case ignored", "NEWS.Example", "s=1"},
      {"a host below it", "www.news.example", "s=1"},
      {"a host whose name merely ends in it", "badnews.example", ""},
      {"the name inside an attacker's domain", "news.example.attacker.net", ""},
      {"the parent domain itself", "shop.example", "p=2"},
      {"a sibling under the parent domain", "img.shop.example", "p=2"},
      {"a name ending in the parent domain", "eshop.example", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(For(r.host, "/"), r.want);
  }
}

TEST_F(CookieTest, ExpiredCookieIsDeletedAtFirstUseAndNotSent) {
  manager.StoreSetCookie(std::string("old=1; path=/; expires=") + kPast, "h");
  manager.StoreSetCookie("new=2; path=/", "h");
  manager.StoreSetCookie(std::string("elsewhere=3; path=/other/; expires=") + kPast, "h");
  EXPECT_EQ(manager.CookieCollection().Count(), 3u);
  EXPECT_EQ(For("h", "/"), "new=2");
  // The cookie of another path was not met, so it stays until a request would use it.
  EXPECT_EQ(manager.CookieCollection().Count(), 2u);
  EXPECT_EQ(manager.CookieCollection().Find("h", "old"), nullptr);
}

TEST_F(CookieTest, MaxAgeDatesTheCookieFromNow) {
  manager.StoreSetCookie("m=1; max-age=60", "h");
  const TNetscapeCookie* cookie = manager.CookieCollection().Find("h", "m");
  ASSERT_NE(cookie, nullptr);
  EXPECT_EQ(cookie->Expires, "Fri, 1 Mar 2024 12:01:00 +0000");
  EXPECT_EQ(static_cast<const TCookieRFC2109*>(cookie)->MaxAge, 60);
  EXPECT_EQ(For("h", "/"), "m=1");
  now = kNow + 61.0 / 86400;
  EXPECT_EQ(For("h", "/"), "");
  EXPECT_EQ(manager.CookieCollection().Count(), 0u);
}

TEST_F(CookieTest, CookieReceivedAgainReplacesTheStoredOneInPlace) {
  manager.StoreSetCookie("a=1; path=/", "h");
  manager.StoreSetCookie("b=2; path=/", "h");
  manager.StoreSetCookie("A=3; path=/; secure", "h");
  const TCookieDomain& domain = manager.CookieCollection().Domains().at(0);
  ASSERT_EQ(domain.Cookies.size(), 2u);
  EXPECT_EQ(domain.Cookies[0]->Name, "A");
  EXPECT_EQ(domain.Cookies[0]->Value, "3");
  EXPECT_TRUE(domain.Cookies[0]->Secure);
  EXPECT_EQ(domain.Cookies[1]->Name, "b");
}

TEST_F(CookieTest, ServerDeletesACookieByExpiringIt) {
  manager.StoreSetCookie("session=abc; path=/", "h");
  manager.StoreSetCookie(std::string("session=; path=/; expires=") + kPast, "h");
  EXPECT_EQ(For("h", "/"), "");
  EXPECT_EQ(manager.CookieCollection().Count(), 0u);
}

TEST_F(CookieTest, WhatIsNotSent) {
  manager.StoreSetCookie("secret=1; secure", "h");
  manager.StoreSetCookie("empty=", "h");
  manager.StoreSetCookie("nopath=3", "h");
  EXPECT_EQ(For("h", "/any/where/"), "nopath=3");
  EXPECT_EQ(manager.CookieHeaderFor(RequestTo("h", "/"), true), "nopath=3; secret=1");
}

TEST_F(CookieTest, Cookie2ReadsItsPortList) {
  struct Row {
    const char* name;
    std::string text;
    std::vector<int> ports;
  };
  const Row rows[] = {
      {"quoted list", "c=1; Port=\"80,8080\"; Discard; CommentURL=http://x/", {80, 8080}},
      {"empty value", "c=1; Port", {80}},
      {"empty quoted list", "c=1; Port=\"\"", {80}},
      {"unquoted value sets nothing", "c=1; Port=8080", {}},
      {"absent", "c=1", {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TCookieRFC2965 cookie;
    cookie.ParseCookieText(r.text, kNow);
    EXPECT_EQ(cookie.Ports, r.ports);
  }
  EXPECT_THROW(TCookieRFC2965().ParseCookieText("c=1; Port=\"80,x\"", kNow), EConvertError);
}

TEST_F(CookieTest, StoreLimits) {
  // Text length: pass at the limit, fail one byte over.
  const std::string name = "big=";
  manager.StoreSetCookie(name + std::string(TCookies::kMaxCookieText - name.size(), 'v'), "h");
  EXPECT_EQ(manager.CookieCollection().Count(), 1u);
  manager.StoreSetCookie("big2=" + std::string(TCookies::kMaxCookieText - name.size(), 'v'), "h");
  EXPECT_EQ(manager.CookieCollection().Count(), 1u);

  // Per domain: the 50th is kept, the 51st pushes out the oldest.
  TCookieManager perDomain;
  for (std::size_t i = 0; i < TCookies::kMaxCookiesPerDomain; ++i) {
    perDomain.StoreSetCookie("c" + std::to_string(i) + "=1", "h");
  }
  EXPECT_NE(perDomain.CookieCollection().Find("h", "c0"), nullptr);
  perDomain.StoreSetCookie("last=1", "h");
  EXPECT_EQ(perDomain.CookieCollection().Count(), TCookies::kMaxCookiesPerDomain);
  EXPECT_EQ(perDomain.CookieCollection().Find("h", "c0"), nullptr);
  EXPECT_NE(perDomain.CookieCollection().Find("h", "last"), nullptr);

  // The whole store: full at the limit; a new name is refused, a known one still replaced.
  TCookieManager store;
  for (std::size_t i = 0; i < TCookies::kMaxCookies; ++i) {
    store.StoreSetCookie("c=1", "h" + std::to_string(i));
  }
  EXPECT_EQ(store.CookieCollection().Count(), TCookies::kMaxCookies);
  store.StoreSetCookie("d=1", "h0");
  EXPECT_EQ(store.CookieCollection().Find("h0", "d"), nullptr);
  store.StoreSetCookie("c=2", "h0");
  EXPECT_EQ(store.CookieCollection().Find("h0", "c")->Value, "2");
}

}  // namespace
}  // namespace qp::http
