#include "feed/XMLDocument.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <mutex>
#include <new>

#include "base/SysUtils.h"
#include "feed/StreamBytes.h"

namespace qp::feed {

namespace {

// Marks the parser contexts of this unit, so the entity loader below refuses their requests
// and leaves those of any other libxml2 user in the process to the loader it found.
int FeedParseMarker;
xmlExternalEntityLoader PreviousLoader = nullptr;

// Every external resource a feed document names (an external DTD subset, external general or
// parameter entities) is refused: a feed is untrusted and must not make the reader open local
// files or connect anywhere. libxml2 does not load them with the options below anyway; this
// loader makes sure of it whatever a later libxml2 decides.
xmlParserInputPtr RefuseExternalEntities(const char* url, const char* id, xmlParserCtxtPtr ctxt) {
  if (ctxt != nullptr && ctxt->_private == &FeedParseMarker) return nullptr;
  return PreviousLoader != nullptr ? PreviousLoader(url, id, ctxt) : nullptr;
}

void InitLibXml() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    PreviousLoader = xmlGetExternalEntityLoader();
    xmlSetExternalEntityLoader(RefuseExternalEntities);
  });
}

// No network access, no messages on standard error (the failure becomes an exception), and
// deliberately none of XML_PARSE_NOENT (substitute entities), XML_PARSE_DTDLOAD,
// XML_PARSE_DTDATTR, XML_PARSE_DTDVALID (they read outside resources), XML_PARSE_HUGE (lifts
// the size and depth limits), XML_PARSE_NOCDATA (CDATA sections must stay apart from text,
// since a CDATA child does not make a text element) or XML_PARSE_NOBLANKS (white space between
// elements is a child like any other).
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

struct TFreeParserCtxt {
  void operator()(xmlParserCtxtPtr ctxt) const { xmlFreeParserCtxt(ctxt); }
};

struct TFreeXmlString {
  void operator()(xmlChar* text) const { xmlFree(text); }
};

std::string FromXml(const xmlChar* text) {
  return text != nullptr ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

void AppendText(const xmlNode* node, std::string& out) {
  for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
    if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE)
      out += FromXml(child->content);
    else if (child->type == XML_ELEMENT_NODE)
      AppendText(child, out);
  }
}

std::string ParseErrorText(xmlParserCtxtPtr ctxt) {
  const xmlError* error = xmlCtxtGetLastError(ctxt);
  if (error == nullptr || error->message == nullptr) return "XML document is not well-formed";
  return Format("XML document is not well-formed (line %d): %s", error->line,
                TrimRight(error->message).c_str());
}

}  // namespace

bool TXMLNode::IsTextElement() const {
  return FNode->type == XML_ELEMENT_NODE && FNode->children != nullptr &&
         FNode->children == FNode->last && FNode->children->type == XML_TEXT_NODE;
}

std::string TXMLNode::NodeName() const {
  switch (FNode->type) {
    case XML_ELEMENT_NODE:
      if (FNode->ns != nullptr && FNode->ns->prefix != nullptr)
        return FromXml(FNode->ns->prefix) + ":" + FromXml(FNode->name);
      return FromXml(FNode->name);
    case XML_TEXT_NODE:
      return "#text";
    case XML_CDATA_SECTION_NODE:
      return "#cdata-section";
    case XML_COMMENT_NODE:
      return "#comment";
    case XML_DOCUMENT_NODE:
      return "#document";
    default:
      return FromXml(FNode->name);
  }
}

std::string TXMLNode::Text() const {
  if (IsTextElement()) return FromXml(FNode->children->content);
  if (FNode->type == XML_TEXT_NODE || FNode->type == XML_CDATA_SECTION_NODE)
    return FromXml(FNode->content);
  std::string text;
  if (FNode->type == XML_ELEMENT_NODE) AppendText(FNode, text);
  return text;
}

bool TXMLNode::HasChildNodes() const {
  return FNode->type == XML_ELEMENT_NODE && FNode->children != nullptr;
}

TXMLNodeList TXMLNode::ChildNodes() const {
  return TXMLNodeList(HasChildNodes() ? FNode->children : nullptr);
}

bool TXMLNode::IsElement() const {
  return FNode->type == XML_ELEMENT_NODE;
}

std::string TXMLNode::LocalName() const {
  return IsElement() ? FromXml(FNode->name) : std::string();
}

std::string TXMLNode::NamespaceURI() const {
  return IsElement() && FNode->ns != nullptr ? FromXml(FNode->ns->href) : std::string();
}

bool TXMLNode::IsElement(std::string_view localName, std::string_view namespaceURI) const {
  return IsElement() && LocalName() == localName && NamespaceURI() == namespaceURI;
}

std::optional<std::string> TXMLNode::Attribute(const char* name, const char* namespaceURI) const {
  if (!IsElement()) return std::nullopt;
  const std::unique_ptr<xmlChar, TFreeXmlString> value(
      xmlGetNsProp(FNode, reinterpret_cast<const xmlChar*>(name),
                   reinterpret_cast<const xmlChar*>(namespaceURI)));
  if (value == nullptr) return std::nullopt;
  return FromXml(value.get());
}

TXMLNodeList::Iterator& TXMLNodeList::Iterator::operator++() {
  FNode = FNode->next;
  return *this;
}

int TXMLNodeList::Count() const {
  int count = 0;
  for (const xmlNode* node = FFirst; node != nullptr; node = node->next) ++count;
  return count;
}

TXMLNode TXMLNodeList::Item(int index) const {
  xmlNode* node = FFirst;
  for (int i = 0; node != nullptr && i < index; ++i) node = node->next;
  if (index < 0 || node == nullptr) throw EXMLError(Format("List index out of bounds (%d)", index));
  return TXMLNode(node);
}

void TXMLDocument::TFreeDoc::operator()(_xmlDoc* doc) const {
  xmlFreeDoc(doc);
}

TXMLDocument::TXMLDocument() {
  InitLibXml();
}

TXMLDocument::~TXMLDocument() = default;

void TXMLDocument::Clear() {
  FDoc.reset();
}

void TXMLDocument::LoadFromBytes(std::string_view bytes) {
  Clear();
  // The first four bytes let libxml2 detect the encoding (a byte-order mark, "<?xm" in UTF-16 or
  // UTF-8) before the XML declaration is read.
  const std::size_t first = std::min<std::size_t>(bytes.size(), 4);
  const std::unique_ptr<xmlParserCtxt, TFreeParserCtxt> ctxt(
      xmlCreatePushParserCtxt(nullptr, nullptr, bytes.data(), static_cast<int>(first), nullptr));
  if (ctxt == nullptr) throw std::bad_alloc();
  ctxt->_private = &FeedParseMarker;
  xmlCtxtUseOptions(ctxt.get(), kParseOptions);
  // Fed in pieces, so libxml2 never holds a second copy of the whole document: a large feed
  // costs one tree, not a tree and a copy.
  constexpr std::size_t kPiece = 1 << 16;
  for (std::size_t at = first; at < bytes.size() && ctxt->wellFormed != 0; at += kPiece) {
    const std::size_t length = std::min(kPiece, bytes.size() - at);
    xmlParseChunk(ctxt.get(), bytes.data() + at, static_cast<int>(length), 0);
  }
  xmlParseChunk(ctxt.get(), nullptr, 0, 1);
  std::unique_ptr<_xmlDoc, TFreeDoc> doc(ctxt->myDoc);
  ctxt->myDoc = nullptr;
  if (doc == nullptr || ctxt->wellFormed == 0) throw EXMLError(ParseErrorText(ctxt.get()));
  FDoc = std::move(doc);
}

void TXMLDocument::LoadFromStream(TStream& stream) {
  const TStreamBytes bytes(stream);
  LoadFromBytes(bytes.View());
}

TXMLNodeList TXMLDocument::ChildNodes() const {
  return TXMLNodeList(FDoc != nullptr ? FDoc->children : nullptr);
}

std::optional<TXMLNode> TXMLDocument::DocumentElement() const {
  xmlNode* root = FDoc != nullptr ? xmlDocGetRootElement(FDoc.get()) : nullptr;
  if (root == nullptr) return std::nullopt;
  return TXMLNode(root);
}

}  // namespace qp::feed
