#include "support/FakeWindowSystem.h"

#include <algorithm>

namespace qp::test {

int FakeTreeNode::AbsoluteIndex() const {
  return FTree.IndexOf(this);
}

std::vector<FakeTreeNode*> FakeTreeNode::Children() const {
  std::vector<FakeTreeNode*> children;
  for (const auto& node : FTree.FNodes) {
    if (node->FParent == this) children.push_back(node.get());
  }
  return children;
}

void FakeTree::Clear() {
  FNodes.clear();
  FSelected = nullptr;
  ++ClearCount;
}

ui::ITreeNode& FakeTree::AddRoot(const std::string& caption) {
  FNodes.push_back(std::make_unique<FakeTreeNode>(*this, nullptr, caption, 0));
  return *FNodes.back();
}

ui::ITreeNode& FakeTree::AddChild(ui::ITreeNode& parent, const std::string& caption) {
  auto& owner = static_cast<FakeTreeNode&>(parent);
  // The new node goes after the parent's last descendant, keeping depth-first order.
  std::size_t at = static_cast<std::size_t>(IndexOf(&owner)) + 1;
  while (at < FNodes.size() && FNodes[at]->Level() > owner.Level()) ++at;
  auto node = std::make_unique<FakeTreeNode>(*this, &owner, caption, owner.Level() + 1);
  FakeTreeNode& added = *node;
  FNodes.insert(FNodes.begin() + static_cast<std::ptrdiff_t>(at), std::move(node));
  return added;
}

int FakeTree::IndexOf(const FakeTreeNode* node) const {
  for (std::size_t i = 0; i < FNodes.size(); ++i) {
    if (FNodes[i].get() == node) return static_cast<int>(i);
  }
  return -1;
}

int FakeListItem::Index() const {
  for (std::size_t i = 0; i < FList.FItems.size(); ++i) {
    if (FList.FItems[i].get() == this) return static_cast<int>(i);
  }
  return -1;
}

ui::IListItem& FakeListView::Add() {
  if (UpdateDepth == 0) ++AddsOutsideUpdate;
  FItems.push_back(std::make_unique<FakeListItem>(*this));
  return *FItems.back();
}

ui::IListItem* FakeListView::Selected() {
  for (const auto& item : FItems) {
    if (item->Selected()) return item.get();
  }
  return nullptr;
}

int FakeListView::SelCount() const {
  return static_cast<int>(std::count_if(FItems.begin(), FItems.end(),
                                        [](const auto& item) { return item->Selected(); }));
}

void FakeListView::Select(int index) {
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    FItems[i]->SetSelected(static_cast<int>(i) == index);
  }
}

std::vector<std::string> FakeListView::Captions() const {
  std::vector<std::string> captions;
  for (const auto& item : FItems) captions.push_back(item->Caption());
  return captions;
}

void FakeMemo::Add(const std::string& line) {
  TStringList lines;
  lines.SetText(line);
  if (lines.Empty()) lines.Add("");
  FLines.AddStrings(lines);
}

void FakeMemo::AddStrings(const TStringList& lines) {
  for (const std::string& line : lines) Add(line);
}

void FakeMenuItem::SetChecked(bool checked) {
  FChecked = checked;
  if (!checked || !FRadioItem || FMenu == nullptr) return;
  for (const auto& other : FMenu->FItems) {
    if (other.get() != this && other->FRadioItem && other->FGroupIndex == FGroupIndex) {
      other->FChecked = false;
    }
  }
}

std::unique_ptr<ui::IMenuItem> FakeMenu::CreateItem(const std::string& caption,
                                                    ui::TMenuClickEvent onClick) {
  return std::make_unique<FakeMenuItem>(caption, std::move(onClick));
}

ui::IMenuItem& FakeMenu::Append(std::unique_ptr<ui::IMenuItem> item) {
  auto* fake = dynamic_cast<FakeMenuItem*>(item.get());
  if (fake == nullptr) throw Exception("FakeMenu::Append takes items made by CreateItem");
  item.release();
  FItems.emplace_back(fake);
  fake->FMenu = this;
  return *fake;
}

std::vector<std::string> FakeMenu::Captions() const {
  std::vector<std::string> captions;
  for (const auto& item : FItems) captions.push_back(item->Caption());
  return captions;
}

void FakeCheckBox::Click() {
  FState = ui::NextCheckState(FState);
  if (FOnClick) FOnClick();
}

void FakeComboBox::Choose(int index) {
  FItemIndex = index;
  if (FOnChange) FOnChange();
}

bool FakeEdit::Type(const std::string& text) {
  if (NumbersOnly && text.find_first_not_of("0123456789") != std::string::npos) return false;
  // The limit counts characters, as a real edit does: UTF-8 continuation bytes do not count.
  std::size_t end = 0;
  int characters = 0;
  while (end < text.size() && (MaxLength <= 0 || characters < MaxLength)) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    ++characters;
  }
  FText = text.substr(0, end);
  if (FOnChange) FOnChange();
  return true;
}

bool FakeSaveDialog::Execute() {
  PresetNames.push_back(FFileName);
  if (Choices.empty()) return false;
  std::optional<std::string> choice = Choices.front();
  Choices.pop_front();
  if (!choice) return false;
  FFileName = *choice;
  return true;
}

int FakeWindowSystem::MessageBox(const std::string& text, const std::string& caption,
                                 ui::TMsgButtons buttons, ui::TMsgIcon icon) {
  MessageBoxes.push_back({text, caption, buttons, icon});
  if (!MessageBoxResults.empty()) {
    const int result = MessageBoxResults.front();
    MessageBoxResults.pop_front();
    return result;
  }
  return buttons == ui::TMsgButtons::mbYesNo ? ui::idYes : ui::idOK;
}

int FakeWindowSystem::Confirmation(const std::string& text) {
  Confirmations.push_back(text);
  if (!ConfirmationResults.empty()) {
    const int result = ConfirmationResults.front();
    ConfirmationResults.pop_front();
    return result;
  }
  return ui::idOK;
}

void FakeWindowSystem::ShellOpen(const std::string& target, const std::string& verb) {
  ShellOpens.push_back({target, verb});
  if (!ShellFailure.empty()) throw ui::EShellError(ShellFailure);
}

FakeMainView::FakeMainView() {
  for (const char* caption : {"Disconnect", "Server Management ...", "Subscribe/Unsubscribe ..."}) {
    Servers.Append(Servers.CreateItem(
        caption, [this](ui::IMenuItem& sender) { CommandClicks.push_back(sender.Caption()); }));
  }
  Servers.Append(Servers.CreateItem("-", nullptr));
  // The attachments list is hidden until an article with attachments is shown.
  Att.Hide();
}

}  // namespace qp::test
