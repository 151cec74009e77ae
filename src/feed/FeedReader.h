// Turning a fetched feed document into feed items: the walk over an XML document's title and
// link elements, the reader of plain-text records for documents that are not XML, and the
// choice between the two that the feed update makes for every site.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Streams.h"
#include "feed/NewsCollection.h"
#include "feed/XMLDocument.h"

namespace qp::feed {

// The node of one site in the feed tree, as the readers below see it: they only append item
// nodes under it. The main window adapts its tree to it; the command-line companion counts.
// Owned by the caller of the readers; used on their thread.
class IFeedSiteNode {
 public:
  virtual ~IFeedSiteNode() = default;
  // Appends a node captioned caption as the last child of the site node and returns the new
  // node's absolute index in the tree (its position in depth-first order, from 0). May throw
  // whatever the tree throws.
  virtual int32_t AddItemNode(const std::string& caption) = 0;
};

// How a document was read: the title/link walk, an Atom feed, or plain-text records.
enum class TFeedFormat { ffXML, ffAtom, ffText };

// Appends an item node captioned title under siteNode and the feed item (title, link and the
// node's absolute index) to feedItems. Throws what siteNode throws.
void AddFeedItem(IFeedSiteNode& siteNode, TNewsCollection& feedItems, const std::string& title,
                 const std::string& link);

// Walks nodes in document order and adds one item node under siteNode, and one feed item to
// feedItems, for every pair of text elements named "title" and "link" (letter case ignored, no
// namespace prefix) that are children of the same element. Elements that are not text elements
// are descended into, each level counting its own pairs; the title and link of a finished pair
// carry over to the next one of the same level. Throws what siteNode throws.
void WalkFeedNodes(const TXMLNodeList& nodes, IFeedSiteNode& siteNode, TNewsCollection& feedItems);

// Reads text as plain-text records: lines end at LF (a CR before it stays part of the line); a
// record is three non-empty lines, the title first, then two lines of which one containing
// "http://" is the link. A line "&&" or an empty line abandons a record begun. A record without
// such a line takes the link of the record before it (the first one an empty link). Adds one
// item node and one feed item per record. Throws what siteNode throws.
void ParseTextFeed(std::string_view text, IFeedSiteNode& siteNode, TNewsCollection& feedItems);
// ParseTextFeed on the whole of stream, read from its start.
void ParseTextFeed(TStream& stream, IFeedSiteNode& siteNode, TNewsCollection& feedItems);

// Reads one fetched document, as the feed update does for each site: loads stream into
// xmlDoc; an Atom feed (IsAtomFeed) is read entry by entry (ReadAtomFeed, with feedURL, the
// address the document came from, as the base of relative links; "" for none), any other
// document is walked (WalkFeedNodes). When the load or the reading fails, the stream is read
// as plain-text records instead (items added before the failure stay). Returns how the
// document was read. Throws what the plain-text reading throws.
TFeedFormat ReadFeed(TXMLDocument& xmlDoc, TStream& stream, const std::string& feedURL,
                     IFeedSiteNode& siteNode, TNewsCollection& feedItems);
// ReadFeed on a document's bytes.
TFeedFormat ReadFeed(TXMLDocument& xmlDoc, std::string_view bytes, const std::string& feedURL,
                     IFeedSiteNode& siteNode, TNewsCollection& feedItems);

}  // namespace qp::feed
