#include <QApplication>

#include "app/Start.h"
#include "app/qt/QtForms.h"
#include "app/qt/QtWindowSystem.h"
#include "nntp/IdAntiFreeze.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  qp::RecordMainThread();
  qp::SetAntiFreezePump([](bool allPending) {
    if (allPending) {
      QCoreApplication::processEvents();
    } else {
      // Qt has no "one message" call; a zero time budget handles what is ready and returns.
      QCoreApplication::processEvents(QEventLoop::AllEvents, 0);
    }
  });
  qp::QtWindowSystem windowSystem;
  qp::TQtFormFactory forms(windowSystem);
  const int exitCode = qp::RunProgram(windowSystem, forms);
  windowSystem.App().MainWindow = nullptr;
  return exitCode;
}
