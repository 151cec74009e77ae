#include "dialogs/qt/Subscribe.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/ErrorReport.h"

namespace qp::dialogs {

namespace {
constexpr int kWidth = 530;
constexpr int kHeight = 420;
}  // namespace

TSubsForm::TSubsForm(ui::IWindowSystem& windowSystem, QWidget* parent)
    : QDialog(parent), FWindowSystem(windowSystem) {
  setObjectName("dlgSubs");
  setWindowTitle("Subscribe to NewsGroups");
  setFixedSize(kWidth, kHeight);

  FGroupsWidget = ui::MakeReportList({"Group", "Posts"}, {1});
  FGroupsWidget->setObjectName("lvGroups");
  FGroupsWidget->setSelectionMode(QAbstractItemView::SingleSelection);
  FSubsWidget = ui::MakeReportList({"Group", "Posts"}, {1});
  FSubsWidget->setObjectName("lvSubs");
  FSubsWidget->setSelectionMode(QAbstractItemView::ExtendedSelection);
  for (QTreeWidget* list : {FGroupsWidget, FSubsWidget}) list->setColumnWidth(0, 380);

  btnAdd = new QPushButton("&Subscribe");
  btnAdd->setObjectName("btnAdd");
  btnDel = new QPushButton("&Unsubscribe");
  btnDel->setObjectName("btnDel");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnAdd);
  buttons->addWidget(btnDel);
  buttons->addStretch();

  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  box->button(QDialogButtonBox::Ok)->setObjectName("OKBtn");
  box->button(QDialogButtonBox::Ok)->setDefault(true);
  box->button(QDialogButtonBox::Cancel)->setObjectName("CancelBtn");
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FGroupsWidget, 3);
  layout->addLayout(buttons);
  layout->addWidget(FSubsWidget, 2);
  layout->addWidget(box);

  FGroups = std::make_unique<ui::QtReportList>(*FGroupsWidget);
  FSubs = std::make_unique<ui::QtReportList>(*FSubsWidget);
}

TSubsForm::~TSubsForm() = default;

void TSubsForm::Bind(TdlgSubs& logic) {
  connect(btnAdd, &QPushButton::clicked, this,
          [this, &logic] { ui::Guarded(FWindowSystem, [&logic] { logic.btnAddClick(); }); });
  connect(btnDel, &QPushButton::clicked, this,
          [this, &logic] { ui::Guarded(FWindowSystem, [&logic] { logic.btnDelClick(); }); });
}

int TSubsForm::ShowModal() {
  return exec() == QDialog::Accepted ? ui::idOK : ui::idCancel;
}

}  // namespace qp::dialogs
