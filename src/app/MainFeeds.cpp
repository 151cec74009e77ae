// The newsfeed side of the main window: the feed update, which fetches the document of every
// active site and fills the feed tree, and the double-click on the tree.
#include <string>
#include <vector>

#include "app/Main.h"
#include "base/Streams.h"
#include "base/SysUtils.h"
#include "feed/FeedFetch.h"
#include "feed/FeedReader.h"
#include "store/Table.h"

namespace qp::app {

namespace {

// One active site, as the update fetches it.
struct TSiteRow {
  std::string Name;
  std::string URL;
};

// The active sites in table order, read afresh (so rows changed through the site dialog are
// seen) and all at once: while a fetch waits the anti-freeze runs the window's handlers, and
// closing the window frees the view of Sites.
std::vector<TSiteRow> ReadActiveSites(store::TTable& activeSites) {
  activeSites.Refresh();
  std::vector<TSiteRow> sites;
  for (bool row = activeSites.First(); row; row = activeSites.Next()) {
    sites.push_back(
        {activeSites.FieldByName("Name").AsString(), activeSites.FieldByName("URL").AsString()});
  }
  return sites;
}

// The node of the site being read, as the feed readers add items to it. Nodes are only ever
// appended at the end of the tree's depth-first order (a site node is the root's last child and
// its items are its last children), so the absolute index of an item node is the site node's
// plus one per item node before it. It is counted rather than asked for: asking walks the tree
// up to the node, which for a feed of many items would make the update quadratic.
class TTreeSiteNode : public feed::IFeedSiteNode {
 public:
  TTreeSiteNode(ui::ITree& tree, ui::ITreeNode& siteNode)
      : FTree(tree), FSiteNode(siteNode), FNextIndex(siteNode.AbsoluteIndex() + 1) {}

  int32_t AddItemNode(const std::string& caption) override {
    FTree.AddChild(FSiteNode, caption);
    return FNextIndex++;
  }

 private:
  ui::ITree& FTree;
  ui::ITreeNode& FSiteNode;
  int32_t FNextIndex;
};

// A feed is untrusted text: only links to web pages go to the system's handler, never a local
// file, a program or another scheme's handler.
bool IsWebLink(const std::string& link) {
  return StartsText("http://", link) || StartsText("https://", link);
}

}  // namespace

void TfrmMain::actUpdateExecute() {
  const TNetworkCommand command(*this);
  if (!command.Entered()) return;
  tvList.Clear();
  if (FeedItems == nullptr) {
    FeedItems = std::make_unique<feed::TNewsCollection>();
  } else if (FeedItems->Count() > 0) {
    FeedItems->Clear();
  }
  RootNode = &tvList.AddRoot("Gossip");
  if (ActiveSites == nullptr) throw Exception("The table of active sites is not open");
  const std::vector<TSiteRow> sites = ReadActiveSites(*ActiveSites);
  TMemoryStream stream;
  const int count = static_cast<int>(sites.size());
  for (int i = 0; i < count; ++i) {
    // The window was closed while a fetch waited: the remaining sites are not fetched.
    if (!ActiveSitesOpen()) break;
    const TSiteRow& site = sites[static_cast<std::size_t>(i)];
    barStat.SetSimpleText(Format("Updating %d of %d: ", i + 1, count) + site.Name);
    memLog.Add("Connecting to " + site.Name);
    try {
      feed::FetchFeedDocument(*netHTTP, site.URL, stream);
      ui::ITreeNode& siteNode = tvList.AddChild(*RootNode, site.Name);
      siteNode.Expand();
      TTreeSiteNode items(tvList, siteNode);
      feed::ReadFeed(*xmlDoc, stream, site.URL, items, *FeedItems);
      memLog.Add("Completed " + site.Name);
    } catch (const std::exception& e) {
      ReportError(e);
    }
  }
  memLog.Add("Done");
  RootNode->Expand();
  barStat.SetSimpleText("Ready");
}

void TfrmMain::tvListDblClick() {
  ui::ITreeNode* node = tvList.Selected();
  if (node == nullptr) return;
  if (node->IsFirstNode()) {
    if (WindowSystem.MessageBox("Update newsfeeds?", "Update Confirmation",
                                ui::TMsgButtons::mbYesNo, ui::TMsgIcon::miQuestion) == ui::idYes) {
      actUpdateExecute();
    }
    return;
  }
  if (FeedItems == nullptr) return;
  const int32_t index = node->AbsoluteIndex();
  for (int i = 0; i < FeedItems->Count(); ++i) {
    if (FeedItems->Items(i).NodeIndex != index) continue;
    // A copy: the shell may let the window run handlers, and an update empties FeedItems.
    // Blanks and line breaks around a link (common in feeds, and the CR of a text record
    // written with CR LF) are no part of it.
    const std::string link = Trim(FeedItems->Items(i).Link);
    if (link.empty()) {
      memLog.Add("No link for this item");
    } else if (!IsWebLink(link)) {
      memLog.Add("Not opening link: " + link);
    } else {
      try {
        WindowSystem.ShellOpen(link, "");
      } catch (const ui::EShellError&) {
        // The shell's answer is not reported: the link was handed on as asked.
      }
    }
    return;
  }
  // A site node has no feed item: nothing to open.
}

}  // namespace qp::app
