// The form of the subscription dialog, "Subscribe to NewsGroups".
#pragma once

#include <QDialog>
#include <memory>

#include "app/qt/QtWindowSystem.h"
#include "dialogs/Subscribe.h"

class QPushButton;
class QTreeWidget;

namespace qp {

// The upper list of all groups, "&Subscribe" and "&Unsubscribe" below it, the lower list of
// subscribed groups, "OK" and "Cancel"; 530 x 420, centred. Bind connects the buttons to the
// dialog's logic through the top-level error report. Created once by the start routine;
// GUI thread only.
class TSubsForm : public QDialog, public ISubsView {
  Q_OBJECT

 public:
  TSubsForm(IWindowSystem& windowSystem, QWidget* parent);
  ~TSubsForm() override;

  void Bind(TdlgSubs& logic);

  IListView& lvGroups() override { return *FGroups; }
  IListView& lvSubs() override { return *FSubs; }
  int ShowModal() override;

 private:
  IWindowSystem& FWindowSystem;
  QTreeWidget* FGroupsWidget = nullptr;
  QTreeWidget* FSubsWidget = nullptr;
  QPushButton* btnAdd = nullptr;
  QPushButton* btnDel = nullptr;
  std::unique_ptr<QtReportList> FGroups;
  std::unique_ptr<QtReportList> FSubs;
};

}  // namespace qp
