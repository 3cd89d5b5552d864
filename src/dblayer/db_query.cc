#include "dblayer/db_query.h"

#include <sqlite3.h>

#include <cstring>

namespace dblayer {

namespace {

std::optional<std::u16string> CopyText(const void* text) {
  if (text == nullptr) return std::nullopt;
  return std::u16string(static_cast<const char16_t*>(text));
}

// Prepares a whole UTF-16 text. The text is handed over as it stands rather
// than through a fixed working buffer, so a SELECT of any length works.
int PrepareText(sqlite3* handle, const std::u16string& sql, sqlite3_stmt** statement) {
  const void* tail = nullptr;
  *statement = nullptr;
  int bytes = static_cast<int>(sql.size() * sizeof(char16_t));
  return sqlite3_prepare16_v2(handle, sql.c_str(), bytes, statement, &tail);
}

// Column names compare as the runtime's case-blind wide comparison does in
// the default locale: ASCII letters fold, nothing else.
char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

bool NameEqualNoCase(const std::u16string& a, const char16_t* b) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == 0 || FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return b[i] == 0;
}

// An owned copy of length bytes plus one zero byte; none stays none.
std::unique_ptr<uint8_t[]> CopyCell(const void* data, size_t copy_bytes, int32_t length) {
  if (data == nullptr) return nullptr;
  auto buffer = std::make_unique<uint8_t[]>(static_cast<size_t>(length) + 1);  // zero-filled
  std::memcpy(buffer.get(), data, copy_bytes);
  return buffer;
}

}  // namespace

DbQuery::~DbQuery() {
  SetConnection(nullptr);
  if (IsOpen()) {
    DoClose();
    SetOpenFlag(false);
  }
  DiscardStatement();
}

bool DbQuery::SetSQL(const char16_t* sql) {
  if (IsOpen()) return false;
  sql_ = sql != nullptr ? std::u16string(sql) : std::u16string();
  return true;
}

bool DbQuery::DoOpen() {
  if (GetConnection() == nullptr) return false;
  if (IsOpen()) return true;
  sqlite3* handle = GetHandle();
  if (handle == nullptr) return false;

  DiscardStatement();
  if (PrepareText(handle, sql_, &statement_) != SQLITE_OK || statement_ == nullptr) {
    DiscardStatement();
    return false;
  }
  row_count_ = CountRows();
  // From here on the query counts as open even if describing it fails, so
  // that Close releases the statement.
  SetOpenFlag(true);
  if (!DescribeColumns()) return false;

  sqlite3_reset(statement_);
  int rc = sqlite3_step(statement_);
  if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) {
    sqlite3_reset(statement_);
    return false;
  }
  empty_ = row_count_ == 0;
  row_index_ = 0;
  return true;
}

int32_t DbQuery::CountRows() {
  std::u16string count_sql = u"select count(*) from ( " + sql_ + u" )";
  sqlite3_stmt* count = nullptr;
  int32_t rows = -1;
  if (PrepareText(GetHandle(), count_sql, &count) == SQLITE_OK && count != nullptr) {
    if (sqlite3_step(count) == SQLITE_ROW) rows = sqlite3_column_int(count, 0);
  }
  if (count != nullptr) sqlite3_finalize(count);
  return rows;
}

bool DbQuery::DescribeColumns() {
  sqlite3_reset(statement_);
  int rc = sqlite3_step(statement_);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE && rc != SQLITE_OK) return false;
  int count = sqlite3_column_count(statement_);
  columns_.clear();
  for (int i = 0; i < count; ++i) {
    DbColumnInfo info;
    info.name = CopyText(sqlite3_column_name16(statement_, i));
    info.origin_name = CopyText(sqlite3_column_origin_name16(statement_, i));
    info.table_name = CopyText(sqlite3_column_table_name16(statement_, i));
    info.declared_type = CopyText(sqlite3_column_decltype16(statement_, i));
    int type = sqlite3_column_type(statement_, i);
    info.value_type = type == kDbNull ? kDbText : type;
    columns_.push_back(std::move(info));
  }
  sqlite3_reset(statement_);
  return true;
}

bool DbQuery::DoClose() {
  row_.reset();
  DiscardStatement();
  row_index_ = -1;
  columns_.clear();
  row_count_ = 0;
  return true;
}

void DbQuery::DiscardStatement() {
  if (statement_ != nullptr) sqlite3_finalize(statement_);
  statement_ = nullptr;
}

bool DbQuery::ReadRow() {
  auto row = std::make_unique<DbRow>();
  row->cells.resize(columns_.size());
  bool ok = true;
  for (size_t i = 0; i < columns_.size(); ++i) {
    DbCell& cell = row->cells[i];
    cell.value_type = columns_[i].value_type;
    int col = static_cast<int>(i);
    switch (cell.value_type) {
      case kDbInteger: {
        int32_t value = sqlite3_column_int(statement_, col);
        cell.length = sizeof value;
        cell.data = CopyCell(&value, sizeof value, cell.length);
        break;
      }
      case kDbFloat: {
        double value = sqlite3_column_double(statement_, col);
        cell.length = sizeof value;
        cell.data = CopyCell(&value, sizeof value, cell.length);
        break;
      }
      case kDbText: {
        const void* text = sqlite3_column_text16(statement_, col);
        int bytes = sqlite3_column_bytes16(statement_, col);
        cell.length = bytes + static_cast<int32_t>(sizeof(char16_t));
        cell.data = CopyCell(text, static_cast<size_t>(bytes), cell.length);
        break;
      }
      case kDbBlob: {
        const void* blob = sqlite3_column_blob(statement_, col);
        int bytes = sqlite3_column_bytes(statement_, col);
        cell.length = bytes;
        cell.data = CopyCell(blob, static_cast<size_t>(bytes), cell.length);
        break;
      }
      case kDbNull:
        break;
      default:
        ok = false;
        break;
    }
  }
  if (!ok) return false;
  row_ = std::move(row);
  return true;
}

bool DbQuery::GetField(int32_t index, const void** data, int32_t* length, int32_t* type) {
  if (!IsOpen()) return false;
  if (index < 0 || static_cast<size_t>(index) >= columns_.size()) return false;
  if (!row_ && !ReadRow()) return false;
  const DbCell& cell = row_->cells[static_cast<size_t>(index)];
  if (data != nullptr) *data = cell.data.get();
  if (length != nullptr) *length = cell.length;
  if (type != nullptr) *type = cell.value_type;
  return true;
}

bool DbQuery::GetFieldByName(const char16_t* name, const void** data, int32_t* length,
                             int32_t* type) {
  if (name == nullptr) return false;
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].name && NameEqualNoCase(*columns_[i].name, name))
      return GetField(static_cast<int32_t>(i), data, length, type);
  }
  return false;
}

}  // namespace dblayer
