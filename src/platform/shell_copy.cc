// SHFileOperationA FO_COPY without a user interface: as if every question
// were answered yes (FOF_NOCONFIRMATION, FOF_NOCONFIRMMKDIR), whatever the
// flags, since there is nobody to ask.
//
// Where a source lands:
// - a folder goes inside an existing destination folder (dest/name); a
//   destination that does not exist is created and, when written with a
//   trailing backslash or given several sources, receives the folder inside
//   it; otherwise the destination itself becomes the copy, as Windows does;
// - a file goes inside an existing destination folder, else it is copied
//   to the destination name, with missing folders on the way created.
// Existing files are replaced, existing folders merged; a copied file keeps
// the source's last-write time. All sources must exist, or nothing at all is
// copied.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/temp_file.h"

namespace win {

namespace {

// Shell results that are not Win32 error codes.
constexpr int DE_SAMEFILE = 0x71;
constexpr int DE_DESTSUBTREE = 0x76;
constexpr int DE_FILEDESTISFLD = 0x80;
constexpr int ERROR_GEN_FAILURE = 31;
constexpr int ERROR_DISK_FULL = 112;

// Following symlinked folders could otherwise loop for ever.
constexpr int kMaxDepth = 64;

int ErrorFromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS: return static_cast<int>(ERROR_ACCESS_DENIED);
    case ENOENT:
    case ENOTDIR: return static_cast<int>(ERROR_PATH_NOT_FOUND);
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    default: return ERROR_GEN_FAILURE;
  }
}

std::vector<std::string> ParseList(const char* list) {
  std::vector<std::string> items;
  if (!list) return items;
  for (const char* p = list; *p; p += items.back().size() + 1) items.emplace_back(p);
  return items;
}

std::string StripTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string Parent(const std::string& host) {
  size_t slash = host.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : host.substr(0, slash);
}

std::string BaseName(const std::string& host) {
  size_t slash = host.rfind('/');
  return slash == std::string::npos ? host : host.substr(slash + 1);
}

bool StatPath(const std::string& path, struct stat* st) { return stat(path.c_str(), st) == 0; }

bool IsDirectory(const std::string& path) {
  struct stat st;
  return StatPath(path, &st) && S_ISDIR(st.st_mode);
}

// mkdir -p. Returns 0 or an error code.
int MakeFolders(const std::string& path) {
  if (IsDirectory(path)) return 0;
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    if (int rc = MakeFolders(path.substr(0, slash))) return rc;
  }
  if (mkdir(path.c_str(), 0777) != 0 && !(errno == EEXIST && IsDirectory(path))) {
    return ErrorFromErrno(errno);
  }
  return 0;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Copies the bytes into a temporary file beside the target and renames it
// over the target, so a replaced file is never left half written and a
// read-only target is replaced as Windows replaces it. The temporary name is
// short (platform/temp_file.h), so a target whose name is near the length
// limit is copied too, and one that a killed copy left is removed later.
int CopyFile(const std::string& from, const std::string& to, const struct stat& fromStat) {
  struct stat toStat;
  if (StatPath(to, &toStat)) {
    if (S_ISDIR(toStat.st_mode)) return DE_FILEDESTISFLD;
    if (toStat.st_dev == fromStat.st_dev && toStat.st_ino == fromStat.st_ino) return DE_SAMEFILE;
  }
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return ErrorFromErrno(errno);
  std::string temp;
  int out = platform::CreateTempFile(Parent(to), fromStat.st_mode & 0777, &temp);
  if (out < 0) {
    int rc = ErrorFromErrno(errno);
    close(in);
    return rc;
  }
  int rc = 0;
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || (n > 0 && !WriteAll(out, buffer, static_cast<size_t>(n)))) {
      rc = ErrorFromErrno(errno);
      break;
    }
    if (n == 0) break;
  }
  close(in);
  // A copied file keeps its last-write time, as CopyFile keeps it; only
  // the access time is the copy's own.
  if (rc == 0) {
    const struct timespec times[2] = {{0, UTIME_NOW}, fromStat.st_mtim};
    if (futimens(out, times) != 0) rc = ErrorFromErrno(errno);
  }
  // The descriptor, and with it the lock that marks the temporary file as
  // in use, goes only after the rename.
  if (rc == 0 && rename(temp.c_str(), to.c_str()) != 0) rc = ErrorFromErrno(errno);
  if (rc != 0) unlink(temp.c_str());
  if (close(out) != 0 && rc == 0) rc = ErrorFromErrno(errno);
  return rc;
}

// The folders being copied, outermost first, by identity: a symlinked
// folder that leads back to one of them would repeat the copy without end
// (and two such links would multiply it), so it is left out.
using FolderChain = std::vector<std::pair<dev_t, ino_t>>;
int CopyEntries(const std::string& from, const std::string& to, FolderChain* chain);

bool OnChain(const FolderChain& chain, const struct stat& st) {
  for (const auto& [dev, ino] : chain)
    if (dev == st.st_dev && ino == st.st_ino) return true;
  return false;
}

// Copies the folder's contents into to (created when missing), merging.
// Goes on after a failed entry and returns the first error.
int CopyTree(const std::string& from, const std::string& to, FolderChain* chain) {
  struct stat self;
  if (static_cast<int>(chain->size()) > kMaxDepth || !StatPath(from, &self))
    return ERROR_GEN_FAILURE;
  chain->emplace_back(self.st_dev, self.st_ino);
  int first = CopyEntries(from, to, chain);
  chain->pop_back();
  return first;
}

int CopyEntries(const std::string& from, const std::string& to, FolderChain* chain) {
  // Entries of a folder that was there before meet their namesakes in any
  // letter case, as on Windows; a folder made now holds only what we copy.
  // The folder is listed once, whatever the number of entries copied into
  // it, and what killed copies left in it is removed.
  std::optional<platform::FolderListing> existing;
  if (IsDirectory(to)) {
    existing.emplace(to);
    for (const std::string& name : existing->names())
      if (platform::IsAnyTempName(name)) platform::RemoveUnheldFile(to, name);
  }
  if (int rc = MakeFolders(to)) return rc;
  DIR* dir = opendir(from.c_str());
  if (!dir) return ErrorFromErrno(errno);
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  int first = 0;
  for (const std::string& name : names) {
    std::string source = from + "/" + name;
    std::string target = to + "/" + (existing ? existing->Find(name) : name);
    struct stat st;
    int rc = 0;
    if (!StatPath(source, &st)) {
      rc = ErrorFromErrno(errno);  // a dangling symlink, or gone meanwhile
    } else if (S_ISDIR(st.st_mode)) {
      if (!OnChain(*chain, st)) rc = CopyTree(source, target, chain);
    } else if (S_ISREG(st.st_mode)) {
      rc = CopyFile(source, target, st);
    }  // devices, sockets and pipes are not copied
    if (first == 0) first = rc;
  }
  return first;
}

// The canonical form of a folder that may not exist yet: its deepest
// existing ancestor resolved, the rest appended.
std::string Canonical(const std::string& path) {
  if (char* real = realpath(path.c_str(), nullptr)) {
    std::string out = real;
    free(real);
    return out;
  }
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return path;
  return Canonical(path.substr(0, slash)) + path.substr(slash);
}

bool IsInside(const std::string& folder, const std::string& path) {
  std::string f = Canonical(folder);
  std::string p = Canonical(path);
  return p == f || p.compare(0, f.size() + 1, f + "/") == 0;
}

int CopyOne(const std::string& source, const struct stat& st, const std::string& dest,
            bool destIsFolder) {
  std::string name = BaseName(source);
  if (destIsFolder && IsDirectory(dest)) name = platform::ExistingEntryName(dest, name);
  if (S_ISDIR(st.st_mode)) {
    std::string target = destIsFolder ? dest + "/" + name : dest;
    if (IsInside(source, target)) return DE_DESTSUBTREE;
    FolderChain chain;
    return CopyTree(source, target, &chain);
  }
  // A FIFO or a device has no end to copy (and a FIFO would hold the open
  // until some writer came): only regular files are copied, as in folders.
  if (!S_ISREG(st.st_mode)) return static_cast<int>(ERROR_ACCESS_DENIED);
  std::string target = destIsFolder ? dest + "/" + name : dest;
  size_t slash = target.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    if (int rc = MakeFolders(target.substr(0, slash))) return rc;
  }
  platform::SweepTempFiles(Parent(target));
  return CopyFile(source, target, st);
}

int Copy(const std::vector<std::string>& from, const std::string& to) {
  struct Source {
    std::string host;
    struct stat st;
  };
  // Every source must be there before anything is touched.
  std::vector<Source> sources;
  for (const std::string& item : from) {
    Source s{StripTrailingSlashes(platform::HostPathFromAnsi(item.c_str())), {}};
    if (s.host.empty() || !StatPath(s.host, &s.st)) return static_cast<int>(ERROR_FILE_NOT_FOUND);
    sources.push_back(s);
  }
  // The trailing separator is looked for in the host form: in a double-byte
  // page the last byte of the ANSI text may be a trail byte equal to '\\'.
  std::string written = platform::HostPathFromAnsi(to.c_str());
  if (written.empty()) return static_cast<int>(ERROR_PATH_NOT_FOUND);
  const bool writtenAsFolder = written.back() == '/';
  std::string dest = StripTrailingSlashes(written);

  // A destination written as a folder, or shared by several sources, is a
  // folder; one that exists as a folder is one anyway.
  bool destIsFolder = IsDirectory(dest);
  if (!destIsFolder && (writtenAsFolder || sources.size() > 1)) {
    if (int rc = MakeFolders(dest)) return rc;
    destIsFolder = true;
  }
  int first = 0;
  for (const Source& s : sources) {
    int rc = CopyOne(s.host, s.st, dest, destIsFolder);
    if (first == 0) first = rc;
  }
  return first;
}

}  // namespace

int SHFileOperationA(SHFILEOPSTRUCTA* op) {
  if (!op) return static_cast<int>(ERROR_INVALID_PARAMETER);
  op->fAnyOperationsAborted = 0;
  if (op->wFunc != FO_COPY) return static_cast<int>(ERROR_INVALID_PARAMETER);
  std::vector<std::string> from = ParseList(op->pFrom);
  std::vector<std::string> to = ParseList(op->pTo);
  if (from.empty() || to.empty()) return static_cast<int>(ERROR_INVALID_PARAMETER);
  int rc = Copy(from, to.front());
  // The result is the answer; the last error is left clear, as Windows does.
  SetLastError(ERROR_SUCCESS);
  return rc;
}

}  // namespace win
