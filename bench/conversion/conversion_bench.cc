// Converts one history file into a fresh task database exactly as the
// upgrade run does (schema, then the walk) and prints the seconds it took
// and the peak resident memory of the process. With a third argument every
// statement the converter executed is written there, with its bound values
// expanded, so that bench/run.sh can replay the same work through the
// sqlite3 shell and measure the floor the database sets.
//
//   conversion_bench HISTORY DATABASE [TRACE_SQL]
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "dblayer/shared_database.h"
#include "legacy/history_converter.h"
#include "legacy/new_torrents_dir.h"
#include "taskdb/schema.h"

namespace {

int Trace(unsigned type, void* context, void* statement, void* text) {
  auto* out = static_cast<FILE*>(context);
  const char* sql = static_cast<const char*>(text);
  if (type != SQLITE_TRACE_STMT || (sql[0] == '-' && sql[1] == '-')) return 0;  // trigger lines
  char* expanded = sqlite3_expanded_sql(static_cast<sqlite3_stmt*>(statement));
  std::fprintf(out, "%s;\n", expanded ? expanded : sql);
  sqlite3_free(expanded);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: conversion_bench HISTORY DATABASE [TRACE_SQL]\n");
    return 2;
  }
  std::remove(argv[2]);
  std::snprintf(dblayer::NewDatabasePath, sizeof dblayer::NewDatabasePath, "%s", argv[2]);
  NewTorrentsDir = "C:\\New\\Profiles\\Torrents\\";
  FILE* trace = argc > 3 ? std::fopen(argv[3], "w") : nullptr;

  const auto start = std::chrono::steady_clock::now();
  dblayer::DbConnection* connection = dblayer::GetSharedDatabase();
  if (trace && connection && connection->GetHandle()) {
    sqlite3_trace_v2(connection->GetHandle(), SQLITE_TRACE_STMT, Trace, trace);
  }
  taskdb::CreateTaskSchema();
  const bool converted = legacy::HistoryConverter().ConvertHistory(argv[1]);
  dblayer::FinishSharedDatabase(true);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (trace) std::fclose(trace);

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%.3f %ld\n", seconds, usage.ru_maxrss);
  return converted ? 0 : 1;
}
