// The form of the options dialog, "Quillpost Options".
#pragma once

#include <QDialog>

#include "dialogs/Options.h"
#include "ui/qt/QtControls.h"

class QTabWidget;

namespace qp::dialogs {

// Two pages, "General" (empty, shown first) and "Firewall" with the two check boxes and the
// group "Proxy Configuration" of six labelled controls, and "OK" (the default) and
// "Cancel"; 483 x 313, centred on the screen. Created once by the start routine; GUI
// thread only.
class TOptionsForm : public QDialog, public IOptionsView {
  Q_OBJECT

 public:
  TOptionsForm(ui::IWindowSystem& windowSystem, QWidget* parent);
  ~TOptionsForm() override;

  ui::ICheckBox& chkPasv() override { return *FPasv; }
  ui::ICheckBox& chkSocks() override { return *FSocks; }
  ui::IControl& lblVersion() override { return *FVersionLabel; }
  ui::IComboBox& cmbVersion() override { return *FVersion; }
  ui::IControl& lblHost() override { return *FHostLabel; }
  ui::IEdit& edHost() override { return *FHost; }
  ui::IControl& lblPort() override { return *FPortLabel; }
  ui::IEdit& edPort() override { return *FPort; }
  ui::IControl& lblAuth() override { return *FAuthLabel; }
  ui::IComboBox& cmbAuth() override { return *FAuth; }
  ui::IControl& lblUser() override { return *FUserLabel; }
  ui::IEdit& edUser() override { return *FUser; }
  ui::IControl& lblPass() override { return *FPassLabel; }
  ui::IEdit& edPass() override { return *FPass; }
  int ShowModal() override;

  QTabWidget* Pages() const { return FPages; }

 private:
  QTabWidget* FPages = nullptr;
  ui::QtCheckBox* FPasv = nullptr;
  ui::QtCheckBox* FSocks = nullptr;
  ui::QtLabel* FVersionLabel = nullptr;
  ui::QtComboBox* FVersion = nullptr;
  ui::QtLabel* FHostLabel = nullptr;
  ui::QtEdit* FHost = nullptr;
  ui::QtLabel* FPortLabel = nullptr;
  ui::QtEdit* FPort = nullptr;
  ui::QtLabel* FAuthLabel = nullptr;
  ui::QtComboBox* FAuth = nullptr;
  ui::QtLabel* FUserLabel = nullptr;
  ui::QtEdit* FUser = nullptr;
  ui::QtLabel* FPassLabel = nullptr;
  ui::QtEdit* FPass = nullptr;
};

}  // namespace qp::dialogs
