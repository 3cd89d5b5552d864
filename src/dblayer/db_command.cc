#include "dblayer/db_command.h"

#include <sqlite3.h>

#include "dblayer/db_connection.h"
#include "dblayer/db_value_type.h"

namespace dblayer {

DbCommand::~DbCommand() {
  if (IsOpen()) Close();
  SetConnection(nullptr);
  // A statement whose finalize failed was already forgotten by DoClose; this
  // covers a prepared command that somehow stayed open.
  if (statement_ != nullptr) {
    sqlite3_finalize(statement_);
    statement_ = nullptr;
  }
}

bool DbCommand::SetSQL(const char16_t* sql) {
  if (IsOpen()) return false;
  if (sql == nullptr)
    sql_.reset();
  else
    sql_ = std::u16string(sql);
  return true;
}

bool DbCommand::Prepare() {
  if (IsOpen()) return false;
  sqlite3* handle = GetHandle();
  if (handle == nullptr || !sql_) return false;
  const void* tail = nullptr;
  sqlite3_stmt* statement = nullptr;
  int bytes = static_cast<int>(sql_->size() * sizeof(char16_t));
  int rc = sqlite3_prepare16_v2(handle, sql_->c_str(), bytes, &statement, &tail);
  if (rc != SQLITE_OK) {
    // Preparing reads the schema from the file, which can fail like a write.
    if (GetConnection() != nullptr) GetConnection()->NoteResult(rc);
    if (statement != nullptr) sqlite3_finalize(statement);
    return false;
  }
  // A text of only blanks or comments compiles to no statement at all; there
  // is nothing to run, so it counts as a text that does not prepare.
  if (statement == nullptr) return false;
  statement_ = statement;
  SetOpenFlag(true);
  return true;
}

bool DbCommand::Bind(int32_t index, const void* value, int32_t type, int32_t length) {
  if (statement_ == nullptr) return false;
  int rc;
  switch (type) {
    case kDbInteger:
      if (value == nullptr) return false;
      rc = sqlite3_bind_int(statement_, index, *static_cast<const int32_t*>(value));
      break;
    case kDbFloat:
      if (value == nullptr) return false;
      rc = sqlite3_bind_double(statement_, index, *static_cast<const double*>(value));
      break;
    case kDbText: {
      const char16_t* text = static_cast<const char16_t*>(value);
      int units = 0;
      if (text != nullptr)
        while (text[units] != 0) ++units;
      rc = sqlite3_bind_text16(statement_, index, text, units * 2, SQLITE_TRANSIENT);
      break;
    }
    case kDbBlob:
      if (length < 0) return false;
      rc = sqlite3_bind_blob(statement_, index, value, length, SQLITE_TRANSIENT);
      break;
    case kDbNull:
      rc = sqlite3_bind_null(statement_, index);
      break;
    default:
      return false;
  }
  return rc == SQLITE_OK;
}

int32_t DbCommand::Execute() {
  if (statement_ == nullptr && !Prepare()) return kDbExecutePrepareFailed;
  int rc = sqlite3_step(statement_);
  int32_t status = kDbExecuteOk;
  if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) {
    sqlite3_reset(statement_);
  } else {
    status = kDbExecuteStepFailed;
    if (GetConnection() != nullptr) GetConnection()->NoteResult(rc);
  }
  sqlite3_finalize(statement_);
  statement_ = nullptr;
  SetOpenFlag(false);
  return status;
}

bool DbCommand::DoClose() {
  if (statement_ == nullptr) return true;
  bool ok = sqlite3_finalize(statement_) == SQLITE_OK;
  statement_ = nullptr;
  return ok;
}

}  // namespace dblayer
