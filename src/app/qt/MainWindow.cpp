#include "app/qt/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/ErrorReport.h"

namespace qp::app {

namespace {

// Initial sizes of the window and its panes, in pixels.
constexpr int kWindowWidth = 658;
constexpr int kWindowHeight = 540;
constexpr int kToolBarHeight = 29;
constexpr int kLeftPaneWidth = 217;
constexpr int kGroupsWidth = 161;
constexpr int kMessageHeight = 153;
constexpr int kAttachmentsHeight = 62;
constexpr int kBottomPaneHeight = 81;
constexpr int kStatusBarHeight = 19;
constexpr int kSplitterWidth = 4;
constexpr int kImageSize = 20;

struct TColumn {
  const char* Caption;
  int Width;
  widgets::TColumnAlign Align = widgets::TColumnAlign::taLeftJustify;
};

// A sortable report list of the window: a click on a header sorts (again: the other way),
// with an arrow; typing searches the sort column; dates, numbers and text compare as such;
// the first column takes the width the window gives; widths and sort are kept under the
// list's key. With autoResort each row added outside a fill sorts the list again.
widgets::TExtListView* MakeSortedList(const char* name, const std::vector<TColumn>& columns,
                                      bool autoResort) {
  using namespace widgets;
  auto* list = new TExtListView;
  list->setObjectName(name);
  for (const TColumn& column : columns) list->AddColumn(column.Caption, column.Width, column.Align);
  list->SetStretchColumn(0);
  list->SetExtendedStyles({TLVExtendedStyle::lvxFullRowSelect, TLVExtendedStyle::lvxInfoTip});
  list->SetAutoColumnSort(TAutoColumnSort::acsSortToggle);
  list->SetAutoSortStyle(TAutoSortStyle::assSmart);
  list->AutoResort = autoResort;
  list->SetShowSortArrows(true);
  list->ColumnSearch = true;
  list->SaveSettings.AutoSave = true;
  list->SaveSettings.RegistryKey = std::string("frmMain/") + name;
  list->Loaded();
  return list;
}

}  // namespace

TMainWindow::TMainWindow(ui::QtWindowSystem& windowSystem) : FWindowSystem(windowSystem) {
  setObjectName("frmMain");
  setWindowTitle("Quillpost");
  resize(kWindowWidth, kWindowHeight);
  BuildImages();
  BuildActions();
  BuildPanes();
  BuildMenus();
  BuildToolBar();
  FSave = std::make_unique<ui::QtSaveDialog>(this);
  FStatus->SetSimpleText("Ready");
}

TMainWindow::~TMainWindow() = default;

void TMainWindow::BuildImages() {
  // 0 exit, 1 update, 2 server management, 3 attachment, drawn at 20 x 20.
  const QStyle::StandardPixmap sources[] = {QStyle::SP_DialogCloseButton, QStyle::SP_BrowserReload,
                                            QStyle::SP_DriveNetIcon, QStyle::SP_FileIcon};
  for (QStyle::StandardPixmap source : sources) {
    QPixmap pixmap(kImageSize, kImageSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    style()->standardIcon(source).paint(&painter, pixmap.rect());
    painter.end();
    FImages.emplace_back(pixmap);
  }
}

void TMainWindow::BuildActions() {
  for (const TActionInfo& info : TfrmMain::Actions()) {
    auto* action = new QAction(ui::ToQ(info.Caption), this);
    action->setObjectName(info.Name);
    action->setData(QString(info.Category));
    if (*info.Hint != '\0') {
      action->setToolTip(ui::ToQ(info.Hint));
      action->setStatusTip(ui::ToQ(info.Hint));
    }
    if (info.ImageIndex >= 0)
      action->setIcon(FImages.at(static_cast<std::size_t>(info.ImageIndex)));
    void (TfrmMain::*execute)() = info.Execute;
    connect(action, &QAction::triggered, this,
            [this, execute] { Call([execute](TfrmMain& form) { (form.*execute)(); }); });
    FActions[info.Name] = action;
  }
}

QAction* TMainWindow::Action(const std::string& name) const {
  auto it = FActions.find(name);
  return it == FActions.end() ? nullptr : it->second;
}

void TMainWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("mnuMain");
  for (const TMenuInfo& info : TfrmMain::MainMenu()) {
    QMenu* menu = bar->addMenu(ui::ToQ(info.Caption));
    const bool servers = std::string(info.Caption) == "&Servers";
    if (servers) {
      menu->setObjectName("mnuServers");
      FServersMenu = menu;
      FServers = std::make_unique<ui::QtMenu>(FWindowSystem, *menu);
    }
    for (const char* name : info.Actions) {
      const bool separator = std::string(name) == "-";
      if (servers) {
        if (separator) {
          FServers->AppendSeparator();
        } else {
          FServers->AppendAction(Action(name), TfrmMain::FindAction(name)->Caption);
        }
      } else if (separator) {
        menu->addSeparator();
      } else {
        menu->addAction(Action(name));
      }
    }
  }
}

void TMainWindow::BuildToolBar() {
  FToolBar = addToolBar("tbMain");
  FToolBar->setObjectName("tbMain");
  FToolBar->setMovable(false);
  FToolBar->setFixedHeight(kToolBarHeight);
  FToolBar->setIconSize(QSize(kImageSize, kImageSize));
  FToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  for (const char* name : TfrmMain::ToolbarActions()) FToolBar->addAction(Action(name));
}

void TMainWindow::BuildPanes() {
  FTreeWidget = new QTreeWidget;
  FTreeWidget->setObjectName("tvList");
  FTreeWidget->setHeaderHidden(true);

  constexpr auto right = widgets::TColumnAlign::taRightJustify;
  // Widths that show every column in the panes' first sizes, the numbers' captions with
  // their sort arrows.
  FGroups = MakeSortedList("lvGroups", {{"Groups", 100}, {"Posts", 60, right}}, true);
  FMsgs = MakeSortedList(
      "lvMsgs", {{"Subject", 100}, {"From", 65}, {"Date", 60}, {"Size", 55, right}}, false);

  FMsgWidget = new QPlainTextEdit;
  FMsgWidget->setObjectName("memMsg");
  FMsgWidget->setReadOnly(true);
  FMsgWidget->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // The text's own pop-up menu (copy, select all) with the switch for the header lines.
  FMsgWidget->setContextMenuPolicy(Qt::CustomContextMenu);
  FRawHeaders = new QAction("Show raw headers", this);
  FRawHeaders->setObjectName("mnuRawHeaders");
  FRawHeaders->setCheckable(true);
  connect(FRawHeaders, &QAction::triggered, this, [this] {
    Call(&TfrmMain::mnuRawHeadersClick);
    FRawHeaders->setChecked(FForm != nullptr && FForm->ShowRawHeaders);
  });
  connect(FMsgWidget, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu* menu = FMsgWidget->createStandardContextMenu(at);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    FRawHeaders->setChecked(FForm != nullptr && FForm->ShowRawHeaders);
    menu->addAction(FRawHeaders);
    menu->popup(FMsgWidget->mapToGlobal(at));
  });

  FAtt = new widgets::TExtListView;
  FAtt->setObjectName("lvAtt");
  FAtt->SetLargeImages(&FImages, QSize(kImageSize, kImageSize));
  FAtt->SetViewStyle(widgets::TViewStyle::vsIcon);
  FAtt->Loaded();
  FAtt->setFixedHeight(kAttachmentsHeight);
  FAtt->setContextMenuPolicy(Qt::CustomContextMenu);
  FAtt->hide();

  FAttMenu = new QMenu(this);
  FAttMenu->setObjectName("mnuAtt");
  QAction* open = FAttMenu->addAction("Open");
  open->setObjectName("mnuOpen");
  FAttMenu->setDefaultAction(open);
  QAction* save = FAttMenu->addAction("Save As ...");
  save->setObjectName("mnuSave");
  connect(open, &QAction::triggered, this, [this] { Call(&TfrmMain::mnuOpenClick); });
  connect(save, &QAction::triggered, this, [this] { Call(&TfrmMain::mnuSaveClick); });
  connect(FAtt, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { FAttMenu->popup(FAtt->mapToGlobal(at)); });

  auto* lists = new QSplitter(Qt::Horizontal);
  lists->setHandleWidth(kSplitterWidth);
  lists->addWidget(FGroups);
  lists->addWidget(FMsgs);
  lists->setStretchFactor(1, 1);
  lists->setSizes({kGroupsWidth, kWindowWidth});

  auto* article = new QSplitter(Qt::Vertical);
  article->setHandleWidth(kSplitterWidth);
  article->addWidget(lists);
  article->addWidget(FMsgWidget);
  article->setStretchFactor(0, 1);
  article->setSizes({kWindowHeight, kMessageHeight});

  FRightPane = new QWidget;
  auto* rightLayout = new QVBoxLayout(FRightPane);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->setSpacing(0);
  rightLayout->addWidget(article, 1);
  rightLayout->addWidget(FAtt);

  auto* middle = new QSplitter(Qt::Horizontal);
  middle->setHandleWidth(kSplitterWidth);
  middle->addWidget(FTreeWidget);
  middle->addWidget(FRightPane);
  middle->setStretchFactor(1, 1);
  middle->setSizes({kLeftPaneWidth, kWindowWidth});

  FLogWidget = new QPlainTextEdit;
  FLogWidget->setObjectName("memLog");
  FLogWidget->setReadOnly(true);

  auto* whole = new QSplitter(Qt::Vertical);
  whole->setHandleWidth(kSplitterWidth);
  whole->addWidget(middle);
  whole->addWidget(FLogWidget);
  whole->setStretchFactor(0, 1);
  whole->setSizes({kWindowHeight, kBottomPaneHeight - kStatusBarHeight});
  setCentralWidget(whole);

  FStatusWidget = new QStatusBar;
  FStatusWidget->setObjectName("barStat");
  FStatusWidget->setFixedHeight(kStatusBarHeight);
  FStatusWidget->setSizeGripEnabled(false);
  setStatusBar(FStatusWidget);

  FTree = std::make_unique<ui::QtTree>(*FTreeWidget);
  FMsg = std::make_unique<ui::QtMemo>(*FMsgWidget);
  FLog = std::make_unique<ui::QtMemo>(*FLogWidget);
  FStatus = std::make_unique<ui::QtStatusBar>(*FStatusWidget);
}

void TMainWindow::Bind(TfrmMain& form) {
  FForm = &form;
  connect(FTreeWidget, &QTreeWidget::itemDoubleClicked, this,
          [this] { Call(&TfrmMain::tvListDblClick); });
  FGroups->OnDblClick = [this](widgets::TExtListView&) { Call(&TfrmMain::lvGroupsDblClick); };
  FMsgs->OnDblClick = [this](widgets::TExtListView&) { Call(&TfrmMain::lvMsgsDblClick); };
  FAtt->OnDblClick = [this](widgets::TExtListView&) { Call(&TfrmMain::lvAttDblClick); };
}

void TMainWindow::Call(const std::function<void(TfrmMain&)>& handler) {
  if (FForm == nullptr) return;
  ui::Guarded(FWindowSystem, [&] { handler(*FForm); });
}

int TMainWindow::RightPaneHeight() const {
  return FRightPane->height();
}

void TMainWindow::Show() {
  if (!FCentred) {
    FCentred = true;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
  }
  show();
}

void TMainWindow::SetCaption(const std::string& caption) {
  setWindowTitle(ui::ToQ(caption));
}

void TMainWindow::closeEvent(QCloseEvent* event) {
  Call(&TfrmMain::FormClose);
  event->accept();
  // Closing the main window ends the message loop, whatever other windows are open.
  QCoreApplication::quit();
}

}  // namespace qp::app
