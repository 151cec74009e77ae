// libFuzzer entry point: the input as a fetched feed document, read as the feed update reads
// it (the XML walk, Atom entries, or plain-text records when it is not XML). Nothing may escape.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "feed/FeedReader.h"

namespace {

class TCountingSiteNode : public qp::feed::IFeedSiteNode {
 public:
  int32_t AddItemNode(const std::string&) override { return FCount++; }

 private:
  int32_t FCount = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  qp::feed::TXMLDocument xmlDoc;
  TCountingSiteNode siteNode;
  qp::feed::TNewsCollection feedItems;
  qp::feed::ReadFeed(xmlDoc, std::string_view(reinterpret_cast<const char*>(data), size),
                     "http://user:pw@fuzz.example/feeds/atom.xml", siteNode, feedItems);
  for (const qp::feed::TXMLNode node : xmlDoc.ChildNodes()) node.Text();
  return 0;
}
