#include "outside_readers.h"

#include <sqlite3.h>

#include <cstdio>
#include <sstream>

namespace testing_support {

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string RunCommand(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) {
    if (status) *status = -1;
    return out;
  }
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int rc = pclose(p);
  if (status) *status = rc;
  return out;
}

CompoundTree ReadWithOlefile(const std::string& path, bool* ok) {
  static const char kScript[] =
      "import olefile,sys\n"
      "ole=olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)\n"
      "for e in ole.listdir(streams=True, storages=True):\n"
      "  p='/'.join(e)\n"
      "  if ole.get_type(e)==olefile.STGTY_STORAGE: print(p+'/\\t')\n"
      "  else: print(p+'\\t'+ole.openstream(e).read().hex())\n";
  int status = 0;
  std::string out =
      RunCommand("/usr/bin/python3 -c " + ShellQuote(kScript) + " " + ShellQuote(path) + " 2>&1", &status);
  *ok = status == 0;
  CompoundTree tree;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    size_t tab = line.find('\t');
    if (tab == std::string::npos) {
      *ok = false;
      continue;
    }
    std::string bytes;
    for (size_t i = tab + 1; i + 1 < line.size(); i += 2)
      bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
    tree[line.substr(0, tab)] = bytes;
  }
  return tree;
}

std::vector<SqlRow> QueryDatabase(const std::string& path, const std::string& sql) {
  std::vector<SqlRow> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
    while (sqlite3_step(st) == SQLITE_ROW) {
      SqlRow row;
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        SqlCell c;
        c.type = sqlite3_column_type(st, i);
        c.number = sqlite3_column_double(st, i);
        if (c.type == SQLITE_BLOB) {
          const void* p = sqlite3_column_blob(st, i);
          c.text.assign(static_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st, i)));
        } else if (c.type != SQLITE_NULL) {
          c.text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        }
        row.names.push_back(sqlite3_column_name(st, i));
        row.cells.push_back(std::move(c));
      }
      rows.push_back(std::move(row));
    }
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

}  // namespace testing_support
