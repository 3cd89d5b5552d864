#include "dblayer/db_object.h"

#include "dblayer/db_connection.h"

namespace dblayer {

DbObject::~DbObject() {
  // Derived classes close and detach in their own destructors, while their
  // DoClose can still run; this only makes sure no connection keeps a
  // dangling entry.
  if (connection_ != nullptr) connection_->Detach(this);
  connection_ = nullptr;
}

bool DbObject::Open() {
  if (open_) return true;
  if (!DoOpen()) return false;
  open_ = true;
  return true;
}

bool DbObject::Close() {
  if (!open_) return true;
  if (!DoClose()) return false;
  open_ = false;
  return true;
}

bool DbObject::SetConnection(DbConnection* connection) {
  if (connection == connection_) return true;
  if (open_ && DoClose()) open_ = false;
  if (connection_ != nullptr) connection_->Detach(this);
  if (connection != nullptr) connection->Attach(this);
  connection_ = connection;
  return true;
}

sqlite3* DbObject::GetHandle() const {
  return connection_ != nullptr ? connection_->GetHandle() : nullptr;
}

}  // namespace dblayer
