#include "converted_outputs.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>

namespace e2e {

std::vector<std::vector<std::string>> QueryRows(const std::string& dbPath, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
      while (sqlite3_step(statement) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
          const unsigned char* text = sqlite3_column_text(statement, c);
          row.push_back(text ? reinterpret_cast<const char*>(text) : "");
        }
        rows.push_back(row);
      }
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return rows;
}

long long QueryCount(const std::string& dbPath, const std::string& sql) {
  auto rows = QueryRows(dbPath, sql);
  return rows.empty() || rows[0].empty() ? -1 : std::stoll(rows[0][0]);
}

std::map<std::string, std::string> ReadCompoundStreams(const std::string& path) {
  // Each stream as "path hex" on one line.
  static const char kScript[] =
      "import sys, olefile\n"
      "f = olefile.OleFileIO(sys.argv[1])\n"
      "for e in f.listdir(streams=True, storages=False):\n"
      "    print(\"/\".join(e), f.openstream(e).read().hex())\n";
  std::map<std::string, std::string> streams;
  std::string command = "/usr/bin/python3 -c '" + std::string(kScript) + "' '" + path + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  char line[65536];
  while (pipe && std::fgets(line, sizeof(line), pipe)) {
    std::string text(line);
    size_t space = text.find(' ');
    if (space == std::string::npos) continue;
    std::string bytes;
    for (size_t i = space + 1; i + 1 < text.size() && text[i] != '\n'; i += 2)
      bytes.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    streams[text.substr(0, space)] = bytes;
  }
  if (pipe) pclose(pipe);
  return streams;
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
