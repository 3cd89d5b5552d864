#include "platform/durable_file.h"

#include <memory>

#include "platform/env.h"

namespace platform {

// Windows flushes a file only through a handle that may write to it; POSIX
// syncs through any descriptor, so a file we may only read is synced too.
bool SyncFile(const std::string& hostPath) {
  std::unique_ptr<File> file;
  Env* env = CurrentEnv();
  if (env->OpenFile(hostPath, /*writable=*/true, &file) != IoStatus::kOk &&
      env->OpenFile(hostPath, /*writable=*/false, &file) != IoStatus::kOk)
    return false;
  return file->Sync() == IoStatus::kOk;
}

std::string HostFolderOf(const std::string& hostPath) {
  size_t slash = hostPath.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return hostPath.substr(0, slash);
}

bool RenameFile(const std::string& from, const std::string& to) {
  return CurrentEnv()->Rename(from, to) == IoStatus::kOk;
}

bool SyncFolder(const std::string& hostFolder) {
  return CurrentEnv()->SyncFolder(hostFolder) == IoStatus::kOk;
}

bool RemoveFileIfPresent(const std::string& hostPath) {
  IoStatus status = CurrentEnv()->Remove(hostPath);
  return status == IoStatus::kOk || status == IoStatus::kNotFound;
}

}  // namespace platform
