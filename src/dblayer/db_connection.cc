#include "dblayer/db_connection.h"

#include <sqlite3.h>

#include <vector>

#include "dblayer/db_object.h"

namespace dblayer {

DbConnection::~DbConnection() {
  if (open_) Open(false);
  // Objects may outlive their connection: close what is still open, then cut
  // the links from both sides.
  std::vector<DbObject*> members;
  members.reserve(attached_.size());
  for (auto& entry : attached_) members.push_back(entry.second);
  for (DbObject* object : members)
    if (object->IsOpen()) object->Close();
  attached_.clear();
  for (DbObject* object : members) object->ForgetConnection();
}

void DbConnection::SetFileName(const char16_t* name) {
  if (open_) return;
  if (name == nullptr)
    file_name_.reset();
  else
    file_name_ = std::u16string(name);
}

bool DbConnection::Open(bool open) {
  if (!open) return CloseNow();
  if (open_) return true;
  if (!file_name_) return false;
  sqlite3* handle = nullptr;
  if (sqlite3_open16(file_name_->c_str(), &handle) != SQLITE_OK) {
    // SQLite usually hands out a handle even when the open fails; it must
    // still be released.
    if (handle != nullptr) sqlite3_close(handle);
    return false;
  }
  handle_ = handle;
  open_ = true;
  storage_failure_ = 0;
  return true;
}

void DbConnection::NoteResult(int rc) {
  if (storage_failure_ != 0) return;
  switch (rc & 0xFF) {  // the primary code of an extended one
    case SQLITE_PERM:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_NOMEM:
    case SQLITE_READONLY:
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_PROTOCOL:
    case SQLITE_NOTADB:
      storage_failure_ = rc;
      break;
    default:
      break;
  }
}

bool DbConnection::CloseNow() {
  if (!open_) return true;
  try {
    // Closing an object never detaches it, but copy the members anyway so
    // that no object can disturb the walk.
    std::vector<DbObject*> members;
    members.reserve(attached_.size());
    for (auto& entry : attached_) members.push_back(entry.second);
    for (DbObject* object : members)
      if (object->IsOpen()) object->Close();
    if (sqlite3_close(handle_) != SQLITE_OK) return false;
    handle_ = nullptr;
    open_ = false;
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace dblayer
