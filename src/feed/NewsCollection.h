// The feed items of the feed tree: for each item node its title, its link and the absolute
// index of the node.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace qp::feed {

// A feed item: a title and link of a fetched document and the absolute index of its node in
// the feed tree (its position in depth-first order, from 0).
struct TNewsItem {
  std::string Link;
  std::string Title;
  int32_t NodeIndex = 0;
};

// The feed items in the order they were added. Items keep their address while the collection
// grows. Owned by the main window (its FeedItems) or by one run of the command-line companion;
// used on one thread.
class TNewsCollection {
 public:
  TNewsItem& Add() { return FItems.emplace_back(); }
  // The item at index (from 0); throws std::out_of_range when there is none.
  TNewsItem& Items(int index) { return FItems.at(static_cast<std::size_t>(index)); }
  const TNewsItem& Items(int index) const { return FItems.at(static_cast<std::size_t>(index)); }
  int Count() const { return static_cast<int>(FItems.size()); }
  void Clear() { FItems.clear(); }

 private:
  std::deque<TNewsItem> FItems;
};

}  // namespace qp::feed
