// The form of the subscription dialog, "Subscribe to NewsGroups".
#pragma once

#include <QDialog>

#include <memory>

#include "dialogs/Subscribe.h"
#include "ui/WindowSystem.h"
#include "widgets/ExtListView.h"

class QPushButton;

namespace qp::dialogs {

// The upper list of all groups (sorted by a click on a column header), "&Subscribe" and
// "&Unsubscribe" below it, the lower list of subscribed groups (several rows may be
// selected), "OK" and "Cancel"; 530 x 420, centred. Bind connects the buttons to the
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
  widgets::TExtListView* FGroups = nullptr;
  widgets::TExtListView* FSubs = nullptr;
  QPushButton* btnAdd = nullptr;
  QPushButton* btnDel = nullptr;
};

}  // namespace qp::dialogs
