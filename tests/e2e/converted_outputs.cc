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

long long VariantNumber(const std::string& stream) {
  if (stream.size() < 12) return -1;
  auto byte = [&](size_t i) { return static_cast<unsigned long long>(static_cast<unsigned char>(stream[i])); };
  unsigned type = static_cast<unsigned>(byte(0) | byte(1) << 8);
  if (type == 2 || type == 11) return static_cast<int16_t>(byte(8) | byte(9) << 8);
  unsigned long long value = byte(8) | byte(9) << 8 | byte(10) << 16 | byte(11) << 24;
  return type == 3 ? static_cast<int32_t>(value) : static_cast<long long>(value);
}

}  // namespace e2e
