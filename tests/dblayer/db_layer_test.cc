#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <string>

#include "dblayer/db_command.h"
#include "dblayer/db_connection.h"
#include "dblayer/db_query.h"
#include "outside_readers.h"
#include "test_support.h"

namespace {

std::u16string Widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

class DbLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.Join("test.db");
    connection_.SetFileName(Widen(path_).c_str());
    ASSERT_TRUE(connection_.Open(true));
    ASSERT_EQ(Run(u"create table T (ID integer primary key, NAME nvarchar, R float, B blob)"), 0);
  }

  int32_t Run(const char16_t* sql) {
    dblayer::DbCommand command;
    command.SetConnection(&connection_);
    command.SetSQL(sql);
    return command.Execute();
  }

  // Reads one value back through SQLite itself, not through the layer.
  std::string ReadText(const char* sql) {
    auto rows = testing_support::QueryDatabase(path_, sql);
    return rows.empty() || rows[0].cells[0].type == SQLITE_NULL ? "<none>" : rows[0].cells[0].text;
  }

  testing_support::TempDir dir_;
  std::string path_;
  dblayer::DbConnection connection_;
};

TEST_F(DbLayerTest, ExecuteReportsPrepareAndStepFailures) {
  ASSERT_EQ(Run(u"insert into T (ID, NAME) values (1, 'a')"), 0);
  struct Case {
    const char16_t* sql;
    int32_t status;
  } cases[] = {
      {u"insert into T (ID, NAME) values (1, 'dup')", dblayer::kDbExecuteStepFailed},
      {u"insert into Missing (ID) values (1)", dblayer::kDbExecutePrepareFailed},
      {u"", dblayer::kDbExecutePrepareFailed},
      {u"select * from T", dblayer::kDbExecuteOk},
      {u"PRAGMA synchronous = OFF", dblayer::kDbExecuteOk},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(c.sql), c.status) << std::string(c.sql, c.sql + std::char_traits<char16_t>::length(c.sql));
  EXPECT_EQ(ReadText("select NAME from T where ID = 1"), "a");
}

TEST_F(DbLayerTest, CommandLifecycle) {
  dblayer::DbCommand command;
  EXPECT_FALSE(command.Prepare());  // no connection
  command.SetConnection(&connection_);
  ASSERT_TRUE(command.SetSQL(u"insert into T (ID, B) values (7, ?)"));
  const unsigned char early[] = {9};
  EXPECT_FALSE(command.Bind(1, early, dblayer::kDbBlob, 1));  // not prepared
  ASSERT_TRUE(command.Prepare());
  EXPECT_FALSE(command.SetSQL(u"select 1"));

  // A blob with a zero byte inside is stored whole, and the caller's buffer
  // may go away before the step.
  {
    unsigned char blob[] = {1, 0, 2};
    ASSERT_TRUE(command.Bind(1, blob, dblayer::kDbBlob, 3));
    blob[0] = blob[2] = 0xEE;
  }
  EXPECT_EQ(command.Execute(), 0);
  EXPECT_FALSE(command.IsOpen());
  EXPECT_EQ(ReadText("select hex(B) from T where ID = 7"), "010002");
}

TEST_F(DbLayerTest, MaxIdOnEmptyAndFilledTable) {
  dblayer::DbQuery query;
  query.SetConnection(&connection_);
  ASSERT_TRUE(query.SetSQL(u"select Max(ID) as maxid from T"));
  ASSERT_TRUE(query.Open());
  const void* data = reinterpret_cast<const void*>(1);
  int32_t length = -1, type = -1;
  ASSERT_TRUE(query.GetFieldByName(u"maxid", &data, &length, &type));
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(type, dblayer::kDbText);
  EXPECT_TRUE(query.Close());

  ASSERT_EQ(Run(u"insert into T (ID) values (41)"), 0);
  ASSERT_EQ(Run(u"insert into T (ID) values (5)"), 0);
  ASSERT_TRUE(query.Open());
  EXPECT_FALSE(query.SetSQL(u"select 2"));
  ASSERT_TRUE(query.GetFieldByName(u"MAXID", &data, &length, &type));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(type, dblayer::kDbInteger);
  EXPECT_EQ(length, 4);
  EXPECT_EQ(*static_cast<const int32_t*>(data), 41);
  EXPECT_FALSE(query.GetFieldByName(u"maxi", &data, &length, &type));
  EXPECT_FALSE(query.GetField(1, &data, &length, &type));
  EXPECT_FALSE(query.GetField(-1, &data, &length, &type));
}

TEST_F(DbLayerTest, QueryCells) {
  ASSERT_EQ(Run(u"insert into T (ID, NAME, R, B) values (3, 'h\u00e9', 1.25, x'00ff')"), 0);
  dblayer::DbQuery query;
  query.SetConnection(&connection_);
  query.SetSQL(u"select ID, NAME as n, R, B, NULL as z from T");
  ASSERT_TRUE(query.Open());
  const void* data;
  int32_t length, type;
  ASSERT_TRUE(query.GetFieldByName(u"Z", &data, &length, &type));
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(type, dblayer::kDbText);  // NULL is typed text
  ASSERT_TRUE(query.GetField(1, &data, &length, &type));
  EXPECT_EQ(length, 6);
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(data)), u"h\u00e9");
  ASSERT_TRUE(query.GetField(2, &data, &length, &type));
  EXPECT_EQ(*static_cast<const double*>(data), 1.25);
  ASSERT_TRUE(query.GetField(3, &data, &length, &type));
  ASSERT_EQ(length, 2);
  EXPECT_EQ(std::memcmp(data, "\x00\xff\x00", 3), 0);  // with the extra zero byte
}

TEST_F(DbLayerTest, QueryWithoutRowsAndFailingOpens) {
  dblayer::DbQuery query;
  query.SetSQL(u"select ID, NAME from T where ID < 0");
  EXPECT_FALSE(query.Open());  // no connection
  query.SetConnection(&connection_);
  ASSERT_TRUE(query.Open());
  query.Close();

  query.SetSQL(u"select nonsense from");
  EXPECT_FALSE(query.Open());
  EXPECT_FALSE(query.IsOpen());

  // A SELECT that prepares but fails on its first step does not open, yet
  // holds its statement until Close releases it.
  query.SetSQL(u"select abs(-9223372036854775807 - 1) as v");
  EXPECT_FALSE(query.Open());
  EXPECT_TRUE(query.IsOpen());
  const void* data = nullptr;
  EXPECT_FALSE(query.GetField(0, &data, nullptr, nullptr));
  EXPECT_TRUE(query.Close());
  EXPECT_FALSE(query.IsOpen());
}

}  // namespace
