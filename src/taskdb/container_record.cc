#include "taskdb/container_record.h"

#include "dblayer/db_command.h"
#include "taskdb/task_text.h"

namespace taskdb {

int32_t ContainerIdCounter = kContainerIdCounterStart;

namespace {

// The container statements are bounded like the buffer they were always
// formatted into: a statement longer than this is cut, which makes it
// invalid SQL, so the insert fails rather than storing a mangled name.
constexpr size_t kStatementLimit = 4095;
constexpr int32_t kTopLevelParent = -1;

// What a C-string formatter would take of text: up to its first NUL.
std::u16string AsCString(const std::u16string& text) { return std::u16string(text.c_str()); }

int32_t RunBounded(dblayer::DbConnection* connection, std::u16string sql) {
  if (sql.size() > kStatementLimit) sql.resize(kStatementLimit);
  dblayer::DbCommand command;
  command.SetConnection(connection);
  command.SetSQL(sql.c_str());
  return command.Execute();
}

}  // namespace

void ContainerRecord::SetName(const std::string& ansi) { Name = AnsiToWide(ansi); }

bool ContainerRecord::Save(dblayer::DbConnection* connection) {
  ContainerId = ++ContainerIdCounter;
  std::u16string name = AsCString(Name);
  ReplaceAll(name, u"'", u"''");
  std::u16string sql =
      u"insert into Containers (ContainerID,ContainerName,ContainerInfo,ContainerExtInfo,"
      u"ParentContainerID) values (" +
      IntLiteral(ContainerId) + u",'" + name + u"'," + IntLiteral(Info) + u",'" +
      AsCString(ExtInfo) + u"'," + IntLiteral(kTopLevelParent) + u")";
  return RunBounded(connection, sql) == 0;
}

bool AddRelationship(dblayer::DbConnection* connection, int32_t containerId, int32_t taskId) {
  std::u16string sql = u"insert into Relationship (ContainerID, TaskID) values (" +
                       IntLiteral(containerId) + u"," + IntLiteral(taskId) + u")";
  return RunBounded(connection, sql) >= 0;
}

void ReplaceAll(std::u16string& text, const std::u16string& pattern,
                const std::u16string& replacement) {
  if (pattern.empty()) return;
  size_t at = text.find(pattern);
  while (at != std::u16string::npos) {
    text.replace(at, pattern.size(), replacement);
    at = text.find(pattern, at + replacement.size());
  }
}

}  // namespace taskdb
