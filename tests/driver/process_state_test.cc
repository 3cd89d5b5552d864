#include "driver/process_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "catalog/catalog_manager.h"
#include "dblayer/db_command.h"
#include "dblayer/shared_database.h"
#include "platform/report.h"
#include "taskdb/container_record.h"
#include "taskdb/task_text.h"
#include "test_support.h"

namespace {

// After the reset the process looks new: an unfinished database is dropped
// as at exit, the catalog and the report are empty, the counters start over.
TEST(ProcessStateTest, ResetLeavesWhatANewProcessHas) {
  testing_support::TempDir dir;
  const std::string path = dir.Join("history.mdb");
  std::strcpy(dblayer::NewDatabasePath, path.c_str());
  dblayer::DbCommand command;
  command.SetConnection(dblayer::GetSharedDatabase());
  command.SetSQL(u"create table T (ID integer)");
  ASSERT_EQ(command.Execute(), dblayer::kDbExecuteOk);
  std::ostringstream empty;
  catalog::CatalogManager::Instance().document()->Write(empty);
  std::string folder = "D:\\Downloads";
  catalog::CatalogManager::Instance().AddFolder(folder);
  platform::ReportCount("tasks converted");
  taskdb::ContainerIdCounter = 7;
  taskdb::StampCounter = 7;

  driver::ResetProcessState();

  EXPECT_FALSE(dblayer::SharedDatabaseInUse());
  EXPECT_FALSE(testing_support::PathExists(path));
  EXPECT_FALSE(testing_support::PathExists(path + dblayer::kBuildingSuffix));
  std::ostringstream after;
  catalog::CatalogManager::Instance().document()->Write(after);
  EXPECT_EQ(after.str(), empty.str());
  EXPECT_EQ(platform::FormatReport(), "");
  EXPECT_EQ(taskdb::ContainerIdCounter, 100);
  EXPECT_EQ(taskdb::StampCounter, 0u);
  std::memset(dblayer::NewDatabasePath, 0, sizeof dblayer::NewDatabasePath);
}

}  // namespace
