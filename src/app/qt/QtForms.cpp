#include "app/qt/QtForms.h"

#include "app/qt/MainWindow.h"
#include "dialogs/qt/About.h"
#include "dialogs/qt/Options.h"
#include "dialogs/qt/Sites.h"
#include "dialogs/qt/Subscribe.h"

namespace qp::app {

std::unique_ptr<IMainView> TQtFormFactory::CreateMainView() {
  auto window = std::make_unique<TMainWindow>(FWindowSystem);
  FWindowSystem.App().MainWindow = window.get();
  return window;
}

void TQtFormFactory::BindMainWindow(IMainView& view, TfrmMain& form) {
  static_cast<TMainWindow&>(view).Bind(form);
}

std::unique_ptr<ui::IForm> TQtFormFactory::CreateAboutBox() {
  return std::make_unique<dialogs::TdlgAbout>(FWindowSystem, FWindowSystem.App().MainWindow);
}

std::unique_ptr<dialogs::ISitesView> TQtFormFactory::CreateSitesForm() {
  return std::make_unique<dialogs::TSitesForm>(FWindowSystem, FWindowSystem.App().MainWindow);
}

void TQtFormFactory::BindSitesDialog(dialogs::ISitesView& form, dialogs::TdlgSites& dialog) {
  static_cast<dialogs::TSitesForm&>(form).Bind(dialog);
}

std::unique_ptr<dialogs::ISubsView> TQtFormFactory::CreateSubscriptionForm() {
  return std::make_unique<dialogs::TSubsForm>(FWindowSystem, FWindowSystem.App().MainWindow);
}

void TQtFormFactory::BindSubscriptionDialog(dialogs::ISubsView& form, dialogs::TdlgSubs& dialog) {
  static_cast<dialogs::TSubsForm&>(form).Bind(dialog);
}

std::unique_ptr<dialogs::IOptionsView> TQtFormFactory::CreateOptionsForm() {
  return std::make_unique<dialogs::TOptionsForm>(FWindowSystem, FWindowSystem.App().MainWindow);
}

}  // namespace qp::app
