// The walk of the history file: the root's "RunTasks" and "History", the
// category storages below "History", their "CAT_STREAM" records and task
// streams.
#include <cstring>
#include <vector>

#include "base/com_ref.h"
#include "catalog/catalog_manager.h"
#include "dblayer/db_command.h"
#include "dblayer/shared_database.h"
#include "dblayer/text_conversion.h"
#include "legacy/category_record.h"
#include "legacy/history_converter.h"
#include "platform/report.h"
#include "platform/text_codec.h"
#include "storage/storage.h"
#include "taskdb/container_record.h"

namespace legacy {
namespace {

// Owns a name from STATSTG and frees it with CoTaskMemFree.
class ElementName {
 public:
  explicit ElementName(char16_t* name) : name_(name) {}
  ~ElementName() { win::CoTaskMemFree(name_); }
  ElementName(const ElementName&) = delete;
  ElementName& operator=(const ElementName&) = delete;

  const char16_t* get() const { return name_ ? name_ : u""; }

 private:
  char16_t* name_;
};


// The old file and its two top storages are opened transacted and never
// committed, so nothing the walk does can change them; everything below is
// opened read-only.
constexpr win::DWORD kTopMode = win::STGM_TRANSACTED | win::STGM_SHARE_EXCLUSIVE | win::STGM_READWRITE;
constexpr win::DWORD kInnerMode = win::STGM_SHARE_EXCLUSIVE | win::STGM_READ | win::STGM_DIRECT;

constexpr char16_t kRunTasks[] = u"RunTasks";
constexpr char16_t kHistory[] = u"History";
constexpr char16_t kTaskPrefix[] = u"_ZRT";
constexpr char16_t kCategoryPrefix[] = u"CAT_STREAM";
constexpr int32_t kNoContainer = -1;

// Category names of version 5, as code page 936 bytes. Version 6 brings
// categories of the first three names itself, so the old ones are kept
// apart with "_old"; the downloaded-files category has no counterpart.
const char kMusic[] = "\xD2\xF4\xC0\xD6";                  // 音乐
const char kSoftware[] = "\xC8\xED\xBC\xFE";               // 软件
const char kVideo[] = "\xD3\xB0\xCA\xD3";                  // 影视
const char kDownloaded[] = "\xD2\xD1\xCF\xC2\xD4\xD8";     // 已下载
const char kOldSuffix[] = "_old";

bool StartsWith(const char16_t* name, const char16_t* prefix) {
  for (; *prefix; ++name, ++prefix)
    if (*name != *prefix) return false;
  return true;
}

bool Equals(const char16_t* a, const char16_t* b) {
  for (; *a && *a == *b; ++a, ++b) {
  }
  return *a == *b;
}

// Element names for the run report, in UTF-8.
std::string ReportName(const char16_t* name) {
  return name ? platform::FromUtf16(name, win::CP_UTF8) : std::string();
}

// Runs one statement on the shared connection; the result is not needed.
void RunStatement(const char16_t* sql) {
  dblayer::DbCommand command;
  command.SetConnection(dblayer::GetSharedDatabase());
  command.SetSQL(sql);
  command.Execute();
}

// Holds the rows of one history in a single transaction. Without it SQLite
// makes and deletes its journal for every row, and a large history takes
// minutes instead of seconds. A failing row still fails alone: SQLite undoes
// only that statement and the transaction goes on.
class HistoryTransaction {
 public:
  HistoryTransaction() { RunStatement(u"begin transaction"); }
  ~HistoryTransaction() { RunStatement(u"commit transaction"); }
  HistoryTransaction(const HistoryTransaction&) = delete;
  HistoryTransaction& operator=(const HistoryTransaction&) = delete;
};

// What one category storage's walk knows; each storage has its own.
struct CategoryState {
  bool inHistory = true;
  bool containerMade = false;
  int32_t parentContainerId = kNoContainer;
  std::string name;
  std::string folder;
};

// Makes the storage's container at its first task stream behind a complete
// category record, and gives its folder to the catalog.
void MakeContainerIfDue(CategoryState& state) {
  if (!state.inHistory || state.containerMade || state.name.empty() || state.folder.empty()) return;
  if (state.name == kMusic || state.name == kSoftware || state.name == kVideo)
    state.name += kOldSuffix;
  if (state.name == kDownloaded) return;

  taskdb::ContainerRecord container;
  container.SetName(state.name);
  container.Save(dblayer::GetSharedDatabase());
  state.parentContainerId = container.ContainerId;
  state.containerMade = true;

  dblayer::AnsiToUtf8(state.folder);
  catalog::CatalogManager::Instance().AddFolder(state.folder);
}

}  // namespace

bool HistoryConverter::ConvertHistory(const char* ansiPath) {
  if (ansiPath == nullptr) return false;
  // The history's path goes to the storage as the task texts go to the
  // database, a leading byte-order mark left out.
  const std::u16string path = platform::ToUtf16(ansiPath, win::CP_ACP, platform::LeadingBom::kDrop);
  win::ComRef<win::IStorage> root;
  if (win::FAILED(win::StgOpenStorage(path.c_str(), nullptr, kTopMode, nullptr, 0, root.out())) ||
      !root) {
    return false;
  }
  HistoryTransaction transaction;
  // Declared in this order so that they are released History first, then
  // RunTasks, then the root.
  win::ComRef<win::IStorage> runTasks;
  win::ComRef<win::IStorage> history;
  if (win::SUCCEEDED(root->OpenStorage(kRunTasks, nullptr, kTopMode, nullptr, 0, runTasks.out())) &&
      runTasks)
    ConvertRunTasks(runTasks.get());
  if (win::SUCCEEDED(root->OpenStorage(kHistory, nullptr, kTopMode, nullptr, 0, history.out())) &&
      history)
    ConvertCategoryStorage(history.get(), "History");
  return true;
}

bool HistoryConverter::ConvertRunTasks(win::IStorage* storage) {
  win::ComRef<win::IEnumSTATSTG> elements;
  if (win::FAILED(storage->EnumElements(0, nullptr, 0, elements.out())) || !elements) return true;
  for (;;) {
    win::STATSTG stat{};
    win::ULONG fetched = 0;
    if (win::FAILED(elements->Next(1, &stat, &fetched)) || fetched != 1) break;
    const ElementName name(stat.pwcsName);
    if (stat.type != win::STGTY_STREAM) continue;
    win::ComRef<win::IStream> stream;
    if (win::SUCCEEDED(storage->OpenStream(name.get(), nullptr, kInnerMode, 0, stream.out())) && stream)
      ConvertTaskStream(stream.get(), name.get(), true, kNoContainer, "RunTasks");
  }
  return true;
}

bool HistoryConverter::ConvertCategoryStorage(win::IStorage* storage, const std::string& path,
                                              int depth) {
  if (depth > kMaxCategoryDepth) {
    platform::ReportNote("skipped " + path + ": categories nested too deep");
    return true;
  }
  CategoryState state;
  {
    win::STATSTG self{};
    if (win::SUCCEEDED(storage->Stat(&self, win::STATFLAG_DEFAULT))) {
      const ElementName name(self.pwcsName);
      state.inHistory = !Equals(name.get(), kHiddenCategoryName);
    }
  }

  win::ComRef<win::IEnumSTATSTG> elements;
  if (win::FAILED(storage->EnumElements(0, nullptr, 0, elements.out())) || !elements) return true;
  for (;;) {
    win::STATSTG stat{};
    win::ULONG fetched = 0;
    if (win::FAILED(elements->Next(1, &stat, &fetched)) || fetched != 1) break;
    const ElementName name(stat.pwcsName);

    if (stat.type == win::STGTY_STORAGE) {
      // A nested category starts afresh: it never inherits this container.
      win::ComRef<win::IStorage> child;
      if (win::SUCCEEDED(storage->OpenStorage(name.get(), nullptr, kInnerMode, nullptr, 0,
                                              child.out())) &&
          child)
        ConvertCategoryStorage(child.get(), path + "/" + ReportName(name.get()), depth + 1);
    } else if (stat.type == win::STGTY_STREAM && StartsWith(name.get(), kTaskPrefix)) {
      MakeContainerIfDue(state);
      win::ComRef<win::IStream> stream;
      if (win::SUCCEEDED(storage->OpenStream(name.get(), nullptr, kInnerMode, 0, stream.out())) &&
          stream)
        ConvertTaskStream(stream.get(), name.get(), state.inHistory, state.parentContainerId, path);
    } else if (stat.type == win::STGTY_STREAM && StartsWith(name.get(), kCategoryPrefix)) {
      win::ComRef<win::IStream> stream;
      if (win::FAILED(storage->OpenStream(name.get(), nullptr, kInnerMode, 0, stream.out())) ||
          !stream)
        continue;
      CategoryRecord record;
      if (!record.Load(stream.get())) {
        platform::ReportNote("skipped the rest of " + path + ": unreadable " +
                             ReportName(name.get()));
        return false;
      }
      state.name = record.Name;
      state.folder = record.Folder;
    }
  }
  return true;
}

}  // namespace legacy
