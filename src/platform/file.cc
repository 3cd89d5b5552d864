#include "platform/file.h"

#include <string>

#include "platform/codepage.h"
#include "platform/env.h"
#include "platform/paths.h"

namespace win {

namespace {

constexpr uint32_t kWritePermissions = 0222;

// Windows tells a missing file from a missing folder on the way to it.
bool ParentExists(const std::string& host) {
  std::string path = host;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return true;
  const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
  platform::FileInfo info;
  return platform::CurrentEnv()->GetFileInfo(parent, /*followLinks=*/true, &info) ==
             platform::IoStatus::kOk &&
         info.isFolder;
}

}  // namespace

DWORD GetFileAttributesA(const char* path) {
  std::string host = platform::HostPathFromAnsi(path);
  platform::FileInfo info;
  if (host.empty() || platform::CurrentEnv()->GetFileInfo(host, /*followLinks=*/true, &info) !=
                          platform::IoStatus::kOk) {
    SetLastError(host.empty() || !ParentExists(host) ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (info.isFolder) return FILE_ATTRIBUTE_DIRECTORY;
  DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
  // The mode bits speak even for root, for whom access() always says yes.
  if ((info.permissions & kWritePermissions) == 0 || !info.writable) {
    attributes |= FILE_ATTRIBUTE_READONLY;
  }
  return attributes;
}

}  // namespace win
