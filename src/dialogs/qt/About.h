// The About box.
#pragma once

#include <QDialog>

#include "ui/WindowSystem.h"

namespace qp::dialogs {

class THyperLabel;

// The fixed About dialog: the program's icon, the title line, a short text, a picture, two
// links and an "OK" button. The links open through the window system's shell. Created once
// by the start routine and shown modally by the About command; GUI thread only.
class TdlgAbout : public QDialog, public ui::IForm {
  Q_OBJECT

 public:
  TdlgAbout(ui::IWindowSystem& windowSystem, QWidget* parent = nullptr);

  int ShowModal() override;

  THyperLabel* lblHome = nullptr;
  THyperLabel* lblMail = nullptr;
};

}  // namespace qp::dialogs
