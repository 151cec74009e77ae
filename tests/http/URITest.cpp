#include <gtest/gtest.h>

#include "base/Exception.h"
#include "http/HTTP.h"
#include "http/URI.h"

namespace qp::http {
namespace {

TURIParts Parts(std::string protocol, std::string host, std::string path, std::string document,
                std::string port = "", std::string fragment = "", std::string user = "",
                std::string password = "") {
  return TURIParts{protocol, host, path, document, port, fragment, user, password};
}

TEST(SplitURI, TakesTheURLApart) {
  struct Row {
    const char* name;
    std::string url;
    TURIParts want;  // protocol, host, path, document, port, fragment, user, password
  };
  const Row rows[] = {
      {"directory and document", "http://h/dir/feed.xml", Parts("http", "h", "/dir/", "feed.xml")},
      {"port, protocol keeps its case", "HTTP://h:8080/rss",
       Parts("HTTP", "h", "/", "rss", "8080")},
      {"host only", "http://h", Parts("http", "h", "/", "")},
      {"user and password", "http://joe:secret@h/x",
       Parts("http", "h", "/", "x", "", "", "joe", "secret")},
      {"user without password", "http://joe@h/x", Parts("http", "h", "/", "x", "", "", "joe", "")},
      {"password without user", "http://:secret@h/x", Parts("http", "h", "/", "x")},
      {"blanks in path and query, fragment", "http://h/a b/c d.php?x=1 2#top",
       Parts("http", "h", "/a%20b/", "c%20d.php?x=1+2", "", "top")},
      {"fragment without query stays in the document", "http://h/page.html#top",
       Parts("http", "h", "/", "page.html%23top")},
      {"slash inside the query", "http://h/get.cgi?u=a/b",
       Parts("http", "h", "/", "get.cgi?u=a/b")},
      {"query right after the host", "http://h?x=1", Parts("http", "h?x=1", "/", "")},
      {"equals sign starts the query", "http://h/cgi/run=a b/c",
       Parts("http", "h", "/cgi/", "run=a+b/c")},
      {"backslashes, no scheme", "h\\feed\\rss.xml", Parts("", "", "/h/feed/", "rss.xml")},
      {"leading slash, no scheme", "/dir/x.xml", Parts("", "", "//dir/", "x.xml")},
      {"percent is encoded again", "http://h/a%41.xml", Parts("http", "h", "/", "a%2541.xml")},
      {"8-bit bytes", "http://h/\xE4/\xFC.xml?q=\xF6",
       Parts("http", "h", "/%E4/", "%FC.xml?q=%F6")},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const TURIParts got = TURI::SplitURI(r.url);
    EXPECT_EQ(got.Protocol, r.want.Protocol);
    EXPECT_EQ(got.Host, r.want.Host);
    EXPECT_EQ(got.Path, r.want.Path);
    EXPECT_EQ(got.Document, r.want.Document);
    EXPECT_EQ(got.Port, r.want.Port);
    EXPECT_EQ(got.Fragment, r.want.Fragment);
    EXPECT_EQ(got.Username, r.want.Username);
    EXPECT_EQ(got.Password, r.want.Password);
  }
}

// The normal and abnormal examples of RFC 3986 section 5.4.
TEST(ResolveReference, FollowsTheExamplesOfRFC3986) {
  const std::string base = "http://a/b/c/d;p?q";
  struct Row {
    const char* reference;
    const char* target;
  };
  const Row rows[] = {
      {"g:h", "g:h"},
      {"g", "http://a/b/c/g"},
      {"./g", "http://a/b/c/g"},
      {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"},
      {"//g", "http://g"},
      {"?y", "http://a/b/c/d;p?y"},
      {"g?y", "http://a/b/c/g?y"},
      {"#s", "http://a/b/c/d;p?q#s"},
      {"", "http://a/b/c/d;p?q"},
      {".", "http://a/b/c/"},
      {"..", "http://a/b/"},
      {"../g", "http://a/b/g"},
      {"../../../g", "http://a/g"},
      {"/./g", "http://a/g"},
      {"/../g", "http://a/g"},
      {"g.", "http://a/b/c/g."},
      {"..g", "http://a/b/c/..g"},
      {"./../g", "http://a/b/g"},
      {"g/../h", "http://a/b/c/h"},
      {"g;x=1/../y", "http://a/b/c/y"},
      {"g?y/./x", "http://a/b/c/g?y/./x"},
      {"https://other:8443/x/../y", "https://other:8443/y"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.reference);
    EXPECT_EQ(TURI::ResolveReference(base, r.reference), r.target);
  }
  EXPECT_EQ(TURI::ResolveReference("http://host", "feed.xml"), "http://host/feed.xml");
}

TEST(URIEncoding, PathAndQueryEncodersDifferOnlyInTheBlank) {
  struct Row {
    const char* name;
    std::string text, path, query;
  };
  const Row rows[] = {
      {"reserved characters", " #%*+<>", "%20%23%25%2A%2B%3C%3E", "+%23%25%2A%2B%3C%3E"},
      {"plain text unchanged", "a-b_c.d/e?f=g&h", "a-b_c.d/e?f=g&h", "a-b_c.d/e?f=g&h"},
      {"control characters copied", std::string("\t\x01", 2), std::string("\t\x01", 2),
       std::string("\t\x01", 2)},
      {"high bytes in upper-case hex", "\x80\xFF", "%80%FF", "%80%FF"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(TURI::EncodePathPart(r.text), r.path);
    EXPECT_EQ(TURI::EncodeQueryPart(r.text), r.query);
  }
}

TEST(DecodeUrlText, DecodesPlusAndPercentSequences) {
  struct Row {
    const char* name;
    std::string text, want;
  };
  const Row rows[] = {
      {"plus is a blank", "a+b", "a b"},         {"hex either case", "%2f%2F%41", "//A"},
      {"decoded plus stays", "%2B", "+"},        {"not hex: dropped", "a%zzb", "ab"},
      {"zero byte: dropped", "a%00b", "ab"},     {"high byte", "%E4", "\xE4"},
      {"percent at the end kept", "a%4", "a%4"}, {"lone percent kept", "%", "%"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(THTTP::DecodeUrlText(r.text), r.want);
  }
}

TEST(RemoveDotSegments, ResolvesAndAlwaysEnds) {
  struct Row {
    const char* name;
    std::string path, want;
  };
  const Row rows[] = {
      {"dot and dot-dot", "/feeds/./news/../rss/", "/feeds/rss/"},
      {"nothing to do", "/a/b/", "/a/b/"},
      {"two levels up", "/a/b/c/../../x/", "/a/x/"},
      {"surplus dot-dot at the start", "/../feed.xml", "/feed.xml"},
      {"more dot-dots than segments", "/a/../../../b/", "/b/"},
      {"leading dot-slash", "./x/", "x/"},
      {"leading dot-dot-slash", "../x/", "/x/"},
      {"segment ending in a dot", "/news./x/", "/newsx/"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(THTTP::RemoveDotSegments(r.path), r.want);
  }
}

TEST(ParseChunkSize, ReadsHexUpToBlankOrExtension) {
  struct Row {
    const char* name;
    std::string line;
    int64_t want;
  };
  const Row rows[] = {
      {"lower-case hex", "1a", 26},
      {"upper-case hex with leading zeros", "0001A", 26},
      {"last chunk", "0", 0},
      {"blank before extension", "10 ; name=x", 16},
      {"extension without blank", "1a;name=value", 26},
      {"largest 31-bit size (limit pass)", "7fffffff", 0x7FFFFFFF},
      {"many leading zeros", "000000000000000000000001", 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(THTTP::ParseChunkSize(r.line), r.want);
  }
}

TEST(ParseChunkSize, RefusesSizesItCannotRead) {
  struct Row {
    const char* name;
    std::string line;
    bool limit;  // EHTTPLimitExceeded rather than EHTTPProtocolError
  };
  const Row rows[] = {
      {"31 bits passed (limit fail)", "80000000", true},
      {"far too large", "ffffffffffffffffffff", true},
      {"not hex", "xyz", false},
      {"empty line", "", false},
      {"extension only", ";x", false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    if (r.limit) {
      EXPECT_THROW(THTTP::ParseChunkSize(r.line), EHTTPLimitExceeded);
    } else {
      EXPECT_THROW(THTTP::ParseChunkSize(r.line), EHTTPProtocolError);
    }
  }
}

}  // namespace
}  // namespace qp::http
