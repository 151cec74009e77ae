#include "dialogs/Subscribe.h"

#include <algorithm>
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

std::vector<std::string> TdlgSubs::StoredGroups() {
  FQuery->SetSQL("SELECT Group FROM Subscriptions WHERE Server=" + std::to_string(ServerID));
  FQuery->Open();
  std::vector<std::string> groups;
  for (bool row = FQuery->First(); row; row = FQuery->Next()) {
    std::string group = FQuery->FieldByName("Group").AsString();
    // Databases of earlier versions may hold a subscription twice.
    if (std::find(groups.begin(), groups.end(), group) == groups.end())
      groups.push_back(std::move(group));
  }
  FQuery->Close();
  return groups;
}

bool TdlgSubs::Stored(const std::string& group) {
  FQuery->SetSQL("SELECT Group FROM Subscriptions WHERE Server=" + std::to_string(ServerID) +
                 " AND Group=" + store::QuotedStr(group));
  FQuery->Open();
  const bool stored = FQuery->First();
  FQuery->Close();
  return stored;
}

void TdlgSubs::btnAddClick() {
  ui::IListItem* selected = lvGroups.Selected();
  if (selected == nullptr) return;
  // The key is the group's name as the server sent it; the caption only shows it.
  const std::string group = selected->Key();
  // A second row would show the group twice and be removed with the first by one unsubscribe.
  if (!Stored(group)) {
    Execute("INSERT INTO Subscriptions (Server,Group) VALUES (" + std::to_string(ServerID) + "," +
            store::QuotedStr(group) + ");");
  }
  for (int i = 0; i < lvSubs.Count(); ++i) {
    if (lvSubs.Item(i).Key() == group) return;
  }
  ui::IListItem& row = lvSubs.Add();
  row.SetCaption(selected->Caption());
  row.SetKey(group);
  for (const std::string& sub : selected->SubItems()) row.AddSubItem(sub);
}

void TdlgSubs::btnDelClick() {
  std::vector<std::string> groups;
  for (int i = 0; i < lvSubs.Count(); ++i) {
    if (!lvSubs.Item(i).Selected()) continue;
    const std::string group = lvSubs.Item(i).Key();
    if (std::find(groups.begin(), groups.end(), group) == groups.end()) groups.push_back(group);
  }
  for (const std::string& group : groups) {
    Execute("DELETE FROM Subscriptions WHERE Server=" + std::to_string(ServerID) +
            " AND Group=" + store::QuotedStr(group) + ";");
    // The statement removed every row of the group, so the list keeps none either; from the
    // last row up, so deleting a row moves none of the rows still to visit.
    for (int i = lvSubs.Count() - 1; i >= 0; --i) {
      if (lvSubs.Item(i).Key() == group) lvSubs.Delete(i);
    }
  }
}

}  // namespace qp::dialogs
