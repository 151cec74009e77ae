#include "dialogs/qt/FormLayout.h"

#include <QDialog>
#include <QPushButton>

namespace qp::dialogs {

ui::QtLabel* AddLabelledRow(QGridLayout& grid, const char* name, const QString& caption,
                            QWidget* control) {
  auto* label = new ui::QtLabel(caption);
  label->setObjectName(name);
  label->setBuddy(control);
  const int row = grid.rowCount();
  grid.addWidget(label, row, 0);
  grid.addWidget(control, row, 1);
  return label;
}

QDialogButtonBox* OkCancelButtons(QDialog& dialog) {
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QPushButton* ok = box->button(QDialogButtonBox::Ok);
  ok->setObjectName("btnOK");
  ok->setDefault(true);
  box->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
  QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return box;
}

}  // namespace qp::dialogs
