#include "feed/FeedReader.h"

#include <exception>

#include "base/SysUtils.h"
#include "feed/AtomFeed.h"
#include "feed/StreamBytes.h"

namespace qp::feed {

void AddFeedItem(IFeedSiteNode& siteNode, TNewsCollection& feedItems, const std::string& title,
                 const std::string& link) {
  const int32_t nodeIndex = siteNode.AddItemNode(title);
  TNewsItem& item = feedItems.Add();
  item.Title = title;
  item.Link = link;
  item.NodeIndex = nodeIndex;
}

// Recursion depth is bounded by the parser's nesting limit: a deeper document does not load.
void WalkFeedNodes(const TXMLNodeList& nodes, IFeedSiteNode& siteNode, TNewsCollection& feedItems) {
  int counter = 0;
  std::string title, link;
  for (const TXMLNode node : nodes) {
    if (node.IsTextElement()) {
      const std::string name = node.NodeName();
      if (SameText(name, "title")) {
        title = node.Text();
        ++counter;
      } else if (SameText(name, "link")) {
        link = node.Text();
        ++counter;
      }
      if (counter == 2) {
        AddFeedItem(siteNode, feedItems, title, link);
        counter = 0;
      }
    } else if (node.HasChildNodes()) {
      WalkFeedNodes(node.ChildNodes(), siteNode, feedItems);
    }
  }
}

void ParseTextFeed(std::string_view text, IFeedSiteNode& siteNode, TNewsCollection& feedItems) {
  int counter = 0;
  std::string title, link;
  for (bool last = false; !last;) {
    std::string_view line = text;
    const std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos) {
      last = true;
    } else {
      line = text.substr(0, lf);
      text.remove_prefix(lf + 1);
    }
    if (!line.empty() && line != "&&") {
      if (counter == 0)
        title = line;
      else if (line.find("http://") != std::string_view::npos)
        link = line;
      ++counter;
    } else {
      counter = 0;
    }
    if (counter == 3) {
      AddFeedItem(siteNode, feedItems, title, link);
      counter = 0;
    }
  }
}

void ParseTextFeed(TStream& stream, IFeedSiteNode& siteNode, TNewsCollection& feedItems) {
  const TStreamBytes bytes(stream);
  ParseTextFeed(bytes.View(), siteNode, feedItems);
}

TFeedFormat ReadFeed(TXMLDocument& xmlDoc, TStream& stream, const std::string& feedURL,
                     IFeedSiteNode& siteNode, TNewsCollection& feedItems) {
  const TStreamBytes bytes(stream);
  return ReadFeed(xmlDoc, bytes.View(), feedURL, siteNode, feedItems);
}

TFeedFormat ReadFeed(TXMLDocument& xmlDoc, std::string_view bytes, const std::string& feedURL,
                     IFeedSiteNode& siteNode, TNewsCollection& feedItems) {
  try {
    xmlDoc.LoadFromBytes(bytes);
    // The root element alone decides: every other document keeps the title/link walk.
    if (IsAtomFeed(xmlDoc)) {
      ReadAtomFeed(xmlDoc, feedURL, siteNode, feedItems);
      return TFeedFormat::ffAtom;
    }
    WalkFeedNodes(xmlDoc.ChildNodes(), siteNode, feedItems);
    return TFeedFormat::ffXML;
  } catch (const std::exception&) {
    // Not XML (or a reading that failed half-way): the plain-text reading gets the whole document.
  }
  ParseTextFeed(bytes, siteNode, feedItems);
  return TFeedFormat::ffText;
}

}  // namespace qp::feed
