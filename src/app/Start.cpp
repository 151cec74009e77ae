#include "app/Start.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "dialogs/Options.h"
#include "dialogs/Sites.h"
#include "store/Database.h"
#include "ui/ErrorReport.h"

namespace qp::app {

TStartFolders ChooseStartFolders(const std::string& executableFolder,
                                 const std::string& userDataFolder) {
  namespace fs = std::filesystem;
  TStartFolders folders;
  std::string data = store::IncludeTrailingSeparator(executableFolder);
  std::error_code error;
  if (!userDataFolder.empty() && !fs::exists(data + "Sites.DAT", error)) {
    data = store::IncludeTrailingSeparator(userDataFolder);
    const fs::path folder = fs::path(data).parent_path();
    if (!fs::exists(folder, error)) {
      fs::create_directories(folder.parent_path(), error);
      ::mkdir(folder.c_str(), 0700);
    }
  }
  folders.DataFolder = data;
  folders.SettingsFolder = data;
  return folders;
}

int RunProgram(ui::IWindowSystem& windowSystem, IFormFactory& forms, const TStartFolders& folders) {
  ui::IApplication& application = windowSystem.Application();
  application.SetTitle("Quillpost");

  std::unique_ptr<IMainView> view = forms.CreateMainView();
  TfrmMain frmMain(windowSystem, *view);
  frmMain.DataFolder = folders.DataFolder;
  frmMain.TempFolder = folders.TempFolder;
  forms.BindMainWindow(*view, frmMain);
  frmMain.Create();

  std::unique_ptr<ui::IForm> dlgAbout = forms.CreateAboutBox();
  frmMain.dlgAbout = dlgAbout.get();
  std::unique_ptr<dialogs::ISitesView> sitesForm = forms.CreateSitesForm();
  dialogs::TdlgSites dlgSites(windowSystem, *sitesForm);
  forms.BindSitesDialog(*sitesForm, dlgSites);
  frmMain.dlgSites = &dlgSites;
  std::unique_ptr<dialogs::ISubsView> subsForm = forms.CreateSubscriptionForm();
  dialogs::TdlgSubs dlgSubs(*subsForm);
  forms.BindSubscriptionDialog(*subsForm, dlgSubs);
  frmMain.dlgSubs = &dlgSubs;
  std::unique_ptr<dialogs::IOptionsView> optionsForm = forms.CreateOptionsForm();
  dialogs::TdlgOptions dlgOptions(
      *optionsForm, dialogs::SettingsFileName(folders.SettingsFolder, ExecutableName()));
  frmMain.dlgOptions = &dlgOptions;
  frmMain.ApplyFirewallSettings();

  int exitCode = 0;
  try {
    store::News().Disconnect();
    store::News().SetDirectory(folders.DataFolder);
    store::News().Connect();
    dlgSites.tblSites.Open();
    dlgSites.tblServers.Open();
  } catch (const std::exception& e) {
    ui::ShowException(windowSystem, e.what());
    exitCode = 1;
  }
  if (exitCode == 0) {
    view->Show();
    exitCode = application.Run();
  }

  frmMain.FormDestroy();
  dlgSites.tblServers.Close();
  dlgSites.tblSites.Close();
  store::News().Disconnect();
  return exitCode;
}

}  // namespace qp::app
