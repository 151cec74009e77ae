#include "dialogs/Subscribe.h"

#include <string>

#include "store/Query.h"
#include "store/SqlDialect.h"

namespace qp::dialogs {

TdlgSubs::TdlgSubs(ISubsView& view)
    : lvGroups(view.lvGroups()),
      lvSubs(view.lvSubs()),
      FView(view),
      FQuery(std::make_unique<store::TQuery>()) {}

TdlgSubs::~TdlgSubs() = default;

void TdlgSubs::Execute(const std::string& statement) {
  FQuery->SQLClear();
  FQuery->SQLAdd(statement);
  FQuery->ExecSQL();
}

void TdlgSubs::btnAddClick() {
  ui::IListItem* selected = lvGroups.Selected();
  if (selected == nullptr) return;
  // The key is the group's name as the server sent it; the caption only shows it.
  const std::string group = selected->Key();
  Execute("INSERT INTO Subscriptions (Server,Group) VALUES (" + std::to_string(ServerID) + "," +
          store::QuotedStr(group) + ");");
  ui::IListItem& row = lvSubs.Add();
  row.SetCaption(selected->Caption());
  row.SetKey(group);
  for (const std::string& sub : selected->SubItems()) row.AddSubItem(sub);
}

void TdlgSubs::btnDelClick() {
  // From the last row up, so deleting a row moves none of the rows still to visit.
  for (int i = lvSubs.Count() - 1; i >= 0; --i) {
    if (!lvSubs.Item(i).Selected()) continue;
    Execute("DELETE FROM Subscriptions WHERE Server=" + std::to_string(ServerID) +
            " AND Group=" + store::QuotedStr(lvSubs.Item(i).Key()) + ";");
    lvSubs.Delete(i);
  }
}

}  // namespace qp::dialogs
