#include "dialogs/qt/Options.h"

#include <QGroupBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "dialogs/qt/FormLayout.h"

namespace qp::dialogs {

namespace {

constexpr int kWidth = 483;
constexpr int kHeight = 313;

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
  FVersionLabel = AddLabelledRow(*grid, "lblVersion", "SOCKS Version", FVersion);
  FHostLabel = AddLabelledRow(*grid, "lblHost", "Proxy Address", FHost);
  FPortLabel = AddLabelledRow(*grid, "lblPort", "Proxy Port", FPort);
  FAuthLabel = AddLabelledRow(*grid, "lblAuth", "Authentication Type", FAuth);
  FUserLabel = AddLabelledRow(*grid, "lblUser", "User ID", FUser);
  FPassLabel = AddLabelledRow(*grid, "lblPass", "Password", FPass);

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

  QDialogButtonBox* box = OkCancelButtons(*this);

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
