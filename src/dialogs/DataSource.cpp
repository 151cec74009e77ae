#include "dialogs/DataSource.h"

#include <algorithm>

namespace qp::dialogs {

namespace {

bool IsEditing(store::TDataSetState state) {
  return state == store::TDataSetState::dsEdit || state == store::TDataSetState::dsInsert;
}

}  // namespace

TDataSource::TDataSource(store::TDataSet* dataSet) {
  SetDataSet(dataSet);
}

TDataSource::~TDataSource() {
  Detach();
  // Links outlive their source only when it is removed first; they then show nothing.
  const std::vector<TDataLink*> links = FLinks;
  for (TDataLink* link : links) link->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(store::TDataSet* dataSet) {
  if (dataSet == FDataSet) return;
  Detach();
  FDataSet = dataSet;
  Attach();
  DataSetStateChanged();
}

store::TDataSetState TDataSource::State() const {
  return FDataSet != nullptr ? FDataSet->State() : store::TDataSetState::dsInactive;
}

void TDataSource::Attach() {
  if (FDataSet == nullptr) return;
  FDataSet->OnStateChange = [this](store::TDataSet&) { DataSetStateChanged(); };
  FDataSet->OnDataChange = [this](store::TDataSet&) { DataSetDataChanged(); };
}

void TDataSource::Detach() {
  if (FDataSet == nullptr) return;
  FDataSet->OnStateChange = nullptr;
  FDataSet->OnDataChange = nullptr;
}

void TDataSource::AddLink(TDataLink* link) {
  FLinks.push_back(link);
}

void TDataSource::RemoveLink(TDataLink* link) {
  FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), link), FLinks.end());
}

void TDataSource::DataSetStateChanged() {
  const store::TDataSetState state = State();
  const bool active = state != store::TDataSetState::dsInactive;
  const bool editing = IsEditing(state);
  // A handler may attach or detach links; the copy keeps the walk valid.
  const std::vector<TDataLink*> links = FLinks;
  if (active != FActive) {
    FActive = active;
    FEditing = editing;
    for (TDataLink* link : links) link->ActiveChanged();
    return;
  }
  if (editing != FEditing) {
    FEditing = editing;
    for (TDataLink* link : links) link->EditingChanged();
  }
}

void TDataSource::DataSetDataChanged() {
  const std::vector<TDataLink*> links = FLinks;
  for (TDataLink* link : links) link->DataSetChanged();
}

TDataLink::~TDataLink() {
  if (FDataSource != nullptr) FDataSource->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource* dataSource) {
  if (dataSource == FDataSource) return;
  if (FDataSource != nullptr) FDataSource->RemoveLink(this);
  FDataSource = dataSource;
  if (FDataSource != nullptr) FDataSource->AddLink(this);
  ActiveChanged();
}

store::TDataSet* TDataLink::DataSet() const {
  return FDataSource != nullptr ? FDataSource->DataSet() : nullptr;
}

bool TDataLink::Active() const {
  return FDataSource != nullptr && FDataSource->State() != store::TDataSetState::dsInactive;
}

bool TDataLink::Editing() const {
  return FDataSource != nullptr && IsEditing(FDataSource->State());
}

bool TDataLink::Edit() {
  if (!Active()) return false;
  if (!Editing()) DataSet()->Edit();
  return Editing();
}

store::TField* TFieldDataLink::Field() const {
  if (!Active() || FieldName.empty()) return nullptr;
  return DataSet()->FindField(FieldName);
}

}  // namespace qp::dialogs
