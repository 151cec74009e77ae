// The windows of the program on Qt 6 Widgets, as the start routine asks for them.
#pragma once

#include "app/Start.h"
#include "app/qt/QtWindowSystem.h"

namespace qp {

// Makes the main window and the dialogs. Used once by main(); GUI thread only.
class TQtFormFactory : public IFormFactory {
 public:
  explicit TQtFormFactory(QtWindowSystem& windowSystem) : FWindowSystem(windowSystem) {}
  std::unique_ptr<IMainView> CreateMainView() override;
  void BindMainWindow(IMainView& view, TfrmMain& form) override;
  std::unique_ptr<IForm> CreateAboutBox() override;
  std::unique_ptr<ISubsView> CreateSubscriptionForm() override;
  void BindSubscriptionDialog(ISubsView& form, TdlgSubs& dialog) override;

 private:
  QtWindowSystem& FWindowSystem;
};

}  // namespace qp
