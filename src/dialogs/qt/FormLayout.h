// Pieces the dialogs' forms share: labelled rows and the OK and Cancel buttons.
#pragma once

#include <QDialogButtonBox>
#include <QGridLayout>

#include "ui/qt/QtControls.h"

namespace qp::dialogs {

// Adds a label named name with caption in front of control as a new row of grid, and
// returns the label.
ui::QtLabel* AddLabelledRow(QGridLayout& grid, const char* name, const QString& caption,
                            QWidget* control);

// The "OK" (btnOK, the default) and "Cancel" (btnCancel) buttons, accepting and rejecting
// dialog.
QDialogButtonBox* OkCancelButtons(QDialog& dialog);

}  // namespace qp::dialogs
