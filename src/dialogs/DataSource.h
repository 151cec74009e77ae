// The link between a dataset and the controls that show and edit its current row: a data
// source passes the dataset's notifications on to every data link attached to it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "store/DataSet.h"

namespace qp::dialogs {

class TDataLink;

// Watches one dataset and tells its links when the dataset opens or closes, starts or ends
// editing, or moves or changes its current row. It takes the dataset's OnDataChange and
// OnStateChange events, so a dataset has one data source at a time. Destroying a data
// source detaches its links, which then show nothing. Owned by the dialog that shows the
// dataset, declared after it; main thread only.
class TDataSource {
 public:
  explicit TDataSource(store::TDataSet* dataSet = nullptr);
  ~TDataSource();
  TDataSource(const TDataSource&) = delete;
  TDataSource& operator=(const TDataSource&) = delete;

  store::TDataSet* DataSet() const { return FDataSet; }
  // Binds another dataset (or none) and tells the links.
  void SetDataSet(store::TDataSet* dataSet);
  // dsInactive without a dataset.
  store::TDataSetState State() const;

 private:
  friend class TDataLink;

  void AddLink(TDataLink* link);
  void RemoveLink(TDataLink* link);
  void DataSetStateChanged();
  void DataSetDataChanged();
  void Attach();
  void Detach();

  store::TDataSet* FDataSet = nullptr;
  std::vector<TDataLink*> FLinks;
  bool FActive = false;
  bool FEditing = false;
};

// What a control or a navigator keeps to follow a data source. The three notifications
// come from the data source; a subclass turns them into updates of what it shows. Owned by
// its control; main thread only.
class TDataLink {
 public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return FDataSource; }
  // Attaches to another data source (or none); then ActiveChanged runs.
  void SetDataSource(TDataSource* dataSource);
  store::TDataSet* DataSet() const;
  // True with a data source whose dataset is open.
  bool Active() const;
  // True while the dataset inserts or edits a row.
  bool Editing() const;
  // Puts the dataset into edit mode unless it is already editing (an empty dataset starts
  // a new row instead). Returns whether it is now editing; false when not active. Throws
  // the dataset's EDatabaseError when it cannot be modified.
  bool Edit();

 protected:
  // The dataset opened or closed, or the link moved to another source.
  virtual void ActiveChanged() {}
  // The dataset started or ended editing.
  virtual void EditingChanged() {}
  // The current row moved, or a value of it changed.
  virtual void DataSetChanged() {}

 private:
  friend class TDataSource;
  TDataSource* FDataSource = nullptr;
};

// A link to one field of the current row, found by name whenever the link needs it.
class TFieldDataLink : public TDataLink {
 public:
  std::string FieldName;
  // The field, or nullptr when the link is not active or the dataset has no such field.
  store::TField* Field() const;

  // Runs on every notification: what the control shows may have changed.
  std::function<void()> OnDataChange;

 protected:
  void ActiveChanged() override { Notify(); }
  void EditingChanged() override { Notify(); }
  void DataSetChanged() override { Notify(); }

 private:
  void Notify() {
    if (OnDataChange) OnDataChange();
  }
};

}  // namespace qp::dialogs
