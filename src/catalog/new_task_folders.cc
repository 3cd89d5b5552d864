#include "catalog/new_task_folders.h"

#include <string>

#include "catalog/catalog_manager.h"
#include "catalog/split_string.h"
#include "dblayer/text_conversion.h"
#include "platform/profile.h"

namespace catalog {

namespace {

constexpr char kListSection[] = "NewTaskDir";
constexpr char kListKey[] = "newtask";
constexpr char kListDefault[] = "|";
constexpr char kListSeparators[] = "|";
constexpr char kDefaultSection[] = "TaskDefaultSettings";
constexpr char kDefaultKey[] = "DefaultFolder";
constexpr char kDefaultFolder[] = "C:\\QXDOWNLOAD\\";

// The list may be long; the default folder is one path.
constexpr int kListBufferSize = 4096;
constexpr int kFolderBufferSize = 1024;

}  // namespace

bool RebuildCatalog(const char* oldSettingsPath, const char* categoryXmlPath) {
  char list[kListBufferSize] = {};
  win::GetPrivateProfileStringA(kListSection, kListKey, kListDefault, list, kListBufferSize - 1,
                                oldSettingsPath);
  char folder[kFolderBufferSize] = {};
  win::GetPrivateProfileStringA(kDefaultSection, kDefaultKey, kDefaultFolder, folder,
                                kFolderBufferSize - 1, oldSettingsPath);

  CatalogManager& catalog = CatalogManager::Instance();
  // Split before converting: the separator is an ANSI byte.
  for (std::string& item : SplitString(list, kListSeparators)) {
    dblayer::AnsiToUtf8(item);
    catalog.AddFolder(item);
  }
  std::string defaultFolder(folder);
  dblayer::AnsiToUtf8(defaultFolder);
  catalog.SetDefaultFolder(defaultFolder);
  return catalog.WriteToFile(categoryXmlPath);
}

}  // namespace catalog
