#include "taskdb/schema.h"

#include <string>
#include <vector>

#include "dblayer/db_command.h"
#include "dblayer/shared_database.h"

namespace taskdb {

namespace {

enum class ColumnType { kInteger, kNvarchar, kFloat, kBigint, kBlob };

struct ColumnDef {
  int number;
  ColumnType type;
};

constexpr ColumnType I = ColumnType::kInteger;
constexpr ColumnType N = ColumnType::kNvarchar;
constexpr ColumnType D = ColumnType::kFloat;
constexpr ColumnType G = ColumnType::kBigint;
constexpr ColumnType B = ColumnType::kBlob;

// The numbered columns of each table in the order the file keeps them; the
// numbers and the order are both part of the format.
const std::vector<ColumnDef> kTransferTaskColumns = {
    {0, I},  {1, N},  {2, N},  {3, N},  {8, D},  {4, D},  {5, D},  {11, D},
    {13, D}, {14, D}, {15, N}, {16, I}, {17, I}, {18, N}, {19, I}, {20, I},
    {21, N}, {22, I}, {23, I}, {24, I}, {25, I}, {26, I}, {9, I},  {34, G}};
const std::vector<ColumnDef> kMetaTaskColumns = {{100, N}, {103, I}, {101, N},
                                                 {102, N}, {104, I}, {105, N}};
const std::vector<ColumnDef> kGenericTaskColumns = {
    {404, I}, {405, I}, {406, I}, {407, I}, {408, N}, {409, N}, {410, I},
    {411, I}, {412, D}, {413, N}, {414, N}, {415, N}, {416, N}, {417, N},
    {418, I}, {419, N}, {420, I}, {421, I}, {422, B}};
const std::vector<ColumnDef> kEMuleTaskColumns = {{505, N}, {506, N}, {507, N}, {508, N},
                                                  {509, N}, {510, N}, {511, N}};
const std::vector<ColumnDef> kBTTaskColumns = {{606, N}, {607, N}, {608, N}, {610, N},
                                               {611, N}, {612, N}, {609, B}, {613, N}};

// The statement templates as the file format has them; the irregular
// spacing is kept because the text is stored in the database's schema.
constexpr char kTransferTaskTemplate[] =
    "create table TransferTask (ID integer primary key, PARENTID integer, STATUS integer, VALID "
    "integer, %s,%s, %s, %s, %s, %s, %s, %s, %s, %s, %s, %s, %s, %s, %s,  %s,  %s, %s, %s, %s, "
    "%s, %s, %s,%s)";
constexpr char kMetaTaskTemplate[] = "create table MetaTask (ID integer primary key, %s, %s, %s, %s, %s, %s)";
constexpr char kCombineTaskStatement[] = "create table CombineTask (ID integer primary key)";
constexpr char kGenericTaskTemplate[] =
    "create table GenericTask (ID integer primary key, %s, %s, %s, %s, %s, %s, %s, %s, %s, %s, "
    "%s, %s, %s, %s, %s,  %s, %s, %s,%s)";
constexpr char kEMuleTaskTemplate[] =
    "create table EMuleTask (ID integer primary key, %s, %s, %s, %s, %s, %s, %s)";
constexpr char kBTTaskTemplate[] =
    "create table BTTask (ID integer primary key, %s, %s, %s, %s, %s, %s, %s,  %s)";
constexpr char kBTFileTaskStatement[] = "create table BTFileTask (ID integer primary key)";
constexpr char kContainersStatement[] =
    "create table Containers (ContainerID integer PRIMARY KEY,ContainerName "
    "nvarchar,ContainerInfo integer,ContainerExtInfo nvarchar,ParentContainerID integer)";
constexpr char kRelationshipStatement[] = "create table Relationship (ContainerID integer,TaskID integer)";

const char* TypeName(ColumnType type) {
  switch (type) {
    case ColumnType::kInteger: return "integer";
    case ColumnType::kNvarchar: return "nvarchar";
    case ColumnType::kFloat: return "float";
    case ColumnType::kBigint: return "bigint";
    case ColumnType::kBlob: return "blob";
  }
  return "";
}

// Puts "F<number> <type>" of each column, in order, into the template's %s
// places.
std::string FillTemplate(const char* statement, const std::vector<ColumnDef>& columns) {
  std::string out;
  size_t next = 0;
  for (const char* p = statement; *p != 0; ++p) {
    if (p[0] == '%' && p[1] == 's' && next < columns.size()) {
      const ColumnDef& column = columns[next++];
      out += "F" + std::to_string(column.number) + " " + TypeName(column.type);
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

bool RunStatement(dblayer::DbConnection* connection, const std::string& ascii) {
  std::u16string sql(ascii.begin(), ascii.end());
  dblayer::DbCommand command;
  command.SetConnection(connection);
  command.SetSQL(sql.c_str());
  return command.Execute() >= 0;
}

}  // namespace

bool CreateTransferTaskTable(dblayer::DbConnection* connection) {
  return RunStatement(connection, FillTemplate(kTransferTaskTemplate, kTransferTaskColumns));
}

bool CreateMetaTaskTable(dblayer::DbConnection* connection) {
  return RunStatement(connection, FillTemplate(kMetaTaskTemplate, kMetaTaskColumns));
}

bool CreateCombineTaskTable(dblayer::DbConnection* connection) {
  return RunStatement(connection, kCombineTaskStatement);
}

bool CreateGenericTaskTable(dblayer::DbConnection* connection) {
  return RunStatement(connection, FillTemplate(kGenericTaskTemplate, kGenericTaskColumns));
}

bool CreateBTTaskTable(dblayer::DbConnection* connection) {
  return RunStatement(connection, FillTemplate(kBTTaskTemplate, kBTTaskColumns));
}

bool CreateBTFileTaskTable(dblayer::DbConnection* connection) {
  return RunStatement(connection, kBTFileTaskStatement);
}

bool CreateEMuleTaskTable(dblayer::DbConnection* connection) {
  return RunStatement(connection, FillTemplate(kEMuleTaskTemplate, kEMuleTaskColumns));
}

bool CreateContainersTable(dblayer::DbConnection* connection) {
  return RunStatement(connection, kContainersStatement);
}

bool CreateRelationshipTable(dblayer::DbConnection* connection) {
  return RunStatement(connection, kRelationshipStatement);
}

bool CreateTaskSchema() {
  dblayer::DbConnection* connection = dblayer::GetSharedDatabase();
  using Creator = bool (*)(dblayer::DbConnection*);
  const Creator creators[] = {CreateTransferTaskTable, CreateMetaTaskTable,   CreateCombineTaskTable,
                              CreateGenericTaskTable,  CreateBTTaskTable,     CreateBTFileTaskTable,
                              CreateEMuleTaskTable,    CreateContainersTable, CreateRelationshipTable};
  bool all = true;
  for (Creator create : creators) all = create(connection) && all;
  return all;
}

}  // namespace taskdb
