#include <QApplication>
#include <QFile>
#include <QStandardPaths>

#include "app/Start.h"
#include "app/qt/QtForms.h"
#include "net/AntiFreeze.h"
#include "ui/qt/QtWindowSystem.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The lists keep their widths and sort in the user's settings under this name.
  QCoreApplication::setOrganizationName("Quillpost");
  qp::net::RecordMainThread();
  qp::net::SetAntiFreezePump([](bool allPending) {
    if (allPending) {
      QCoreApplication::processEvents();
    } else {
      // Qt has no "one message" call; a zero time budget handles what is ready and returns.
      QCoreApplication::processEvents(QEventLoop::AllEvents, 0);
    }
  });
  qp::ui::QtWindowSystem windowSystem;
  qp::app::TQtFormFactory forms(windowSystem);
  // The user's data folder: ~/.local/share/Quillpost ($XDG_DATA_HOME/Quillpost).
  const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  const std::string userData =
      dataHome.isEmpty() ? std::string() : QFile::encodeName(dataHome + "/Quillpost").toStdString();
  const int exitCode = qp::app::RunProgram(
      windowSystem, forms, qp::app::ChooseStartFolders(qp::ExecutableFolder(), userData));
  windowSystem.App().MainWindow = nullptr;
  return exitCode;
}
