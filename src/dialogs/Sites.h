// The site management dialog ("Site Management"): the rows of Sites (page "NewsFeeds") and
// Servers (page "UseNet"), each edited through data-bound controls and a navigator bar.
#pragma once

#include "dialogs/DBControls.h"
#include "dialogs/DataSource.h"
#include "dialogs/rvNavigator.h"
#include "store/Table.h"
#include "ui/WindowSystem.h"

namespace qp::dialogs {

// The controls of the dialog's form as the logic sees them. The form shows the password as
// "*" characters and draws the two navigators from the dialog's navSites and navServers.
class ISitesView {
 public:
  virtual ~ISitesView() = default;
  // Page "NewsFeeds".
  virtual ui::IEdit& dbSiteName() = 0;    // "Name"
  virtual ui::IEdit& dbURL() = 0;         // "URL"
  virtual ui::ICheckBox& dbActive() = 0;  // "Active"
  // Page "UseNet".
  virtual ui::IEdit& db() = 0;  // "Server Name"
  virtual ui::IEdit& dbAddress() = 0;
  virtual ui::IEdit& dbPort() = 0;
  virtual ui::ICheckBox& dbAuthenticate() = 0;
  virtual ui::IControl& lblLogin() = 0;
  virtual ui::IEdit& dbLogin() = 0;
  virtual ui::IControl& lblPass() = 0;
  virtual ui::IEdit& dbPass() = 0;
  // 1 = OK, 2 = Cancel.
  virtual int ShowModal() = 0;
};

// The dialog's logic. Created once by the start routine, which opens both tables after it
// connected News; they stay open, on the row the user left, for the whole run. Neither OK
// nor Cancel posts or cancels anything: an unposted edit stays pending in its table. A
// failure of the table engine reaches the top-level error report and leaves the row in
// edit mode. The view and the window system must outlive it; main thread only.
class TdlgSites : public ui::IForm {
 public:
  TdlgSites(ui::IWindowSystem& windowSystem, ISitesView& view);
  ~TdlgSites() override;
  TdlgSites(const TdlgSites&) = delete;
  TdlgSites& operator=(const TdlgSites&) = delete;

  store::TTable tblSites;    // "Sites.DAT" through News
  store::TTable tblServers;  // "Servers.DAT" through News
  TDataSource datSites;
  TDataSource datServers;
  // Each shows prior, next, insert, delete, post and cancel on a bar of 120 by 20.
  TrvNavigator navSites;
  TrvNavigator navServers;

  TDBEdit dbSiteName;
  TDBEdit dbURL;
  TDBCheckBox dbActive;
  TDBEdit db;
  TDBEdit dbAddress;
  TDBEdit dbPort;
  TDBCheckBox dbAuthenticate;
  TDBEdit dbLogin;
  TDBEdit dbPass;
  ui::IControl& lblLogin;
  ui::IControl& lblPass;

  // Applies the login rule, then shows the form modally; returns its result.
  int ShowModal() override;
  // The login rule: the login and password labels and edits are enabled exactly when the
  // "Authenticate" box is checked. Runs whenever the box changes state.
  void dbAuthenticateClick();

 private:
  ISitesView& FView;
};

}  // namespace qp::dialogs
