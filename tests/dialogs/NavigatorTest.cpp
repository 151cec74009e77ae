#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "dialogs/rvNavigator.h"
#include "store/Table.h"
#include "support/FakeWindowSystem.h"
#include "support/TempDir.h"

namespace qp::dialogs {
namespace {

// The names of the buttons for which has(button) holds, in bar order ("prior next insert").
template <class Predicate>
std::string ButtonNames(const TrvNavigator& navigator, Predicate has) {
  static const char* const names[] = {"first",  "prior", "next", "last",   "insert",
                                      "delete", "edit",  "post", "cancel", "refresh"};
  std::string text;
  for (int i = 0; i < kNavButtonCount; ++i) {
    if (!has(navigator.Buttons(static_cast<TrvNavigateBtn>(i)))) continue;
    if (!text.empty()) text += ' ';
    text += names[i];
  }
  return text;
}

std::string Enabled(const TrvNavigator& navigator) {
  return ButtonNames(navigator, [](const TrvNavButton& b) { return b.Enabled(); });
}

// A navigator over the Sites table of a temporary folder, holding rows named "a", "b", ...
struct NavFixture {
  NavFixture() {
    table.DatabaseName = dir.Path();
    table.TableName = "Sites.DAT";
    table.Open();
    navigator.OnClick = [this](TrvNavigator&, TrvNavigateBtn button) { clicks.push_back(button); };
  }

  void AddRows(int count) {
    for (int i = 0; i < count; ++i) {
      table.Insert();
      table.FieldByName("Name").SetAsString(std::string(1, static_cast<char>('a' + i)));
      table.Post();
    }
    table.First();
  }
  std::string Current() { return table.FieldByName("Name").AsString(); }

  test::TempDir dir;
  test::FakeWindowSystem windowSystem;
  store::TTable table;
  TDataSource source{&table};
  TrvNavigator navigator{windowSystem};
  std::vector<TrvNavigateBtn> clicks;
};

class NavigatorTest : public ::testing::Test, protected NavFixture {};

TEST_F(NavigatorTest, EnablesWhatMakesSenseForTheTablesState) {
  struct Row {
    const char* name;
    int rows;
    std::function<void(NavFixture&)> arrange;
    const char* enabled;
  };
  const Row rows[] = {
      {"empty table", 0, nullptr, "insert edit refresh"},
      {"first of three rows", 3, nullptr, "next last insert delete edit refresh"},
      {"middle row", 3, [](NavFixture& t) { t.table.Next(); },
       "first prior next last insert delete edit refresh"},
      {"past the last row", 3, [](NavFixture& t) { t.table.Last(); },
       "first prior insert delete edit refresh"},
      {"editing a row", 3,
       [](NavFixture& t) {
         t.table.Next();
         t.table.Edit();
       },
       "first prior next last insert delete post cancel refresh"},
      {"inserting into an empty table", 0, [](NavFixture& t) { t.table.Insert(); },
       "insert post cancel refresh"},
      {"closed table", 3, [](NavFixture& t) { t.table.Close(); }, ""},
      {"bar disabled", 3, [](NavFixture& t) { t.navigator.SetEnabled(false); }, ""},
      {"bar enabled again", 3,
       [](NavFixture& t) {
         t.navigator.SetEnabled(false);
         t.navigator.SetEnabled(true);
       },
       "next last insert delete edit refresh"},
      {"no data source", 3, [](NavFixture& t) { t.navigator.SetDataSource(nullptr); }, ""},
      {"data source removed", 3,
       [](NavFixture& t) {
         auto other = std::make_unique<TDataSource>();
         t.navigator.SetDataSource(other.get());
         other.reset();
         EXPECT_EQ(t.navigator.DataSource(), nullptr);
       },
       ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    NavFixture t;
    t.AddRows(row.rows);
    t.navigator.SetDataSource(&t.source);
    if (row.arrange) row.arrange(t);
    EXPECT_EQ(Enabled(t.navigator), row.enabled);
  }
}

TEST_F(NavigatorTest, ButtonsFollowTheRowsAsTheyMove) {
  AddRows(2);
  navigator.SetDataSource(&source);
  navigator.BtnClick(nbNext);
  EXPECT_EQ(Current(), "b");
  EXPECT_EQ(Enabled(navigator), "first prior next last insert delete edit refresh");
  // The dataset reports nothing for a move that finds no row; the bar still sees the end.
  navigator.BtnClick(nbNext);
  EXPECT_EQ(Enabled(navigator), "first prior insert delete edit refresh");
  navigator.BtnClick(nbFirst);
  EXPECT_EQ(Current(), "a");
  EXPECT_EQ(Enabled(navigator), "next last insert delete edit refresh");
  navigator.BtnClick(nbInsert);
  EXPECT_EQ(table.State(), store::TDataSetState::dsInsert);
  EXPECT_EQ(Enabled(navigator), "next last insert delete post cancel refresh");
  navigator.BtnClick(nbCancel);
  EXPECT_EQ(table.State(), store::TDataSetState::dsBrowse);
  EXPECT_EQ(clicks.size(), 5u);
}

TEST_F(NavigatorTest, DeleteAsksUnlessTold) {
  struct Row {
    const char* name;
    bool confirm;
    std::string text;
    std::deque<int> answers;
    std::vector<std::string> asked;
    std::string left;  // the rows that remain
  };
  const Row rows[] = {
      {"answer OK", true, "Delete record?", {ui::idOK}, {"Delete record?"}, "b"},
      {"answer Cancel", true, "Delete record?", {ui::idCancel}, {"Delete record?"}, "ab"},
      {"own question", true, "Remove this site?", {ui::idOK}, {"Remove this site?"}, "b"},
      {"no confirmation", false, "Delete record?", {ui::idCancel}, {}, "b"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    NavFixture t;
    t.AddRows(2);
    t.navigator.SetDataSource(&t.source);
    t.navigator.ConfirmDelete = row.confirm;
    t.navigator.ConfirmText = row.text;
    t.windowSystem.ConfirmationResults = row.answers;
    t.navigator.BtnClick(nbDelete);
    EXPECT_EQ(t.windowSystem.Confirmations, row.asked);
    std::string left;
    for (bool more = t.table.First(); more; more = t.table.Next()) left += t.Current();
    EXPECT_EQ(left, row.left);
    EXPECT_EQ(t.clicks, std::vector<TrvNavigateBtn>{nbDelete}) << "OnClick runs either way";
  }
}

TEST_F(NavigatorTest, BeforeActionCanSkipTheActionButOnClickStillRuns) {
  AddRows(2);
  navigator.SetDataSource(&source);
  std::vector<TrvNavigateBtn> asked;
  navigator.BeforeAction = [&](TrvNavigator& sender, TrvNavigateBtn button, bool& doOperation) {
    EXPECT_EQ(&sender, &navigator);
    asked.push_back(button);
    doOperation = button != nbNext;
  };
  navigator.BtnClick(nbNext);
  EXPECT_EQ(Current(), "a");
  navigator.BtnClick(nbLast);
  EXPECT_EQ(Current(), "b");
  EXPECT_EQ(asked, (std::vector<TrvNavigateBtn>{nbNext, nbLast}));
  EXPECT_EQ(clicks, (std::vector<TrvNavigateBtn>{nbNext, nbLast}));
}

TEST_F(NavigatorTest, WithoutAnOpenTableAClickOnlyCallsOnClick) {
  AddRows(2);
  bool asked = false;
  navigator.BeforeAction = [&](TrvNavigator&, TrvNavigateBtn, bool&) { asked = true; };
  navigator.BtnClick(nbDelete);  // no data source
  navigator.SetDataSource(&source);
  table.Close();
  navigator.BtnClick(nbInsert);  // closed table
  EXPECT_FALSE(asked);
  EXPECT_TRUE(windowSystem.Confirmations.empty());
  EXPECT_EQ(clicks, (std::vector<TrvNavigateBtn>{nbDelete, nbInsert}));
}

TEST_F(NavigatorTest, AFailedActionPassesOnWithoutOnClick) {
  AddRows(1);
  navigator.SetDataSource(&source);
  navigator.BtnClick(nbEdit);
  table.FieldByName("Name").SetAsString("x");
  {
    // Another table object removes the row being edited, so the post finds nothing to update.
    store::TTable other;
    other.DatabaseName = dir.Path();
    other.TableName = "Sites.DAT";
    other.Open();
    other.Delete();
  }
  EXPECT_THROW(navigator.BtnClick(nbPost), store::EDatabaseError);
  EXPECT_EQ(table.State(), store::TDataSetState::dsEdit);
  EXPECT_EQ(clicks, std::vector<TrvNavigateBtn>{nbEdit});
}

TEST(NavigatorLayout, SpreadsTheBarOverItsVisibleButtons) {
  const TrvButtonSet six{nbPrior, nbNext, nbInsert, nbDelete, nbPost, nbCancel};
  struct Row {
    const char* name;
    TrvButtonSet visible;
    TAlign align;
    int width, height;
    int barWidth, barHeight;
    std::vector<int> widths;  // of the visible buttons, in order
  };
  const Row rows[] = {
      {"six buttons, 120 wide", six, alNone, 120, 20, 120, 20, {20, 20, 20, 20, 20, 20}},
      {"125 wide without alignment shrinks",
       six,
       alNone,
       125,
       20,
       120,
       20,
       {20, 20, 20, 20, 20, 20}},
      {"125 wide aligned keeps the extra pixels",
       six,
       alTop,
       125,
       20,
       125,
       20,
       {21, 21, 20, 21, 21, 21}},
      {"too small grows to the minimum", six, alNone, 50, 10, 120, 18, {20, 20, 20, 20, 20, 20}},
      {"all ten, 241 wide",
       TrvButtonSet::All(),
       alNone,
       241,
       25,
       240,
       25,
       {24, 24, 24, 24, 24, 24, 24, 24, 24, 24}},
      {"none visible counts as one", TrvButtonSet{}, alNone, 7, 7, 20, 18, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::FakeWindowSystem windowSystem;
    TrvNavigator navigator(windowSystem);
    navigator.SetVisibleButtons(row.visible);
    navigator.SetAlign(row.align);
    navigator.SetBounds(row.width, row.height);
    EXPECT_EQ(navigator.Width(), row.barWidth);
    EXPECT_EQ(navigator.Height(), row.barHeight);
    std::vector<int> widths;
    int left = 0;
    for (int i = 0; i < kNavButtonCount; ++i) {
      const TrvNavButton& button = navigator.Buttons(static_cast<TrvNavigateBtn>(i));
      if (!button.Visible()) {
        EXPECT_EQ(button.Bounds().Left, navigator.Width() + 1) << "button " << i;
        continue;
      }
      EXPECT_EQ(button.Bounds().Left, left) << "button " << i;
      EXPECT_EQ(button.Bounds().Top, 0);
      EXPECT_EQ(button.Bounds().Height, navigator.Height());
      widths.push_back(button.Bounds().Width);
      left += button.Bounds().Width;
    }
    EXPECT_EQ(widths, row.widths);
  }
}

TEST(NavigatorLayout, OrientationAndAlignmentExchangeTheDirections) {
  test::FakeWindowSystem windowSystem;
  TrvNavigator navigator(windowSystem);
  navigator.SetVisibleButtons({nbFirst, nbPrior, nbNext, nbLast});
  navigator.SetBounds(80, 20);
  navigator.SetOrientation(noVertical);
  EXPECT_EQ(navigator.Width(), 20);
  EXPECT_EQ(navigator.Height(), 80);
  EXPECT_EQ(navigator.Buttons(nbNext).Bounds(), (TNavRect{0, 40, 20, 20}));
  EXPECT_EQ(navigator.Buttons(nbEdit).Bounds().Top, 81) << "hidden below the bar";

  navigator.SetAlign(alTop);
  EXPECT_EQ(navigator.Orientation(), noHorizontal);
  EXPECT_EQ(navigator.Width(), 80);
  navigator.SetAlign(alRight);
  EXPECT_EQ(navigator.Orientation(), noVertical);
  navigator.SetAlign(alClient);
  EXPECT_EQ(navigator.Orientation(), noVertical) << "other alignments keep the direction";
}

TEST(NavigatorLayout, ANewBarHoldsTenButtonsSideBySide) {
  test::FakeWindowSystem windowSystem;
  TrvNavigator navigator(windowSystem);
  EXPECT_EQ(navigator.Width(), 241);
  EXPECT_EQ(navigator.Height(), 25);
  EXPECT_EQ(navigator.Buttons(nbRefresh).Bounds(), (TNavRect{180, 0, 20, 18}));
  EXPECT_TRUE(navigator.Buttons(nbPrior).AllowTimer());
  EXPECT_TRUE(navigator.Buttons(nbNext).AllowTimer());
  EXPECT_FALSE(navigator.Buttons(nbLast).AllowTimer());
  navigator.Loaded();
  EXPECT_EQ(navigator.Width(), 240);
}

TEST(NavigatorLooks, HintsAndGlyphsReplaceTheDefaultsByPosition) {
  test::FakeWindowSystem windowSystem;
  TrvNavigator navigator(windowSystem);
  EXPECT_EQ(navigator.Buttons(nbFirst).Hint(), "First");
  EXPECT_EQ(navigator.Buttons(nbRefresh).Hint(), "Refresh");

  TStringList hints{"Go to the top", "", "Onward"};
  for (int i = 0; i < 9; ++i) hints.Add("");
  hints.Add("eleventh");
  navigator.SetHints(hints);
  EXPECT_EQ(navigator.Buttons(nbFirst).Hint(), "Go to the top");
  EXPECT_EQ(navigator.Buttons(nbPrior).Hint(), "Prior") << "an empty line keeps the default";
  EXPECT_EQ(navigator.Buttons(nbNext).Hint(), "Onward");
  navigator.SetHints(TStringList{});
  EXPECT_EQ(navigator.Buttons(nbNext).Hint(), "Next");

  test::FakeImageList images;
  images.ImageCount = 3;
  navigator.SetGlyphs(&images);
  EXPECT_EQ(navigator.Buttons(nbNext).GlyphIndex(), 2);
  EXPECT_EQ(navigator.Buttons(nbLast).GlyphIndex(), -1);
  images.ImageCount = 1;
  navigator.GlyphsChanged();
  EXPECT_EQ(navigator.Buttons(nbFirst).GlyphIndex(), 0);
  EXPECT_EQ(navigator.Buttons(nbPrior).GlyphIndex(), -1);
  navigator.Notification(&images);
  EXPECT_EQ(navigator.Glyphs(), nullptr);
  EXPECT_EQ(navigator.Buttons(nbFirst).GlyphIndex(), -1);

  EXPECT_EQ(GlyphResourceName(nbFirst), "RV_FIRST");
  EXPECT_EQ(GlyphResourceName(nbRefresh), "RV_REFRESH");
}

TEST_F(NavigatorTest, KeysMoveTheFocusOverVisibleButtonsAndSpaceClicks) {
  AddRows(3);
  table.Next();
  navigator.SetDataSource(&source);
  navigator.SetVisibleButtons({nbPrior, nbNext, nbInsert, nbDelete, nbPost, nbCancel});
  navigator.SetBounds(120, 20);
  EXPECT_EQ(navigator.FocusedButton(), nbFirst);

  navigator.KeyDown(TNavKey::Right);
  EXPECT_EQ(navigator.FocusedButton(), nbPrior);
  navigator.KeyDown(TNavKey::Space);
  EXPECT_EQ(Current(), "a");
  // Hidden nbFirst still takes the focus from the left, and the space bar then clicks it.
  table.Last();
  navigator.KeyDown(TNavKey::Left);
  EXPECT_EQ(navigator.FocusedButton(), nbFirst);
  navigator.KeyDown(TNavKey::Space);
  EXPECT_EQ(Current(), "a");

  for (int i = 0; i < 6; ++i) navigator.KeyDown(TNavKey::Right);
  EXPECT_EQ(navigator.FocusedButton(), nbCancel);
  navigator.KeyDown(TNavKey::Right);
  EXPECT_EQ(navigator.FocusedButton(), nbRefresh) << "past the last visible one: nbRefresh";
  navigator.KeyDown(TNavKey::Left);
  EXPECT_EQ(navigator.FocusedButton(), nbCancel);

  clicks.clear();
  navigator.KeyDown(TNavKey::Space);  // cancel is disabled while browsing
  EXPECT_TRUE(clicks.empty());
}

TEST_F(NavigatorTest, TheFocusRectangleSitsInsideTheFocusedButton) {
  AddRows(3);
  navigator.SetDataSource(&source);
  navigator.SetVisibleButtons({nbPrior, nbNext, nbInsert, nbDelete, nbPost, nbCancel});
  navigator.SetBounds(120, 20);
  EXPECT_FALSE(navigator.FocusRect());
  navigator.SetFocused(true);
  ASSERT_TRUE(navigator.MouseDown(25, 5, 0));  // nbNext
  EXPECT_EQ(navigator.FocusedButton(), nbNext);
  EXPECT_EQ(navigator.FocusRect(), (TNavRect{24, 4, 14, 14})) << "shifted while down";
  navigator.MouseUp(25, 5);
  EXPECT_EQ(navigator.FocusRect(), (TNavRect{23, 3, 14, 14}));
}

TEST_F(NavigatorTest, PriorAndNextRepeatWhileHeld) {
  AddRows(6);
  navigator.SetDataSource(&source);
  navigator.SetVisibleButtons({nbPrior, nbNext, nbInsert, nbDelete, nbPost, nbCancel});
  navigator.SetBounds(120, 20);

  ASSERT_TRUE(navigator.MouseDown(25, 5, 1000));
  EXPECT_EQ(navigator.RepeatDue(), 1400);
  navigator.RepeatTick(1399);
  EXPECT_EQ(Current(), "a");
  navigator.RepeatTick(1400);
  EXPECT_EQ(Current(), "b");
  EXPECT_EQ(navigator.RepeatDue(), 1500) << "then every 100 ms";
  navigator.RepeatTick(1500);
  EXPECT_EQ(Current(), "c");
  navigator.MouseMove(25, 50);  // off the button: held, but not down
  navigator.RepeatTick(1600);
  EXPECT_EQ(Current(), "c");
  navigator.MouseMove(25, 5);
  navigator.RepeatTick(1700);
  EXPECT_EQ(Current(), "d");
  navigator.MouseUp(25, 5);  // the release clicks once more
  EXPECT_EQ(Current(), "e");
  EXPECT_FALSE(navigator.RepeatDue());

  // Insert does not repeat, and a release off the button does not click.
  ASSERT_TRUE(navigator.MouseDown(45, 5, 2000));
  EXPECT_FALSE(navigator.RepeatDue());
  navigator.MouseMove(45, 40);
  navigator.MouseUp(45, 40);
  EXPECT_EQ(table.State(), store::TDataSetState::dsBrowse);
}

TEST_F(NavigatorTest, TheRepeatStopsAtTheEndAndOnAFailure) {
  AddRows(2);
  navigator.SetDataSource(&source);
  navigator.SetVisibleButtons({nbPrior, nbNext, nbInsert, nbDelete, nbPost, nbCancel});
  navigator.SetBounds(120, 20);
  EXPECT_FALSE(navigator.MouseDown(5, 5, 0)) << "prior is disabled on the first row";

  ASSERT_TRUE(navigator.MouseDown(25, 5, 0));
  navigator.RepeatTick(400);
  navigator.RepeatTick(500);  // finds no row: next is disabled and lets go
  EXPECT_FALSE(navigator.Buttons(nbNext).Enabled());
  EXPECT_FALSE(navigator.Buttons(nbNext).Down());
  EXPECT_FALSE(navigator.RepeatDue());
  const auto before = clicks.size();
  navigator.MouseUp(25, 5);
  EXPECT_EQ(clicks.size(), before) << "a button disabled while held does not click";

  ASSERT_TRUE(navigator.MouseDown(5, 5, 1000));  // prior
  navigator.BeforeAction = [](TrvNavigator&, TrvNavigateBtn, bool&) {
    throw std::runtime_error("refused");
  };
  EXPECT_THROW(navigator.RepeatTick(1400), std::runtime_error);
  EXPECT_FALSE(navigator.RepeatDue());
}

}  // namespace
}  // namespace qp::dialogs
