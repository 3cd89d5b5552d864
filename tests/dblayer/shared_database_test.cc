#include "dblayer/shared_database.h"

#include <gtest/gtest.h>

#include <cstring>

#include "dblayer/db_command.h"
#include "dblayer/db_query.h"
#include "test_support.h"

namespace {

class SharedDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override { ReleaseSharedDatabase(); }
  void TearDown() override {
    ReleaseSharedDatabase();
    std::memset(NewDatabasePath, 0, sizeof NewDatabasePath);
  }
  testing_support::TempDir dir_;
};

TEST_F(SharedDatabaseTest, OpensOnFirstUseWithoutSynchronousWrites) {
  std::string path = dir_.Join("history.mdb");
  std::strcpy(NewDatabasePath, path.c_str());
  EXPECT_FALSE(testing_support::PathExists(path));
  DbConnection*& shared = GetSharedDatabase();
  ASSERT_NE(shared, nullptr);
  EXPECT_TRUE(shared->IsOpen());
  EXPECT_EQ(&GetSharedDatabase(), &shared);
  EXPECT_TRUE(testing_support::PathExists(path));

  DbQuery query;
  query.SetConnection(shared);
  query.SetSQL(u"PRAGMA synchronous");
  ASSERT_TRUE(query.Open());
  const void* data = nullptr;
  ASSERT_TRUE(query.GetField(0, &data, nullptr, nullptr));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(*static_cast<const int32_t*>(data), 0);
  query.Close();
  // Opened through the UTF-16 entry point, a new file keeps its texts in
  // UTF-16 (little-endian here).
  query.SetSQL(u"PRAGMA encoding");
  ASSERT_TRUE(query.Open());
  ASSERT_TRUE(query.GetField(0, &data, nullptr, nullptr));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(data)), u"UTF-16le");

  // Releasing closes the query that is still attached and starts afresh.
  ReleaseSharedDatabase();
  EXPECT_EQ(shared, nullptr);
  EXPECT_FALSE(query.IsOpen());
  EXPECT_EQ(query.GetConnection(), nullptr);
}

TEST_F(SharedDatabaseTest, UnsetOrUnopenablePathLeavesItClosed) {
  for (std::string path : {std::string(), dir_.Join("missing/folder/history.mdb")}) {
    ReleaseSharedDatabase();
    std::strcpy(NewDatabasePath, path.c_str());
    DbConnection* shared = GetSharedDatabase();
    ASSERT_NE(shared, nullptr);
    EXPECT_FALSE(shared->IsOpen());
    DbCommand command;
    command.SetConnection(shared);
    command.SetSQL(u"create table T (ID integer)");
    EXPECT_EQ(command.Execute(), kDbExecutePrepareFailed);
  }
}

}  // namespace
