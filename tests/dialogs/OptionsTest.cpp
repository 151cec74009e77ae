#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "dialogs/IniFile.h"
#include "dialogs/Options.h"
#include "support/FakeWindowSystem.h"
#include "support/TempDir.h"

namespace qp::dialogs {
namespace {

namespace fs = std::filesystem;

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

TEST(SettingsFileName, IsTheExecutablesNameUpToItsFirstDotThenINI) {
  struct Row {
    const char* folder;
    const char* executable;
    const char* file;
  };
  const Row rows[] = {
      {"/opt/qp/", "Quillpost.exe", "/opt/qp/Quillpost.INI"},
      {"/opt/qp/", "my.reader.exe", "/opt/qp/my.INI"},
      {"/opt/qp", "quillpost", "/opt/qp/quillpost.INI"},
      {"/opt/qp/", "my.", "/opt/qp/my.INI"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.executable);
    EXPECT_EQ(SettingsFileName(row.folder, row.executable), row.file);
  }
}

// The options dialog over fakes, reading the settings file of a temporary folder.
struct OptionsFixture {
  std::string File() const { return dir.File("quillpost.INI"); }
  // Creates the dialog, which reads the file.
  TdlgOptions& Create() {
    dialog = std::make_unique<TdlgOptions>(view, File());
    return *dialog;
  }
  // "e" for every enabled proxy control and label of the table below, "-" for a disabled
  // one: version, address, port, authentication, user, password.
  std::string EnabledControls() const {
    const std::pair<const ui::IControl*, const ui::IControl*> rows[] = {
        {&view.VersionLabel, &view.Version}, {&view.HostLabel, &view.Host},
        {&view.PortLabel, &view.Port},       {&view.AuthLabel, &view.Auth},
        {&view.UserLabel, &view.User},       {&view.PassLabel, &view.Pass}};
    std::string text;
    for (const auto& [label, control] : rows) {
      EXPECT_EQ(label->Enabled(), control->Enabled());
      text += control->Enabled() ? 'e' : '-';
    }
    return text;
  }

  test::TempDir dir;
  test::FakeOptionsView view;
  std::unique_ptr<TdlgOptions> dialog;
};

TEST(OptionsDialog, ShowsTheFileAndEnablesTheProxyControls) {
  struct Row {
    const char* name;
    std::optional<std::string> file;  // none: no settings file
    TFirewallSettings shown;
    const char* enabled;
  };
  auto settings = [](auto change) {
    TFirewallSettings s;
    change(s);
    return s;
  };
  const Row rows[] = {
      {"no file", std::nullopt, TFirewallSettings{}, "------"},
      {"socks with user and password",
       "[Firewall]\nSocks=1\nAuthentication=User ID/Password\nUser=me\nPassword=secret\n",
       settings([](TFirewallSettings& s) {
         s.Socks = true;
         s.Authentication = "User ID/Password";
         s.User = "me";
         s.Password = "secret";
       }),
       "eeeeee"},
      {"socks without login, in lower case", "[firewall]\nsocks=1\nauthentication=none\n",
       settings([](TFirewallSettings& s) { s.Socks = true; }), "eeee--"},
      {"login without socks", "[Firewall]\nAuthentication=user id/password\n",
       settings([](TFirewallSettings& s) { s.Authentication = "User ID/Password"; }), "------"},
      {"unknown version", "[Firewall]\nSocks=1\nVersion=SOCKS 6\n",
       settings([](TFirewallSettings& s) { s.Socks = true; }), "eeee--"},
      {"known version, other case", "[Firewall]\nVersion=socks 5.0\n",
       settings([](TFirewallSettings& s) { s.Version = "SOCKS 5.0"; }), "------"},
      {"every key, blanks around",
       "[Firewall]\r\n PASV = 0x10 \r\nSocks=2\r\nVersion=SOCKS 4.0A\r\nHost = proxy.lan \r\n"
       "Port=1080\r\nAuthentication=None\r\nUser=\r\nPassword=\r\n",
       settings([](TFirewallSettings& s) {
         s.PASV = true;
         s.Socks = true;
         s.Version = "SOCKS 4.0A";
         s.Host = "proxy.lan";
         s.Port = "1080";
       }),
       "eeee--"},
      {"booleans that are no number keep the default", "[Firewall]\nPASV=yes\nSocks=0x\n",
       TFirewallSettings{}, "------"},
      {"other sections are not read", "[General]\nSocks=1\n[Firewall]\nHost=h\n[Other]\nPort=9\n",
       settings([](TFirewallSettings& s) { s.Host = "h"; }), "------"},
      {"the first of two keys counts", "[Firewall]\nHost=first\nHost=second\n",
       settings([](TFirewallSettings& s) { s.Host = "first"; }), "------"},
      {"an empty value is a value", "[Firewall]\nPort=\n",
       settings([](TFirewallSettings& s) { s.Port = ""; }), "------"},
      {"not INI text",
       std::string("\xEF\xBB\xBF\x01\x02garbage\nSocks=1\n[Firewall\nno equals sign\n=x\n") +
           std::string("Host=a\0b\n", 9) + "[\n;Port=1\n\xff\xfe",
       settings([](TFirewallSettings& s) { s.Host = std::string("a\0b", 3); }), "------"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    OptionsFixture f;
    if (row.file) WriteFile(f.File(), *row.file);
    TdlgOptions& dialog = f.Create();
    EXPECT_EQ(dialog.Settings(), row.shown);
    EXPECT_EQ(f.EnabledControls(), row.enabled);
    EXPECT_GE(f.view.Version.ItemIndex(), 0);
  }
}

TEST(OptionsDialog, LongValuesAreCutTo2047Characters) {
  OptionsFixture f;
  WriteFile(f.File(), "[Firewall]\nHost=" + std::string(5000, 'h') + "\n");
  EXPECT_EQ(f.Create().Settings().Host, std::string(2047, 'h'));
}

TEST(OptionsDialog, ClicksApplyTheEnablingRules) {
  OptionsFixture f;
  f.Create();
  f.view.Socks.Click();
  EXPECT_EQ(f.EnabledControls(), "eeee--");
  f.view.Auth.Choose(1);
  EXPECT_EQ(f.EnabledControls(), "eeeeee");
  f.view.Auth.Choose(0);
  EXPECT_EQ(f.EnabledControls(), "eeee--");
  f.view.Auth.Choose(1);
  f.view.Socks.Click();
  EXPECT_EQ(f.EnabledControls(), "------");
}

TEST(OptionsDialog, OKSavesTheSettingsForTheOwnerOnly) {
  OptionsFixture f;
  WriteFile(f.File(), "; kept\n[General]\nLanguage=en\n\n[Firewall]\nPort=80\nColour=blue\n");
  f.Create();
  f.view.OnShow = [&] {
    f.view.Pasv.Click();
    f.view.Socks.Click();
    f.view.Version.Choose(2);
    f.view.Host.Type("proxy.lan");
    f.view.Port.Type("1080");
    f.view.Auth.Choose(1);
    f.view.User.Type("me");
    f.view.Pass.Type("line\nbreak");
    return ui::idOK;
  };
  EXPECT_EQ(f.dialog->ShowModal(), ui::idOK);

  TFirewallSettings expected;
  expected.PASV = true;
  expected.Socks = true;
  expected.Version = "SOCKS 5.0";
  expected.Host = "proxy.lan";
  expected.Port = "1080";
  expected.Authentication = "User ID/Password";
  expected.User = "me";
  expected.Password = "line break";  // a value cannot start a line of its own
  EXPECT_EQ(ReadFirewallSettings(f.File()), expected);

  const std::string text = test::ReadWholeFile(f.File());
  EXPECT_EQ(text,
            "; kept\n[General]\nLanguage=en\n\n[Firewall]\nPort=1080\nColour=blue\nPASV=1\n"
            "Socks=1\nVersion=SOCKS 5.0\nHost=proxy.lan\nAuthentication=User ID/Password\n"
            "User=me\nPassword=line break\n");
  struct stat info {};
  ASSERT_EQ(::stat(f.File().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  int files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(f.dir.Path())) ++files;
  EXPECT_EQ(files, 1) << "no temporary file is left behind";

  // A new dialog, as at the next start, shows what was saved.
  test::FakeOptionsView again;
  TdlgOptions reread(again, f.File());
  EXPECT_EQ(reread.Settings(), expected);
  EXPECT_TRUE(again.Pass.Enabled());
}

TEST(OptionsDialog, OKCreatesAMissingFile) {
  OptionsFixture f;
  f.Create();
  f.view.Result = ui::idOK;
  f.dialog->ShowModal();
  EXPECT_EQ(test::ReadWholeFile(f.File()),
            "[Firewall]\nPASV=0\nSocks=0\nVersion=SOCKS 4.0\nHost=\nPort=0\nAuthentication=None\n"
            "User=\nPassword=\n");
}

TEST(OptionsDialog, CancelPutsBackWhatWasShown) {
  OptionsFixture f;
  WriteFile(f.File(), "[Firewall]\nSocks=1\nHost=old\n");
  f.Create();
  const TFirewallSettings before = f.dialog->Settings();
  f.view.OnShow = [&] {
    f.view.Socks.Click();
    f.view.Host.Type("new");
    f.view.Auth.Choose(1);
    return ui::idCancel;
  };
  EXPECT_EQ(f.dialog->ShowModal(), ui::idCancel);
  EXPECT_EQ(f.dialog->Settings(), before);
  EXPECT_EQ(f.EnabledControls(), "eeee--");
  EXPECT_EQ(test::ReadWholeFile(f.File()), "[Firewall]\nSocks=1\nHost=old\n");
}

TEST(OptionsDialog, AFailedSaveIsReportedAndKeepsWhatWasEntered) {
  struct Row {
    const char* name;
    std::function<std::string(const test::TempDir&)> file;
  };
  const Row rows[] = {
      {"missing folder", [](const test::TempDir& d) { return d.File("gone/quillpost.INI"); }},
      {"a folder in the file's place",
       [](const test::TempDir& d) {
         fs::create_directories(d.File("quillpost.INI/inside"));
         return d.File("quillpost.INI");
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempDir dir;
    test::FakeOptionsView view;
    TdlgOptions dialog(view, row.file(dir));
    view.OnShow = [&] {
      view.Host.Type("entered");
      return ui::idOK;
    };
    EXPECT_THROW(dialog.ShowModal(), Exception);
    EXPECT_EQ(view.Host.Text(), "entered");
  }
  test::TempDir dir;
  fs::create_directories(dir.File("quillpost.INI/inside"));
  EXPECT_THROW(WriteFirewallSettings(dir.File("quillpost.INI"), TFirewallSettings{}), EFOpenError);
  EXPECT_TRUE(fs::is_directory(dir.File("quillpost.INI/inside"))) << "nothing was replaced";
}

TEST(OptionsDialog, SocksSettingsAreReadyForAConnection) {
  struct Row {
    const char* name;
    std::string file;
    bool useSocks;
    TSocksProxyVersion version;
    int port;
    bool authenticate;
  };
  const Row rows[] = {
      {"defaults", "", false, TSocksProxyVersion::Socks4, 0, false},
      {"socks 4A", "Socks=1\nVersion=SOCKS 4.0A\nPort=1080\n", true, TSocksProxyVersion::Socks4A,
       1080, false},
      {"socks 5 with login",
       "Socks=1\nVersion=SOCKS 5.0\nPort= 65535 \nAuthentication=User ID/Password\n", true,
       TSocksProxyVersion::Socks5, 65535, true},
      {"port out of range", "Port=65536\n", false, TSocksProxyVersion::Socks4, 0, false},
      {"port that is no number", "Port=$50\n", false, TSocksProxyVersion::Socks4, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    OptionsFixture f;
    WriteFile(f.File(), "[Firewall]\nHost=proxy\nUser=u\nPassword=p\n" + row.file);
    const TSocksSettings socks = f.Create().SocksSettings();
    EXPECT_EQ(socks.UseSocks, row.useSocks);
    EXPECT_EQ(socks.Version, row.version);
    EXPECT_EQ(socks.Port, row.port);
    EXPECT_EQ(socks.Authenticate, row.authenticate);
    EXPECT_EQ(socks.Host, "proxy");
    EXPECT_EQ(socks.Username, "u");
    EXPECT_EQ(socks.Password, "p");
  }
}

TEST(IniFile, ReadsIntegersAsThePlatformDoes) {
  struct Row {
    const char* value;
    int expected;
  };
  const Row rows[] = {{"1", 1},    {"0", 0},      {"-5", -5},       {"0x1F", 31}, {"0X10", 16},
                      {"0x", 0},   {"12abc", 12}, {"abc", 77},      {"", 77},     {" 7 ", 7},
                      {"0xg", 77}, {"+3", 3},     {"4294967296", 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(IniTextToInteger(row.value, 77), row.expected);
  }
}

TEST(IniFile, WritesKeysInPlaceAndSectionsAtTheEnd) {
  test::TempDir dir;
  const std::string file = dir.File("a.INI");
  WriteFile(file, "[One]\nA=1\n\n[Two]\nB=2\n");
  TIniFile ini(file);
  ini.WriteString("one", "a", "changed");
  ini.WriteString("One", "C", "3");
  ini.WriteString("Three", "D", "4");
  ini.UpdateFile();
  EXPECT_EQ(test::ReadWholeFile(file), "[One]\na=changed\nC=3\n\n[Two]\nB=2\n\n[Three]\nD=4\n");
  EXPECT_EQ(TIniFile(file).ReadString("ONE", "A", ""), "changed");
}

}  // namespace
}  // namespace qp::dialogs
