// Readers that are not ours, for checking what the system writes: a shell
// command's output, a compound file as python3's olefile sees it, and a
// SQLite file read through SQLite itself.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testing_support {

// Runs command through the shell; its standard output, and its wait status
// in *status (-1 when it could not start).
std::string RunCommand(const std::string& command, int* status = nullptr);
// s in single quotes for the shell.
std::string ShellQuote(const std::string& s);

// Path -> bytes for every element of a compound file, storages as "path/"
// with empty content. *ok is false when olefile is missing or finds a
// defect.
using CompoundTree = std::map<std::string, std::string>;
CompoundTree ReadWithOlefile(const std::string& path, bool* ok);

struct SqlCell {
  int type = 0;  // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB, SQLITE_NULL
  double number = 0;
  std::string text;  // also the bytes of a blob; "" for NULL
};
struct SqlRow {
  std::vector<std::string> names;
  std::vector<SqlCell> cells;
};

// Every row of one query on a database opened read-only; none when the file
// or the query fails.
std::vector<SqlRow> QueryDatabase(const std::string& path, const std::string& sql);

}  // namespace testing_support
