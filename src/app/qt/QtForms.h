// The windows of the program on Qt 6 Widgets, as the start routine asks for them.
#pragma once

#include "app/Start.h"
#include "ui/qt/QtWindowSystem.h"

namespace qp::app {

// Makes the main window and the dialogs. Used once by main(); GUI thread only.
class TQtFormFactory : public IFormFactory {
 public:
  explicit TQtFormFactory(ui::QtWindowSystem& windowSystem) : FWindowSystem(windowSystem) {}
  std::unique_ptr<IMainView> CreateMainView() override;
  void BindMainWindow(IMainView& view, TfrmMain& form) override;
  std::unique_ptr<ui::IForm> CreateAboutBox() override;
  std::unique_ptr<dialogs::ISitesView> CreateSitesForm() override;
  void BindSitesDialog(dialogs::ISitesView& form, dialogs::TdlgSites& dialog) override;
  std::unique_ptr<dialogs::ISubsView> CreateSubscriptionForm() override;
  void BindSubscriptionDialog(dialogs::ISubsView& form, dialogs::TdlgSubs& dialog) override;
  std::unique_ptr<dialogs::IOptionsView> CreateOptionsForm() override;

 private:
  ui::QtWindowSystem& FWindowSystem;
};

}  // namespace qp::app
