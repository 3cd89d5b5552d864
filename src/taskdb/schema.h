// The nine tables of the task database. Every task is one TransferTask row
// plus the rows of its kind; categories are Containers rows, linked to their
// tasks by Relationship rows. There are no indexes, keys or triggers beyond
// the primary keys.
#pragma once

class DbConnection;

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
bool CreateTransferTaskTable(DbConnection* connection);
bool CreateMetaTaskTable(DbConnection* connection);
bool CreateCombineTaskTable(DbConnection* connection);
bool CreateGenericTaskTable(DbConnection* connection);
bool CreateBTTaskTable(DbConnection* connection);
bool CreateBTFileTaskTable(DbConnection* connection);
bool CreateEMuleTaskTable(DbConnection* connection);
bool CreateContainersTable(DbConnection* connection);
bool CreateRelationshipTable(DbConnection* connection);
