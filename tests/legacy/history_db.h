// A fresh new-task database per test, a history file to convert into it,
// and the rows read back with SQLite itself.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "fresh_process.h"
#include "history_builder.h"
#include "injected_env.h"
#include "outside_readers.h"
#include "test_support.h"

namespace legacy_test {

using Cell = testing_support::SqlCell;
using Row = std::map<std::string, Cell>;

class HistoryDb {
 public:
  HistoryDb();

  // Writes the history with the generator and converts it. Returns what
  // ConvertHistory returned.
  bool Convert(const historygen::History& history);
  // Converts an existing file (host path).
  bool ConvertFile(const std::string& path);

  std::vector<Row> Rows(const std::string& sql) const;
  Row OneRow(const std::string& sql) const;
  int Count(const std::string& table) const;
  // The folders the catalog got, as its XML text.
  std::string CatalogXml() const;

  const testing_support::TempDir& dir() const { return dir_; }
  std::string historyPath() const { return dir_.Join("history6.dat"); }

 private:
  testing_support::InjectedEnv env_;
  testing_support::TempDir dir_;
  testing_support::FreshProcessState state_;
};

}  // namespace legacy_test
