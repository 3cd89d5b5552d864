// DbConnection is one open SQLite database file, named in UTF-16. It keeps
// the set of database objects attached to it, without owning them, so that
// either side may be destroyed first: closing the connection closes its
// objects, destroying it leaves them detached.
#pragma once

#include <map>
#include <optional>
#include <string>

struct sqlite3;
class DbObject;

class DbConnection {
 public:
  DbConnection() = default;
  virtual ~DbConnection();

  DbConnection(const DbConnection&) = delete;
  DbConnection& operator=(const DbConnection&) = delete;

  // Stores a copy of the file name; ignored while the connection is open.
  void SetFileName(const char16_t* name);

  // Open(true) opens the file (true when already open); Open(false) closes
  // every attached open object and then the file (true when already closed).
  // A close that SQLite refuses leaves the connection open and gives false.
  bool Open(bool open);

  bool IsOpen() const { return open_; }
  sqlite3* GetHandle() const { return handle_; }

 private:
  friend class DbObject;  // keeps the attached set in step with its connection pointer
  void Attach(DbObject* object) { attached_[object] = object; }
  void Detach(DbObject* object) { attached_.erase(object); }
  bool CloseNow();

  std::optional<std::u16string> file_name_;
  sqlite3* handle_ = nullptr;
  bool open_ = false;
  std::map<DbObject*, DbObject*> attached_;
};
