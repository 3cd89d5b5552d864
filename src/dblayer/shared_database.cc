#include "dblayer/shared_database.h"

#include <sqlite3.h>

#include <cstdlib>
#include <string>

#include "dblayer/db_command.h"
#include "platform/durable_file.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

namespace dblayer {

char NewDatabasePath[kDatabasePathCapacity] = {};

namespace {

// SQLite's rollback journal of the building file, should one be made.
constexpr char kJournalSuffix[] = "-journal";

DbConnection* shared_connection = nullptr;

// The building file and the final name of the open shared database, kept
// from when it was opened: at process exit the path mapping may no longer
// be usable, and the file must still be removed. Never destroyed.
struct OpenPaths {
  std::string building;
  std::string finished;
};
OpenPaths& SharedPaths() {
  static OpenPaths* paths = new OpenPaths();
  return *paths;
}

bool RemoveBuildingFile(const std::string& building) {
  if (building.empty()) return true;
  bool removed = platform::RemoveFileIfPresent(building + kJournalSuffix);
  return platform::RemoveFileIfPresent(building) && removed;
}

std::u16string Utf8ToUtf16(const std::string& text) {
  return platform::ToUtf16(text, win::CP_UTF8);
}

void RunPragma(DbConnection* connection, const char16_t* sql) {
  DbCommand pragma;
  pragma.SetConnection(connection);
  pragma.SetSQL(sql);
  pragma.Execute();
}

void OpenShared(DbConnection* connection) {
  // An unset path would make SQLite open a private temporary database and
  // silently throw the converted history away; leave the connection closed
  // instead, so that every statement visibly fails.
  const std::string host = BuildingDatabaseHostPath();
  if (host.empty()) return;
  SharedPaths() = OpenPaths{host, FinishedDatabaseHostPath()};
  // What an unfinished run left is never built upon: its rows may be half
  // of what it meant to write.
  RemoveBuildingFile(host);
  std::u16string name = Utf8ToUtf16(host);
  if (name.empty()) return;
  connection->SetFileName(name.c_str());
  if (!connection->Open(true)) return;
  RunPragma(connection, u"PRAGMA synchronous = OFF");
  RunPragma(connection, u"PRAGMA journal_mode = OFF");
}

void AbandonSharedDatabase() { FinishSharedDatabase(false); }

// A failure in the user's words; the SQLite text for the rare rest.
std::string FailureText(int code) {
  switch (code & 0xFF) {
    case SQLITE_FULL:
      return "the disk is full";
    case SQLITE_IOERR:
      return "the disk reported an input/output error";
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
      return "the file cannot be created or written there";
    default:
      return sqlite3_errstr(code);
  }
}

SharedDatabaseOutcome Discarded(int code, const std::string& reason) {
  RemoveBuildingFile(SharedPaths().building);
  SharedDatabaseOutcome outcome;
  outcome.kind = SharedDatabaseOutcome::kDiscarded;
  outcome.code = code;
  outcome.diskFull = (code & 0xFF) == SQLITE_FULL;
  outcome.reason = reason;
  return outcome;
}

}  // namespace

std::string FinishedDatabaseHostPath() {
  if (NewDatabasePath[0] == 0) return std::string();
  // The narrow path names a Windows file; the platform layer maps it to the
  // file that stands for it on this host.
  return platform::HostPathFromAnsi(NewDatabasePath);
}

std::string BuildingDatabaseHostPath() {
  std::string host = FinishedDatabaseHostPath();
  if (host.empty() || host.back() == '/') return std::string();
  return host + kBuildingSuffix;
}

bool DiscardUnfinishedDatabase() { return RemoveBuildingFile(BuildingDatabaseHostPath()); }

DbConnection*& GetSharedDatabase() {
  static bool release_registered = false;
  if (shared_connection == nullptr) {
    SharedPaths() = OpenPaths();
    if (!release_registered) {
      std::atexit(AbandonSharedDatabase);
      release_registered = true;
    }
    shared_connection = new DbConnection();
    OpenShared(shared_connection);
  }
  return shared_connection;
}

bool SharedDatabaseInUse() { return shared_connection != nullptr; }

SharedDatabaseOutcome FinishSharedDatabase(bool keep) {
  DbConnection* connection = shared_connection;
  shared_connection = nullptr;
  if (connection == nullptr) return SharedDatabaseOutcome();
  const bool wasOpen = connection->IsOpen();
  const int failure = connection->FirstStorageFailure();
  const bool closed = connection->Open(false);
  delete connection;
  if (!wasOpen) return Discarded(SQLITE_CANTOPEN, FailureText(SQLITE_CANTOPEN));
  if (failure != 0) return Discarded(failure, FailureText(failure));
  if (!keep) return Discarded(0, "the conversion did not finish");
  if (!closed) return Discarded(SQLITE_IOERR, "the file could not be closed");
  const OpenPaths& paths = SharedPaths();
  if (!platform::SyncFile(paths.building)) return Discarded(SQLITE_IOERR, FailureText(SQLITE_IOERR));
  if (!platform::RenameFile(paths.building, paths.finished))
    return Discarded(SQLITE_CANTOPEN, "the file could not take its final name");
  SharedDatabaseOutcome outcome;
  outcome.kind = SharedDatabaseOutcome::kFinished;
  return outcome;
}

}  // namespace dblayer
