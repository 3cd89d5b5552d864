#include "platform/durable_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace platform {
namespace {

bool SyncDescriptor(int fd) {
  for (;;) {
    if (fsync(fd) == 0) return true;
    if (errno != EINTR) return false;
  }
}

}  // namespace

bool SyncFile(const std::string& hostPath) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = SyncDescriptor(fd);
  if (close(fd) != 0) ok = false;
  return ok;
}

std::string HostFolderOf(const std::string& hostPath) {
  size_t slash = hostPath.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return hostPath.substr(0, slash);
}

bool RenameFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool SyncFolder(const std::string& hostFolder) {
  int dirFd = open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return false;
  bool ok = SyncDescriptor(dirFd);
  close(dirFd);
  return ok;
}

bool RemoveFileIfPresent(const std::string& hostPath) {
  return unlink(hostPath.c_str()) == 0 || errno == ENOENT;
}

}  // namespace platform
