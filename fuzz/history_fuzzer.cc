// The whole history conversion on an arbitrary history file: the schema is
// created in a fresh database, the file converted into it and the database
// closed, as one upgrade run does.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "dblayer/shared_database.h"
#include "driver/process_state.h"
#include "legacy/history_converter.h"
#include "legacy/new_torrents_dir.h"
#include "taskdb/schema.h"

namespace {

std::string MakeWorkDir() {
  const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string t = std::string(base) + "/history-fuzz-XXXXXX";
  if (!mkdtemp(t.data())) abort();
  return t;
}

const std::string& WorkDir() {
  static const std::string dir = MakeWorkDir();
  return dir;
}

std::string HistoryPath() { return WorkDir() + "/history6.dat"; }
std::string DatabasePath() { return WorkDir() + "/history.mdb"; }

void RemoveWorkDir() {
  unlink(HistoryPath().c_str());
  unlink(DatabasePath().c_str());
  unlink((DatabasePath() + "-journal").c_str());
  rmdir(WorkDir().c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool once = [] {
    WorkDir();  // constructed first, so it is destroyed after the cleanup ran
    atexit(RemoveWorkDir);
    NewTorrentsDir = "C:\\New\\Profiles\\Torrents\\";
    return true;
  }();
  (void)once;
  FILE* f = fopen(HistoryPath().c_str(), "wb");
  if (!f || fwrite(data, 1, size, f) != size || fclose(f) != 0) abort();
  unlink(DatabasePath().c_str());
  std::snprintf(dblayer::NewDatabasePath, sizeof dblayer::NewDatabasePath, "%s",
                DatabasePath().c_str());
  driver::ResetProcessState();
  taskdb::CreateTaskSchema();
  legacy::HistoryConverter().ConvertHistory(HistoryPath().c_str());
  dblayer::FinishSharedDatabase(true);
  return 0;
}
