// The form of the site management dialog, "Site Management".
#pragma once

#include <QDialog>

#include "dialogs/Sites.h"
#include "ui/qt/QtControls.h"

class QTabWidget;

namespace qp::dialogs {

class TrvNavigatorWidget;

// Two pages, "NewsFeeds" and "UseNet", with the data-bound edits, check boxes and a
// navigator bar each, and "OK" and "Cancel"; 427 x 300, centred on the screen. Bind draws
// the dialog's two navigators. Created once by the start routine; GUI thread only.
class TSitesForm : public QDialog, public ISitesView {
  Q_OBJECT

 public:
  TSitesForm(ui::IWindowSystem& windowSystem, QWidget* parent);
  ~TSitesForm() override;

  void Bind(TdlgSites& dialog);

  ui::IEdit& dbSiteName() override { return *FSiteName; }
  ui::IEdit& dbURL() override { return *FURL; }
  ui::ICheckBox& dbActive() override { return *FActive; }
  ui::IEdit& db() override { return *FServerName; }
  ui::IEdit& dbAddress() override { return *FAddress; }
  ui::IEdit& dbPort() override { return *FPort; }
  ui::ICheckBox& dbAuthenticate() override { return *FAuthenticate; }
  ui::IControl& lblLogin() override { return *FLoginLabel; }
  ui::IEdit& dbLogin() override { return *FLogin; }
  ui::IControl& lblPass() override { return *FPassLabel; }
  ui::IEdit& dbPass() override { return *FPass; }
  int ShowModal() override;

  QTabWidget* Pages() const { return FPages; }
  TrvNavigatorWidget* navSites() const { return FNavSites; }
  TrvNavigatorWidget* navServers() const { return FNavServers; }

 private:
  QTabWidget* FPages = nullptr;
  ui::QtEdit* FSiteName = nullptr;
  ui::QtEdit* FURL = nullptr;
  ui::QtCheckBox* FActive = nullptr;
  ui::QtEdit* FServerName = nullptr;
  ui::QtEdit* FAddress = nullptr;
  ui::QtEdit* FPort = nullptr;
  ui::QtCheckBox* FAuthenticate = nullptr;
  ui::QtLabel* FLoginLabel = nullptr;
  ui::QtEdit* FLogin = nullptr;
  ui::QtLabel* FPassLabel = nullptr;
  ui::QtEdit* FPass = nullptr;
  TrvNavigatorWidget* FNavSites = nullptr;
  TrvNavigatorWidget* FNavServers = nullptr;
};

}  // namespace qp::dialogs
