// The subscription dialog ("Subscribe to NewsGroups"): the upper list shows every group of
// the connected server, the lower one the groups subscribed there. Each press of
// "&Subscribe" or "&Unsubscribe" changes the Subscriptions table at once; the dialog's
// Cancel undoes nothing. Created once at start with its form, lives for the whole run, used
// on the message-loop thread. The main window fills both lists and sets ServerID.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/WindowSystem.h"

namespace qp::store {
class TQuery;
}

namespace qp::dialogs {

// The controls of the dialog's form as the logic sees them.
class ISubsView {
 public:
  virtual ~ISubsView() = default;
  virtual ui::IListView& lvGroups() = 0;  // all groups: caption = name, sub-item = count or "None"
  virtual ui::IListView& lvSubs() = 0;    // subscribed groups; several rows may be selected
  virtual int ShowModal() = 0;            // 1 = OK, 2 = Cancel
};

class TdlgSubs : public ui::IForm {
 public:
  // Creates the statement query on the News database (FormCreate).
  explicit TdlgSubs(ISubsView& view);
  ~TdlgSubs() override;
  TdlgSubs(const TdlgSubs&) = delete;
  TdlgSubs& operator=(const TdlgSubs&) = delete;

  // The Servers.ID whose subscriptions are edited.
  int32_t ServerID = 0;
  ui::IListView& lvGroups;
  ui::IListView& lvSubs;

  int ShowModal() override { return FView.ShowModal(); }

  // Subscribes the selected row of lvGroups: one row more in the table and in lvSubs. A
  // group already stored for the server is not stored again; lvSubs then gains its row only
  // when it lacks one.
  void btnAddClick();
  // Unsubscribes every selected row of lvSubs: the table loses every row of that server and
  // group, and lvSubs every row of that group.
  void btnDelClick();

  // The groups stored for ServerID, each once, in table order. Throws EDatabaseError.
  std::vector<std::string> StoredGroups();

 private:
  void Execute(const std::string& statement);
  bool Stored(const std::string& group);

  ISubsView& FView;
  std::unique_ptr<store::TQuery> FQuery;
};

}  // namespace qp::dialogs
