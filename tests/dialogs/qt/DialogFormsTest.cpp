#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <set>

#include "app/Start.h"
#include "app/qt/MainWindow.h"
#include "app/qt/QtForms.h"
#include "dialogs/qt/Options.h"
#include "dialogs/qt/Sites.h"
#include "dialogs/qt/rvNavigator.h"
#include "store/Table.h"
#include "support/QtTestApp.h"
#include "support/TempDir.h"
#include "ui/qt/QtControls.h"
#include "ui/qt/QtWindowSystem.h"

namespace qp::dialogs {
namespace {

namespace fs = std::filesystem;

using test::App;
using test::RecordingWindowSystem;

// How many different colours an image holds: a blank grab has one.
int Colours(const QImage& image) {
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  }
  return static_cast<int>(colours.size());
}

struct Shot {
  std::string Title;
  QImage Image;
};

// Grabs the modal dialog once it is shown and closes it with Cancel.
void GrabModalSoon(Shot& shot) {
  QTimer::singleShot(0, [&shot] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    shot.Title = dialog->windowTitle().toStdString();
    shot.Image = dialog->grab().toImage();
    dialog->reject();
  });
}

TEST(DialogForms, EachDialogOpensFromTheMainWindowAndRenders) {
  App();
  test::TempDir dir;
  app::TStartFolders folders;
  folders.DataFolder = dir.File("data/");
  folders.TempFolder = dir.File("temp/");
  folders.SettingsFolder = dir.File("settings/");
  fs::create_directories(folders.DataFolder);
  {
    store::TTable servers;
    servers.DatabaseName = folders.DataFolder;
    servers.TableName = "Servers.DAT";
    servers.Open();
    servers.Insert();
    servers.FieldByName("Name").SetAsString("Local");
    servers.FieldByName("Authenticate").SetAsBoolean(true);
    servers.Post();
  }
  RecordingWindowSystem windowSystem;
  app::TQtFormFactory forms(windowSystem);
  Shot sites;
  Shot options;
  QSize navigator;
  QTimer::singleShot(0, [&] {
    auto* window = dynamic_cast<app::TMainWindow*>(windowSystem.App().MainWindow);
    ASSERT_NE(window, nullptr);
    if (auto* form = window->findChild<TSitesForm*>()) {
      navigator = form->navServers()->size();
    }
    GrabModalSoon(sites);
    window->Action("actServers")->trigger();
    GrabModalSoon(options);
    window->Action("actOption")->trigger();
    windowSystem.Application().CloseMainWindow();
  });
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(2); });
  guard.start(20000);
  EXPECT_EQ(app::RunProgram(windowSystem, forms, folders), 0);
  windowSystem.App().MainWindow = nullptr;
  EXPECT_TRUE(windowSystem.Boxes.empty());

  EXPECT_EQ(sites.Title, "Site Management");
  EXPECT_EQ(sites.Image.size(), QSize(427, 300));
  EXPECT_GT(Colours(sites.Image), 2);
  EXPECT_EQ(options.Title, "Quillpost Options");
  EXPECT_EQ(options.Image.size(), QSize(483, 313));
  EXPECT_GT(Colours(options.Image), 2);
  EXPECT_EQ(navigator, QSize(120, 20));
}

TEST(DialogForms, TheFormsHoldTheirControls) {
  App();
  RecordingWindowSystem windowSystem;
  TSitesForm sites(windowSystem, nullptr);
  ASSERT_EQ(sites.Pages()->count(), 2);
  EXPECT_EQ(sites.Pages()->tabText(0), "NewsFeeds");
  EXPECT_EQ(sites.Pages()->tabText(1), "UseNet");
  auto* pass = sites.findChild<QLineEdit*>("dbPass");
  ASSERT_NE(pass, nullptr);
  EXPECT_EQ(pass->echoMode(), QLineEdit::Password);
  EXPECT_EQ(pass->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, pass), '*');

  TOptionsForm options(windowSystem, nullptr);
  ASSERT_EQ(options.Pages()->count(), 2);
  EXPECT_EQ(options.Pages()->tabText(0), "General");
  EXPECT_EQ(options.Pages()->currentIndex(), 0);
  auto* version = options.findChild<QComboBox*>("cmbVersion");
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->count(), 3);
  EXPECT_EQ(version->itemText(1), "SOCKS 4.0A");
  auto* ok = options.findChild<QPushButton*>("btnOK");
  ASSERT_NE(ok, nullptr);
  EXPECT_TRUE(ok->isDefault());
}

TEST(NavigatorGlyphs, EachButtonHasANormalAndADisabledLook) {
  App();
  for (int i = 0; i < kNavButtonCount; ++i) {
    const std::string name = GlyphResourceName(static_cast<TrvNavigateBtn>(i));
    SCOPED_TRACE(name);
    const QImage glyph = NavigatorResourceGlyph(name).toImage();
    ASSERT_EQ(glyph.size(), QSize(32, 16));
    const QImage normal = glyph.copy(0, 0, 16, 16);
    const QImage disabled = glyph.copy(16, 0, 16, 16);
    EXPECT_GT(Colours(normal), 1);
    EXPECT_GT(Colours(disabled), 1);
    EXPECT_NE(normal, disabled);
  }
  EXPECT_TRUE(NavigatorResourceGlyph("RV_UNKNOWN").isNull());
}

// Makes the application before any widget of a fixture.
struct WithApp {
  WithApp() { App(); }
};

// A navigator widget over a table of three rows, laid out as the site dialog's.
struct WidgetFixture : WithApp {
  WidgetFixture() : navigator(windowSystem), widget(windowSystem) {
    table.DatabaseName = dir.Path();
    table.TableName = "Sites.DAT";
    table.Open();
    for (const char* name : {"a", "b", "c"}) {
      table.Insert();
      table.FieldByName("Name").SetAsString(name);
      table.Post();
    }
    table.First();
    navigator.SetVisibleButtons({nbPrior, nbNext, nbInsert, nbDelete, nbPost, nbCancel});
    navigator.SetBounds(120, 20);
    navigator.SetDataSource(&source);
    widget.Bind(navigator);
    widget.show();
  }
  std::string Current() { return table.FieldByName("Name").AsString(); }
  void Click(int x, int y) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(x, y), widget.mapToGlobal(QPointF(x, y)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(x, y),
                        widget.mapToGlobal(QPointF(x, y)), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&widget, &release);
  }
  void Key(int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
  }

  test::TempDir dir;
  RecordingWindowSystem windowSystem;
  store::TTable table;
  TDataSource source{&table};
  TrvNavigator navigator;
  TrvNavigatorWidget widget;
};

TEST(NavigatorWidget, ClicksAndKeysReachTheTable) {
  WidgetFixture f;
  EXPECT_EQ(f.widget.size(), QSize(120, 20));
  f.Click(25, 10);  // next
  EXPECT_EQ(f.Current(), "b");
  EXPECT_EQ(f.navigator.FocusedButton(), nbNext);
  f.Key(Qt::Key_Space);
  EXPECT_EQ(f.Current(), "c");
  f.Key(Qt::Key_Left);
  f.Key(Qt::Key_Space);  // prior
  EXPECT_EQ(f.Current(), "b");
  f.Click(65, 10);  // delete, confirmed by the recording window system
  ASSERT_EQ(f.windowSystem.Boxes.size(), 1u);
  EXPECT_EQ(f.windowSystem.Boxes[0], ": Delete record?");
  EXPECT_EQ(f.table.RecordCount(), 2);
}

TEST(NavigatorWidget, DrawsEnabledAndDisabledButtonsDifferently) {
  WidgetFixture f;
  // On the first row prior is disabled and next enabled; both show their own glyph.
  const QImage image = f.widget.grab().toImage();
  EXPECT_NE(image.copy(2, 2, 16, 16), image.copy(22, 2, 16, 16));
  EXPECT_EQ(f.widget.ButtonGlyph(f.navigator.Buttons(nbPrior)).toImage(),
            NavigatorResourceGlyph("RV_PRIOR").copy(16, 0, 16, 16).toImage());

  // A user's image list replaces the glyphs by position.
  ui::QtImageList images;
  QPixmap red(16, 16);
  red.fill(Qt::red);
  images.Images = {red, red, red};
  f.navigator.SetGlyphs(&images);
  EXPECT_EQ(f.widget.ButtonGlyph(f.navigator.Buttons(nbPrior)).size(), QSize(16, 16));
  EXPECT_EQ(f.widget.ButtonGlyph(f.navigator.Buttons(nbNext)).toImage().pixel(8, 8),
            QColor(Qt::red).rgb());
  EXPECT_EQ(f.widget.ButtonGlyph(f.navigator.Buttons(nbLast)).toImage(),
            NavigatorResourceGlyph("RV_LAST").copy(0, 0, 16, 16).toImage());
  f.navigator.Notification(&images);
}

TEST(NavigatorWidget, OutlivesItsNavigator) {
  App();
  RecordingWindowSystem windowSystem;
  auto navigator = std::make_unique<TrvNavigator>(windowSystem);
  TrvNavigatorWidget widget(windowSystem);
  widget.Bind(*navigator);
  navigator.reset();
  EXPECT_EQ(widget.Navigator(), nullptr);
  EXPECT_FALSE(widget.grab().isNull());  // paints nothing, touches nothing
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
  QApplication::sendEvent(&widget, &space);
}

TEST(QtControls, ACheckBoxClickNeverMakesItUndecided) {
  App();
  RecordingWindowSystem windowSystem;
  ui::QtCheckBox box(windowSystem, "Active");
  int clicks = 0;
  box.SetOnClick([&] { ++clicks; });
  box.SetState(ui::TCheckBoxState::cbGrayed);
  EXPECT_EQ(box.State(), ui::TCheckBoxState::cbGrayed);
  EXPECT_EQ(clicks, 0) << "a state set by the program is no click";
  for (ui::TCheckBoxState expected :
       {ui::TCheckBoxState::cbChecked, ui::TCheckBoxState::cbUnchecked,
        ui::TCheckBoxState::cbChecked}) {
    box.click();
    EXPECT_EQ(box.State(), expected);
  }
  EXPECT_EQ(clicks, 3);
}

TEST(QtControls, AnEditReportsTypingAndKeepsItsLimits) {
  App();
  RecordingWindowSystem windowSystem;
  ui::QtEdit edit(windowSystem);
  std::vector<std::string> seen;
  edit.SetOnChange([&] { seen.push_back(edit.Text()); });
  edit.SetText("abc");
  EXPECT_TRUE(seen.empty());
  edit.setCursorPosition(1);
  edit.SetText("abc");
  EXPECT_EQ(edit.cursorPosition(), 1) << "the same text leaves the caret alone";

  edit.SetMaxLength(4);
  edit.SetNumbersOnly(true);
  edit.SetText("");
  for (const char* typed : {"1", "x", "2", "3", "4", "5"}) {
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, typed);
    QApplication::sendEvent(&edit, &key);
  }
  EXPECT_EQ(edit.Text(), "1234");
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "12", "123", "1234"}));
  edit.SetMaxLength(0);
  edit.SetNumbersOnly(false);
  QKeyEvent letter(QEvent::KeyPress, 0, Qt::NoModifier, "x");
  QApplication::sendEvent(&edit, &letter);
  EXPECT_EQ(edit.Text(), "1234x");
}

}  // namespace
}  // namespace qp::dialogs
