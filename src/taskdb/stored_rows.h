// How many rows of each kind the task database holds, read back from the
// file, so that what the run reports is what was stored.
#pragma once

namespace dblayer {
class DbConnection;
}  // namespace dblayer

namespace taskdb {

struct StoredRows {
  long genericTasks = 0;
  long emuleTasks = 0;
  long btTasks = 0;
  long btFiles = 0;
  long containers = 0;
};

// Counts on the given connection; false when a table cannot be read.
bool CountStoredRows(dblayer::DbConnection* connection, StoredRows* rows);

}  // namespace taskdb
