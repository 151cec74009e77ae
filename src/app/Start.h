// The program's start routine, apart from the window toolkit.
#pragma once

#include <memory>
#include <string>

#include "app/Main.h"
#include "app/MainView.h"
#include "dialogs/Options.h"
#include "dialogs/Sites.h"
#include "dialogs/Subscribe.h"
#include "ui/WindowSystem.h"

namespace qp::app {

// Makes the windows of the program; implemented by the window layer.
class IFormFactory {
 public:
  virtual ~IFormFactory() = default;
  // The main window's controls, not shown yet.
  virtual std::unique_ptr<IMainView> CreateMainView() = 0;
  // Connects the window's commands, double-clicks and close/destroy to form's handlers.
  virtual void BindMainWindow(IMainView& view, TfrmMain& form) = 0;
  virtual std::unique_ptr<ui::IForm> CreateAboutBox() = 0;
  // The site dialog's form, and the connection of its navigator bars to the dialog.
  virtual std::unique_ptr<dialogs::ISitesView> CreateSitesForm() = 0;
  virtual void BindSitesDialog(dialogs::ISitesView& form, dialogs::TdlgSites& dialog) = 0;
  // The subscription dialog's form, and the connection of its buttons to the dialog.
  virtual std::unique_ptr<dialogs::ISubsView> CreateSubscriptionForm() = 0;
  virtual void BindSubscriptionDialog(dialogs::ISubsView& form, dialogs::TdlgSubs& dialog) = 0;
  // The options dialog's form.
  virtual std::unique_ptr<dialogs::IOptionsView> CreateOptionsForm() = 0;
};

// Where the program finds its tables and its settings file and keeps its scratch folder.
struct TStartFolders {
  std::string DataFolder = ExecutableFolder();
  std::string TempFolder = GetTempFolder();
  // The folder of the settings file, which is named after the executable
  // (dialogs::SettingsFileName).
  std::string SettingsFolder = ExecutableFolder();
};

// The folders of a run on this machine. The tables and the settings file stay in
// executableFolder when it already holds "Sites.DAT" (a portable copy); otherwise they live
// in userDataFolder, which is created, readable by the user only, when missing: a rebuild or
// a removed build folder then never takes a user's servers with it. An empty userDataFolder
// (the system knows none) keeps them in executableFolder. The scratch folder goes into the
// system temporary folder. Never throws: a folder that cannot be made fails the connect of
// the tables, which names it.
TStartFolders ChooseStartFolders(const std::string& executableFolder,
                                 const std::string& userDataFolder);

// Sets the title "Quillpost", creates the main window (running its creation steps), the
// About box, the site dialog, the subscription dialog and the options dialog (which reads the
// settings file), connects News to the data folder, opens the site dialog's tables and runs the
// message loop; then destroys the main window. Returns the exit code: that of the message loop,
// or 1 when connecting News or opening the tables failed (the failure is shown first).
int RunProgram(ui::IWindowSystem& windowSystem, IFormFactory& forms,
               const TStartFolders& folders = TStartFolders());

}  // namespace qp::app
