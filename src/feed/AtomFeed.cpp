#include "feed/AtomFeed.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <libxml/uri.h>

#include <climits>
#include <memory>
#include <optional>

#include "base/SysUtils.h"

namespace qp::feed {

namespace {

// The registered relation "alternate" written as an IRI (RFC 4287 section 4.2.7.2).
constexpr std::string_view kAlternateIRI = "http://www.iana.org/assignments/relation/alternate";

// No network, no messages on standard error (a broken fragment still gives what it can), and
// the text stays UTF-8 whatever charset a <meta> element inside it names.
constexpr int kHTMLParseOptions =
    HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_IGNORE_ENC;

struct TFreeDoc {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

struct TFreeXmlString {
  void operator()(xmlChar* text) const { xmlFree(text); }
};

bool IsXMLSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsHiddenHTMLElement(const xmlNode* node) {
  if (node->type != XML_ELEMENT_NODE || node->name == nullptr) return false;
  const std::string_view name(reinterpret_cast<const char*>(node->name));
  return SameText(name, "script") || SameText(name, "style");
}

// Appends the text nodes of the subtree at top in document order, scripts and styles left
// out. Walks without recursion, since the HTML parser does not bound the nesting it builds.
void AppendHTMLText(const xmlNode* top, std::string& text) {
  const xmlNode* node = top;
  for (;;) {
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
      if (node->content != nullptr) text += reinterpret_cast<const char*>(node->content);
    } else if (node->type == XML_ELEMENT_NODE && node->children != nullptr &&
               !IsHiddenHTMLElement(node)) {
      node = node->children;
      continue;
    }
    while (node != top && node->next == nullptr) node = node->parent;
    if (node == top) return;
    node = node->next;
  }
}

// An IRI as a URI (RFC 3987 section 3.1): every byte outside printable ASCII (the UTF-8 of
// non-ASCII characters, blanks, controls) percent-encoded, which libxml2's URI parser requires.
std::string IRIToURI(const std::string& iri) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri;
  uri.reserve(iri.size());
  for (const char c : iri) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F) {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0x0F];
    } else {
      uri += c;
    }
  }
  return uri;
}

// base resolved further by the xml:base attribute of element, when it has one.
std::string BaseOf(const TXMLNode& element, const std::string& base) {
  const std::optional<std::string> xmlBase = element.Attribute("base", kXMLNamespace);
  return xmlBase ? ResolveReference(Trim(*xmlBase), base) : base;
}

bool IsAlternateLink(const TXMLNode& link) {
  const std::optional<std::string> rel = link.Attribute("rel");
  if (!rel) return true;
  const std::string value = Trim(*rel);
  return SameText(value, "alternate") || value == kAlternateIRI;
}

}  // namespace

bool IsAtomFeed(const TXMLDocument& xmlDoc) {
  const std::optional<TXMLNode> root = xmlDoc.DocumentElement();
  return root && root->IsElement("feed", kAtomNamespace);
}

void ReadAtomFeed(const TXMLDocument& xmlDoc, const std::string& feedURL, IFeedSiteNode& siteNode,
                  TNewsCollection& feedItems) {
  const std::optional<TXMLNode> feed = xmlDoc.DocumentElement();
  if (!feed) return;
  const std::string feedBase = BaseOf(*feed, WithoutUserInfo(feedURL));
  for (const TXMLNode entry : feed->ChildNodes()) {
    if (!entry.IsElement("entry", kAtomNamespace)) continue;
    const std::string entryBase = BaseOf(entry, feedBase);
    std::optional<std::string> title;
    std::string link;
    for (const TXMLNode child : entry.ChildNodes()) {
      if (!title && child.IsElement("title", kAtomNamespace)) {
        title = AtomTitleText(child);
      } else if (link.empty() && child.IsElement("link", kAtomNamespace) &&
                 IsAlternateLink(child)) {
        const std::string href = Trim(child.Attribute("href").value_or(""));
        if (!href.empty()) link = ResolveReference(href, BaseOf(child, entryBase));
      }
    }
    AddFeedItem(siteNode, feedItems, title.value_or(""), link);
  }
}

std::string AtomTitleText(const TXMLNode& element) {
  const std::string type = Trim(element.Attribute("type").value_or("text"));
  if (SameText(type, "html")) return HTMLFragmentText(element.Text());
  if (SameText(type, "xhtml")) return CollapseWhiteSpace(element.Text());
  return element.Text();
}

std::string HTMLFragmentText(std::string_view html) {
  if (html.empty() || html.size() > static_cast<std::size_t>(INT_MAX)) return std::string();
  const std::unique_ptr<xmlDoc, TFreeDoc> doc(htmlReadMemory(
      html.data(), static_cast<int>(html.size()), nullptr, "UTF-8", kHTMLParseOptions));
  if (doc == nullptr) return CollapseWhiteSpace(html);
  std::string text;
  for (const xmlNode* top = doc->children; top != nullptr; top = top->next)
    AppendHTMLText(top, text);
  return CollapseWhiteSpace(text);
}

std::string CollapseWhiteSpace(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  bool pendingBlank = false;
  for (const char c : text) {
    if (IsXMLSpace(c)) {
      pendingBlank = !result.empty();
    } else {
      if (pendingBlank) result += ' ';
      pendingBlank = false;
      result += c;
    }
  }
  return result;
}

std::string ResolveReference(const std::string& reference, const std::string& base) {
  if (base.empty()) return reference;
  const std::string uriReference = IRIToURI(reference);
  const std::string uriBase = IRIToURI(base);
  const std::unique_ptr<xmlChar, TFreeXmlString> resolved(
      xmlBuildURI(reinterpret_cast<const xmlChar*>(uriReference.c_str()),
                  reinterpret_cast<const xmlChar*>(uriBase.c_str())));
  if (resolved == nullptr) return reference;
  return std::string(reinterpret_cast<const char*>(resolved.get()));
}

std::string WithoutUserInfo(const std::string& url) {
  const std::size_t scheme = url.find("://");
  if (scheme == std::string::npos) return url;
  const std::size_t start = scheme + 3;
  std::size_t end = url.find_first_of("/?#", start);
  if (end == std::string::npos) end = url.size();
  const std::size_t at = url.rfind('@', end - 1);
  if (at == std::string::npos || at < start) return url;
  return url.substr(0, start) + url.substr(at + 1);
}

}  // namespace qp::feed
