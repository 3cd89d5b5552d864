// An exclusive lock between processes, held on a file of its own beside
// what it guards. The file exists only while some process holds or waits
// for the lock: the holder removes it on release, and a waiter that finds
// it removed under it starts over on a fresh one, so no run ever holds a
// lock on a file that is gone. The lock is the Env's lock on that file.
#pragma once

#include <memory>
#include <string>

#include "platform/env.h"

namespace platform {

class FileLock {
 public:
  enum Result {
    kLocked,       // held until Release or destruction
    kBusy,         // another process held it for the whole wait
    kUnavailable,  // the lock file cannot be made (no folder, no rights)
  };

  FileLock() = default;
  ~FileLock() { Release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock at hostPath, waiting at most waitMilliseconds for
  // another holder to let go.
  Result Acquire(const std::string& hostPath, int waitMilliseconds);
  // Removes the lock file and lets go; nothing when not held.
  void Release();
  bool held() const { return file_ != nullptr; }

 private:
  std::unique_ptr<File> file_;
  std::string path_;
};

}  // namespace platform
