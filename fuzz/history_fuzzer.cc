// The whole history conversion on an arbitrary history file: the schema is
// created in a fresh database, the file converted into it and the database
// closed, as one upgrade run does.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "dblayer/shared_database.h"
#include "driver/process_state.h"
#include "legacy/history_converter.h"
#include "legacy/new_torrents_dir.h"
#include "taskdb/schema.h"
#include "work_dir.h"

namespace {

std::string HistoryPath() { return (fuzzwork::WorkDir("history-fuzz-") / "history6.dat").string(); }
std::string DatabasePath() { return (fuzzwork::WorkDir("history-fuzz-") / "history.mdb").string(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool once = [] {
    NewTorrentsDir = "C:\\New\\Profiles\\Torrents\\";
    return true;
  }();
  (void)once;
  FILE* f = fopen(HistoryPath().c_str(), "wb");
  if (!f || fwrite(data, 1, size, f) != size || fclose(f) != 0) abort();
  std::error_code ec;
  std::filesystem::remove(DatabasePath(), ec);
  std::snprintf(dblayer::NewDatabasePath, sizeof dblayer::NewDatabasePath, "%s",
                DatabasePath().c_str());
  driver::ResetProcessState();
  taskdb::CreateTaskSchema();
  legacy::HistoryConverter().ConvertHistory(HistoryPath().c_str());
  dblayer::FinishSharedDatabase(true);
  return 0;
}
