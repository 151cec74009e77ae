#include "store/DataSet.h"

#include <climits>
#include <cmath>

#include "base/SysUtils.h"

namespace qp::store {

namespace {

const TFieldValue kNull{};

// The field kind of an SQLite declared type, after SQLite's own affinity rules (the word
// INT makes an integer) with BOOLEAN recognised; "VARCHAR(50)" gives a string of size 50.
void ParseDeclType(const std::string& declType, TFieldType& dataType, int& size) {
  const std::string upper = UpperCase(declType);
  dataType = TFieldType::ftUnknown;
  size = 0;
  if (upper.find("INT") != std::string::npos) {
    dataType = TFieldType::ftInteger;
  } else if (upper.find("BOOL") != std::string::npos) {
    dataType = TFieldType::ftBoolean;
  } else if (upper.find("CHAR") != std::string::npos || upper.find("TEXT") != std::string::npos ||
             upper.find("CLOB") != std::string::npos) {
    dataType = TFieldType::ftString;
    std::size_t open = upper.find('(');
    std::size_t close = upper.find(')', open == std::string::npos ? 0 : open);
    if (open != std::string::npos && close != std::string::npos) {
      size = StrToIntDef(upper.substr(open + 1, close - open - 1), 0);
      if (size < 0) size = 0;
    }
  } else if (upper.find("REAL") != std::string::npos || upper.find("FLOA") != std::string::npos ||
             upper.find("DOUB") != std::string::npos) {
    dataType = TFieldType::ftFloat;
  }
}

bool TryTextToBoolean(const std::string& text, bool& value) {
  const std::string t = Trim(text);
  for (const char* yes : {"True", "T", "Yes", "Y", "1"}) {
    if (SameText(t, yes)) return value = true;
  }
  for (const char* no : {"False", "F", "No", "N", "0", ""}) {
    if (SameText(t, no)) {
      value = false;
      return true;
    }
  }
  return false;
}

}  // namespace

TField::TField(TDataSet& dataSet, int index, std::string fieldName, TFieldType dataType, int size)
    : FDataSet(dataSet),
      FIndex(index),
      FFieldName(std::move(fieldName)),
      FDataType(dataType),
      FSize(size) {}

void TField::Redefine(TFieldType dataType, int size) {
  FDataType = dataType;
  FSize = size;
}

const TFieldValue& TField::Value() const {
  return FDataSet.CurrentValue(FIndex);
}

bool TField::IsNull() const {
  return std::holds_alternative<std::monostate>(Value());
}

std::string TField::AsString() const {
  const TFieldValue& value = Value();
  if (const auto* i = std::get_if<int64_t>(&value)) {
    if (FDataType == TFieldType::ftBoolean) return *i != 0 ? "True" : "False";
    return IntToStr(*i);
  }
  if (const auto* d = std::get_if<double>(&value)) return Format("%.15g", *d);
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  return "";
}

int TField::AsInteger() const {
  const TFieldValue& value = Value();
  int64_t result = 0;
  if (const auto* i = std::get_if<int64_t>(&value)) {
    result = *i;
  } else if (const auto* d = std::get_if<double>(&value)) {
    if (!(std::fabs(*d) < 2147483648.0)) {
      throw EDatabaseError(
          Format("'%g' is not a valid integer value for field '%s'", *d, FFieldName.c_str()));
    }
    result = std::llround(*d);
  } else if (const auto* s = std::get_if<std::string>(&value)) {
    if (!Trim(*s).empty() && !TryStrToInt64(Trim(*s), result)) {
      throw EDatabaseError(Format("'%s' is not a valid integer value for field '%s'", s->c_str(),
                                  FFieldName.c_str()));
    }
  }
  if (result < INT_MIN || result > INT_MAX) {
    throw EDatabaseError(Format("'%lld' is not a valid integer value for field '%s'",
                                static_cast<long long>(result), FFieldName.c_str()));
  }
  return static_cast<int>(result);
}

bool TField::AsBoolean() const {
  const TFieldValue& value = Value();
  if (const auto* i = std::get_if<int64_t>(&value)) return *i != 0;
  if (const auto* d = std::get_if<double>(&value)) return *d != 0.0;
  if (const auto* s = std::get_if<std::string>(&value)) {
    bool result = false;
    if (!TryTextToBoolean(*s, result)) {
      throw EDatabaseError(Format("'%s' is not a valid boolean value for field '%s'", s->c_str(),
                                  FFieldName.c_str()));
    }
    return result;
  }
  return false;
}

std::string TField::CutToSize(std::string value) const {
  if (FSize <= 0 || value.size() <= static_cast<std::size_t>(FSize)) return value;
  std::size_t cut = static_cast<std::size_t>(FSize);
  // Texts are UTF-8 on this system: do not keep the first bytes of a split character.
  while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
  value.resize(cut);
  return value;
}

void TField::SetAsString(const std::string& value) {
  switch (FDataType) {
    case TFieldType::ftInteger: {
      int64_t number = 0;
      if (Trim(value).empty()) return SetValue(std::monostate{});
      if (!TryStrToInt64(Trim(value), number)) {
        throw EDatabaseError(Format("'%s' is not a valid integer value for field '%s'",
                                    value.c_str(), FFieldName.c_str()));
      }
      return SetValue(number);
    }
    case TFieldType::ftBoolean: {
      bool flag = false;
      if (Trim(value).empty()) return SetValue(std::monostate{});
      if (!TryTextToBoolean(value, flag)) {
        throw EDatabaseError(Format("'%s' is not a valid boolean value for field '%s'",
                                    value.c_str(), FFieldName.c_str()));
      }
      return SetValue(int64_t{flag ? 1 : 0});
    }
    case TFieldType::ftFloat: {
      if (Trim(value).empty()) return SetValue(std::monostate{});
      try {
        std::size_t used = 0;
        double number = std::stod(value, &used);
        if (Trim(value.substr(used)).empty()) return SetValue(number);
      } catch (const std::exception&) {
      }
      throw EDatabaseError(Format("'%s' is not a valid floating point value for field '%s'",
                                  value.c_str(), FFieldName.c_str()));
    }
    default:
      return SetValue(CutToSize(value));
  }
}

void TField::SetAsInteger(int value) {
  if (FDataType == TFieldType::ftString) return SetValue(CutToSize(IntToStr(value)));
  if (FDataType == TFieldType::ftBoolean) return SetValue(int64_t{value != 0 ? 1 : 0});
  if (FDataType == TFieldType::ftFloat) return SetValue(static_cast<double>(value));
  SetValue(int64_t{value});
}

void TField::SetAsBoolean(bool value) {
  if (FDataType == TFieldType::ftString) return SetValue(CutToSize(value ? "True" : "False"));
  if (FDataType == TFieldType::ftFloat) return SetValue(value ? 1.0 : 0.0);
  SetValue(int64_t{value ? 1 : 0});
}

void TField::Clear() {
  SetValue(std::monostate{});
}

void TField::SetValue(TFieldValue value) {
  FDataSet.SetCurrentValue(FIndex, std::move(value));
}

TDataSet::~TDataSet() = default;

void TDataSet::CheckActive() const {
  if (!Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert) return;
  if (FModified) {
    Post();
  } else {
    Cancel();
  }
}

void TDataSet::SetState(TDataSetState state) {
  if (FState == state) return;
  FState = state;
  if (OnStateChange) OnStateChange(*this);
}

void TDataSet::DataChanged() {
  if (OnDataChange) OnDataChange(*this);
}

const TFieldValue& TDataSet::CurrentValue(int index) const {
  const std::size_t column = static_cast<std::size_t>(index);
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert) {
    return column < FEditRow.Values.size() ? FEditRow.Values[column] : kNull;
  }
  if (FState == TDataSetState::dsInactive || FRows.empty()) return kNull;
  const TRow& row = FRows[FCurrent];
  return column < row.Values.size() ? row.Values[column] : kNull;
}

void TDataSet::SetCurrentValue(int index, TFieldValue value) {
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert) {
    throw EDatabaseError("Dataset not in edit or insert mode");
  }
  FEditRow.Values.at(static_cast<std::size_t>(index)) = std::move(value);
  FModified = true;
  DataChanged();
}

TDataSet::TResult TDataSet::ReadResult(TSqliteStatement& statement) {
  TResult result;
  const int count = statement.ColumnCount();
  const int first = count > 0 && statement.ColumnName(0) == kRowIdColumn ? 1 : 0;
  for (int column = first; column < count; ++column) {
    result.Columns.push_back({statement.ColumnName(column), statement.ColumnDeclType(column)});
  }
  while (statement.Step()) {
    TRow row;
    if (first == 1) {
      const TFieldValue id = statement.Column(0);
      if (const auto* i = std::get_if<int64_t>(&id)) row.RowId = *i;
    }
    row.Values.reserve(static_cast<std::size_t>(count - first));
    for (int column = first; column < count; ++column)
      row.Values.push_back(statement.Column(column));
    result.Rows.push_back(std::move(row));
  }
  return result;
}

void TDataSet::BuildFields(const std::vector<TColumn>& columns) {
  bool same = columns.size() == FFields.size();
  for (std::size_t i = 0; same && i < columns.size(); ++i) {
    same = FFields[i]->FieldName() == columns[i].Name;
  }
  if (!same) FFields.clear();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    TFieldType dataType = TFieldType::ftUnknown;
    int size = 0;
    ParseDeclType(columns[i].DeclType, dataType, size);
    if (same) {
      FFields[i]->Redefine(dataType, size);
    } else {
      FFields.push_back(
          std::make_unique<TField>(*this, static_cast<int>(i), columns[i].Name, dataType, size));
    }
  }
}

void TDataSet::Open() {
  if (Active()) return;
  TResult result;
  try {
    result = InternalFetch();
  } catch (...) {
    InternalClose();
    throw;
  }
  BuildFields(result.Columns);
  FRows = std::move(result.Rows);
  FCurrent = 0;
  FBof = true;
  FEof = FRows.empty();
  FModified = false;
  SetState(TDataSetState::dsBrowse);
  DataChanged();
}

void TDataSet::Close() {
  if (!Active()) return;
  FRows.clear();
  FEditRow = TRow{};
  FModified = false;
  FCurrent = 0;
  FBof = FEof = true;
  InternalClose();
  SetState(TDataSetState::dsInactive);
}

bool TDataSet::First() {
  CheckBrowseMode();
  FCurrent = 0;
  FBof = true;
  FEof = FRows.empty();
  DataChanged();
  return !FRows.empty();
}

bool TDataSet::Next() {
  CheckBrowseMode();
  if (FRows.empty() || FCurrent + 1 >= FRows.size()) {
    FEof = true;
    return false;
  }
  ++FCurrent;
  FBof = FEof = false;
  DataChanged();
  return true;
}

bool TDataSet::Prior() {
  CheckBrowseMode();
  if (FRows.empty() || FCurrent == 0) {
    FBof = true;
    return false;
  }
  --FCurrent;
  FBof = FEof = false;
  DataChanged();
  return true;
}

bool TDataSet::Last() {
  CheckBrowseMode();
  FCurrent = FRows.empty() ? 0 : FRows.size() - 1;
  FEof = true;
  FBof = FRows.empty();
  DataChanged();
  return !FRows.empty();
}

TField* TDataSet::FindField(const std::string& name) {
  for (const auto& field : FFields) {
    if (SameText(field->FieldName(), name)) return field.get();
  }
  return nullptr;
}

TField& TDataSet::FieldByName(const std::string& name) {
  TField* field = FindField(name);
  if (field == nullptr) throw EDatabaseError("Field '" + name + "' not found");
  return *field;
}

TField& TDataSet::Fields(int index) {
  if (index < 0 || index >= FieldCount()) {
    throw EDatabaseError(Format("Field index out of range: %d", index));
  }
  return *FFields[static_cast<std::size_t>(index)];
}

bool TDataSet::CanModify() const {
  return Active() && InternalCanModify();
}

void TDataSet::InternalPost(TRow&, bool) {
  throw EDatabaseError("Cannot modify a read-only dataset");
}

void TDataSet::InternalDelete(const TRow&) {
  throw EDatabaseError("Cannot modify a read-only dataset");
}

void TDataSet::Insert() {
  CheckBrowseMode();
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  FEditRow = TRow{};
  FEditRow.Values.resize(FFields.size());
  FModified = false;
  SetState(TDataSetState::dsInsert);
  DataChanged();
}

void TDataSet::Edit() {
  CheckActive();
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert) return;
  if (FRows.empty()) return Insert();
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  FEditRow = FRows[FCurrent];
  FModified = false;
  SetState(TDataSetState::dsEdit);
}

void TDataSet::Post() {
  CheckActive();
  const bool inserting = FState == TDataSetState::dsInsert;
  if (!inserting && FState != TDataSetState::dsEdit) return;
  // A failed write leaves the dataset in its edit state so the values can be corrected.
  InternalPost(FEditRow, inserting);
  if (inserting) {
    // The engine returns rows in rowid order and a new row gets the highest rowid, so the
    // new row goes last, where the next Refresh finds it too.
    FRows.push_back(std::move(FEditRow));
    FCurrent = FRows.size() - 1;
  } else {
    FRows[FCurrent] = std::move(FEditRow);
  }
  FEditRow = TRow{};
  FModified = false;
  FBof = FEof = false;
  SetState(TDataSetState::dsBrowse);
  DataChanged();
}

void TDataSet::Cancel() {
  CheckActive();
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert) return;
  FEditRow = TRow{};
  FModified = false;
  SetState(TDataSetState::dsBrowse);
  DataChanged();
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == TDataSetState::dsInsert) return Cancel();
  if (FRows.empty()) throw EDatabaseError("Cannot perform this operation on an empty dataset");
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  InternalDelete(FRows[FCurrent]);
  FRows.erase(FRows.begin() + static_cast<std::ptrdiff_t>(FCurrent));
  if (FCurrent >= FRows.size() && FCurrent > 0) --FCurrent;
  FEditRow = TRow{};
  FModified = false;
  FBof = FCurrent == 0;
  FEof = FRows.empty();
  SetState(TDataSetState::dsBrowse);
  DataChanged();
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  const bool hadRow = !FRows.empty();
  const int64_t rowId = hadRow ? FRows[FCurrent].RowId : 0;
  const std::size_t oldIndex = FCurrent;
  TResult result = InternalFetch();
  BuildFields(result.Columns);
  FRows = std::move(result.Rows);
  FCurrent = std::min(oldIndex, FRows.empty() ? 0 : FRows.size() - 1);
  for (std::size_t i = 0; hadRow && rowId != 0 && i < FRows.size(); ++i) {
    if (FRows[i].RowId == rowId) {
      FCurrent = i;
      break;
    }
  }
  FBof = FCurrent == 0;
  FEof = FRows.empty();
  DataChanged();
}

}  // namespace qp::store
