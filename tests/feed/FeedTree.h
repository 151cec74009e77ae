// An in-memory feed tree for the feed tests: the root, one node per site and the item nodes
// under each site, with absolute indexes counted depth-first as the window's tree counts them.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "base/Exception.h"
#include "base/Streams.h"
#include "feed/FeedReader.h"
#include "feed/NewsCollection.h"
#include "feed/XMLDocument.h"

namespace qp::feed::test {

class FeedTree {
 public:
  class SiteNode : public IFeedSiteNode {
   public:
    SiteNode(FeedTree& tree, std::size_t site) : FTree(tree), FSite(site) {}
    int32_t AddItemNode(const std::string& caption) override {
      return FTree.AddItem(FSite, caption);
    }

   private:
    FeedTree& FTree;
    std::size_t FSite;
  };

  // Appends a site node under the root.
  SiteNode& AddSite(const std::string& caption) {
    FSites.push_back({caption, {}});
    return FSiteNodes.emplace_back(*this, FSites.size() - 1);
  }

  // Every caption in depth-first order: the root, then each site followed by its items.
  std::vector<std::string> DepthFirst() const {
    std::vector<std::string> captions{"Gossip"};
    for (const Site& site : FSites) {
      captions.push_back(site.Caption);
      captions.insert(captions.end(), site.Items.begin(), site.Items.end());
    }
    return captions;
  }

  // The item added as number FailAt (from 1) throws, as a tree that cannot add a node would.
  int FailAt = 0;

 private:
  struct Site {
    std::string Caption;
    std::vector<std::string> Items;
  };

  int32_t AddItem(std::size_t site, const std::string& caption) {
    if (++FAdded == FailAt) throw Exception("cannot add a node");
    FSites[site].Items.push_back(caption);
    int32_t index = 1;
    for (std::size_t s = 0; s < site; ++s)
      index += 1 + static_cast<int32_t>(FSites[s].Items.size());
    return index + static_cast<int32_t>(FSites[site].Items.size());
  }

  std::vector<Site> FSites;
  std::deque<SiteNode> FSiteNodes;
  int FAdded = 0;
};

using TitleLink = std::pair<std::string, std::string>;

// The titles and links of items, in order.
inline std::vector<TitleLink> TitlesAndLinks(const TNewsCollection& items) {
  std::vector<TitleLink> result;
  for (int i = 0; i < items.Count(); ++i)
    result.emplace_back(items.Items(i).Title, items.Items(i).Link);
  return result;
}

struct ReadResult {
  TFeedFormat Format;
  std::vector<TitleLink> Items;
};

// Reads bytes as the feed update reads one fetched document of a single site, fetched from
// feedURL.
inline ReadResult ReadDocument(const std::string& bytes, const std::string& feedURL = "") {
  TMemoryStream stream;
  stream.WriteString(bytes);
  TXMLDocument xmlDoc;
  FeedTree tree;
  TNewsCollection items;
  const TFeedFormat format = ReadFeed(xmlDoc, stream, feedURL, tree.AddSite("site"), items);
  return {format, TitlesAndLinks(items)};
}

}  // namespace qp::feed::test
