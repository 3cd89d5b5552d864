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

  // Runs sql on a separate connection; each row as its columns' UTF-8 text
  // (blobs as their bytes), NULL as "<null>".
  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    sqlite3* db = nullptr;
    // While the shared connection writes, the database is still being built.
    sqlite3_open(dblayer::SharedDatabaseInUse() ? dblayer::BuildingDatabaseHostPath().c_str()
                                                : path_.c_str(),
                 &db);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sqlite3_errmsg(db) << ": " << sql;
    } else {
      while (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
          int type = sqlite3_column_type(st, i);
          if (type == SQLITE_NULL) {
            row.push_back("<null>");
          } else if (type == SQLITE_BLOB) {
            const void* blob = sqlite3_column_blob(st, i);
            row.push_back(std::string(static_cast<const char*>(blob), sqlite3_column_bytes(st, i)));
          } else {  // numbers and text as UTF-8 text
            const unsigned char* text = sqlite3_column_text(st, i);
            row.push_back(std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(st, i)));
          }
        }
        rows.push_back(row);
      }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
  }

  // The first column of the first row, or "<none>".
  std::string Scalar(const std::string& sql) {
    auto rows = Rows(sql);
    return rows.empty() || rows[0].empty() ? "<none>" : rows[0][0];
  }

  void Exec(const std::string& sql) { Rows(sql); }

  testing_support::TempDir dir_;
  std::string path_;
  testing_support::FreshProcessState state_;
};
