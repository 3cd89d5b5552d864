// The process-wide connection to the new task database. It is opened on
// first use from NewDatabasePath, which the upgrade driver sets, and is
// released at process exit.
//
// The database is built under a name of its own beside NewDatabasePath (the
// same name with kBuildingSuffix) and only takes NewDatabasePath's name
// when it is finished, whole and on the disk. So a file at NewDatabasePath
// always is a complete database, and its existence can tell a later run
// that the conversion was done; a run that stops part way leaves only the
// building file, which the next run removes before it starts over.
#pragma once

#include <string>

#include "dblayer/db_connection.h"

namespace dblayer {

// Narrow path of the new task database, in the system ANSI code page.
constexpr int kDatabasePathCapacity = 1024;
extern char NewDatabasePath[kDatabasePathCapacity];

// Appended to NewDatabasePath's file name while the database is being built.
inline constexpr char kBuildingSuffix[] = ".tmp";

// The holder of the shared connection. The first call creates the
// connection and opens the building file afresh, with synchronous writes
// and the rollback journal turned off (the file counts for nothing until it
// is finished, so a crash has nothing to protect); when the file cannot be
// opened the connection exists but stays closed, and every command on it
// fails to prepare. Later calls return the same holder.
DbConnection*& GetSharedDatabase();

// True when the shared connection has been made (GetSharedDatabase was
// called) and not finished since.
bool SharedDatabaseInUse();

// Host paths of the finished database and of the building file; empty when
// NewDatabasePath names no file.
std::string FinishedDatabaseHostPath();
std::string BuildingDatabaseHostPath();

// Removes a building file (and its journal) that an unfinished run left.
// False when one is there and cannot be removed.
bool DiscardUnfinishedDatabase();

// What became of the shared database when the run ended.
struct SharedDatabaseOutcome {
  enum Kind {
    kNotUsed,    // never opened: nothing was written, no file made
    kFinished,   // closed, synced and renamed to NewDatabasePath
    kDiscarded,  // removed, for the reason below; nothing at NewDatabasePath
  };
  Kind kind = kNotUsed;
  // For kDiscarded: the SQLite result code of the failure (SQLITE_FULL for
  // a full disk), or 0 when the caller asked for the database to be
  // dropped; and the failure in words, e.g. "the disk is full".
  int code = 0;
  bool diskFull = false;
  std::string reason;
};

// Closes the shared connection. When keep is true and no statement met a
// storage failure, the building file is synced and renamed onto
// NewDatabasePath (the caller syncs the folder once it has made its own
// last changes there); otherwise it is removed. The next GetSharedDatabase
// starts afresh.
SharedDatabaseOutcome FinishSharedDatabase(bool keep);

}  // namespace dblayer
