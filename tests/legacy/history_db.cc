#include "history_db.h"

#include <sqlite3.h>

#include <cstring>

#include "catalog/catalog_manager.h"
#include "dblayer/shared_database.h"
#include "legacy/history_converter.h"
#include "legacy/new_torrents_dir.h"
#include "platform/report.h"
#include "taskdb/schema.h"

namespace legacy_test {

HistoryDb::HistoryDb() {
  ReleaseSharedDatabase();
  const std::string db = dir_.Join("history.mdb");
  std::snprintf(NewDatabasePath, sizeof NewDatabasePath, "%s", db.c_str());
  NewTorrentsDir = "C:\\New\\Profiles\\Torrents\\";
  CatalogManager::ResetForTesting();
  platform::ClearReport();
  CreateTaskSchema();
}

HistoryDb::~HistoryDb() {
  ReleaseSharedDatabase();
  CatalogManager::ResetForTesting();
}

bool HistoryDb::Convert(const historygen::History& history) {
  if (!historygen::WriteHistory(history, historyPath())) return false;
  return ConvertFile(historyPath());
}

bool HistoryDb::ConvertFile(const std::string& path) {
  const bool result = legacy::HistoryConverter().ConvertHistory(path.c_str());
  ReleaseSharedDatabase();  // every row is on disk before the test reads
  return result;
}

std::vector<Row> HistoryDb::Rows(const std::string& sql) const {
  std::vector<Row> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(dir_.Join("history.mdb").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
      SQLITE_OK) {
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
    while (sqlite3_step(st) == SQLITE_ROW) {
      Row row;
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        Cell c;
        c.type = sqlite3_column_type(st, i);
        c.number = sqlite3_column_double(st, i);
        if (c.type == SQLITE_BLOB) {
          const void* p = sqlite3_column_blob(st, i);
          c.text.assign(static_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st, i)));
        } else if (c.type != SQLITE_NULL) {
          c.text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        }
        row[sqlite3_column_name(st, i)] = c;
      }
      rows.push_back(row);
    }
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

Row HistoryDb::OneRow(const std::string& sql) const {
  auto rows = Rows(sql);
  return rows.size() == 1 ? rows[0] : Row{};
}

int HistoryDb::Count(const std::string& table) const {
  auto rows = Rows("select count(*) as n from " + table);
  return rows.empty() ? -1 : static_cast<int>(rows[0]["n"].number);
}

std::string HistoryDb::CatalogXml() const {
  const std::string path = dir_.Join("Category.xml");
  CatalogManager::Instance().SaveToFile(path.c_str());
  return testing_support::ReadFile(path);
}

}  // namespace legacy_test
