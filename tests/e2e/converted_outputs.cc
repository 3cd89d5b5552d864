#include "converted_outputs.h"

#include "bytes.h"
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

long long VariantNumber(const std::string& stream) {
  if (stream.size() < 12) return -1;
  const uint16_t type = testing_support::GetLe16(stream, 0);
  if (type == 2 || type == 11) return static_cast<int16_t>(testing_support::GetLe16(stream, 8));
  const uint32_t value = testing_support::GetLe32(stream, 8);
  return type == 3 ? static_cast<int32_t>(value) : static_cast<long long>(value);
}

}  // namespace e2e
