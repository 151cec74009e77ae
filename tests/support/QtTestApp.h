// What the Qt test programs share: one application for the whole program under the offscreen
// platform, and a window system that records message boxes instead of showing them.
#pragma once

#include <QApplication>

#include <string>
#include <vector>

#include "ui/qt/QtWindowSystem.h"

namespace qp::test {

// Created at the first call and never destroyed: Qt's teardown at process exit would run
// after the platform plugin is gone.
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "qp_qt_test";
  static char* argv[] = {name, nullptr};
  static QApplication* application = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *application;
}

// Records each message box as "caption: text" and answers with its first button, so
// nothing waits for a person.
class RecordingWindowSystem : public ui::QtWindowSystem {
 public:
  int MessageBox(const std::string& text, const std::string& caption, ui::TMsgButtons buttons,
                 ui::TMsgIcon icon) override {
    (void)icon;
    Boxes.push_back(caption + ": " + text);
    return buttons == ui::TMsgButtons::mbYesNo ? ui::idYes : ui::idOK;
  }
  std::vector<std::string> Boxes;
};

}  // namespace qp::test
