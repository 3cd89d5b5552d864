#include "taskdb/schema.h"

#include "taskdb_fixture.h"

namespace {

// The statements as the database file must keep them.
const std::vector<std::pair<std::string, std::string>> kTables = {
    {"TransferTask",
     "create table TransferTask (ID integer primary key, PARENTID integer, STATUS integer, VALID "
     "integer, F0 integer,F1 nvarchar, F2 nvarchar, F3 nvarchar, F8 float, F4 float, F5 float, F11 "
     "float, F13 float, F14 float, F15 nvarchar, F16 integer, F17 integer, F18 nvarchar, F19 "
     "integer,  F20 integer,  F21 nvarchar, F22 integer, F23 integer, F24 integer, F25 integer, F26 "
     "integer, F9 integer,F34 bigint)"},
    {"MetaTask",
     "create table MetaTask (ID integer primary key, F100 nvarchar, F103 integer, F101 nvarchar, "
     "F102 nvarchar, F104 integer, F105 nvarchar)"},
    {"CombineTask", "create table CombineTask (ID integer primary key)"},
    {"GenericTask",
     "create table GenericTask (ID integer primary key, F404 integer, F405 integer, F406 integer, "
     "F407 integer, F408 nvarchar, F409 nvarchar, F410 integer, F411 integer, F412 float, F413 "
     "nvarchar, F414 nvarchar, F415 nvarchar, F416 nvarchar, F417 nvarchar, F418 integer,  F419 "
     "nvarchar, F420 integer, F421 integer,F422 blob)"},
    {"BTTask",
     "create table BTTask (ID integer primary key, F606 nvarchar, F607 nvarchar, F608 nvarchar, "
     "F610 nvarchar, F611 nvarchar, F612 nvarchar, F609 blob,  F613 nvarchar)"},
    {"BTFileTask", "create table BTFileTask (ID integer primary key)"},
    {"EMuleTask",
     "create table EMuleTask (ID integer primary key, F505 nvarchar, F506 nvarchar, F507 "
     "nvarchar, F508 nvarchar, F509 nvarchar, F510 nvarchar, F511 nvarchar)"},
    {"Containers",
     "create table Containers (ContainerID integer PRIMARY KEY,ContainerName "
     "nvarchar,ContainerInfo integer,ContainerExtInfo nvarchar,ParentContainerID integer)"},
    {"Relationship", "create table Relationship (ContainerID integer,TaskID integer)"},
};

using SchemaTest = TaskDbTest;

TEST_F(SchemaTest, CreatesTheNineTablesByteForByte) {
  ASSERT_TRUE(taskdb::CreateTaskSchema());
  EXPECT_EQ(Scalar("select count(*) from sqlite_master"), "9");
  // SQLite keeps the statement as it was given, except that it spells the
  // leading "create table" in capitals.
  for (const auto& [name, sql] : kTables)
    EXPECT_EQ(Scalar("select sql from sqlite_master where type='table' and name='" + name + "'"),
              "CREATE TABLE" + sql.substr(12));

  // Declared types and order as SQLite reads them back.
  auto columns = Rows("select name, lower(type) from pragma_table_info('TransferTask') order by cid");
  ASSERT_EQ(columns.size(), 28u);
  EXPECT_EQ(columns[8], (std::vector<std::string>{"F8", "float"}));
  EXPECT_EQ(columns[9][0], "F4");
  EXPECT_EQ(columns[26], (std::vector<std::string>{"F9", "integer"}));
  EXPECT_EQ(columns[27], (std::vector<std::string>{"F34", "bigint"}));
  EXPECT_EQ(Scalar("select name from pragma_table_info('BTTask') where cid = 7"), "F609");
  EXPECT_EQ(Scalar("select count(*) from pragma_table_info('GenericTask')"), "20");
}

TEST_F(SchemaTest, SecondRunChangesNothing) {
  ASSERT_TRUE(taskdb::CreateTaskSchema());
  Exec("insert into TransferTask (ID, F1) values (1, 'kept')");
  EXPECT_FALSE(taskdb::CreateTaskSchema());
  EXPECT_EQ(Scalar("select count(*) from sqlite_master"), "9");
  EXPECT_EQ(Scalar("select F1 from TransferTask where ID = 1"), "kept");
  // ID is the row id: a second row with the same ID is refused.
  EXPECT_EQ(Scalar("select count(*) from TransferTask"), "1");
}

TEST_F(SchemaTest, ExistingContainersTableDoesNotStopTheOthers) {
  dblayer::GetSharedDatabase();  // the file being built
  Exec("create table Containers (ContainerID integer)");
  EXPECT_FALSE(taskdb::CreateTaskSchema());
  EXPECT_EQ(Scalar("select count(*) from sqlite_master"), "9");
  EXPECT_EQ(Scalar("select sql from sqlite_master where name='Containers'"),
            "CREATE TABLE Containers (ContainerID integer)");
  EXPECT_EQ(Scalar("select sql from sqlite_master where name='Relationship'").substr(12),
            kTables[8].second.substr(12));
}

}  // namespace
