#include "dialogs/qt/Sites.h"

#include <QTabWidget>
#include <QVBoxLayout>

#include "dialogs/qt/FormLayout.h"
#include "dialogs/qt/rvNavigator.h"

namespace qp::dialogs {

namespace {

constexpr int kWidth = 427;
constexpr int kHeight = 300;

ui::QtEdit* NamedEdit(ui::IWindowSystem& windowSystem, const char* name) {
  auto* edit = new ui::QtEdit(windowSystem);
  edit->setObjectName(name);
  return edit;
}

}  // namespace

TSitesForm::TSitesForm(ui::IWindowSystem& windowSystem, QWidget* parent) : QDialog(parent) {
  setObjectName("dlgSites");
  setWindowTitle("Site Management");
  setFixedSize(kWidth, kHeight);

  // Page "NewsFeeds".
  auto* feeds = new QWidget;
  feeds->setObjectName("tabFeeds");
  auto* feedGrid = new QGridLayout;
  FSiteName = NamedEdit(windowSystem, "dbSiteName");
  FURL = NamedEdit(windowSystem, "dbURL");
  AddLabelledRow(*feedGrid, "lblName", "Name", FSiteName);
  AddLabelledRow(*feedGrid, "lblURL", "URL", FURL);
  FActive = new ui::QtCheckBox(windowSystem, "Active");
  FActive->setObjectName("dbActive");
  feedGrid->addWidget(FActive, feedGrid->rowCount(), 1);
  FNavSites = new TrvNavigatorWidget(windowSystem);
  FNavSites->setObjectName("navSites");
  auto* feedPage = new QVBoxLayout(feeds);
  feedPage->addLayout(feedGrid);
  feedPage->addStretch(1);
  feedPage->addWidget(FNavSites, 0, Qt::AlignLeft);

  // Page "UseNet".
  auto* usenet = new QWidget;
  usenet->setObjectName("tabUsenet");
  auto* serverGrid = new QGridLayout;
  FServerName = NamedEdit(windowSystem, "db");
  FAddress = NamedEdit(windowSystem, "dbAddress");
  FPort = NamedEdit(windowSystem, "dbPort");
  AddLabelledRow(*serverGrid, "lblServerName", "Server Name", FServerName);
  AddLabelledRow(*serverGrid, "lblAddress", "Server Address", FAddress);
  AddLabelledRow(*serverGrid, "lblPort", "Port", FPort);
  FAuthenticate = new ui::QtCheckBox(windowSystem, "Authenticate");
  FAuthenticate->setObjectName("dbAuthenticate");
  serverGrid->addWidget(FAuthenticate, serverGrid->rowCount(), 1);
  FLogin = NamedEdit(windowSystem, "dbLogin");
  FLoginLabel = AddLabelledRow(*serverGrid, "lblLogin", "Login", FLogin);
  FPass = NamedEdit(windowSystem, "dbPass");
  FPass->ShowAsPassword();
  FPassLabel = AddLabelledRow(*serverGrid, "lblPass", "Password", FPass);
  FNavServers = new TrvNavigatorWidget(windowSystem);
  FNavServers->setObjectName("navServers");
  auto* serverPage = new QVBoxLayout(usenet);
  serverPage->addLayout(serverGrid);
  serverPage->addStretch(1);
  serverPage->addWidget(FNavServers, 0, Qt::AlignLeft);

  FPages = new QTabWidget;
  FPages->setObjectName("pgcSites");
  FPages->addTab(feeds, "NewsFeeds");
  FPages->addTab(usenet, "UseNet");

  QDialogButtonBox* box = OkCancelButtons(*this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FPages, 1);
  layout->addWidget(box);
}

TSitesForm::~TSitesForm() = default;

void TSitesForm::Bind(TdlgSites& dialog) {
  FNavSites->Bind(dialog.navSites);
  FNavServers->Bind(dialog.navServers);
}

int TSitesForm::ShowModal() {
  ui::CentreOnScreen(*this);
  return exec() == QDialog::Accepted ? ui::idOK : ui::idCancel;
}

}  // namespace qp::dialogs
