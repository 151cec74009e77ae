#include "dialogs/qt/Sites.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "dialogs/qt/rvNavigator.h"

namespace qp::dialogs {

namespace {

constexpr int kWidth = 427;
constexpr int kHeight = 300;

// Adds "caption" and control as a row of grid.
void AddRow(QGridLayout& grid, const QString& caption, QLineEdit* control,
            QLabel* label = nullptr) {
  if (label == nullptr) label = new QLabel(caption);
  label->setBuddy(control);
  const int row = grid.rowCount();
  grid.addWidget(label, row, 0);
  grid.addWidget(control, row, 1);
}

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
  AddRow(*feedGrid, "Name", FSiteName);
  AddRow(*feedGrid, "URL", FURL);
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
  AddRow(*serverGrid, "Server Name", FServerName);
  AddRow(*serverGrid, "Server Address", FAddress);
  AddRow(*serverGrid, "Port", FPort);
  FAuthenticate = new ui::QtCheckBox(windowSystem, "Authenticate");
  FAuthenticate->setObjectName("dbAuthenticate");
  serverGrid->addWidget(FAuthenticate, serverGrid->rowCount(), 1);
  FLogin = NamedEdit(windowSystem, "dbLogin");
  FLoginLabel = new ui::QtLabel("Login");
  FLoginLabel->setObjectName("lblLogin");
  AddRow(*serverGrid, "Login", FLogin, FLoginLabel);
  FPass = NamedEdit(windowSystem, "dbPass");
  FPass->ShowAsPassword();
  FPassLabel = new ui::QtLabel("Password");
  FPassLabel->setObjectName("lblPass");
  AddRow(*serverGrid, "Password", FPass, FPassLabel);
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

  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  box->button(QDialogButtonBox::Ok)->setObjectName("btnOK");
  box->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

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
