#include "converted_outputs.h"

#include "outside_readers.h"

namespace e2e {

std::vector<std::vector<std::string>> QueryRows(const std::string& dbPath, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  for (const auto& row : testing_support::QueryDatabase(dbPath, sql)) {
    rows.emplace_back();
    for (const auto& cell : row.cells) rows.back().push_back(cell.text);
  }
  return rows;
}

long long QueryCount(const std::string& dbPath, const std::string& sql) {
  auto rows = QueryRows(dbPath, sql);
  return rows.empty() || rows[0].empty() ? -1 : std::stoll(rows[0][0]);
}

std::map<std::string, std::string> ReadCompoundStreams(const std::string& path) {
  bool ok = false;
  std::map<std::string, std::string> streams;
  for (const auto& [name, bytes] : testing_support::ReadWithOlefile(path, &ok))
    if (name.back() != '/') streams[name] = bytes;
  return ok ? streams : std::map<std::string, std::string>{};
}

}  // namespace e2e
