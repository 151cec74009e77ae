#include <gtest/gtest.h>
#include <poll.h>

#include <string>
#include <vector>

#include "FeedTree.h"
#include "feed/FeedReader.h"
#include "support/LoopbackListener.h"
#include "support/TempDir.h"

namespace qp::feed {
namespace {

using test::FeedTree;
using test::ReadDocument;
using test::TitleLink;
using Items = std::vector<TitleLink>;

const std::string kRss =
    "<?xml version=\"1.0\"?>\n"
    "<rss version=\"2.0\">\n"
    " <channel>\n"
    "  <title>Channel</title>\n"
    "  <link>http://example.org/</link>\n"
    "  <description>About</description>\n"
    "  <item><title>First</title><link>http://example.org/1</link></item>\n"
    "  <item>\n"
    "   <title>Second</title>\n"
    "   <description>Text</description>\n"
    "   <link>http://example.org/2</link>\n"
    "  </item>\n"
    " </channel>\n"
    "</rss>\n";

TEST(WalkFeedNodes, PairsTitleAndLinkOfTheSameElement) {
  struct Row {
    const char* name;
    std::string document;
    Items items;
  };
  const Row rows[] = {
      {"channel and two items, channel first",
       kRss,
       {{"Channel", "http://example.org/"},
        {"First", "http://example.org/1"},
        {"Second", "http://example.org/2"}}},
      {"CDATA title gives no item",
       "<rss><channel><item><title><![CDATA[Quoted]]></title><link>http://a/</link></item>"
       "<item><title>Plain</title><link>http://b/</link></item></channel></rss>",
       {{"Plain", "http://b/"}}},
      {"namespace-prefixed title is not a title",
       "<rdf:RDF xmlns:rdf='r' xmlns:dc='d'><item><dc:title>Prefixed</dc:title>"
       "<link>http://a/</link></item></rdf:RDF>",
       {}},
      {"names in any letter case, link before title",
       "<RSS><ITEM><Link>http://a/</Link><TITLE>Upper</TITLE></ITEM></RSS>",
       {{"Upper", "http://a/"}}},
      {"image description gives an item too",
       "<rss><channel><image><url>u</url><title>Logo</title><link>http://l/</link></image>"
       "</channel></rss>",
       {{"Logo", "http://l/"}}},
      {"pairs of different levels do not mix",
       "<r><title>Outer</title><item><link>http://in/</link></item><link>http://out/</link></r>",
       {{"Outer", "http://out/"}}},
      {"a second pair of one level starts from the first one's values",
       "<r><title>A</title><link>http://a/</link><title>B</title><title>C</title></r>",
       {{"A", "http://a/"}, {"C", "http://a/"}}},
      {"a title on its own counts with the next link of its level",
       "<r><item><title>Alone</title></item><title>T</title><x/><link>http://x/</link></r>",
       {{"T", "http://x/"}}},
      {"empty link element is not a text element",
       "<feed><entry><title>Atom</title><link href='http://a/'/></entry></feed>",
       {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const test::ReadResult result = ReadDocument(r.document);
    EXPECT_EQ(result.Format, TFeedFormat::ffXML);
    EXPECT_EQ(result.Items, r.items);
  }
}

TEST(ParseTextFeed, ReadsThreeLineRecords) {
  struct Row {
    const char* name;
    std::string document;
    Items items;
  };
  const Row rows[] = {
      {"seven lines with LF",
       "T1\nhttp://one/\ndescription\n&&\nT2\ndescription\nhttp://two/\n",
       {{"T1", "http://one/"}, {"T2", "http://two/"}}},
      // A CR stays part of its line, so "&&" CR is not a separator but the next title.
      {"seven lines with CR LF",
       "T1\r\nhttp://one/\r\ndescription\r\n&&\r\nT2\r\ndescription\r\nhttp://two/\r\n",
       {{"T1\r", "http://one/\r"}, {"&&\r", "http://one/\r"}}},
      {"second record without a link takes the previous one",
       "T1\nhttp://one/\nd\nT2\nd\nd\n",
       {{"T1", "http://one/"}, {"T2", "http://one/"}}},
      {"first record without a link has an empty link", "T1\nd\nd\n", {{"T1", ""}}},
      {"empty line abandons a record",
       "T0\nhttp://zero/\n\nT1\nd\nhttp://one/\n",
       {{"T1", "http://one/"}}},
      {"\"&&\" abandons a record", "T0\n&&\nT1\nhttp://one/\nd", {{"T1", "http://one/"}}},
      {"last line without LF completes a record", "T\nd\nhttp://x/", {{"T", "http://x/"}}},
      {"\"http://\" is case-sensitive", "T\nHTTP://A/\nd\n", {{"T", ""}}},
      {"records without separators",
       "A\nhttp://a/\nd\nB\nd\nhttp://b/\n",
       {{"A", "http://a/"}, {"B", "http://b/"}}},
      {"empty document", "", {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    FeedTree tree;
    TNewsCollection items;
    ParseTextFeed(r.document, tree.AddSite("site"), items);
    EXPECT_EQ(test::TitlesAndLinks(items), r.items);
  }
}

TEST(ReadFeed, DocumentsThatAreNotXmlAreReadAsText) {
  const test::ReadResult result = ReadDocument("<b>Bold</b>\nhttp://x/\ndescription\n");
  EXPECT_EQ(result.Format, TFeedFormat::ffText);
  EXPECT_EQ(result.Items, (Items{{"<b>Bold</b>", "http://x/"}}));
  EXPECT_EQ(ReadDocument("").Format, TFeedFormat::ffText);
  EXPECT_TRUE(ReadDocument("").Items.empty());
}

TEST(ReadFeed, ItemsOfAWalkThatFailedStayBeforeTheTextReading) {
  FeedTree tree;
  tree.FailAt = 2;
  TMemoryStream stream;
  stream.WriteString(kRss);
  TXMLDocument xmlDoc;
  TNewsCollection items;
  EXPECT_EQ(ReadFeed(xmlDoc, stream, "", tree.AddSite("site"), items), TFeedFormat::ffText);
  // The channel's item stays; the text reading follows, taking the document's lines as records.
  ASSERT_GE(items.Count(), 2);
  EXPECT_EQ(items.Items(0).Title, "Channel");
  EXPECT_EQ(items.Items(1).Title, "<?xml version=\"1.0\"?>");
}

TEST(ReadFeed, NodeIndexIsTheAbsoluteIndexAlsoForLaterSites) {
  FeedTree tree;
  TXMLDocument xmlDoc;
  TNewsCollection items;
  const std::string documents[] = {kRss, "A\nhttp://a/\nd\nB\nhttp://b/\nd\n", kRss};
  for (int site = 0; site < 3; ++site) {
    TMemoryStream stream;
    stream.WriteString(documents[site]);
    ReadFeed(xmlDoc, stream, "", tree.AddSite("site " + std::to_string(site)), items);
  }
  ASSERT_EQ(items.Count(), 8);
  const std::vector<std::string> depthFirst = tree.DepthFirst();
  ASSERT_EQ(depthFirst.size(), 12u);
  for (int i = 0; i < items.Count(); ++i) {
    SCOPED_TRACE(i);
    const TNewsItem& item = items.Items(i);
    ASSERT_GE(item.NodeIndex, 0);
    ASSERT_LT(item.NodeIndex, static_cast<int32_t>(depthFirst.size()));
    EXPECT_EQ(depthFirst[static_cast<std::size_t>(item.NodeIndex)], item.Title);
  }
  EXPECT_EQ(items.Items(5).NodeIndex, 9);  // the third site's channel: after its site node
  EXPECT_EQ(depthFirst[8], "site 2");
}

// Latin-1 text (every character below U+0100) as UTF-16 with a byte-order mark.
std::string Utf16(const std::string& latin1, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char c : latin1) {
    const char units[2] = {bigEndian ? '\0' : c, bigEndian ? c : '\0'};
    out.append(units, 2);
  }
  return out;
}

TEST(ReadFeed, EveryEncodingGivesTheSameUtf8Captions) {
  const std::string body =
      "<rss><channel><title>Caf\xe9 \xfc\xdf</title>"
      "<link>http://example.org/\xe9</link></channel></rss>";
  struct Row {
    const char* name;
    std::string document;
  };
  const Row rows[] = {
      {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + body},
      {"UTF-16 little-endian with BOM",
       Utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + body, false)},
      {"UTF-16 big-endian with BOM, no declaration", Utf16(body, true)},
      {"UTF-8 with BOM",
       "\xEF\xBB\xBF<rss><channel><title>Caf\xC3\xA9 \xC3\xBC\xC3\x9F</title>"
       "<link>http://example.org/\xC3\xA9</link></channel></rss>"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const test::ReadResult result = ReadDocument(r.document);
    EXPECT_EQ(result.Format, TFeedFormat::ffXML);
    EXPECT_EQ(result.Items,
              (Items{{"Caf\xC3\xA9 \xC3\xBC\xC3\x9F", "http://example.org/\xC3\xA9"}}));
  }
}

// Large documents reach the parser in pieces; a piece may end inside a character, a tag or a
// CDATA section.
TEST(ReadFeed, LargeDocumentsGiveEveryItemWhateverTheirEncoding) {
  std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><rss><channel>";
  Items expected;
  for (int i = 0; i < 3000; ++i) {
    const std::string n = std::to_string(i);
    latin1 += "<item><title>Caf\xe9 " + n +
              "</title><x><![CDATA[<title>no</title>]]></x><link>http://e/" + n +
              "</link></item>\n";
    expected.emplace_back("Caf\xC3\xA9 " + n, "http://e/" + n);
  }
  latin1 += "</channel></rss>";
  std::string utf16 = latin1;
  utf16.replace(utf16.find("ISO-8859-1"), 10, "UTF-16");
  for (const std::string& document : {latin1, Utf16(utf16, false)}) {
    const test::ReadResult result = ReadDocument(document);
    EXPECT_EQ(result.Format, TFeedFormat::ffXML);
    EXPECT_EQ(result.Items, expected);
  }
}

TEST(ReadFeed, DocumentsNeverReachOutsideTheirBytes) {
  qp::test::TempDir dir;
  const std::string secret = dir.File("secret.xml");
  {
    TFileStream file(secret, TFileMode::fmCreate);
    file.WriteString("<title>SECRET</title><link>http://SECRET/</link>");
  }
  const std::string dtd = dir.File("feed.dtd");
  {
    TFileStream file(dtd, TFileMode::fmCreate);
    file.WriteString("<!ENTITY s \"SECRET\">");
  }
  qp::test::LoopbackListener listener;
  const std::string web = "http://127.0.0.1:" + std::to_string(listener.Port());
  struct Row {
    const char* name;
    std::string document;
  };
  const Row rows[] = {
      {"external general entity, file",
       "<!DOCTYPE r [<!ENTITY x SYSTEM 'file://" + secret + "'>]><r><item>&x;</item></r>"},
      {"external general entity, plain path",
       "<!DOCTYPE r [<!ENTITY x SYSTEM '" + secret + "'>]><r><title>&x;</title><link>l</link></r>"},
      {"external DTD declaring an entity",
       "<!DOCTYPE r SYSTEM '" + dtd + "'><r><title>&s;</title><link>http://l/</link></r>"},
      {"external parameter entity",
       "<!DOCTYPE r [<!ENTITY % p SYSTEM '" + dtd + "'> %p;]><r><title>&s;</title></r>"},
      {"external entity on the network",
       "<!DOCTYPE r [<!ENTITY x SYSTEM '" + web + "/x'>]><r><item>&x;</item></r>"},
      {"external DTD on the network", "<!DOCTYPE r SYSTEM '" + web + "/r.dtd'><r/>"},
      {"parameter entity on the network",
       "<!DOCTYPE r [<!ENTITY % p SYSTEM '" + web + "/p'> %p;]><r/>"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TMemoryStream stream;
    stream.WriteString(r.document);
    TXMLDocument xmlDoc;
    FeedTree tree;
    TNewsCollection items;
    ReadFeed(xmlDoc, stream, "", tree.AddSite("site"), items);
    for (const std::string& caption : tree.DepthFirst())
      EXPECT_EQ(caption.find("SECRET"), std::string::npos) << caption;
    for (const TitleLink& item : test::TitlesAndLinks(items))
      EXPECT_EQ(item.second.find("SECRET"), std::string::npos) << item.second;
    for (const TXMLNode node : xmlDoc.ChildNodes())
      EXPECT_EQ(node.Text().find("SECRET"), std::string::npos);
  }
  pollfd pending{listener.Fd(), POLLIN, 0};
  EXPECT_EQ(::poll(&pending, 1, 0), 0) << "a document made the reader connect";
}

// libxml2's limits (256 levels of nesting, entity amplification) stay in force: nesting decides
// the depth of the parser's recursion and the walk's.
TEST(ReadFeed, ParserLimitsStayInForce) {
  const auto nested = [](int depth) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
      open += "<a>";
      close += "</a>";
    }
    return open + "<title>Deep</title><link>http://deep/</link>" + close;
  };
  const test::ReadResult pass = ReadDocument(nested(200));
  EXPECT_EQ(pass.Format, TFeedFormat::ffXML);
  EXPECT_EQ(pass.Items, (Items{{"Deep", "http://deep/"}}));
  const test::ReadResult fail = ReadDocument(nested(100000));
  EXPECT_EQ(fail.Format, TFeedFormat::ffText);
  EXPECT_TRUE(fail.Items.empty());

  std::string laughs = "<!DOCTYPE r [<!ENTITY l0 'lol'>";
  for (int i = 1; i < 10; ++i) {
    laughs += "<!ENTITY l" + std::to_string(i) + " '";
    for (int k = 0; k < 10; ++k) laughs += "&l" + std::to_string(i - 1) + ";";
    laughs += "'>";
  }
  EXPECT_TRUE(
      ReadDocument(laughs + "]><r><title>&l9;</title><link>http://x/</link></r>").Items.empty());
}

}  // namespace
}  // namespace qp::feed
