// Reading an Atom 1.0 feed (RFC 4287): one item per entry, captioned with the entry's title
// and linked to its alternate link. Atom writes its links as empty elements with an "href"
// attribute, which the title/link walk cannot see, so an Atom document is read here instead.
#pragma once

#include <string>
#include <string_view>

#include "feed/FeedReader.h"
#include "feed/NewsCollection.h"
#include "feed/XMLDocument.h"

namespace qp::feed {

inline constexpr const char* kAtomNamespace = "http://www.w3.org/2005/Atom";

// Whether the loaded document is an Atom feed: its root element is "feed" in the Atom
// namespace (with or without a prefix). A "feed" root in no namespace is not.
bool IsAtomFeed(const TXMLDocument& xmlDoc);

// Adds one item node under siteNode, and one feed item to feedItems, for every "entry" child of
// the document's root element, in document order. The feed's own title and link give no item.
// An item's title is the entry's "title" (AtomTitleText), its link the first "link" whose
// "rel" is absent or "alternate" and whose "href" is not empty, resolved against the xml:base
// attributes of the feed, the entry and the link and, under them, against feedURL (the address
// the document was fetched from; its user name and password are not carried into links). An
// entry without such a link, or without a title, still gets its node, with an empty link or
// caption. Throws what siteNode throws.
void ReadAtomFeed(const TXMLDocument& xmlDoc, const std::string& feedURL, IFeedSiteNode& siteNode,
                  TNewsCollection& feedItems);

// The text of an Atom text construct such as an entry's title (RFC 4287 section 3.1): for
// type "text" (or no type) the element's text as it stands; for "html" the markup it carries
// reduced to its text (tags dropped, HTML entities resolved) and for "xhtml" the text of its
// XHTML content, both with runs of white space collapsed to one blank and trimmed.
std::string AtomTitleText(const TXMLNode& element);

// The text content of an HTML fragment: tags, comments, scripts and styles dropped, character
// and entity references resolved, white space runs collapsed to one blank and trimmed. Never
// reaches the network.
std::string HTMLFragmentText(std::string_view html);

// Runs of XML white space (blank, tab, CR, LF) collapsed to one blank, and none at either end.
std::string CollapseWhiteSpace(std::string_view text);

// reference resolved against base (RFC 3986 section 5.2); an empty base, or a pair that cannot
// be resolved, leaves reference as it is.
std::string ResolveReference(const std::string& reference, const std::string& base);

// url without the user name and password of its authority ("http://u:p@host/x" gives
// "http://host/x").
std::string WithoutUserInfo(const std::string& url);

}  // namespace qp::feed
