#include "platform/durable_file.h"

#include <memory>

#include "platform/env.h"

namespace platform {

bool SyncFile(const std::string& hostPath) {
  std::unique_ptr<File> file;
  return CurrentEnv()->OpenFile(hostPath, /*writable=*/false, &file) == IoStatus::kOk &&
         file->Sync() == IoStatus::kOk;
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
