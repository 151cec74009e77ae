// A parsed XML document on libxml2's tree, reduced to what the feed walk reads: the
// top-level nodes, and per node its name as written, whether it is a text element, its text
// and its child nodes. Every string comes back as UTF-8, whatever encoding the document used.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/Exception.h"
#include "base/Streams.h"

struct _xmlDoc;
struct _xmlNode;

namespace qp::feed {

// A document that is not well-formed XML (or too large or too deeply nested for the parser's
// limits). The message names the parser's complaint and its line.
class EXMLError : public Exception {
 public:
  using Exception::Exception;
};

class TXMLNodeList;

// One node of a loaded document: a handle that does not own it. Valid while the document that
// holds it is neither reloaded nor destroyed. Cheap to copy; used on the thread of its document.
class TXMLNode {
 public:
  explicit TXMLNode(_xmlNode* node) : FNode(node) {}

  // An element with exactly one child, and that child a text node. An element whose only child
  // is a CDATA section or an entity reference, an empty element and an element with several
  // children (text around a comment, say) are not text elements.
  bool IsTextElement() const;
  // An element's name as written in the document, with its namespace prefix ("dc:title");
  // "#text", "#cdata-section", "#comment" and "#document" for nodes without a name of their
  // own, as the DOM names them.
  std::string NodeName() const;
  // For a text element the value of its text child; for any other node the text of all the
  // text and CDATA nodes below it, in document order.
  std::string Text() const;
  // Only elements have children here: a doctype, an entity reference and what they refer to are
  // leaves, so entities declared in the document are never walked into (they are not
  // substituted either).
  bool HasChildNodes() const;
  TXMLNodeList ChildNodes() const;

  bool IsElement() const;
  // An element's name without its namespace prefix ("title" for "dc:title"); "" for a node
  // that is not an element.
  std::string LocalName() const;
  // The namespace an element is in, by its URI; "" when it is in none (or is no element).
  std::string NamespaceURI() const;
  // Whether the node is an element named localName in the namespace namespaceURI.
  bool IsElement(std::string_view localName, std::string_view namespaceURI) const;
  // The value of an element's attribute named name without a prefix: with namespaceURI empty
  // the attribute in no namespace ("href"), otherwise the one in that namespace ("base" in
  // kXMLNamespace for xml:base). Character and predefined references are resolved. Absent
  // attributes (and nodes that are not elements) give std::nullopt.
  std::optional<std::string> Attribute(const char* name, const char* namespaceURI = nullptr) const;

 private:
  _xmlNode* FNode;
};

// The namespace of the attributes written with the reserved prefix "xml" (xml:base, xml:lang).
inline constexpr const char* kXMLNamespace = "http://www.w3.org/XML/1998/namespace";

// The children of a node or the top-level nodes of a document, in document order. A view on
// the document's own links: valid as long as its nodes are. Count and Item walk the list.
class TXMLNodeList {
 public:
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = TXMLNode;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = TXMLNode;

    explicit Iterator(_xmlNode* node = nullptr) : FNode(node) {}
    TXMLNode operator*() const { return TXMLNode(FNode); }
    Iterator& operator++();
    Iterator operator++(int) {
      Iterator before = *this;
      ++*this;
      return before;
    }
    bool operator==(const Iterator& other) const { return FNode == other.FNode; }

   private:
    _xmlNode* FNode;
  };

  explicit TXMLNodeList(_xmlNode* first = nullptr) : FFirst(first) {}
  int Count() const;
  // The node at index (from 0); throws EXMLError when there is none.
  TXMLNode Item(int index) const;
  Iterator begin() const { return Iterator(FFirst); }
  Iterator end() const { return Iterator(); }

 private:
  _xmlNode* FFirst;
};

// The document the feed update loads each fetched body into (the main window's xmlDoc, or one
// per run of the command-line companion). Owns the libxml2 tree it loaded. Used on one thread.
//
// Loading never reaches outside the bytes given: no DTD is loaded, external entities are
// neither fetched nor read from files, entities are not substituted and libxml2's default size
// and depth limits stay in force (a deeper document fails to load), so a hostile feed can make
// the load fail but cannot read local files, reach the network or exhaust memory.
class TXMLDocument {
 public:
  TXMLDocument();
  ~TXMLDocument();
  TXMLDocument(const TXMLDocument&) = delete;
  TXMLDocument& operator=(const TXMLDocument&) = delete;

  // Parses bytes, taking the encoding from the document itself (a byte-order mark, the XML
  // declaration, else UTF-8), and replaces the previous document. Throws EXMLError when the
  // bytes are not a well-formed document; the document is then empty.
  void LoadFromBytes(std::string_view bytes);
  // LoadFromBytes on the whole of stream, read from its start.
  void LoadFromStream(TStream& stream);
  // Drops the loaded document.
  void Clear();

  bool Loaded() const { return FDoc != nullptr; }
  // The top-level nodes (the doctype, comments, processing instructions and the root element);
  // empty when nothing is loaded.
  TXMLNodeList ChildNodes() const;
  // The root element; std::nullopt when nothing is loaded.
  std::optional<TXMLNode> DocumentElement() const;

 private:
  struct TFreeDoc {
    void operator()(_xmlDoc* doc) const;
  };
  std::unique_ptr<_xmlDoc, TFreeDoc> FDoc;
};

}  // namespace qp::feed
