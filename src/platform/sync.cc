#include "platform/sync.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unordered_set>

#include "platform/codepage.h"

namespace win {
namespace {

// A mutex handle: the lock file held open on its own open file
// description, so that a second handle, even in this process, competes for
// the lock like another process would.
struct MutexHandle {
  int fd = -1;  // -1 for an unnamed mutex, which nobody else can reach
  bool owned = false;
};

constexpr DWORD ERROR_NOT_OWNER = 288;
constexpr const char* kLockPrefix = "vorlake-mutex-";
constexpr const char* kLockSuffix = ".lock";

// Live handles, so that a stale or foreign pointer fails cleanly instead of
// being freed twice.
std::mutex g_handles_lock;
std::unordered_set<MutexHandle*> g_handles;

std::string LockFolder() {
  for (const char* var : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
    const char* dir = getenv(var);
    struct stat st;
    if (dir != nullptr && *dir != '\0' && stat(dir, &st) == 0 && S_ISDIR(st.st_mode)) return dir;
  }
  return "/tmp";
}

// Path separators would make the name a path; everything else may stay,
// so that distinct mutex names stay distinct files.
std::string LockPath(const char* name) {
  std::string file = kLockPrefix;
  for (const char* p = name; *p != '\0'; ++p) file += (*p == '\\' || *p == '/') ? '_' : *p;
  return LockFolder() + "/" + file + kLockSuffix;
}

bool TryLock(int fd) {
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

HANDLE Register(MutexHandle* handle) {
  std::lock_guard<std::mutex> guard(g_handles_lock);
  g_handles.insert(handle);
  return handle;
}

// Finds a live handle; with remove, also forgets it.
MutexHandle* Lookup(HANDLE handle, bool remove) {
  std::lock_guard<std::mutex> guard(g_handles_lock);
  auto it = g_handles.find(static_cast<MutexHandle*>(handle));
  if (it == g_handles.end()) return nullptr;
  MutexHandle* found = *it;
  if (remove) g_handles.erase(it);
  return found;
}

}  // namespace

HANDLE CreateMutexA(void* securityAttributes, BOOL initialOwner, const char* name) {
  auto* handle = new MutexHandle;
  if (name == nullptr || *name == '\0') {
    handle->owned = initialOwner != 0;
    SetLastError(ERROR_SUCCESS);
    return Register(handle);
  }
  handle->fd = open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (handle->fd < 0) {
    // A lock file that belongs to another user is a mutex this user may not
    // open, which Windows reports as access denied.
    SetLastError(errno == EACCES || errno == EPERM || errno == ELOOP ? ERROR_ACCESS_DENIED
                                                                    : ERROR_PATH_NOT_FOUND);
    delete handle;
    return nullptr;
  }
  // The lock stands for "somebody has this mutex": whoever cannot take it
  // gets the handle without ownership, as Windows hands out an existing
  // mutex. Not asking for ownership only probes.
  if (!TryLock(handle->fd)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return Register(handle);
  }
  if (initialOwner)
    handle->owned = true;
  else
    flock(handle->fd, LOCK_UN);
  SetLastError(ERROR_SUCCESS);
  return Register(handle);
}

BOOL ReleaseMutex(HANDLE mutex) {
  MutexHandle* handle = Lookup(mutex, false);
  if (handle == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!handle->owned) {
    SetLastError(ERROR_NOT_OWNER);
    return 0;
  }
  if (handle->fd >= 0) flock(handle->fd, LOCK_UN);
  handle->owned = false;
  return 1;
}

BOOL CloseHandle(HANDLE h) {
  MutexHandle* handle = Lookup(h, true);
  if (handle == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  // Closing the descriptor drops the lock with it.
  if (handle->fd >= 0) close(handle->fd);
  delete handle;
  return 1;
}

}  // namespace win
