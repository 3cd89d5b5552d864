#include "platform/file_lock.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {

// A waiter looks again this often; runs last seconds, so a few
// milliseconds of delay after the holder lets go cost nothing.
constexpr int kPollMilliseconds = 20;
constexpr uint32_t kLockFilePermissions = 0666;  // less the umask

// True when file still is the file at path: a holder that released the
// lock removed the file, and a later one may have made a new file there.
bool StillThere(File& file, const std::string& path) {
  FileInfo held, named;
  return file.Info(&held) == IoStatus::kOk &&
         CurrentEnv()->GetFileInfo(path, /*followLinks=*/true, &named) == IoStatus::kOk &&
         held.volume == named.volume && held.id == named.id;
}

}  // namespace

FileLock::Result FileLock::Acquire(const std::string& hostPath, int waitMilliseconds) {
  Release();
  Env* env = CurrentEnv();
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
  for (;;) {
    std::unique_ptr<File> file;
    bool locked = false;
    IoStatus status = env->OpenFile(hostPath, /*writable=*/true, &file);
    if (status == IoStatus::kNotFound) {
      // Made locked, so no other waiter ever takes a lock on it first.
      status = env->CreateLockedFile(hostPath, kLockFilePermissions, &file);
      if (status == IoStatus::kExists) continue;  // another made it meanwhile
      locked = status == IoStatus::kOk;
    }
    if (status != IoStatus::kOk) return kUnavailable;
    while (!locked) {
      locked = file->Lock(LockKind::kExclusive) == IoStatus::kOk;
      if (locked || std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
      // The holder may have let go and removed the file: a lock on the old
      // file would then exclude no one, so wait on the new one instead.
      if (!StillThere(*file, hostPath)) break;
    }
    if (locked && StillThere(*file, hostPath)) {
      file_ = std::move(file);
      path_ = hostPath;
      return kLocked;
    }
    if (!locked && std::chrono::steady_clock::now() >= deadline) return kBusy;
  }
}

void FileLock::Release() {
  if (!file_) return;
  // Removed while still held, so that no waiter can take a lock on it
  // afterwards; waiters holding it open see it gone and start over.
  CurrentEnv()->Remove(path_);
  file_.reset();
  path_.clear();
}

}  // namespace platform
