// The one QApplication of a Qt test program: on the offscreen platform, with the
// application's settings (QSettings) in a temporary folder that goes at exit. Header-only,
// for the Qt suites; the core's suites never include it.
#pragma once

#include <QApplication>
#include <QSettings>

#include "support/TempDir.h"

namespace qp::test {

// Made on the first call and never destroyed: Qt's teardown at process exit would run after
// the platform plugin is gone.
inline QApplication& TestApplication() {
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

}  // namespace qp::test
