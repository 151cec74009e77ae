#include "dialogs/qt/Options.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qp::dialogs {

namespace {

constexpr int kWidth = 483;
constexpr int kHeight = 313;

// Adds a labelled control as a row of grid and returns the label.
ui::QtLabel* AddRow(QGridLayout& grid, const char* name, const QString& caption, QWidget* control) {
  auto* label = new ui::QtLabel(caption);
  label->setObjectName(name);
  label->setBuddy(control);
  const int row = grid.rowCount();
  grid.addWidget(label, row, 0);
  grid.addWidget(control, row, 1);
  return label;
}

}  // namespace

TOptionsForm::TOptionsForm(ui::IWindowSystem& windowSystem, QWidget* parent) : QDialog(parent) {
  setObjectName("dlgOptions");
  setWindowTitle("Quillpost Options");
  setFixedSize(kWidth, kHeight);

  auto* general = new QWidget;
  general->setObjectName("tabGeneral");

  auto* firewall = new QWidget;
  firewall->setObjectName("tabFirewall");
  FPasv =
      new ui::QtCheckBox(windowSystem, "Enable Passive (PASV) file transfers (for some firewalls)");
  FPasv->setObjectName("chkPasv");
  FSocks = new ui::QtCheckBox(windowSystem, "Use SOCKS Proxy");
  FSocks->setObjectName("chkSocks");

  FVersion = new ui::QtComboBox(windowSystem, TdlgOptions::VersionItems());
  FVersion->setObjectName("cmbVersion");
  FHost = new ui::QtEdit(windowSystem);
  FHost->setObjectName("edHost");
  FPort = new ui::QtEdit(windowSystem);
  FPort->setObjectName("edPort");
  FAuth = new ui::QtComboBox(windowSystem, TdlgOptions::AuthenticationItems());
  FAuth->setObjectName("cmbAuth");
  FUser = new ui::QtEdit(windowSystem);
  FUser->setObjectName("edUser");
  FPass = new ui::QtEdit(windowSystem);
  FPass->setObjectName("edPass");
  FPass->ShowAsPassword();

  auto* proxy = new QGroupBox("Proxy Configuration");
  proxy->setObjectName("grpProxy");
  auto* grid = new QGridLayout(proxy);
  FVersionLabel = AddRow(*grid, "lblVersion", "SOCKS Version", FVersion);
  FHostLabel = AddRow(*grid, "lblHost", "Proxy Address", FHost);
  FPortLabel = AddRow(*grid, "lblPort", "Proxy Port", FPort);
  FAuthLabel = AddRow(*grid, "lblAuth", "Authentication Type", FAuth);
  FUserLabel = AddRow(*grid, "lblUser", "User ID", FUser);
  FPassLabel = AddRow(*grid, "lblPass", "Password", FPass);

  auto* page = new QVBoxLayout(firewall);
  page->addWidget(FPasv);
  page->addWidget(FSocks);
  page->addWidget(proxy);
  page->addStretch(1);

  FPages = new QTabWidget;
  FPages->setObjectName("pgcOptions");
  FPages->addTab(general, "General");
  FPages->addTab(firewall, "Firewall");
  FPages->setCurrentIndex(0);

  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QPushButton* ok = box->button(QDialogButtonBox::Ok);
  ok->setObjectName("btnOK");
  ok->setDefault(true);
  box->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FPages, 1);
  layout->addWidget(box);
}

TOptionsForm::~TOptionsForm() = default;

int TOptionsForm::ShowModal() {
  ui::CentreOnScreen(*this);
  return exec() == QDialog::Accepted ? ui::idOK : ui::idCancel;
}

}  // namespace qp::dialogs
