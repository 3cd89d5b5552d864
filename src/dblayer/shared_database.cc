#include "dblayer/shared_database.h"

#include <cstdlib>
#include <string>

#include "dblayer/db_command.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

char NewDatabasePath[kDatabasePathCapacity] = {};

namespace {

DbConnection* shared_connection = nullptr;

// The file name for SQLite. The narrow path names a Windows file; the
// platform layer maps it to the file that stands for it on this host, whose
// name comes back in UTF-8 and goes to SQLite in UTF-16.
std::u16string DatabaseFileName() {
  std::string host = platform::HostPathFromAnsi(NewDatabasePath);
  return platform::ToUtf16(host.c_str(), win::CP_UTF8);
}

void OpenShared(DbConnection* connection) {
  // An unset path would make SQLite open a private temporary database and
  // silently throw the converted history away; leave the connection closed
  // instead, so that every statement visibly fails.
  if (NewDatabasePath[0] == 0) return;
  std::u16string name = DatabaseFileName();
  if (name.empty()) return;
  connection->SetFileName(name.c_str());
  if (!connection->Open(true)) return;
  DbCommand pragma;
  pragma.SetConnection(connection);
  pragma.SetSQL(u"PRAGMA synchronous = OFF");
  pragma.Execute();
}

}  // namespace

DbConnection*& GetSharedDatabase() {
  static bool release_registered = false;
  if (shared_connection == nullptr) {
    if (!release_registered) {
      std::atexit(ReleaseSharedDatabase);
      release_registered = true;
    }
    shared_connection = new DbConnection();
    OpenShared(shared_connection);
  }
  return shared_connection;
}

void ReleaseSharedDatabase() {
  DbConnection* connection = shared_connection;
  shared_connection = nullptr;
  if (connection == nullptr) return;
  connection->Open(false);
  delete connection;
}
