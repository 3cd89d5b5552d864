// A fresh task database per test: the shared connection is pointed at a
// file in a temporary folder, and the file is read back through SQLite's
// plain C interface, independently of the code under test.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <string>
#include <vector>

#include "dblayer/shared_database.h"
#include "fresh_process.h"
#include "outside_readers.h"
#include "test_support.h"

class TaskDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.Join("history.mdb");
    ASSERT_LT(path_.size(), sizeof dblayer::NewDatabasePath);
    std::strcpy(dblayer::NewDatabasePath, path_.c_str());
  }
  void TearDown() override {
    driver::ResetProcessState();
    std::memset(dblayer::NewDatabasePath, 0, sizeof dblayer::NewDatabasePath);
  }

  // While the shared connection writes, the database is still being built.
  std::string File() const {
    return dblayer::SharedDatabaseInUse() ? dblayer::BuildingDatabaseHostPath() : path_;
  }

  // Runs a query on a separate connection; each row as its columns' UTF-8
  // text (blobs as their bytes), NULL as "<null>".
  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : testing_support::QueryDatabase(File(), sql)) {
      rows.emplace_back();
      for (const auto& cell : row.cells)
        rows.back().push_back(cell.type == SQLITE_NULL ? "<null>" : cell.text);
    }
    return rows;
  }

  // The first column of the first row, or "<none>".
  std::string Scalar(const std::string& sql) {
    auto rows = Rows(sql);
    return rows.empty() || rows[0].empty() ? "<none>" : rows[0][0];
  }

  void Exec(const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(File().c_str(), &db);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
  }

  testing_support::TempDir dir_;
  std::string path_;
  testing_support::FreshProcessState state_;
};
