// Fields and datasets: the rows of a table or a query, held in memory, with one current row
// that data-bound controls and the program's row-by-row loops read and edit.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/Sqlite.h"

namespace qp::store {

class TDataSet;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// The kind of value a field holds, taken from the column's declared type.
enum class TFieldType { ftUnknown, ftString, ftInteger, ftBoolean, ftFloat };

// One column of a dataset, reading and writing the value of the dataset's current row.
// Owned by its dataset; a reference stays valid while the dataset's columns stay the same
// (reopening a table keeps its fields). Main thread only.
class TField {
 public:
  TField(TDataSet& dataSet, int index, std::string fieldName, TFieldType dataType, int size);
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  const std::string& FieldName() const { return FFieldName; }
  TFieldType DataType() const { return FDataType; }
  // The maximum length of a string field in bytes; 0 = unlimited.
  int Size() const { return FSize; }

  // Reading: NULL reads as "", 0 and false. A boolean reads as "True"/"False" as a string.
  // A text that is no number (or outside int) raises EDatabaseError when read as an integer,
  // and one that is no boolean ("True", "False", "T", "F", "Yes", "No", "1", "0") when read
  // as a boolean.
  std::string AsString() const;
  int AsInteger() const;
  bool AsBoolean() const;
  bool IsNull() const;

  // Writing needs the dataset in edit or insert mode (EDatabaseError otherwise). A string
  // longer than Size() is cut to Size() bytes (backing off to the start of a UTF-8 character
  // rather than splitting one). An empty text stores NULL in a numeric or boolean field; a
  // text that does not convert raises EDatabaseError.
  void SetAsString(const std::string& value);
  void SetAsInteger(int value);
  void SetAsBoolean(bool value);
  void Clear();

  // Used by the dataset when it reuses a field for a reopened result.
  void Redefine(TFieldType dataType, int size);

 private:
  const TFieldValue& Value() const;
  void SetValue(TFieldValue value);
  std::string CutToSize(std::string value) const;

  TDataSet& FDataSet;
  int FIndex;
  std::string FFieldName;
  TFieldType FDataType;
  int FSize;
};

// Rows of a table or a query, kept in memory after Open, with one current row. Moving to
// another row while editing posts the row first (or drops an insert nothing was typed into).
// Owned by whoever created it (a window, a dialog, a handler); main thread only.
class TDataSet {
 public:
  TDataSet() = default;
  virtual ~TDataSet();
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;

  // Runs the table's select or the query's statement and keeps its rows; the current row is
  // the first one. EDatabaseError with the engine's message on failure.
  void Open();
  // Drops the rows and any unposted edit.
  void Close();
  bool Active() const { return FState != TDataSetState::dsInactive; }

  bool First();  // moves to the first row; false when there is none
  bool Next();   // moves to the next row; false when there is no further row (then Eof())
  bool Prior();  // moves to the previous row; false when there is none (then Bof())
  bool Last();   // moves to the last row; false when there is none
  bool Bof() const { return FBof; }
  bool Eof() const { return FEof; }
  bool IsEmpty() const { return FRows.empty(); }
  int RecordCount() const { return static_cast<int>(FRows.size()); }

  TField& FieldByName(const std::string& name);  // EDatabaseError when absent
  TField* FindField(const std::string& name);    // nullptr when absent
  int FieldCount() const { return static_cast<int>(FFields.size()); }
  TField& Fields(int index);

  // Starts a new empty row (every value NULL); Post writes it and makes it the last row.
  void Insert();
  // Starts editing the current row (inserts when the dataset is empty).
  void Edit();
  // Writes the row being inserted or edited; does nothing in browse mode.
  void Post();
  // Discards the row being inserted or edited.
  void Cancel();
  // Removes the current row (cancels a pending insert instead).
  void Delete();
  // Reads the rows again, staying on the current row when it still exists.
  void Refresh();

  bool CanModify() const;
  TDataSetState State() const { return FState; }
  bool Modified() const { return FModified; }

  std::function<void(TDataSet& Sender)> OnDataChange;  // the current row, or a value of it, changed
  std::function<void(TDataSet& Sender)> OnStateChange;  // State() changed

 protected:
  struct TRow {
    int64_t RowId = 0;
    std::vector<TFieldValue> Values;
  };
  struct TColumn {
    std::string Name;
    std::string DeclType;
  };
  struct TResult {
    std::vector<TColumn> Columns;
    std::vector<TRow> Rows;
  };

  // Runs the select of the dataset. A result whose first column is named kRowIdColumn carries
  // each row's rowid there; that column is not a field.
  virtual TResult InternalFetch() = 0;
  // Releases what InternalFetch acquired (a connection, a registration).
  virtual void InternalClose() {}
  // Writes row (inserting when inserting is set) and updates it with what the engine
  // assigned (the rowid, an autoincrement ID).
  virtual void InternalPost(TRow& row, bool inserting);
  virtual void InternalDelete(const TRow& row);
  virtual bool InternalCanModify() const { return false; }

  const std::vector<std::unique_ptr<TField>>& FieldList() const { return FFields; }
  // Reads every row of statement into a result.
  static TResult ReadResult(TSqliteStatement& statement);

  static constexpr const char* kRowIdColumn = "qp_rowid";

 private:
  friend class TField;

  void CheckActive() const;
  void CheckBrowseMode();
  void SetState(TDataSetState state);
  void DataChanged();
  void BuildFields(const std::vector<TColumn>& columns);
  const TFieldValue& CurrentValue(int index) const;
  void SetCurrentValue(int index, TFieldValue value);

  TDataSetState FState = TDataSetState::dsInactive;
  std::vector<std::unique_ptr<TField>> FFields;
  std::vector<TRow> FRows;
  std::size_t FCurrent = 0;
  bool FBof = true;
  bool FEof = true;
  TRow FEditRow;
  bool FModified = false;
};

}  // namespace qp::store
