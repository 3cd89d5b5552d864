// DbObject is the base of everything that works on a DbConnection (commands
// and query cursors). It holds a non-owning pointer to its connection and an
// open flag, and opens and closes through the virtual DoOpen and DoClose.
#pragma once

struct sqlite3;

namespace dblayer {

class DbConnection;

class DbObject {
 public:
  DbObject() = default;
  virtual ~DbObject();

  DbObject(const DbObject&) = delete;
  DbObject& operator=(const DbObject&) = delete;

  // True when open already or when DoOpen succeeds.
  bool Open();
  // True when closed already or when DoClose succeeds; a failing DoClose
  // leaves the object open.
  bool Close();
  bool IsOpen() const { return open_; }

  // Moves the object to connection (or detaches it with none), closing it
  // first when it is open. Always true.
  bool SetConnection(DbConnection* connection);
  DbConnection* GetConnection() const { return connection_; }

  // The connection's SQLite handle; none without a connection or while the
  // connection is closed.
  sqlite3* GetHandle() const;

 protected:
  // The slot order (destructor, DoOpen, DoClose, GetSQL) is part of the
  // layer's contract; the base opens and closes nothing.
  virtual bool DoOpen() { return false; }
  virtual bool DoClose() { return false; }

 public:
  virtual const char16_t* GetSQL() const { return nullptr; }

 protected:
  void SetOpenFlag(bool open) { open_ = open; }

 private:
  friend class DbConnection;
  // Called by a connection that is going away: the object is already out of
  // its attached set.
  void ForgetConnection() { connection_ = nullptr; }

  DbConnection* connection_ = nullptr;
  bool open_ = false;
};

}  // namespace dblayer
