#include "dialogs/Sites.h"

namespace qp::dialogs {

namespace {

constexpr int kNavigatorWidth = 120;
constexpr int kNavigatorHeight = 20;

void SetUpNavigator(TrvNavigator& navigator, TDataSource& dataSource) {
  navigator.SetVisibleButtons({nbPrior, nbNext, nbInsert, nbDelete, nbPost, nbCancel});
  navigator.ConfirmText = "Delete record?";
  navigator.SetBounds(kNavigatorWidth, kNavigatorHeight);
  navigator.SetDataSource(&dataSource);
}

}  // namespace

TdlgSites::TdlgSites(ui::IWindowSystem& windowSystem, ISitesView& view)
    : datSites(&tblSites),
      datServers(&tblServers),
      navSites(windowSystem),
      navServers(windowSystem),
      dbSiteName(view.dbSiteName(), datSites, "Name"),
      dbURL(view.dbURL(), datSites, "URL"),
      dbActive(view.dbActive(), datSites, "Active"),
      db(view.db(), datServers, "Name"),
      dbAddress(view.dbAddress(), datServers, "Address"),
      dbPort(view.dbPort(), datServers, "Port"),
      dbAuthenticate(view.dbAuthenticate(), datServers, "Authenticate"),
      dbLogin(view.dbLogin(), datServers, "Login"),
      dbPass(view.dbPass(), datServers, "Password"),
      lblLogin(view.lblLogin()),
      lblPass(view.lblPass()),
      FView(view) {
  tblSites.DatabaseName = "News";
  tblSites.TableName = "Sites.DAT";
  tblServers.DatabaseName = "News";
  tblServers.TableName = "Servers.DAT";
  SetUpNavigator(navSites, datSites);
  SetUpNavigator(navServers, datServers);
  dbAuthenticate.OnClick = [this] { dbAuthenticateClick(); };
}

TdlgSites::~TdlgSites() {
  dbAuthenticate.OnClick = nullptr;
}

int TdlgSites::ShowModal() {
  dbAuthenticateClick();
  return FView.ShowModal();
}

void TdlgSites::dbAuthenticateClick() {
  const bool enabled = dbAuthenticate.Checked();
  lblLogin.SetEnabled(enabled);
  lblPass.SetEnabled(enabled);
  dbLogin.Control().SetEnabled(enabled);
  dbPass.Control().SetEnabled(enabled);
}

}  // namespace qp::dialogs
