#include "app/qt/QtForms.h"

#include "app/qt/MainWindow.h"
#include "dialogs/qt/About.h"
#include "dialogs/qt/Subscribe.h"

namespace qp {

std::unique_ptr<IMainView> TQtFormFactory::CreateMainView() {
  auto window = std::make_unique<TMainWindow>(FWindowSystem);
  FWindowSystem.App().MainWindow = window.get();
  return window;
}

void TQtFormFactory::BindMainWindow(IMainView& view, TfrmMain& form) {
  static_cast<TMainWindow&>(view).Bind(form);
}

std::unique_ptr<IForm> TQtFormFactory::CreateAboutBox() {
  return std::make_unique<TdlgAbout>(FWindowSystem, FWindowSystem.App().MainWindow);
}

std::unique_ptr<ISubsView> TQtFormFactory::CreateSubscriptionForm() {
  return std::make_unique<TSubsForm>(FWindowSystem, FWindowSystem.App().MainWindow);
}

void TQtFormFactory::BindSubscriptionDialog(ISubsView& form, TdlgSubs& dialog) {
  static_cast<TSubsForm&>(form).Bind(dialog);
}

}  // namespace qp
