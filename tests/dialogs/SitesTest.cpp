#include <gtest/gtest.h>

#include <optional>

#include "dialogs/Sites.h"
#include "store/Database.h"
#include "store/Table.h"
#include "support/FakeWindowSystem.h"
#include "support/NewsDatabase.h"
#include "support/TempDir.h"

namespace qp::dialogs {
namespace {

using store::TDataSetState;
using ui::TCheckBoxState;

// A server row to store before the dialog opens its tables; no value for Authenticate
// when it is empty.
struct ServerRow {
  std::string Name;
  std::optional<bool> Authenticate;
};

// The site dialog over fakes, with News connected to a temporary folder.
class SitesTest : public ::testing::Test {
 protected:
  void SetUp() override { dialog = std::make_unique<TdlgSites>(windowSystem, view); }
  void TearDown() override { dialog.reset(); }

  // Opens the tables as the start routine does.
  void Open() {
    dialog->tblSites.Open();
    dialog->tblServers.Open();
  }

  // A table of the folder on its own connection: what another program reading the files sees.
  std::unique_ptr<store::TTable> Stored(const char* tableName, bool activeOnly = false) {
    auto table = std::make_unique<store::TTable>();
    table->DatabaseName = folder.Path();
    table->TableName = tableName;
    table->Filter = "Active = TRUE";
    table->Filtered = activeOnly;
    table->Open();
    return table;
  }

  void AddServers(const std::vector<ServerRow>& rows) {
    auto servers = Stored("Servers.DAT");
    for (const ServerRow& row : rows) {
      servers->Insert();
      servers->FieldByName("Name").SetAsString(row.Name);
      servers->FieldByName("Port").SetAsInteger(119);
      if (row.Authenticate) servers->FieldByName("Authenticate").SetAsBoolean(*row.Authenticate);
      servers->Post();
    }
  }

  bool LoginEnabled() {
    const bool enabled = view.Login.Enabled();
    EXPECT_EQ(view.Pass.Enabled(), enabled);
    EXPECT_EQ(view.LoginLabel.Enabled(), enabled);
    EXPECT_EQ(view.PassLabel.Enabled(), enabled);
    return enabled;
  }

  test::TempDir folder;
  test::ScopedNewsDatabase database{folder.Path()};
  test::FakeWindowSystem windowSystem;
  test::FakeSitesView view;
  std::unique_ptr<TdlgSites> dialog;
};

TEST_F(SitesTest, BothNavigatorsShowSixButtonsOnA120By20Bar) {
  for (TrvNavigator* navigator : {&dialog->navSites, &dialog->navServers}) {
    EXPECT_EQ(navigator->VisibleButtons(),
              (TrvButtonSet{nbPrior, nbNext, nbInsert, nbDelete, nbPost, nbCancel}));
    EXPECT_EQ(navigator->Width(), 120);
    EXPECT_EQ(navigator->Height(), 20);
    EXPECT_EQ(navigator->Buttons(nbCancel).Bounds(), (TNavRect{100, 0, 20, 20}));
    EXPECT_EQ(navigator->ConfirmText, "Delete record?");
    EXPECT_FALSE(navigator->Buttons(nbInsert).Enabled()) << "tables not open yet";
  }
  Open();
  EXPECT_TRUE(dialog->navSites.Buttons(nbInsert).Enabled());
  EXPECT_TRUE(dialog->navServers.Buttons(nbInsert).Enabled());
}

TEST_F(SitesTest, EditsTakeTheFieldSizesAsLimits) {
  Open();
  struct Row {
    const char* name;
    test::FakeEdit& edit;
    int maxLength;
    bool numbersOnly;
  };
  const Row rows[] = {
      {"site name", view.SiteName, 10, false},
      {"URL", view.URL, 250, false},
      {"server name", view.ServerName, 50, false},
      {"address", view.Address, 250, false},
      {"port", view.Port, 0, true},
      {"login", view.Login, 50, false},
      {"password", view.Pass, 50, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.edit.MaxLength, row.maxLength);
    EXPECT_EQ(row.edit.NumbersOnly, row.numbersOnly);
  }

  view.SiteName.Type("Slashdot.org");
  EXPECT_EQ(view.SiteName.Text(), "Slashdot.o") << "an eleventh character cannot be typed";
  dialog->navSites.BtnClick(nbPost);
  EXPECT_EQ(Stored("Sites.DAT")->FieldByName("Name").AsString(), "Slashdot.o");

  // Ten characters that take more than ten bytes: the edit shows what the field keeps.
  view.SiteName.Type("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
  EXPECT_EQ(view.SiteName.Text(), "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
  dialog->navSites.BtnClick(nbPost);
  EXPECT_EQ(Stored("Sites.DAT")->FieldByName("Name").AsString(),
            "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
}

TEST_F(SitesTest, ANewSiteIsUndecidedAndNotFetchedUntilMadeActive) {
  Open();
  dialog->navSites.BtnClick(nbInsert);
  EXPECT_EQ(view.Active.State(), TCheckBoxState::cbGrayed);
  view.SiteName.Type("News");
  view.URL.Type("http://127.0.0.1/feed.xml");
  dialog->navSites.BtnClick(nbPost);
  EXPECT_EQ(view.Active.State(), TCheckBoxState::cbGrayed);
  {
    auto stored = Stored("Sites.DAT");
    ASSERT_EQ(stored->RecordCount(), 1);
    EXPECT_TRUE(stored->FieldByName("Active").IsNull());
    EXPECT_TRUE(stored->FieldByName("Update").IsNull());
    EXPECT_EQ(stored->FieldByName("URL").AsString(), "http://127.0.0.1/feed.xml");
  }
  EXPECT_TRUE(Stored("Sites.DAT", true)->IsEmpty()) << "an update fetches only active sites";

  view.Active.Click();
  EXPECT_EQ(view.Active.State(), TCheckBoxState::cbChecked);
  EXPECT_EQ(dialog->tblSites.State(), TDataSetState::dsEdit);
  dialog->navSites.BtnClick(nbPost);
  EXPECT_EQ(Stored("Sites.DAT", true)->RecordCount(), 1);
}

TEST_F(SitesTest, LoginControlsFollowTheAuthenticateBoxOfEachRow) {
  struct Row {
    const char* name;
    std::optional<bool> first;
    bool enabled;
    TCheckBoxState shown;
  };
  const Row rows[] = {
      {"true", true, true, TCheckBoxState::cbChecked},
      {"false", false, false, TCheckBoxState::cbUnchecked},
      {"empty", std::nullopt, false, TCheckBoxState::cbGrayed},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    dialog.reset();
    store::News().Disconnect();
    test::TempDir other;
    store::News().SetDirectory(other.Path());
    store::News().Connect();
    test::FakeSitesView rowView;
    TdlgSites rowDialog(windowSystem, rowView);
    {
      store::TTable servers;
      servers.DatabaseName = other.Path();
      servers.TableName = "Servers.DAT";
      servers.Open();
      servers.Insert();
      servers.FieldByName("Name").SetAsString("first");
      if (row.first) servers.FieldByName("Authenticate").SetAsBoolean(*row.first);
      servers.Post();
    }
    rowDialog.tblServers.Open();
    std::optional<bool> enabledWhileShown;
    rowView.OnShow = [&] {
      enabledWhileShown = rowView.Login.Enabled();
      return ui::idOK;
    };
    rowDialog.ShowModal();
    EXPECT_EQ(enabledWhileShown, row.enabled) << "the first row shown";
    EXPECT_EQ(rowView.Authenticate.State(), row.shown);
    EXPECT_EQ(rowView.PassLabel.Enabled(), row.enabled);
    rowDialog.tblServers.Close();
    store::News().Disconnect();
  }
}

TEST_F(SitesTest, MovingBetweenServersSetsTheLoginControls) {
  AddServers({{"yes", true}, {"no", false}, {"unset", std::nullopt}, {"again", true}});
  Open();
  dialog->ShowModal();
  EXPECT_TRUE(LoginEnabled());
  const std::vector<std::pair<TrvNavigateBtn, bool>> moves = {{nbNext, false},  {nbNext, false},
                                                              {nbNext, true},   {nbPrior, false},
                                                              {nbPrior, false}, {nbPrior, true}};
  for (const auto& [button, enabled] : moves) {
    dialog->navServers.BtnClick(button);
    SCOPED_TRACE(view.ServerName.Text());
    EXPECT_EQ(LoginEnabled(), enabled);
  }
  dialog->navServers.BtnClick(nbNext);  // "no"
  view.Authenticate.Click();
  EXPECT_TRUE(LoginEnabled()) << "a click changes the state too";
  EXPECT_EQ(dialog->tblServers.State(), TDataSetState::dsEdit);
  view.Authenticate.Click();
  EXPECT_FALSE(LoginEnabled());
}

TEST_F(SitesTest, NeitherOKNorCancelPostsOrDiscardsAPendingEdit) {
  AddServers({{"Local", false}, {"Other", false}});
  Open();
  view.ServerName.Type("Renamed");
  EXPECT_EQ(dialog->tblServers.State(), TDataSetState::dsEdit);
  for (int result : {ui::idCancel, ui::idOK}) {
    view.Result = result;
    EXPECT_EQ(dialog->ShowModal(), result);
    EXPECT_EQ(dialog->tblServers.State(), TDataSetState::dsEdit);
    EXPECT_EQ(view.ServerName.Text(), "Renamed");
    EXPECT_EQ(Stored("Servers.DAT")->FieldByName("Name").AsString(), "Local");
  }
  // Moving to another row posts the change.
  dialog->navServers.BtnClick(nbNext);
  EXPECT_EQ(view.ServerName.Text(), "Other");
  EXPECT_EQ(Stored("Servers.DAT")->FieldByName("Name").AsString(), "Renamed");
}

TEST_F(SitesTest, APortBeyond32BitsIsRefused) {
  AddServers({{"Local", false}});
  Open();
  EXPECT_EQ(view.Port.Text(), "119");
  EXPECT_FALSE(view.Port.Type("12a"));
  EXPECT_THROW(view.Port.Type("99999999999"), store::EDatabaseError);
  EXPECT_EQ(view.Port.Text(), "119") << "what was not stored is not shown";
  view.Port.Type("0563");
  EXPECT_EQ(view.Port.Text(), "0563") << "the field's echo does not rewrite what is typed";
  dialog->navServers.BtnClick(nbPost);
  EXPECT_EQ(Stored("Servers.DAT")->FieldByName("Port").AsInteger(), 563);
  EXPECT_EQ(view.Port.Text(), "563");
}

TEST_F(SitesTest, ARejectedPostLeavesTheRowInEditMode) {
  AddServers({{"Local", false}});
  Open();
  view.ServerName.Type("Renamed");
  Stored("Servers.DAT")->Delete();  // another program removes the row meanwhile
  EXPECT_THROW(dialog->navServers.BtnClick(nbPost), store::EDatabaseError);
  EXPECT_EQ(dialog->tblServers.State(), TDataSetState::dsEdit);
  EXPECT_EQ(view.ServerName.Text(), "Renamed");
  EXPECT_TRUE(dialog->navServers.Buttons(nbCancel).Enabled());
  dialog->navServers.BtnClick(nbCancel);
  EXPECT_EQ(view.ServerName.Text(), "Local");
}

TEST_F(SitesTest, TypingIntoAClosedTableChangesNothing) {
  view.ServerName.Type("typed");
  EXPECT_EQ(view.ServerName.Text(), "");
  view.Authenticate.Click();
  EXPECT_EQ(view.Authenticate.State(), TCheckBoxState::cbUnchecked);
  EXPECT_FALSE(dialog->tblServers.Active());
}

TEST_F(SitesTest, TypingIntoAnEmptyTableStartsANewRow) {
  Open();
  view.ServerName.Type("First");
  EXPECT_EQ(dialog->tblServers.State(), TDataSetState::dsInsert);
  EXPECT_EQ(view.ServerName.Text(), "First");
  view.Authenticate.Click();
  EXPECT_EQ(view.Authenticate.State(), TCheckBoxState::cbChecked);
  EXPECT_EQ(view.ServerName.Text(), "First");
  dialog->navServers.BtnClick(nbPost);
  auto stored = Stored("Servers.DAT");
  EXPECT_EQ(stored->FieldByName("Name").AsString(), "First");
  EXPECT_TRUE(stored->FieldByName("Authenticate").AsBoolean());
}

}  // namespace
}  // namespace qp::dialogs
