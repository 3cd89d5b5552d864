#include "dblayer/shared_database.h"

#include <gtest/gtest.h>

#include <cstring>

#include "dblayer/db_command.h"
#include "dblayer/db_query.h"
#include "fresh_process.h"
#include "test_support.h"

namespace {

class SharedDatabaseTest : public ::testing::Test {
 protected:
  void TearDown() override {
    driver::ResetProcessState();
    std::memset(dblayer::NewDatabasePath, 0, sizeof dblayer::NewDatabasePath);
  }
  testing_support::TempDir dir_;
  testing_support::FreshProcessState state_;
};

// A pragma's value as text, read through the connection under test.
std::u16string Pragma(dblayer::DbConnection* connection, const char16_t* sql) {
  dblayer::DbQuery query;
  query.SetConnection(connection);
  query.SetSQL(sql);
  const void* data = nullptr;
  int32_t type = 0;
  if (!query.Open() || !query.GetField(0, &data, nullptr, &type) || data == nullptr) return u"";
  if (type != dblayer::kDbInteger) return static_cast<const char16_t*>(data);
  const std::string n = std::to_string(*static_cast<const int32_t*>(data));
  return std::u16string(n.begin(), n.end());
}

void CreateTable(dblayer::DbConnection* connection) {
  dblayer::DbCommand command;
  command.SetConnection(connection);
  command.SetSQL(u"create table T (ID integer)");
  ASSERT_EQ(command.Execute(), dblayer::kDbExecuteOk);
}

// The database is built beside its final name, without journal or syncs,
// and takes that name only when it is finished.
TEST_F(SharedDatabaseTest, BuildsBesideTheFinalNameAndPutsItInPlaceAtTheEnd) {
  std::string path = dir_.Join("history.mdb");
  std::string building = path + dblayer::kBuildingSuffix;
  std::strcpy(dblayer::NewDatabasePath, path.c_str());
  // What an unfinished run left is no database to build on.
  testing_support::WriteFile(building, "half of an earlier run");
  testing_support::WriteFile(building + "-journal", "stale");
  EXPECT_FALSE(dblayer::SharedDatabaseInUse());
  dblayer::DbConnection*& shared = dblayer::GetSharedDatabase();
  ASSERT_NE(shared, nullptr);
  EXPECT_TRUE(shared->IsOpen());
  EXPECT_TRUE(dblayer::SharedDatabaseInUse());
  EXPECT_EQ(&dblayer::GetSharedDatabase(), &shared);
  EXPECT_FALSE(testing_support::PathExists(path));
  EXPECT_FALSE(testing_support::PathExists(building + "-journal"));
  EXPECT_EQ(dblayer::BuildingDatabaseHostPath(), building);

  EXPECT_EQ(Pragma(shared, u"PRAGMA synchronous"), u"0");
  EXPECT_EQ(Pragma(shared, u"PRAGMA journal_mode"), u"off");
  // Opened through the UTF-16 entry point, a new file keeps its texts in
  // UTF-16 (little-endian here).
  EXPECT_EQ(Pragma(shared, u"PRAGMA encoding"), u"UTF-16le");
  CreateTable(shared);

  dblayer::DbQuery query;
  query.SetConnection(shared);
  query.SetSQL(u"select * from T");
  ASSERT_TRUE(query.Open());
  // Finishing closes the query that is still attached and starts afresh.
  dblayer::SharedDatabaseOutcome outcome = dblayer::FinishSharedDatabase(true);
  EXPECT_EQ(outcome.kind, dblayer::SharedDatabaseOutcome::kFinished);
  EXPECT_EQ(shared, nullptr);
  EXPECT_FALSE(query.IsOpen());
  EXPECT_EQ(query.GetConnection(), nullptr);
  EXPECT_TRUE(testing_support::PathExists(path));
  EXPECT_FALSE(testing_support::PathExists(building));
  EXPECT_EQ(dblayer::FinishSharedDatabase(true).kind, dblayer::SharedDatabaseOutcome::kNotUsed);
}

TEST_F(SharedDatabaseTest, DroppedOrFailedDatabaseLeavesNoFile) {
  std::string path = dir_.Join("history.mdb");
  std::strcpy(dblayer::NewDatabasePath, path.c_str());
  CreateTable(dblayer::GetSharedDatabase());
  dblayer::SharedDatabaseOutcome outcome = dblayer::FinishSharedDatabase(false);
  EXPECT_EQ(outcome.kind, dblayer::SharedDatabaseOutcome::kDiscarded);
  EXPECT_FALSE(outcome.diskFull);

  // A storage failure taints the file even when later statements succeed;
  // a statement refused on its own merits does not.
  dblayer::DbConnection* shared = dblayer::GetSharedDatabase();
  CreateTable(shared);
  dblayer::DbCommand bad;
  bad.SetConnection(shared);
  bad.SetSQL(u"create table T (ID integer)");
  EXPECT_LT(bad.Execute(), 0);
  EXPECT_EQ(shared->FirstStorageFailure(), 0);
  shared->NoteResult(13);  // SQLITE_FULL
  shared->NoteResult(10);  // later failures do not replace the first
  EXPECT_EQ(shared->FirstStorageFailure(), 13);
  outcome = dblayer::FinishSharedDatabase(true);
  EXPECT_EQ(outcome.kind, dblayer::SharedDatabaseOutcome::kDiscarded);
  EXPECT_TRUE(outcome.diskFull);
  EXPECT_EQ(outcome.reason, "the disk is full");
  EXPECT_FALSE(testing_support::PathExists(path));
  EXPECT_FALSE(testing_support::PathExists(path + dblayer::kBuildingSuffix));
}

TEST_F(SharedDatabaseTest, UnsetOrUnopenablePathLeavesItClosed) {
  for (std::string path : {std::string(), dir_.Join("missing/folder/history.mdb")}) {
    dblayer::FinishSharedDatabase(false);
    std::strcpy(dblayer::NewDatabasePath, path.c_str());
    dblayer::DbConnection* shared = dblayer::GetSharedDatabase();
    ASSERT_NE(shared, nullptr);
    EXPECT_FALSE(shared->IsOpen());
    dblayer::DbCommand command;
    command.SetConnection(shared);
    command.SetSQL(u"create table T (ID integer)");
    EXPECT_EQ(command.Execute(), dblayer::kDbExecutePrepareFailed);
  }
}

}  // namespace
