#include "ui/qt/QtWindowSystem.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>
#include <QTreeWidget>
#include <QUrl>

#include "ui/ErrorReport.h"

namespace qp::ui {

namespace {

// Menus show '&' as an accelerator marker; a caption is shown as written.
QString MenuText(const std::string& caption) {
  return ToQ(caption).replace("&", "&&");
}

}  // namespace

class QtTreeNode : public ITreeNode {
 public:
  explicit QtTreeNode(QTreeWidgetItem* item) : FItem(item) {}
  std::string Text() const override { return FromQ(FItem->text(0)); }
  void Expand() override { FItem->setExpanded(true); }
  bool Expanded() const override { return FItem->isExpanded(); }
  int AbsoluteIndex() const override {
    int index = 0;
    QTreeWidget* tree = FItem->treeWidget();
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it, ++index) {
      if (*it == FItem) return index;
    }
    return -1;
  }
  bool IsFirstNode() const override {
    return FItem->treeWidget() != nullptr && FItem->treeWidget()->topLevelItem(0) == FItem;
  }
  QTreeWidgetItem* Item() const { return FItem; }

 private:
  QTreeWidgetItem* FItem;
};

QtTree::QtTree(QTreeWidget& widget) : FWidget(widget) {}
QtTree::~QtTree() = default;

void QtTree::Clear() {
  FWidget.clear();
  FNodes.clear();
}

QtTreeNode& QtTree::Wrap(QTreeWidgetItem* item) {
  auto& node = FNodes[item];
  node = std::make_unique<QtTreeNode>(item);
  return *node;
}

ITreeNode& QtTree::AddRoot(const std::string& caption) {
  auto* item = new QTreeWidgetItem(&FWidget, QStringList{ToQ(caption)});
  return Wrap(item);
}

ITreeNode& QtTree::AddChild(ITreeNode& parent, const std::string& caption) {
  auto* item =
      new QTreeWidgetItem(static_cast<QtTreeNode&>(parent).Item(), QStringList{ToQ(caption)});
  return Wrap(item);
}

ITreeNode* QtTree::Selected() {
  QTreeWidgetItem* item = FWidget.currentItem();
  if (item == nullptr || !item->isSelected()) return nullptr;
  auto it = FNodes.find(item);
  return it == FNodes.end() ? nullptr : it->second.get();
}

int QtTree::Count() const {
  int count = 0;
  for (QTreeWidgetItemIterator it(&FWidget); *it != nullptr; ++it) ++count;
  return count;
}

void QtMemo::Clear() {
  FWidget.clear();
  FHasLines = false;
}

void QtMemo::SetLines(const TStringList& lines) {
  if (lines.Empty()) {
    Clear();
    return;
  }
  // One setPlainText, which also puts the view at the first line; appending line by line
  // would keep it at the last.
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) {
    std::string_view line = lines[i];
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (i > 0) text += '\n';
    text += line;
  }
  FWidget.setPlainText(
      ToQ(text).replace(QLatin1String("\r\n"), QLatin1String("\n")).replace('\r', '\n'));
  FHasLines = true;
}

void QtMemo::Add(const std::string& line) {
  TStringList lines;
  lines.SetText(line);
  if (lines.Empty()) lines.Add("");
  for (const std::string& text : lines) {
    if (FHasLines) {
      FWidget.appendPlainText(ToQ(text));
    } else {
      FWidget.setPlainText(ToQ(text));
      FHasLines = true;
    }
  }
}

void QtMemo::AddStrings(const TStringList& lines) {
  for (const std::string& line : lines) Add(line);
}

TStringList QtMemo::Lines() const {
  TStringList lines;
  if (!FHasLines) return lines;
  for (QTextBlock block = FWidget.document()->begin(); block.isValid(); block = block.next()) {
    lines.Add(FromQ(block.text()));
  }
  return lines;
}

QtStatusBar::QtStatusBar(QStatusBar& widget) : FWidget(widget), FText(new QLabel) {
  FText->setObjectName("barStatText");
  FWidget.addWidget(FText, 1);
}

void QtStatusBar::SetSimpleText(const std::string& text) {
  FText->setText(ToQ(text));
  FWidget.repaint();
}

std::string QtStatusBar::SimpleText() const {
  return FromQ(FText->text());
}

QtMenuItem::QtMenuItem(IWindowSystem& windowSystem, QAction* action, std::string caption,
                       bool owned, TMenuClickEvent onClick)
    : FWindowSystem(windowSystem),
      FAction(action),
      FCaption(std::move(caption)),
      FOwned(owned),
      FOnClick(std::move(onClick)) {
  if (FOnClick) {
    QObject::connect(FAction, &QAction::triggered, [this] {
      // Choosing an item does not check it; its handler decides (as for a server item,
      // which is checked only once its server is connected).
      FAction->setChecked(FChecked);
      Click();
    });
  }
}

QtMenuItem::~QtMenuItem() {
  if (FOwned) {
    // The item may be freed from within its own click; Qt deletes the action afterwards.
    FAction->disconnect();
    if (FMenu != nullptr) FMenu->FMenu.removeAction(FAction);
    FAction->deleteLater();
  }
}

void QtMenuItem::SetChecked(bool checked) {
  FChecked = checked;
  FAction->setCheckable(FAction->isCheckable() || checked);
  FAction->setChecked(checked);
  if (!checked || !FRadioItem || FMenu == nullptr) return;
  for (const auto& other : FMenu->FItems) {
    if (other.get() != this && other->FRadioItem && other->FGroupIndex == FGroupIndex) {
      other->FChecked = false;
      other->FAction->setChecked(false);
    }
  }
}

void QtMenuItem::SetRadioItem(bool radioItem) {
  FRadioItem = radioItem;
  FAction->setCheckable(radioItem || FChecked);
}

void QtMenuItem::Click() {
  if (FOnClick) Guarded(FWindowSystem, [this] { FOnClick(*this); });
}

QtMenu::~QtMenu() = default;

std::unique_ptr<IMenuItem> QtMenu::CreateItem(const std::string& caption, TMenuClickEvent onClick) {
  // A separator shows no text: some styles would draw its caption as a section title.
  auto* action = new QAction(caption == "-" ? QString() : MenuText(caption), &FMenu);
  if (caption == "-") action->setSeparator(true);
  return std::make_unique<QtMenuItem>(FWindowSystem, action, caption, true, std::move(onClick));
}

IMenuItem& QtMenu::Append(std::unique_ptr<IMenuItem> item) {
  auto* qtItem = dynamic_cast<QtMenuItem*>(item.get());
  if (qtItem == nullptr) throw Exception("A menu takes only items it created");
  item.release();
  FItems.emplace_back(qtItem);
  qtItem->FMenu = this;
  FMenu.addAction(qtItem->FAction);
  return *qtItem;
}

void QtMenu::Free(int index) {
  FItems.erase(FItems.begin() + index);
}

void QtMenu::AppendAction(QAction* action, const std::string& caption) {
  auto item = std::make_unique<QtMenuItem>(FWindowSystem, action, caption, false, nullptr);
  item->FMenu = this;
  FMenu.addAction(action);
  FItems.push_back(std::move(item));
}

void QtMenu::AppendSeparator() {
  Append(CreateItem("-", nullptr));
}

bool QtSaveDialog::Execute() {
  QFileDialog dialog(FParent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Asking before replacing is the dialog's default in save mode.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog.selectFile(ToQ(FFileName));
  while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    const QString chosen = dialog.selectedFiles().front();
    if (QFileInfo(chosen).absoluteDir().exists()) {
      FFileName = FromQ(chosen);
      return true;
    }
    QMessageBox::warning(&dialog, dialog.windowTitle(),
                         QObject::tr("The folder of %1 does not exist.").arg(chosen));
  }
  return false;
}

void QtScreen::SetCursor(TCursor cursor) {
  if (cursor == FCursor) return;
  if (cursor == TCursor::crHourGlass) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
  FCursor = cursor;
}

void QtApplication::ProcessMessages() {
  QCoreApplication::processEvents();
}

void QtApplication::SetTitle(const std::string& title) {
  FTitle = title;
  QCoreApplication::setApplicationName(ToQ(title));
}

void QtApplication::CloseMainWindow() {
  if (MainWindow != nullptr) MainWindow->close();
}

int QtApplication::Run() {
  return QApplication::exec();
}

int QtWindowSystem::MessageBox(const std::string& text, const std::string& caption,
                               TMsgButtons buttons, TMsgIcon icon) {
  QMessageBox box(FApplication.MainWindow);
  box.setText(ToQ(text));
  box.setWindowTitle(ToQ(caption));
  switch (icon) {
    case TMsgIcon::miError:
      box.setIcon(QMessageBox::Critical);
      break;
    case TMsgIcon::miQuestion:
      box.setIcon(QMessageBox::Question);
      break;
    case TMsgIcon::miInformation:
      box.setIcon(QMessageBox::Information);
      break;
    case TMsgIcon::miNone:
      break;
  }
  switch (buttons) {
    case TMsgButtons::mbOK:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case TMsgButtons::mbYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case TMsgButtons::mbOKCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes:
      return idYes;
    case QMessageBox::No:
      return idNo;
    case QMessageBox::Cancel:
      return idCancel;
    default:
      return buttons == TMsgButtons::mbOKCancel && box.clickedButton() == nullptr ? idCancel : idOK;
  }
}

int QtWindowSystem::Confirmation(const std::string& text) {
  return MessageBox(text, FApplication.Title(), TMsgButtons::mbOKCancel, TMsgIcon::miQuestion);
}

void QtWindowSystem::ShellOpen(const std::string& target, const std::string& verb) {
  // Qt offers one verb, the system's default action, which is what "open" asks for.
  (void)verb;
  const QString text = ToQ(target);
  QUrl url(text, QUrl::StrictMode);
  const bool isUrl = url.isValid() && url.scheme().size() > 1 && !text.startsWith('/');
  if (!isUrl) {
    if (!QFileInfo::exists(text)) {
      throw EShellError("The system cannot find the file specified: " + target);
    }
    url = QUrl::fromLocalFile(text);
  }
  if (!QDesktopServices::openUrl(url)) {
    throw EShellError("No application is associated with " + target);
  }
}

}  // namespace qp::ui
