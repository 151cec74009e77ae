#include "app/Start.h"

#include "app/ErrorReport.h"
#include "dialogs/Sites.h"
#include "store/Database.h"

namespace qp {

int RunProgram(IWindowSystem& windowSystem, IFormFactory& forms, const TStartFolders& folders) {
  IApplication& application = windowSystem.Application();
  application.SetTitle("Quillpost");

  std::unique_ptr<IMainView> view = forms.CreateMainView();
  TfrmMain frmMain(windowSystem, *view);
  frmMain.DataFolder = folders.DataFolder;
  frmMain.TempFolder = folders.TempFolder;
  forms.BindMainWindow(*view, frmMain);
  frmMain.Create();

  std::unique_ptr<IForm> dlgAbout = forms.CreateAboutBox();
  frmMain.dlgAbout = dlgAbout.get();
  TdlgSites dlgSites;
  frmMain.dlgSites = &dlgSites;
  std::unique_ptr<ISubsView> subsForm = forms.CreateSubscriptionForm();
  TdlgSubs dlgSubs(*subsForm);
  forms.BindSubscriptionDialog(*subsForm, dlgSubs);
  frmMain.dlgSubs = &dlgSubs;
  // The options dialog comes here, last.

  int exitCode = 0;
  try {
    News().Disconnect();
    News().SetDirectory(folders.DataFolder);
    News().Connect();
    dlgSites.tblSites.Open();
    dlgSites.tblServers.Open();
  } catch (const std::exception& e) {
    ShowException(windowSystem, e.what());
    exitCode = 1;
  }
  if (exitCode == 0) {
    view->Show();
    exitCode = application.Run();
  }

  frmMain.FormDestroy();
  dlgSites.tblServers.Close();
  dlgSites.tblSites.Close();
  News().Disconnect();
  return exitCode;
}

}  // namespace qp
