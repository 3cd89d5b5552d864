#include "taskdb/task_records.h"

#include "dblayer/db_command.h"
#include "dblayer/db_value_type.h"
#include "dblayer/shared_database.h"
#include "taskdb/file_name_list.h"
#include "taskdb/task_text.h"

namespace taskdb {

namespace {

constexpr int32_t kBlobParameter = 1;

// Runs one INSERT as a one-shot command, binding blob to its one parameter
// when there is one. The row counts as written when Execute gives >= 0; the
// results of Prepare and Bind are not looked at, a failed bind shows up as a
// failed or NULL-valued row.
bool WriteRow(dblayer::DbConnection* connection, const std::u16string& sql,
              const std::vector<uint8_t>* blob = nullptr) {
  dblayer::DbCommand command;
  command.SetConnection(connection);
  command.SetSQL(sql.c_str());
  if (blob != nullptr) {
    command.Prepare();
    command.Bind(kBlobParameter, blob->data(), dblayer::kDbBlob,
                 static_cast<int32_t>(blob->size()));
  }
  return command.Execute() >= 0;
}

}  // namespace

// --- TransferTask ---------------------------------------------------------

bool TransferTaskRecord::BuildInsert(std::u16string& out) {
  return BuildInsertOn(dblayer::GetSharedDatabase(), out);
}

bool TransferTaskRecord::BuildInsertOn(dblayer::DbConnection* connection, std::u16string& out) {
  Id = NextTaskId(connection);
  InsertLists lists;
  lists.Add(u"ID", IntLiteral(Id));
  lists.Add(u"PARENTID", IntLiteral(ParentId));
  lists.Add(u"STATUS", IntLiteral(Status));
  lists.Add(u"VALID", IntLiteral(Valid));
  lists.Add(0, IntLiteral(Kind));
  lists.Add(1, TextLiteral(F1));
  lists.Add(2, TextLiteral(F2));
  lists.Add(3, TextLiteral(F3));
  lists.Add(8, DoubleLiteral(F8));
  lists.Add(4, DoubleLiteral(F4));
  lists.Add(5, DoubleLiteral(F5));
  lists.Add(11, DoubleLiteral(F11));
  lists.Add(13, DoubleLiteral(F13));
  lists.Add(14, DoubleLiteral(F14));
  lists.Add(15, TextLiteral(F15));
  // Written as a quoted real; the column's integer affinity stores whole
  // values as integers.
  lists.Add(16, QuotedDoubleLiteral(static_cast<double>(F16)));
  lists.Add(17, IntLiteral(F17));
  lists.Add(18, TextLiteral(F18));
  lists.Add(19, IntLiteral(F19));
  lists.Add(20, IntLiteral(F20));
  lists.Add(21, TextLiteral(F21));
  lists.Add(22, IntLiteral(F22));
  lists.Add(23, IntLiteral(F23));
  lists.Add(24, IntLiteral(F24));
  lists.Add(25, IntLiteral(F25));
  lists.Add(26, IntLiteral(F26));
  lists.Add(9, DoubleLiteral(F9));
  MakeCreationStamp(&CreationStamp);
  char16_t digits[kInt64TextCapacity];
  lists.Add(34, Int64ToText(CreationStamp, digits, 10));
  out = lists.Statement(u"TransferTask");
  return true;
}

bool TransferTaskRecord::Save(dblayer::DbConnection* connection) {
  // The Id comes from the connection the rows go to (the shared one, as the
  // converter calls it).
  std::u16string sql;
  BuildInsertOn(connection, sql);
  return WriteRow(connection, sql);
}

// --- MetaTask -------------------------------------------------------------

bool MetaTaskRecord::BuildInsert(std::u16string& out) {
  InsertLists lists;
  lists.Add(u"ID", IntLiteral(Id));
  lists.Add(100, TextLiteral(F100));
  lists.Add(103, IntLiteral(F103));
  lists.Add(101, TextLiteral(F101));
  lists.Add(102, TextLiteral(F102));
  lists.Add(104, IntLiteral(F104));
  lists.Add(105, TextLiteral(F105));
  out = lists.Statement(u"MetaTask");
  return true;
}

bool MetaTaskRecord::Save(dblayer::DbConnection* connection) {
  TransferTaskRecord::Save(connection);
  std::u16string sql;
  BuildInsert(sql);
  return WriteRow(connection, sql);
}

// --- GenericTask ----------------------------------------------------------

bool GenericTaskRecord::BuildInsert(std::u16string& out) {
  InsertLists lists;
  lists.Add(u"ID", IntLiteral(Id));
  lists.Add(404, IntLiteral(F404));
  lists.Add(405, IntLiteral(F405));
  lists.Add(406, IntLiteral(F406));
  lists.Add(407, IntLiteral(F407));
  lists.Add(408, TextLiteral(F408));
  lists.Add(409, TextLiteral(F409));
  lists.Add(410, IntLiteral(F410));
  lists.Add(411, IntLiteral(F411));
  lists.Add(412, DoubleLiteral(static_cast<double>(F412)));
  lists.Add(413, TextLiteral(F413));
  lists.Add(414, TextLiteral(F414));
  lists.Add(415, TextLiteral(F415));
  lists.Add(416, TextLiteral(F416));
  lists.Add(417, TextLiteral(F417));
  lists.Add(418, IntLiteral(F418));
  lists.Add(419, TextLiteral(F419));
  lists.Add(420, IntLiteral(F420));
  lists.Add(421, IntLiteral(F421));
  lists.Add(422, u"?");
  out = lists.Statement(u"GenericTask");
  return true;
}

bool GenericTaskRecord::Save(dblayer::DbConnection* connection) {
  MetaTaskRecord::Save(connection);
  std::u16string sql;
  BuildInsert(sql);
  const std::vector<uint8_t> names = EmptyFileNameList();
  return WriteRow(connection, sql, &names);
}

// --- EMuleTask ------------------------------------------------------------

bool EMuleTaskRecord::BuildInsert(std::u16string& out) {
  InsertLists lists;
  lists.Add(u"ID", IntLiteral(Id));
  lists.Add(505, TextLiteral(F505));
  lists.Add(506, TextLiteral(F506));
  lists.Add(507, TextLiteral(F102));
  lists.Add(508, TextLiteral(F508));
  lists.Add(509, TextLiteral(F509));
  lists.Add(510, TextLiteral(F510));
  lists.Add(511, TextLiteral(F511));
  out = lists.Statement(u"EMuleTask");
  return true;
}

bool EMuleTaskRecord::Save(dblayer::DbConnection* connection) {
  MetaTaskRecord::Save(connection);
  std::u16string sql;
  BuildInsert(sql);
  return WriteRow(connection, sql);
}

// --- BTFileTask -----------------------------------------------------------

bool BTFileTaskRecord::Save(dblayer::DbConnection* connection) {
  MetaTaskRecord::Save(connection);
  return WriteRow(connection, u"insert into BTFileTask (ID) values (" + IntLiteral(Id) + u")");
}

// --- CombineTask ----------------------------------------------------------

bool CombineTaskRecord::BuildInsert(std::u16string& out) {
  InsertLists lists;
  lists.Add(u"ID", IntLiteral(Id));
  out = lists.Statement(u"CombineTask");
  return true;
}

bool CombineTaskRecord::Save(dblayer::DbConnection* connection) {
  TransferTaskRecord::Save(connection);
  std::u16string sql;
  BuildInsert(sql);
  return WriteRow(connection, sql);
}

// --- BTTask ---------------------------------------------------------------

bool BTTaskRecord::BuildInsert(std::u16string& out) {
  // The statement names F613 before F609, unlike the table.
  InsertLists lists;
  lists.Add(u"ID", IntLiteral(Id));
  lists.Add(606, TextLiteral(F606));
  lists.Add(607, TextLiteral(F607));
  lists.Add(608, TextLiteral(F608));
  lists.Add(610, TextLiteral(F610));
  lists.Add(611, TextLiteral(F611));
  lists.Add(612, TextLiteral(F612));
  lists.Add(613, TextLiteral(F613));
  lists.Add(609, u"?");
  out = lists.Statement(u"BTTask");
  return true;
}

bool BTTaskRecord::Save(dblayer::DbConnection* connection) {
  CombineTaskRecord::Save(connection);
  std::u16string sql;
  BuildInsert(sql);
  const std::vector<uint8_t> names = FileNameListBlob(FileNames);
  return WriteRow(connection, sql, &names);
}

}  // namespace taskdb
