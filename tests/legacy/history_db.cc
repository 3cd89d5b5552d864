#include "history_db.h"

#include "catalog/catalog_manager.h"
#include "dblayer/shared_database.h"
#include "legacy/history_converter.h"
#include "legacy/new_torrents_dir.h"
#include "taskdb/schema.h"

namespace legacy_test {

namespace {
constexpr unsigned kGbk = 936;  // the history's text is in it
}  // namespace

HistoryDb::HistoryDb() {
  env_.codePage = kGbk;
  const std::string db = dir_.Join("history.mdb");
  std::snprintf(dblayer::NewDatabasePath, sizeof dblayer::NewDatabasePath, "%s", db.c_str());
  NewTorrentsDir = "C:\\New\\Profiles\\Torrents\\";
  taskdb::CreateTaskSchema();
}

bool HistoryDb::Convert(const historygen::History& history) {
  if (!historygen::WriteHistory(history, historyPath())) return false;
  return ConvertFile(historyPath());
}

bool HistoryDb::ConvertFile(const std::string& path) {
  const bool result = legacy::HistoryConverter().ConvertHistory(path.c_str());
  dblayer::FinishSharedDatabase(true);  // every row is on disk before the test reads
  return result;
}

std::vector<Row> HistoryDb::Rows(const std::string& sql) const {
  std::vector<Row> rows;
  for (const auto& found : testing_support::QueryDatabase(dir_.Join("history.mdb"), sql)) {
    Row& row = rows.emplace_back();
    for (size_t i = 0; i < found.names.size(); ++i) row[found.names[i]] = found.cells[i];
  }
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
  catalog::CatalogManager::Instance().SaveToFile(path.c_str());
  return testing_support::ReadFile(path);
}

}  // namespace legacy_test
