// DbConnection is one open SQLite database file, named in UTF-16. It keeps
// the set of database objects attached to it, without owning them, so that
// either side may be destroyed first: closing the connection closes its
// objects, destroying it leaves them detached.
#pragma once

#include <map>
#include <optional>
#include <string>

struct sqlite3;

namespace dblayer {

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

  // Statements report their SQLite result codes here. The first one that
  // says the file itself could not be read or written (disk full, I/O
  // error, no rights, locked, damaged) is kept: after it the file cannot be
  // trusted to hold what the statements that succeeded wrote. A statement
  // that is refused on its own merits (a constraint, a bad text) leaves no
  // mark. 0 while there was none; Open(true) starts afresh.
  void NoteResult(int rc);
  int FirstStorageFailure() const { return storage_failure_; }

 private:
  friend class DbObject;  // keeps the attached set in step with its connection pointer
  void Attach(DbObject* object) { attached_[object] = object; }
  void Detach(DbObject* object) { attached_.erase(object); }
  bool CloseNow();

  std::optional<std::u16string> file_name_;
  sqlite3* handle_ = nullptr;
  bool open_ = false;
  int storage_failure_ = 0;
  std::map<DbObject*, DbObject*> attached_;
};

}  // namespace dblayer
