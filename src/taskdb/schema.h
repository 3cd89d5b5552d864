// The nine tables of the task database. Every task is one TransferTask row
// plus the rows of its kind; categories are Containers rows, linked to their
// tasks by Relationship rows. There are no indexes, keys or triggers beyond
// the primary keys.
#pragma once

namespace dblayer {
class DbConnection;
}  // namespace dblayer

namespace taskdb {

// The code kept in column F0 of TransferTask.
enum TaskKind : int {
  kGenericTaskKind = 0,
  kEMuleTaskKind = 1,
  kBTFileTaskKind = 2,
  kBTTaskKind = 3,
};

// Creates the nine tables on the shared connection, each even when an
// earlier one failed. True exactly when all of them were created; a table
// that exists already is left as it is and counts as a failure.
bool CreateTaskSchema();

// One creator per table; true when its statement ran.
bool CreateTransferTaskTable(dblayer::DbConnection* connection);
bool CreateMetaTaskTable(dblayer::DbConnection* connection);
bool CreateCombineTaskTable(dblayer::DbConnection* connection);
bool CreateGenericTaskTable(dblayer::DbConnection* connection);
bool CreateBTTaskTable(dblayer::DbConnection* connection);
bool CreateBTFileTaskTable(dblayer::DbConnection* connection);
bool CreateEMuleTaskTable(dblayer::DbConnection* connection);
bool CreateContainersTable(dblayer::DbConnection* connection);
bool CreateRelationshipTable(dblayer::DbConnection* connection);

}  // namespace taskdb
