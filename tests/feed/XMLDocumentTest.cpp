#include <gtest/gtest.h>

#include <string>

#include "feed/XMLDocument.h"
#include "support/TempDir.h"

namespace qp::feed {
namespace {

// The first child of the root element of document.
TXMLNode FirstChildOfRoot(const TXMLDocument& doc) {
  for (const TXMLNode node : doc.ChildNodes())
    if (node.HasChildNodes()) return node.ChildNodes().Item(0);
  throw Exception("no root element with children");
}

TEST(XMLDocument, TextElementIsOneTextChildAndNothingElse) {
  struct Row {
    const char* name;
    std::string element;
    bool textElement;
    std::string text;
  };
  const Row rows[] = {
      {"plain text", "<title>Hello</title>", true, "Hello"},
      {"predefined and character references join the text", "<title>AT&amp;T &#65;&#x42;</title>",
       true, "AT&T AB"},
      {"white space only", "<title> </title>", true, " "},
      {"CDATA section", "<title><![CDATA[Hello]]></title>", false, "Hello"},
      {"text and CDATA", "<title>a<![CDATA[b]]></title>", false, "ab"},
      {"empty tag", "<title/>", false, ""},
      {"start and end tag", "<title></title>", false, ""},
      {"text around a comment", "<title>a<!-- c -->b</title>", false, "ab"},
      {"child element", "<title><b>bold</b></title>", false, "bold"},
      {"declared entity, not substituted", "<title>&e;</title>", false, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TXMLDocument doc;
    doc.LoadFromBytes("<!DOCTYPE r [<!ENTITY e 'entity text'>]><r>" + r.element + "</r>");
    const TXMLNode node = FirstChildOfRoot(doc);
    EXPECT_EQ(node.NodeName(), "title");
    EXPECT_EQ(node.IsTextElement(), r.textElement);
    EXPECT_EQ(node.Text(), r.text);
  }
}

TEST(XMLDocument, NamesAreAsWrittenWithTheirPrefix) {
  struct Row {
    const char* name;
    std::string element;
    std::string nodeName;
  };
  const Row rows[] = {
      {"prefixed", "<dc:title xmlns:dc='http://purl.org/dc/elements/1.1/'>t</dc:title>",
       "dc:title"},
      {"default namespace", "<title xmlns='http://www.w3.org/2005/Atom'>t</title>", "title"},
      {"letter case kept", "<TiTle>t</TiTle>", "TiTle"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TXMLDocument doc;
    doc.LoadFromBytes("<r>" + r.element + "</r>");
    EXPECT_EQ(FirstChildOfRoot(doc).NodeName(), r.nodeName);
  }
}

TEST(XMLDocument, TopLevelNodesIncludeTheDoctypeAsALeaf) {
  TXMLDocument doc;
  doc.LoadFromBytes(
      "<?xml version='1.0'?><!DOCTYPE r [<!ENTITY e '<title>x</title>'>]>"
      "<!--c--><r>&e;</r>");
  const TXMLNodeList nodes = doc.ChildNodes();
  ASSERT_EQ(nodes.Count(), 3);
  EXPECT_FALSE(nodes.Item(0).HasChildNodes()) << nodes.Item(0).NodeName();
  EXPECT_EQ(nodes.Item(1).NodeName(), "#comment");
  EXPECT_EQ(nodes.Item(2).NodeName(), "r");
  // The entity reference is a leaf: the declared markup is never walked into.
  const TXMLNode reference = nodes.Item(2).ChildNodes().Item(0);
  EXPECT_FALSE(reference.HasChildNodes());
  EXPECT_EQ(reference.ChildNodes().Count(), 0);
  EXPECT_THROW(nodes.Item(3), EXMLError);
  EXPECT_THROW(nodes.Item(-1), EXMLError);
}

TEST(XMLDocument, DocumentsThatAreNotWellFormedFailToLoad) {
  struct Row {
    const char* name;
    std::string bytes;
  };
  const Row rows[] = {
      {"empty", ""},
      {"plain text", "Title\nhttp://example.org/\n"},
      {"tag mismatch", "<rss><channel></rss>"},
      {"two root elements", "<a/><b/>"},
      {"undeclared entity", "<r>&nbsp;</r>"},
      {"bare ampersand", "<r>AT&T</r>"},
      {"not UTF-8 without a declaration", "<r>caf\xe9</r>"},
      {"truncated", "<rss><channel><title>x</ti"},
      {"zero byte", std::string("<r>a\0b</r>", 10)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TXMLDocument doc;
    doc.LoadFromBytes("<ok/>");
    try {
      doc.LoadFromBytes(r.bytes);
      ADD_FAILURE() << "loaded";
    } catch (const EXMLError& e) {
      EXPECT_NE(e.Message().find("not well-formed"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(doc.Loaded());
    EXPECT_EQ(doc.ChildNodes().Count(), 0);
  }
}

TEST(XMLDocument, LoadsAFileStreamFromItsStart) {
  test::TempDir dir;
  TFileStream file(dir.File("feed.xml"), TFileMode::fmCreate);
  // The position is left at the end, as after a fetch; a read buffer's worth and more.
  file.WriteString("<r><title>" + std::string(100000, 'x') + "</title></r>");
  TXMLDocument doc;
  doc.LoadFromStream(file);
  EXPECT_EQ(FirstChildOfRoot(doc).Text(), std::string(100000, 'x'));
}

}  // namespace
}  // namespace qp::feed
