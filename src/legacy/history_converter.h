// HistoryConverter carries the version-5 task history (a compound file of
// category storages and task streams) into the new task database: every
// category with a name and a folder becomes a container and a catalog
// folder, every readable task stream becomes the task rows of its kind and,
// inside a category with a container, one relationship row.
//
// The object has no state: every walk keeps its state in the operation that
// performs it. Failures never stop the run; what cannot be read is passed
// over, and the run report tells what was converted and what was skipped.
#pragma once

#include <cstdint>
#include <string>

#include "base/com.h"
#include "legacy/legacy_task.h"

namespace taskdb {
class BTTaskRecord;
}  // namespace taskdb

namespace legacy {

// The storage whose tasks are kept out of the history proper: it gets no
// container and its tasks are converted as not valid.
inline constexpr char16_t kHiddenCategoryName[] = u"_ZRC0000000000000003";

// Version 5 nests categories a level or two deep. A file nested far deeper is
// damaged or made to harm, and following it would only exhaust the stack.
inline constexpr int kMaxCategoryDepth = 256;

class HistoryConverter {
 public:
  // Converts the history file at a narrow path (system ANSI code page). It
  // is opened transacted and never committed, so it is left unchanged.
  // False only when it cannot be opened as a compound file.
  bool ConvertHistory(const char* ansiPath);

  // The task streams directly in "RunTasks"; nested storages are ignored.
  bool ConvertRunTasks(win::IStorage* storage);

  // One category storage and, each with its own state, the storages below
  // it. False when the walk stopped at an unreadable "CAT_STREAM"; the walk
  // of the storage above goes on regardless. path names the storage in the
  // run report; depth counts the storages above it, and storages deeper than
  // kMaxCategoryDepth are passed over.
  bool ConvertCategoryStorage(win::IStorage* storage, const std::string& path = "History",
                              int depth = 0);

  // Checks the stream's name, loads the task and hands it to the converter
  // of its class. Always true: a stream that does not pass is passed over.
  bool ConvertTaskStream(win::IStream* stream, const char16_t* name, bool inHistory,
                         int32_t parentContainerId, const std::string& path = "");

  // Fill, save and link one new task record; false only for no task.
  bool ConvertGenericTask(const LegacyGenericTask* task, bool inHistory, int32_t parentContainerId);
  bool ConvertBtTask(const LegacyBtTask* task, bool inHistory, int32_t parentContainerId);
  bool ConvertEmuleTask(const LegacyEmuleTask* task, bool inHistory, int32_t parentContainerId);

  // One file of a saved BitTorrent task record; index counts from 0.
  bool ConvertBtFile(const taskdb::BTTaskRecord& task, const LegacyBtFile& file, int32_t index);
};

// The 64-bit identifier carried by a task stream name: "_ZRT" and exactly 16
// ASCII letters or digits, read as two hexadecimal halves of 8. False when
// the name does not have that form.
bool ParseTaskStreamName(const char16_t* name, uint64_t* id);

}  // namespace legacy
