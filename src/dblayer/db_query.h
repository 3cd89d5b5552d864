// DbQuery is a read cursor over one SELECT. Opening it prepares the SELECT,
// counts its rows, describes its columns and stands on the first row; the
// cells of that row are read on first access and served by column index or
// by column name. There is no move to a further row: the converter uses it
// for single-value lookups.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dblayer/db_object.h"
#include "dblayer/db_value_type.h"

struct sqlite3_stmt;

namespace dblayer {

// One result column as SQLite describes it; none where SQLite reports none.
struct DbColumnInfo {
  std::optional<std::u16string> name;
  std::optional<std::u16string> origin_name;
  std::optional<std::u16string> table_name;
  std::optional<std::u16string> declared_type;
  int32_t value_type = kDbText;  // of the first row's value; NULL counts as text
};

// One value of the current row. A stored buffer is one byte longer than
// length and ends in a zero byte, so that text stays terminated.
struct DbCell {
  std::unique_ptr<uint8_t[]> data;
  int32_t value_type = kDbNull;
  int32_t length = 0;
};

struct DbRow {
  std::vector<DbCell> cells;
};

class DbQuery : public DbObject {
 public:
  DbQuery() = default;
  ~DbQuery() override;

  // False while open. A none text makes the SQL text empty.
  bool SetSQL(const char16_t* sql);
  const char16_t* GetSQL() const override { return sql_.c_str(); }

  // Reads one cell of the current row: data points into the query's own row
  // (none for a NULL value) and stays valid until the query is closed or
  // destroyed. False when the query is not open, the index is out of range
  // or the row cannot be read; the outputs are then untouched.
  bool GetField(int32_t index, const void** data, int32_t* length, int32_t* type);
  // As GetField on the first column whose name matches, ignoring the case of
  // ASCII letters; false when no column has that name.
  bool GetFieldByName(const char16_t* name, const void** data, int32_t* length, int32_t* type);

 protected:
  bool DoOpen() override;
  bool DoClose() override;

 private:
  int32_t CountRows();
  bool DescribeColumns();
  bool ReadRow();
  void DiscardStatement();

  std::u16string sql_;
  std::unique_ptr<DbRow> row_;
  std::vector<DbColumnInfo> columns_;
  int32_t row_index_ = -1;
  // Rows the SELECT yields, counted at open; -1 when they could not be
  // counted, 0 while closed.
  int32_t row_count_ = 0;
  bool empty_ = true;
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace dblayer
