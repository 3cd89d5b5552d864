// Independent readers of what the converter writes: the task database
// (through SQLite itself) and DSConfig.bin (through the system's python3
// with olefile), for the end-to-end checks.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace e2e {

// Runs one query and returns its rows, each column as text ("" for NULL).
std::vector<std::vector<std::string>> QueryRows(const std::string& dbPath, const std::string& sql);
long long QueryCount(const std::string& dbPath, const std::string& sql);

// Stream path ("GlobalConfig/Cfg0000000A") -> bytes, of a compound file;
// empty when the reader is missing or the file cannot be read.
std::map<std::string, std::string> ReadCompoundStreams(const std::string& path);

}  // namespace e2e
