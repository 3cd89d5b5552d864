// Temporary files beside a file that is being replaced whole: the file
// copy, ReplaceFileAtomically and the compound-file engine's save each write
// the new bytes into one of these and rename it over the target, so the
// target is always either the old file or the new one, complete.
//
// A temporary file has a short name of one fixed shape, ".~tmp" and sixteen
// hex digits (the writer's process id and a counter), so it fits beside any
// name and a later run can tell it from the user's files. Its writer holds
// an exclusive flock on it for as long as the name exists; a temporary file
// that nobody holds was left by a writer that died, and SweepTempFiles
// removes it. Header only, so the compound-file engine, which sits below
// the platform library, shares it.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::string_view kTempPrefix = ".~tmp";
inline constexpr size_t kTempDigits = 16;

namespace temp_file_detail {

inline bool AllOf(std::string_view text, int (*pred)(int)) {
  if (text.empty()) return false;
  for (char c : text)
    if (!pred(static_cast<unsigned char>(c))) return false;
  return true;
}

// "DIGITS-DIGITS", the tail that earlier temporary names ended with.
inline bool IsPidCounter(std::string_view text) {
  size_t dash = text.find('-');
  return dash != std::string_view::npos && AllOf(text.substr(0, dash), isdigit) &&
         AllOf(text.substr(dash + 1), isdigit);
}

}  // namespace temp_file_detail

inline bool IsTempName(std::string_view name) {
  return name.size() == kTempPrefix.size() + kTempDigits &&
         name.substr(0, kTempPrefix.size()) == kTempPrefix &&
         temp_file_detail::AllOf(name.substr(kTempPrefix.size()), isxdigit);
}

// Temporary names of earlier versions, still found where a run was killed:
// the copy's "NAME.copy-PID-N" and the replacement's ".NAME.tmp-PID-N".
inline bool IsOlderTempName(std::string_view name) {
  size_t copy = name.rfind(".copy-");
  if (copy != std::string_view::npos && copy > 0 &&
      temp_file_detail::IsPidCounter(name.substr(copy + 6)))
    return true;
  size_t tmp = name.rfind(".tmp-");
  return name.size() > 1 && name[0] == '.' && tmp != std::string_view::npos && tmp > 1 &&
         temp_file_detail::IsPidCounter(name.substr(tmp + 5));
}

// Creates a new temporary file in folder with the given permissions (less
// the umask), open for writing and locked; its path goes to *path. Returns
// the descriptor, or -1 with errno set.
//
// Where the file system can, the file is made without a name, locked, and
// only then linked under its name, so a sweeper never sees it unheld. Else
// it is made by name and locked at once; a sweeper that comes in between
// removes it, and the writer's rename then fails: the target is left as it
// was, never torn.
inline int CreateTempFile(const std::string& folder, mode_t mode, std::string* path) {
  static std::atomic<unsigned> counter{0};
  bool unnamedFirst = true;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    snprintf(name, sizeof name, "%s%08x%08x", kTempPrefix.data(),
             static_cast<unsigned>(getpid()), counter.fetch_add(1));
    *path = folder + "/" + name;
#ifdef O_TMPFILE
    if (unnamedFirst) {
      int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
      if (fd >= 0) {
        char self[64];
        snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
        if (flock(fd, LOCK_EX) == 0 &&
            linkat(AT_FDCWD, self, AT_FDCWD, path->c_str(), AT_SYMLINK_FOLLOW) == 0)
          return fd;
        int e = errno;
        close(fd);
        if (e == EEXIST) continue;
        if (e != ENOENT && e != EPERM && e != EXDEV) {
          errno = e;
          return -1;
        }
      } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return -1;
      }
      unnamedFirst = false;  // no O_TMPFILE here, or no /proc to link from
    }
#endif
    int fd = open(path->c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {  // a sweeper got there first
      close(fd);
      continue;
    }
    return fd;
  }
  errno = EEXIST;
  return -1;
}

// Removes folder/name when it is a regular file that no writer holds.
inline void RemoveUnheldFile(const std::string& folder, const std::string& name) {
  std::string path = folder + "/" + name;
  int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat held, now;
  // Unlinked only while the name still leads to the file that was locked.
  if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      lstat(path.c_str(), &now) == 0 && now.st_dev == held.st_dev && now.st_ino == held.st_ino)
    unlink(path.c_str());
  close(fd);
}

// Whether a name of a folder listing is a temporary file, of this version
// or an earlier one.
inline bool IsAnyTempName(std::string_view name) {
  return IsTempName(name) || IsOlderTempName(name);
}

// Removes the temporary files in folder that their writers left when they
// died. oldStem, when given, also takes in the "STEM.XXXXXX" names that
// earlier compound-file saves used for the file STEM.
inline void SweepTempFiles(const std::string& folder, std::string_view oldStem = {}) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    bool stale = IsAnyTempName(name);
    if (!stale && !oldStem.empty() && name.size() == oldStem.size() + 7 &&
        name.substr(0, oldStem.size()) == oldStem && name[oldStem.size()] == '.')
      stale = temp_file_detail::AllOf(name.substr(oldStem.size() + 1), isalnum);
    // Removing entries while reading the folder is safe: readdir then may
    // or may not show them, and they are not ours to see again.
    if (stale) RemoveUnheldFile(folder, std::string(name));
  }
  closedir(dir);
}

}  // namespace platform
