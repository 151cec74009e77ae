#include "dialogs/qt/Subscribe.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/ErrorReport.h"

namespace qp::dialogs {

namespace {
constexpr int kWidth = 530;
constexpr int kHeight = 420;

// A list of groups and their article counts, the name column taking the dialog's width.
widgets::TExtListView* MakeGroupList(const char* name) {
  using namespace widgets;
  auto* list = new TExtListView;
  list->setObjectName(name);
  list->AddColumn("Group", 380);
  list->AddColumn("Posts", 80, TColumnAlign::taRightJustify);
  list->SetStretchColumn(0);
  list->SetExtendedStyles({TLVExtendedStyle::lvxFullRowSelect, TLVExtendedStyle::lvxInfoTip});
  list->SetShowSortArrows(true);
  return list;
}

}  // namespace

TSubsForm::TSubsForm(ui::IWindowSystem& windowSystem, QWidget* parent)
    : QDialog(parent), FWindowSystem(windowSystem) {
  setObjectName("dlgSubs");
  setWindowTitle("Subscribe to NewsGroups");
  setFixedSize(kWidth, kHeight);

  FGroups = MakeGroupList("lvGroups");
  FGroups->SetAutoColumnSort(widgets::TAutoColumnSort::acsSortToggle);
  FGroups->AutoResort = false;
  FGroups->Loaded();
  FSubs = MakeGroupList("lvSubs");
  FSubs->SetMultiSelect(true);
  FSubs->Loaded();

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
  layout->addWidget(FGroups, 3);
  layout->addLayout(buttons);
  layout->addWidget(FSubs, 2);
  layout->addWidget(box);
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
