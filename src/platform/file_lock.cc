#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace platform {
namespace {

// A waiter looks again this often; runs last seconds, so a few
// milliseconds of delay after the holder lets go cost nothing.
constexpr int kPollMilliseconds = 20;

bool TryLock(int fd) {
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// True when fd still is the file at path: a holder that released the lock
// removed the file, and a later one may have made a new file there.
bool StillThere(int fd, const std::string& path) {
  struct stat held, named;
  if (fstat(fd, &held) != 0 || stat(path.c_str(), &named) != 0) return false;
  return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

}  // namespace

FileLock::Result FileLock::Acquire(const std::string& hostPath, int waitMilliseconds) {
  Release();
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
  for (;;) {
    int fd = open(hostPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return kUnavailable;
    bool locked = false;
    for (;;) {
      locked = TryLock(fd);
      if (locked || std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
      // The holder may have let go and removed the file: a lock on the old
      // file would then exclude no one, so wait on the new one instead.
      if (!StillThere(fd, hostPath)) break;
    }
    if (locked && StillThere(fd, hostPath)) {
      fd_ = fd;
      path_ = hostPath;
      return kLocked;
    }
    close(fd);
    if (!locked && std::chrono::steady_clock::now() >= deadline) return kBusy;
  }
}

void FileLock::Release() {
  if (fd_ < 0) return;
  // Removed while still held, so that no waiter can take a lock on it
  // afterwards; waiters holding it open see it gone and start over.
  unlink(path_.c_str());
  close(fd_);
  fd_ = -1;
  path_.clear();
}

}  // namespace platform
