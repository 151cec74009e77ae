// What the Qt test programs share: one application for the whole program under the offscreen
// platform, with the application's settings (QSettings) in a temporary folder that goes at
// exit, and a window system that records message boxes instead of showing them. Header-only,
// for the Qt suites; the core's suites never include it.
#pragma once

#include <QApplication>
#include <QSettings>

#include <string>
#include <vector>

#include "support/TempDir.h"
#include "ui/qt/QtWindowSystem.h"

namespace qp::test {

// Made on the first call and never destroyed: Qt's teardown at process exit would run after
// the platform plugin is gone.
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "quillpost-test";
  static char* argv[] = {name, nullptr};
  static TempDir settings;
  static QApplication* application = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(settings.Path()));
    auto* created = new QApplication(argc, argv);
    QCoreApplication::setOrganizationName("QuillpostTest");
    return created;
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
