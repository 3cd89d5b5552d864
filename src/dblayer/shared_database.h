// The process-wide connection to the new task database. It is opened on
// first use from NewDatabasePath, which the upgrade driver sets, and is
// released at process exit.
#pragma once

#include "dblayer/db_connection.h"

// Narrow path of the new task database, in the system ANSI code page.
constexpr int kDatabasePathCapacity = 1024;
extern char NewDatabasePath[kDatabasePathCapacity];

// The holder of the shared connection. The first call creates the connection
// and opens it with synchronous writes turned off; when the file cannot be
// opened the connection exists but stays closed, and every command on it
// fails to prepare. Later calls return the same holder.
DbConnection*& GetSharedDatabase();

// Closes and destroys the shared connection, so that the next
// GetSharedDatabase starts afresh. It also runs at process exit.
void ReleaseSharedDatabase();
