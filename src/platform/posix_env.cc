// The host's files, folders and prefix on POSIX.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/env.h"

namespace platform {
namespace {

constexpr mode_t kPermissionBits = 07777;
constexpr mode_t kNewFolderMode = 0777;  // less the umask
constexpr int64_t kNanosPerSecond = 1000000000;

IoStatus FromErrno(int e) {
  switch (e) {
    case 0:
      return IoStatus::kOk;
    case ENOENT:
      return IoStatus::kNotFound;
    case EEXIST:
      return IoStatus::kExists;
    case ENOTDIR:
    case ENAMETOOLONG:
      return IoStatus::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return IoStatus::kAccessDenied;
    case ENOSPC:
    case EDQUOT:
      return IoStatus::kDiskFull;
    case EMFILE:
    case ENFILE:
      return IoStatus::kTooManyOpenFiles;
    case ENOMEM:
      return IoStatus::kNoMemory;
    case EWOULDBLOCK:
      return IoStatus::kBusy;
    default:
      return IoStatus::kFailed;
  }
}

IoStatus LastError() { return FromErrno(errno); }

void Describe(const struct stat& st, const std::string* path, FileInfo* info) {
  info->isFile = S_ISREG(st.st_mode);
  info->isFolder = S_ISDIR(st.st_mode);
  info->size = static_cast<uint64_t>(st.st_size);
  info->permissions = st.st_mode & kPermissionBits;
  // An open file has no path to ask access() about: its permission bits
  // answer.
  info->writable = path != nullptr ? access(path->c_str(), W_OK) == 0
                                   : (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  info->modified = static_cast<int64_t>(st.st_mtim.tv_sec) * kNanosPerSecond + st.st_mtim.tv_nsec;
  info->volume = static_cast<uint64_t>(st.st_dev);
  info->id = static_cast<uint64_t>(st.st_ino);
}

// Another process may keep the file with a POSIX record lock (fcntl or
// lockf) rather than flock; that holder shuts this one out just the same,
// as a process holding the file open without sharing does on Windows. Only
// looked at, never taken: a read-only descriptor cannot carry a write lock.
bool HeldByRecordLock(int fd, LockKind kind) {
  struct flock probe {};
  probe.l_type = kind == LockKind::kExclusive ? F_WRLCK : F_RDLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = 0;
  probe.l_len = 0;
#ifdef F_OFD_GETLK
  if (fcntl(fd, F_OFD_GETLK, &probe) != 0) return false;
#else
  if (fcntl(fd, F_GETLK, &probe) != 0) return false;
#endif
  return probe.l_type != F_UNLCK;
}

class PosixFile : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { close(fd_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  IoStatus ReadAt(uint64_t offset, void* buf, size_t n, size_t* got) override {
    auto* p = static_cast<uint8_t*>(buf);
    *got = 0;
    while (*got < n) {
      ssize_t r = pread(fd_, p + *got, n - *got, static_cast<off_t>(offset + *got));
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) return LastError();
      if (r == 0) break;
      *got += static_cast<size_t>(r);
    }
    return IoStatus::kOk;
  }

  IoStatus Write(const void* data, size_t n) override {
    const auto* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
      ssize_t w = write(fd_, p, n);
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) return LastError();
      if (w == 0) return IoStatus::kDiskFull;
      p += w;
      n -= static_cast<size_t>(w);
    }
    return IoStatus::kOk;
  }

  IoStatus Truncate(uint64_t size) override {
    return ftruncate(fd_, static_cast<off_t>(size)) == 0 ? IoStatus::kOk : LastError();
  }

  IoStatus Sync() override { return fsync(fd_) == 0 ? IoStatus::kOk : LastError(); }

  IoStatus Lock(LockKind kind) override {
    int r;
    do {
      r = flock(fd_, (kind == LockKind::kExclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) return errno == EWOULDBLOCK ? IoStatus::kBusy : IoStatus::kFailed;
    return HeldByRecordLock(fd_, kind) ? IoStatus::kBusy : IoStatus::kOk;
  }

  IoStatus Info(FileInfo* info) override {
    struct stat st;
    if (fstat(fd_, &st) != 0) return LastError();
    Describe(st, nullptr, info);
    return IoStatus::kOk;
  }

  IoStatus SetPermissions(uint32_t permissions) override {
    return fchmod(fd_, permissions & kPermissionBits) == 0 ? IoStatus::kOk : LastError();
  }

  IoStatus SetModifiedTime(int64_t modified) override {
    const struct timespec times[2] = {
        {0, UTIME_NOW}, {modified / kNanosPerSecond, modified % kNanosPerSecond}};
    return futimens(fd_, times) == 0 ? IoStatus::kOk : LastError();
  }

 private:
  int fd_;
};

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

IoStatus Env::OpenFile(const std::string& path, bool writable, std::unique_ptr<File>* file) {
  // Without O_NONBLOCK a FIFO in the file's place would hold the open up
  // until some writer came; it has no effect on regular files.
  int fd = open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return LastError();
  *file = std::make_unique<PosixFile>(fd);
  return IoStatus::kOk;
}

// Where the file system can, the file is made without a name, locked, and
// only then linked under its name. Else it is made by name and locked at
// once; one that sweeps unheld files and comes in between removes it, and
// its writer's rename then fails: the target is left as it was, never torn.
IoStatus Env::CreateLockedFile(const std::string& path, uint32_t permissions,
                              std::unique_ptr<File>* file) {
#ifdef O_TMPFILE
  {
    int fd = open(FolderOf(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC,
                  static_cast<mode_t>(permissions & kPermissionBits));
    if (fd >= 0) {
      char self[64];
      snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
      if (flock(fd, LOCK_EX) == 0 &&
          linkat(AT_FDCWD, self, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        *file = std::make_unique<PosixFile>(fd);
        return IoStatus::kOk;
      }
      int e = errno;
      close(fd);
      if (e != ENOENT && e != EPERM && e != EXDEV) return FromErrno(e);
      // No /proc to link from: made by name below.
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      return LastError();
    }
  }
#endif
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
                static_cast<mode_t>(permissions & kPermissionBits));
  if (fd < 0) return LastError();
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {  // a sweeper got there first
    close(fd);
    return IoStatus::kExists;
  }
  *file = std::make_unique<PosixFile>(fd);
  return IoStatus::kOk;
}

IoStatus Env::Rename(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0 ? IoStatus::kOk : LastError();
}

IoStatus Env::Link(const std::string& from, const std::string& to) {
  if (link(from.c_str(), to.c_str()) == 0) return IoStatus::kOk;
  if (errno == EPERM || errno == ENOTSUP || errno == EOPNOTSUPP || errno == EMLINK)
    return IoStatus::kNotSupported;
  return LastError();
}

IoStatus Env::Remove(const std::string& path) {
  return unlink(path.c_str()) == 0 ? IoStatus::kOk : LastError();
}

void Env::RemoveUnheldFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat held, now;
  // Unlinked only while the name still leads to the file that was locked.
  if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      lstat(path.c_str(), &now) == 0 && now.st_dev == held.st_dev && now.st_ino == held.st_ino)
    unlink(path.c_str());
  close(fd);
}

IoStatus Env::GetFileInfo(const std::string& path, bool followLinks, FileInfo* info) {
  struct stat st;
  if ((followLinks ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) != 0) return LastError();
  Describe(st, &path, info);
  return IoStatus::kOk;
}

IoStatus Env::ListFolder(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  DIR* dir = opendir(path.c_str());
  if (!dir) return LastError();
  while (const dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names->push_back(std::move(name));
  }
  closedir(dir);
  return IoStatus::kOk;
}

IoStatus Env::MakeFolder(const std::string& path) {
  return mkdir(path.c_str(), kNewFolderMode) == 0 ? IoStatus::kOk : LastError();
}

IoStatus Env::SyncFolder(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return LastError();
  IoStatus status = fsync(fd) == 0 ? IoStatus::kOk : LastError();
  close(fd);
  return status;
}

std::string Env::RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string resolved = real;
  free(real);
  return resolved;
}

bool Env::ReadLink(const std::string& path, std::string* target) {
  char buf[4096];
  ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
  if (n <= 0) return false;
  target->assign(buf, static_cast<size_t>(n));
  return true;
}

std::string Env::Prefix() {
  std::string prefix;
  if (const char* p = std::getenv("WINEPREFIX"); p && *p) {
    prefix = p;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* pw = getpwuid(getuid());
      home = pw ? pw->pw_dir : "";
    }
    prefix = std::string(home) + "/.wine";
  }
  while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
  return prefix;
}

}  // namespace platform
