#include "platform/file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/codepage.h"
#include "platform/paths.h"

namespace win {

namespace {

// Windows tells a missing file from a missing folder on the way to it.
bool ParentExists(const std::string& host) {
  std::string path = host;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return true;
  struct stat st;
  return stat(slash == 0 ? "/" : path.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

DWORD GetFileAttributesA(const char* path) {
  std::string host = platform::HostPathFromAnsi(path);
  struct stat st;
  if (host.empty() || stat(host.c_str(), &st) != 0) {
    SetLastError(host.empty() || !ParentExists(host) ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
  // The mode bits speak even for root, for whom access() always says yes.
  if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) || access(host.c_str(), W_OK) != 0) {
    attributes |= FILE_ATTRIBUTE_READONLY;
  }
  return attributes;
}

}  // namespace win
