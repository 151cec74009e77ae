// The form of the subscription dialog, "Subscribe to NewsGroups".
#pragma once

#include <QDialog>

#include <memory>

#include "dialogs/Subscribe.h"
#include "ui/qt/QtWindowSystem.h"

class QPushButton;
class QTreeWidget;

namespace qp::dialogs {

// The upper list of all groups, "&Subscribe" and "&Unsubscribe" below it, the lower list of
// subscribed groups, "OK" and "Cancel"; 530 x 420, centred. Bind connects the buttons to the
// dialog's logic through the top-level error report. Created once by the start routine;
// GUI thread only.
class TSubsForm : public QDialog, public ISubsView {
  Q_OBJECT

 public:
  TSubsForm(ui::IWindowSystem& windowSystem, QWidget* parent);
  ~TSubsForm() override;

  void Bind(TdlgSubs& logic);

  ui::IListView& lvGroups() override { return *FGroups; }
  ui::IListView& lvSubs() override { return *FSubs; }
  int ShowModal() override;

 private:
  ui::IWindowSystem& FWindowSystem;
  QTreeWidget* FGroupsWidget = nullptr;
  QTreeWidget* FSubsWidget = nullptr;
  QPushButton* btnAdd = nullptr;
  QPushButton* btnDel = nullptr;
  std::unique_ptr<ui::QtReportList> FGroups;
  std::unique_ptr<ui::QtReportList> FSubs;
};

}  // namespace qp::dialogs
