// DbCommand is a one-shot statement (DDL, INSERT, PRAGMA): set its SQL text,
// optionally prepare it and bind parameters, execute it once. After Execute
// it is idle again and may take a new text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "dblayer/db_object.h"

struct sqlite3_stmt;

namespace dblayer {

// Results of DbCommand::Execute.
constexpr int32_t kDbExecuteOk = 0;
constexpr int32_t kDbExecuteStepFailed = -1;
constexpr int32_t kDbExecutePrepareFailed = -2;

class DbCommand : public DbObject {
 public:
  DbCommand() = default;
  ~DbCommand() override;

  // False, and nothing changes, while the command is prepared. A none text
  // leaves the command without SQL.
  bool SetSQL(const char16_t* sql);
  const char16_t* GetSQL() const override { return sql_ ? sql_->c_str() : nullptr; }

  // Compiles the SQL text; false when already prepared, without a handle or
  // text, or when SQLite rejects the text.
  bool Prepare();

  // Binds parameter index (1-based) of the prepared statement. value points
  // to the value as DbValueType describes it; length counts the bytes of a
  // blob and is ignored otherwise. SQLite copies the value.
  bool Bind(int32_t index, const void* value, int32_t type, int32_t length);

  // Prepares when needed, steps once and finalizes. 0 on success (a returned
  // row is discarded), -1 when the step fails, -2 when the text does not
  // prepare.
  int32_t Execute();

 protected:
  bool DoOpen() override { return Execute() >= 0; }
  bool DoClose() override;

 private:
  sqlite3_stmt* statement_ = nullptr;
  std::optional<std::u16string> sql_;
};

}  // namespace dblayer
