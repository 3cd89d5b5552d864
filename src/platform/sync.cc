#include "platform/sync.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/codepage.h"

namespace win {
namespace {

// One mutex object of this process. Windows gives a mutex to a thread, not
// to a handle: every handle of this process to one name shares the object
// and its ownership, so a second handle may release what the first took.
struct MutexObject {
  std::string lockPath;  // empty for an unnamed mutex, which nobody else can reach
  int handles = 0;
  int ownership = 0;  // how often this process holds it (a mutex is recursive)
};

// A handle: a share of the object and, for a named mutex, the lock file
// held open on its own open file description with a shared lock. The
// shared locks stand for "a handle to this mutex is open somewhere": as on
// Windows, the mutex exists while any process keeps a handle, owned or not.
struct MutexHandle {
  MutexObject* object = nullptr;
  int fd = -1;
};

constexpr DWORD ERROR_NOT_OWNER = 288;
constexpr const char* kLockPrefix = "vorlake-mutex-";
constexpr const char* kLockSuffix = ".lock";

// Live handles and named objects, so that a stale or foreign pointer fails
// cleanly instead of being freed twice.
std::mutex g_handles_lock;
std::unordered_set<MutexHandle*> g_handles;
std::unordered_map<std::string, MutexObject*> g_objects;

std::string LockFolder() {
  for (const char* var : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
    const char* dir = getenv(var);
    struct stat st;
    if (dir != nullptr && *dir != '\0' && stat(dir, &st) == 0 && S_ISDIR(st.st_mode)) return dir;
  }
  return "/tmp";
}

// Path separators would make the name a path; everything else may stay,
// so that distinct mutex names stay distinct files. A name without a
// namespace is in the session's own, which "Local\" only spells out, so
// both are one file; "Global\" stays apart, as it does in a user's session.
std::string LockPath(const char* name) {
  static constexpr std::string_view kSessionNamespace = "Local\\";
  std::string_view rest(name);
  if (rest.substr(0, kSessionNamespace.size()) == kSessionNamespace)
    rest.remove_prefix(kSessionNamespace.size());
  std::string file = kLockPrefix;
  for (char c : rest) file += (c == '\\' || c == '/') ? '_' : c;
  return LockFolder() + "/" + file + kLockSuffix;
}

bool Flock(int fd, int operation) {
  for (;;) {
    if (flock(fd, operation) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// Takes the shared lock of a new handle; answers whether the mutex existed
// already, that is whether any other handle, in any process, is open. Only
// an exclusive lock proves there is none. Another process holding an
// exclusive lock of its own also counts as an existing mutex.
// (flock turns the exclusive lock into a shared one by dropping it first;
// two creators meeting in that instant both see a new mutex, which costs
// nothing here: the mutex only tells whether the old program runs.)
bool OpenShare(int fd) {
  if (Flock(fd, LOCK_EX | LOCK_NB)) {
    Flock(fd, LOCK_SH | LOCK_NB);
    return false;
  }
  Flock(fd, LOCK_SH | LOCK_NB);
  return true;
}

// Finds a live handle; with remove, also forgets it. Called with
// g_handles_lock held.
MutexHandle* Lookup(HANDLE handle, bool remove) {
  auto it = g_handles.find(static_cast<MutexHandle*>(handle));
  if (it == g_handles.end()) return nullptr;
  MutexHandle* found = *it;
  if (remove) g_handles.erase(it);
  return found;
}

// The object of a name, made when this process has no handle to it yet.
MutexObject* ObjectFor(const std::string& lockPath) {
  if (lockPath.empty()) return new MutexObject;
  MutexObject*& object = g_objects[lockPath];
  if (object == nullptr) object = new MutexObject{lockPath};
  return object;
}

void DropShare(MutexObject* object) {
  if (--object->handles > 0) return;
  if (!object->lockPath.empty()) g_objects.erase(object->lockPath);
  delete object;
}

}  // namespace

HANDLE CreateMutexA(void* securityAttributes, BOOL initialOwner, const char* name) {
  std::lock_guard<std::mutex> guard(g_handles_lock);
  auto* handle = new MutexHandle;
  bool existed = false;
  std::string lockPath;
  if (name != nullptr && *name != '\0') {
    lockPath = LockPath(name);
    handle->fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (handle->fd < 0) {
      // A lock file that belongs to another user is a mutex this user may
      // not open, which Windows reports as access denied.
      SetLastError(errno == EACCES || errno == EPERM || errno == ELOOP ? ERROR_ACCESS_DENIED
                                                                      : ERROR_PATH_NOT_FOUND);
      delete handle;
      return nullptr;
    }
    existed = OpenShare(handle->fd);
  }
  handle->object = ObjectFor(lockPath);
  handle->object->handles++;
  // The creator alone gets the initial ownership: opening an existing mutex
  // ignores the request, as Windows does.
  if (!existed && initialOwner) handle->object->ownership++;
  g_handles.insert(handle);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL ReleaseMutex(HANDLE mutex) {
  std::lock_guard<std::mutex> guard(g_handles_lock);
  MutexHandle* handle = Lookup(mutex, false);
  if (handle == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (handle->object->ownership == 0) {
    SetLastError(ERROR_NOT_OWNER);
    return 0;
  }
  handle->object->ownership--;
  return 1;
}

BOOL CloseHandle(HANDLE h) {
  std::lock_guard<std::mutex> guard(g_handles_lock);
  MutexHandle* handle = Lookup(h, true);
  if (handle == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  // Closing the descriptor drops its shared lock with it.
  if (handle->fd >= 0) close(handle->fd);
  DropShare(handle->object);
  delete handle;
  return 1;
}

}  // namespace win
