#include "taskdb/stored_rows.h"

#include "dblayer/db_query.h"
#include "dblayer/db_value_type.h"
#include "taskdb/schema.h"

namespace taskdb {

namespace {

bool Count(dblayer::DbConnection* connection, const char16_t* sql, long* count) {
  dblayer::DbQuery query;
  query.SetConnection(connection);
  query.SetSQL(sql);
  if (!query.Open()) return false;
  const void* data = nullptr;
  int32_t type = dblayer::kDbNull;
  bool ok =
      query.GetField(0, &data, nullptr, &type) && type == dblayer::kDbInteger && data != nullptr;
  if (ok) *count = *static_cast<const int32_t*>(data);
  query.Close();
  return ok;
}

}  // namespace

bool CountStoredRows(dblayer::DbConnection* connection, StoredRows* rows) {
  static_assert(kGenericTaskKind == 0 && kEMuleTaskKind == 1 && kBTFileTaskKind == 2 &&
                kBTTaskKind == 3);
  *rows = StoredRows();
  bool ok = Count(connection, u"select count(*) from TransferTask where F0 = 0", &rows->genericTasks);
  ok = Count(connection, u"select count(*) from TransferTask where F0 = 1", &rows->emuleTasks) && ok;
  ok = Count(connection, u"select count(*) from TransferTask where F0 = 2", &rows->btFiles) && ok;
  ok = Count(connection, u"select count(*) from TransferTask where F0 = 3", &rows->btTasks) && ok;
  ok = Count(connection, u"select count(*) from Containers", &rows->containers) && ok;
  return ok;
}

}  // namespace taskdb
