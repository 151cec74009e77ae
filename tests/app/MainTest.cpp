#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "app/Main.h"
#include "app/Start.h"
#include "message/MessageParts.h"
#include "net/NetExceptions.h"
#include "store/Table.h"
#include "support/FakeWindowSystem.h"
#include "support/ScopedUmask.h"
#include "support/TempDir.h"
#include "ui/ErrorReport.h"

namespace qp::app {
namespace {

namespace fs = std::filesystem;
using test::FakeMainView;
using test::FakeWindowSystem;
using test::TempDir;

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

const std::vector<std::string> kFixedServerCaptions = {"Disconnect", "Server Management ...",
                                                       "Subscribe/Unsubscribe ...", "-"};

// A main window over fakes whose tables live in data/ and whose scratch folder lives in
// temp/ of a fresh temporary folder.
struct MainFixture {
  MainFixture() : Form(WindowSystem, View) {
    WindowSystem.App.SetTitle("Quillpost");
    fs::create_directories(Data());
    Form.DataFolder = Data();
    Form.TempFolder = Temp();
  }
  std::string Data() const { return Dir.File("data/"); }
  std::string Temp() const { return Dir.File("temp/"); }
  // The scratch folders in temp/.
  std::vector<std::string> Scratches() const {
    return test::EntriesStartingWith(Dir.File("temp"), "qptmp");
  }
  std::vector<std::string> LogLines() const { return View.Log.Lines().Lines(); }

  void AddServers(const std::vector<std::string>& names) {
    store::TTable servers;
    servers.DatabaseName = Data();
    servers.TableName = "Servers.DAT";
    servers.Open();
    for (const std::string& name : names) {
      servers.Insert();
      servers.FieldByName("Name").SetAsString(name);
      servers.FieldByName("Address").SetAsString("127.0.0.1");
      servers.FieldByName("Port").SetAsInteger(119);
      servers.Post();
    }
  }

  TempDir Dir;
  FakeWindowSystem WindowSystem;
  FakeMainView View;
  TfrmMain Form;
};

TEST(ReportError, WritesOneEntryPerFailure) {
  struct Row {
    const char* name;
    std::string message;
    std::vector<std::string> log;
  };
  const Row rows[] = {
      {"connection refused",
       net::SocketErrorText(10061),
       {"Error in FTP process - Connection refused"}},
      {"timed out", net::SocketErrorText(10060), {"Error in FTP process - Timed out"}},
      {"no route: whole message over two lines",
       net::SocketErrorText(10065),
       {"Error in FTP process - Socket Error # 10065", "No route to host."}},
      {"host not found, text empty",
       net::SocketErrorText(11001),
       {"Error in FTP process - Host not found"}},
      {"no data record",
       net::SocketErrorText(11004),
       {"Error in FTP process - Valid name, no data record of requested type"}},
      {"no socket error",
       "Connection Closed Gracefully.",
       {"Error in FTP process - Connection Closed Gracefully."}},
      {"marker without number",
       "Socket Error # \r\nproxy said no",
       {"Error in FTP process - Socket Error # ", "proxy said no"}},
      {"marker at the very end", "Socket Error #", {"Error in FTP process - Socket Error #"}},
      {"marker followed by words",
       "Socket Error # unknown",
       {"Error in FTP process - Socket Error # unknown"}},
      {"an earlier # does not hide the number",
       "Job #2: Socket Error # 10061\r\nConnection refused.",
       {"Error in FTP process - Connection refused"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    FakeWindowSystem windowSystem;
    FakeMainView view;
    TfrmMain form(windowSystem, view);
    form.ReportError(Exception(r.message));
    EXPECT_EQ(view.Log.Lines().Lines(), r.log);
  }
}

TEST(ReportError, HostNotFoundMessageEndsWithLineBreak) {
  // The socket layer leaves the text of 11001 empty, so its message ends in CR LF.
  ASSERT_EQ(net::SocketErrorText(11001), "Socket Error # 11001\r\n");
}

TEST(ErrorReport, FullStopOnlyAfterCharactersSortingAfterDot) {
  struct Row {
    const char* name;
    std::string message;
    std::string shown;
  };
  const Row rows[] = {
      {"letter", "Connection refused", "Connection refused."},
      {"digit", "Error 5", "Error 5."},
      {"full stop already", "Done.", "Done."},
      {"exclamation sorts before dot", "Stop!", "Stop!"},
      {"hyphen sorts before dot", "a -", "a -"},
      {"slash sorts after dot", "see a/b/", "see a/b/."},
      {"line break", "Socket Error # 11001\r\n", "Socket Error # 11001\r\n"},
      {"empty", "", ""},
      {"UTF-8 letter",
       "Gr\xC3\xBC\xC3\x9F"
       "e \xC3\xBC",
       "Gr\xC3\xBC\xC3\x9F"
       "e \xC3\xBC."},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ui::ErrorReportText(r.message), r.shown);
  }
}

TEST(ErrorReport, GuardedShowsFailuresInAnErrorBoxCaptionedWithTheTitle) {
  FakeWindowSystem windowSystem;
  windowSystem.App.SetTitle("Quillpost");
  ui::Guarded(windowSystem, [] { throw Exception("Connection refused"); });
  ui::Guarded(windowSystem, [] { throw std::runtime_error("bad thing"); });
  ui::Guarded(windowSystem, [] {});
  ASSERT_EQ(windowSystem.MessageBoxes.size(), 2u);
  EXPECT_EQ(windowSystem.MessageBoxes[0].Text, "Connection refused.");
  EXPECT_EQ(windowSystem.MessageBoxes[0].Caption, "Quillpost");
  EXPECT_EQ(windowSystem.MessageBoxes[0].Icon, ui::TMsgIcon::miError);
  EXPECT_EQ(windowSystem.MessageBoxes[0].Buttons, ui::TMsgButtons::mbOK);
  EXPECT_EQ(windowSystem.MessageBoxes[1].Text, "bad thing.");
}

TEST(FormCreate, BuildsTheRootAndOpensTheActiveSites) {
  MainFixture f;
  f.Form.Create();
  EXPECT_TRUE(f.WindowSystem.MessageBoxes.empty());
  ASSERT_EQ(f.View.Tree.Count(), 1);
  EXPECT_EQ(f.View.Tree.Node(0).Text(), "Gossip");
  EXPECT_TRUE(f.View.Tree.Node(0).Expanded());
  EXPECT_EQ(f.Form.RootNode, &f.View.Tree.Node(0));
  EXPECT_TRUE(f.Form.ActiveSitesOpen());
  ASSERT_EQ(f.Scratches().size(), 1u);
  EXPECT_EQ(f.Form.GetScratchFolder(), f.Scratches()[0] + "/");
  f.Form.FormClose();
  EXPECT_FALSE(f.Form.ActiveSitesOpen());
}

// A folder "qptmp" that another user made in the shared temporary folder is never used, so
// nobody can swap a file in it between saving and opening; the window's own folder is new.
TEST(ScratchFolder, AFolderOfTheOldSharedNameIsNeverTouched) {
  MainFixture f;
  const std::string shared = f.Temp() + "qptmp/";
  fs::create_directories(shared + "sub");
  WriteFile(shared + "left.txt", "x");
  f.Form.Create();
  EXPECT_NE(f.Form.GetScratchFolder(), shared);
  EXPECT_EQ(f.Form.GetScratchFolder().rfind(f.Temp() + "qptmp", 0), 0u);
  f.Form.FormClose();
  f.Form.FormDestroy();
  EXPECT_TRUE(fs::exists(shared + "left.txt"));
  EXPECT_TRUE(fs::exists(shared + "sub"));
}

// The folder is the window's own: at the end all of it goes, hidden files and sub-folders
// too, but never what a link in it points to.
TEST(ScratchFolder, EverythingInItGoesAtTheEnd) {
  MainFixture f;
  f.Form.Create();
  const std::string scratch = f.Form.GetScratchFolder();
  fs::create_directories(scratch + "sub");
  WriteFile(scratch + "sub/inner.txt", "x");
  WriteFile(scratch + ".hidden", "x");
  WriteFile(scratch + "opened.bin", "x");
  fs::create_directories(f.Dir.File("outside"));
  WriteFile(f.Dir.File("outside/keep.txt"), "x");
  fs::create_directory_symlink(f.Dir.File("outside"), scratch + "link");
  f.Form.FormDestroy();
  EXPECT_FALSE(fs::exists(scratch));
  EXPECT_TRUE(fs::exists(f.Dir.File("outside/keep.txt")));
}

// Two copies of the program, as two windows: each has a folder of its own, readable by its
// user only, and neither's start or end touches the other's files.
TEST(ScratchFolder, TwoCopiesNeverShareOne) {
  const test::ScopedUmask umask(022);
  MainFixture first;
  FakeWindowSystem otherSystem;
  FakeMainView otherView;
  TfrmMain second(otherSystem, otherView);
  second.DataFolder = first.Data();
  second.TempFolder = first.Temp();
  first.Form.Create();
  WriteFile(first.Form.GetScratchFolder() + "a.txt", "first's");
  second.Create();
  ASSERT_FALSE(second.GetScratchFolder().empty());
  EXPECT_NE(first.Form.GetScratchFolder(), second.GetScratchFolder());
  EXPECT_EQ(first.Scratches().size(), 2u);
  for (const TfrmMain* form : {&first.Form, &second}) {
    EXPECT_EQ(test::PermissionBits(form->GetScratchFolder()), 0700);
  }
  EXPECT_EQ(test::ReadWholeFile(first.Form.GetScratchFolder() + "a.txt"), "first's");
  WriteFile(second.GetScratchFolder() + "a.txt", "second's");
  second.FormClose();
  second.FormDestroy();
  EXPECT_EQ(test::ReadWholeFile(first.Form.GetScratchFolder() + "a.txt"), "first's");
  first.Form.FormClose();
  first.Form.FormDestroy();
  EXPECT_TRUE(first.Scratches().empty());
}

TEST(ScratchFolder, MissingTempFolderIsCreatedWithItsParentsAndKeptAtTheEnd) {
  MainFixture f;
  f.Form.TempFolder = f.Dir.File("temp/deeper/still/");
  f.Form.Create();
  EXPECT_TRUE(f.WindowSystem.MessageBoxes.empty());
  const std::string scratch = f.Form.GetScratchFolder();
  EXPECT_EQ(scratch.rfind(f.Dir.File("temp/deeper/still/qptmp"), 0), 0u);
  EXPECT_TRUE(fs::is_directory(scratch));
  WriteFile(scratch + "a.txt", "x");
  f.Form.FormDestroy();
  EXPECT_FALSE(fs::exists(scratch));
  EXPECT_TRUE(fs::is_directory(f.Dir.File("temp/deeper/still")));
}

TEST(ScratchFolder, ATempFolderThatCannotTakeOneFailsTheCreation) {
  MainFixture f;
  WriteFile(f.Dir.File("file"), "x");
  f.Form.TempFolder = f.Dir.File("file/");
  f.Form.Create();
  ASSERT_EQ(f.WindowSystem.MessageBoxes.size(), 1u);
  EXPECT_NE(f.WindowSystem.MessageBoxes[0].Text.find("Unable to create directory"),
            std::string::npos);
  EXPECT_TRUE(f.Form.GetScratchFolder().empty());
}

TEST(BuildServerMenu, EmptyServersLeavesTheThreeCommandsAndTheSeparator) {
  MainFixture f;
  f.Form.Create();
  EXPECT_EQ(f.View.Servers.Captions(), kFixedServerCaptions);
}

TEST(BuildServerMenu, OneRadioItemPerRowWithTheExactName) {
  MainFixture f;
  f.AddServers({"Alpha", "Alpha", "R&D News", "O'Neil"});
  f.Form.Create();
  f.Form.BuildServerMenu();  // a rebuild replaces the server items
  std::vector<std::string> expected = kFixedServerCaptions;
  expected.insert(expected.end(), {"Alpha", "Alpha", "R&D News", "O'Neil"});
  ASSERT_EQ(f.View.Servers.Captions(), expected);
  for (int i = 4; i < f.View.Servers.Count(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(f.View.Servers.Items(i).RadioItem());
    EXPECT_EQ(f.View.Servers.Items(i).GroupIndex(), 1);
    EXPECT_FALSE(f.View.Servers.Items(i).Checked());
  }
}

TEST(FormCreate, AFailureIsShownOnceAndSkipsTheRemainingSteps) {
  MainFixture f;
  WriteFile(f.Data() + "Servers.DAT", std::string(4096, 'x'));
  f.Form.Create();
  ASSERT_EQ(f.WindowSystem.MessageBoxes.size(), 1u);
  EXPECT_EQ(f.WindowSystem.MessageBoxes[0].Caption, "Quillpost");
  EXPECT_EQ(f.WindowSystem.MessageBoxes[0].Icon, ui::TMsgIcon::miError);
  EXPECT_EQ(f.View.Servers.Captions(), kFixedServerCaptions);
  EXPECT_EQ(f.View.Tree.Count(), 1);
  EXPECT_TRUE(f.Form.ActiveSitesOpen());
  EXPECT_TRUE(f.Form.GetScratchFolder().empty());
  EXPECT_TRUE(f.Scratches().empty());
  // Nothing was prepared, so the end touches no folder.
  f.Form.FormDestroy();
  EXPECT_TRUE(f.Scratches().empty());
}

// With creation stopped before the scratch folder was prepared, "Open" must not fall back
// to the current folder, where it would delete and replace a file of the attachment's name.
TEST(FormCreate, OpenWithoutAScratchFolderWritesNowhere) {
  MainFixture f;
  WriteFile(f.Data() + "Servers.DAT", std::string(4096, 'x'));
  f.Form.Create();
  ASSERT_TRUE(f.Form.GetScratchFolder().empty());
  WriteFile(f.Dir.File("stored.bin"), "attachment");
  auto attachment = std::make_unique<message::TAttachment>();
  attachment->FileName = "victim.txt";
  attachment->StoredPath = f.Dir.File("stored.bin");
  f.Form.netMsg->MessageParts.Add(std::move(attachment));
  f.View.Att.Add().SetCaption("victim.txt");
  f.View.Att.Select(0);

  const fs::path previous = fs::current_path();
  fs::current_path(f.Dir.File(""));
  WriteFile("victim.txt", "the user's file");
  std::string failure;
  try {
    f.Form.mnuOpenClick();
  } catch (const Exception& e) {
    failure = e.Message();
  }
  const std::string left = [] {
    std::ifstream in("victim.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  fs::current_path(previous);
  EXPECT_EQ(failure, "Error saving attachment.");
  EXPECT_EQ(left, "the user's file");
  EXPECT_TRUE(f.WindowSystem.ShellOpens.empty());
}

TEST(Commands, ExitClosesTheMainWindowAndAboutShowsTheBox) {
  MainFixture f;
  test::FakeForm about;
  f.Form.dlgAbout = &about;
  f.Form.actAboutExecute();
  f.Form.actExitExecute();
  EXPECT_EQ(about.ShowCount, 1);
  EXPECT_EQ(f.WindowSystem.App.CloseCount, 1);
}

TEST(NewsEvents, StatusAndWorkReachTheStatusBar) {
  MainFixture f;
  TComponent sender;
  f.Form.netNewsStatus(sender, StatusConnecting, "Connecting to 127.0.0.1.");
  EXPECT_EQ(f.View.Status.SimpleText(), "Connecting to 127.0.0.1.");
  f.Form.netNewsWorkBegin(sender, WorkRead, 0);
  EXPECT_EQ(f.WindowSystem.App.ProcessMessagesCount, 1);
  f.Form.netNewsWork(sender, WorkWrite, 12);
  EXPECT_EQ(f.View.Status.SimpleText().rfind("Sent 12 to ", 0), 0u);
  f.Form.netNewsWork(sender, WorkRead, 3400);
  EXPECT_EQ(f.View.Status.SimpleText().rfind("Received 3400 from ", 0), 0u);
  f.Form.netNewsWorkEnd(sender, WorkRead);
  EXPECT_EQ(f.View.Status.SimpleText(), "Ready");
}

TEST(GetTempFolder, EndsWithSeparator) {
  EXPECT_EQ(GetTempFolder().back(), '/');
  EXPECT_EQ(ExecutableFolder().back(), '/');
}

}  // namespace
}  // namespace qp::app
