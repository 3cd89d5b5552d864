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

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/env.h"
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

// A copy reads the source in pieces of this size.
constexpr size_t kCopyBufferSize = 1 << 16;
// A copied file gets the source's permission bits, less the special ones.
constexpr uint32_t kCopiedPermissions = 0777;

using platform::CurrentEnv;
using platform::FileInfo;
using platform::IoStatus;

int ErrorFrom(IoStatus status) {
  switch (status) {
    case IoStatus::kOk: return 0;
    case IoStatus::kAccessDenied: return static_cast<int>(ERROR_ACCESS_DENIED);
    case IoStatus::kNotFound:
    case IoStatus::kPathNotFound: return static_cast<int>(ERROR_PATH_NOT_FOUND);
    case IoStatus::kDiskFull: return ERROR_DISK_FULL;
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

IoStatus StatPath(const std::string& path, FileInfo* info) {
  return CurrentEnv()->GetFileInfo(path, /*followLinks=*/true, info);
}

bool IsDirectory(const std::string& path) {
  FileInfo info;
  return StatPath(path, &info) == IoStatus::kOk && info.isFolder;
}

// mkdir -p. Returns 0 or an error code.
int MakeFolders(const std::string& path) {
  if (IsDirectory(path)) return 0;
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    if (int rc = MakeFolders(path.substr(0, slash))) return rc;
  }
  IoStatus status = CurrentEnv()->MakeFolder(path);
  if (status != IoStatus::kOk && !(status == IoStatus::kExists && IsDirectory(path)))
    return ErrorFrom(status);
  return 0;
}

// Copies the bytes into a temporary file beside the target and renames it
// over the target, so a replaced file is never left half written and a
// read-only target is replaced as Windows replaces it. The temporary name is
// short (platform/temp_file.h), so a target whose name is near the length
// limit is copied too, and one that a killed copy left is removed later.
int CopyFile(const std::string& from, const std::string& to, const FileInfo& fromInfo) {
  FileInfo toInfo;
  if (StatPath(to, &toInfo) == IoStatus::kOk) {
    if (toInfo.isFolder) return DE_FILEDESTISFLD;
    if (toInfo.volume == fromInfo.volume && toInfo.id == fromInfo.id) return DE_SAMEFILE;
  }
  platform::Env* env = CurrentEnv();
  std::unique_ptr<platform::File> in;
  if (IoStatus status = env->OpenFile(from, /*writable=*/false, &in); status != IoStatus::kOk)
    return ErrorFrom(status);
  std::string temp;
  std::unique_ptr<platform::File> out;
  IoStatus status = platform::CreateTempFile(Parent(to), fromInfo.permissions & kCopiedPermissions,
                                             &temp, &out);
  if (status != IoStatus::kOk) return ErrorFrom(status);
  std::vector<char> buffer(kCopyBufferSize);
  for (uint64_t offset = 0; status == IoStatus::kOk;) {
    size_t got = 0;
    status = in->ReadAt(offset, buffer.data(), buffer.size(), &got);
    if (status != IoStatus::kOk || got == 0) break;
    status = out->Write(buffer.data(), got);
    offset += got;
  }
  in.reset();
  // A copied file keeps its last-write time, as CopyFile keeps it; only
  // the access time is the copy's own.
  if (status == IoStatus::kOk) status = out->SetModifiedTime(fromInfo.modified);
  // The file, and with it the lock that marks the temporary file as in
  // use, goes only after the rename.
  if (status == IoStatus::kOk) status = env->Rename(temp, to);
  if (status != IoStatus::kOk) env->Remove(temp);
  return ErrorFrom(status);
}

// The folders being copied, outermost first, by identity: a symlinked
// folder that leads back to one of them would repeat the copy without end
// (and two such links would multiply it), so it is left out.
using FolderChain = std::vector<std::pair<uint64_t, uint64_t>>;
int CopyEntries(const std::string& from, const std::string& to, FolderChain* chain);

bool OnChain(const FolderChain& chain, const FileInfo& info) {
  for (const auto& [volume, id] : chain)
    if (volume == info.volume && id == info.id) return true;
  return false;
}

// Copies the folder's contents into to (created when missing), merging.
// Goes on after a failed entry and returns the first error.
int CopyTree(const std::string& from, const std::string& to, FolderChain* chain) {
  FileInfo self;
  if (static_cast<int>(chain->size()) > kMaxDepth || StatPath(from, &self) != IoStatus::kOk)
    return ERROR_GEN_FAILURE;
  chain->emplace_back(self.volume, self.id);
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
      if (platform::IsAnyTempName(name)) CurrentEnv()->RemoveUnheldFile(to + "/" + name);
  }
  if (int rc = MakeFolders(to)) return rc;
  std::vector<std::string> names;
  if (IoStatus status = CurrentEnv()->ListFolder(from, &names); status != IoStatus::kOk)
    return ErrorFrom(status);
  int first = 0;
  for (const std::string& name : names) {
    std::string source = from + "/" + name;
    std::string target = to + "/" + (existing ? existing->Find(name) : name);
    FileInfo info;
    int rc = 0;
    if (IoStatus status = StatPath(source, &info); status != IoStatus::kOk) {
      rc = ErrorFrom(status);  // a dangling symlink, or gone meanwhile
    } else if (info.isFolder) {
      if (!OnChain(*chain, info)) rc = CopyTree(source, target, chain);
    } else if (info.isFile) {
      rc = CopyFile(source, target, info);
    }  // devices, sockets and pipes are not copied
    if (first == 0) first = rc;
  }
  return first;
}

// The canonical form of a folder that may not exist yet: its deepest
// existing ancestor resolved, the rest appended.
std::string Canonical(const std::string& path) {
  FileInfo info;
  if (StatPath(path, &info) == IoStatus::kOk) return CurrentEnv()->RealPath(path);
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return path;
  return Canonical(path.substr(0, slash)) + path.substr(slash);
}

bool IsInside(const std::string& folder, const std::string& path) {
  std::string f = Canonical(folder);
  std::string p = Canonical(path);
  return p == f || p.compare(0, f.size() + 1, f + "/") == 0;
}

int CopyOne(const std::string& source, const FileInfo& st, const std::string& dest,
            bool destIsFolder) {
  std::string name = BaseName(source);
  if (destIsFolder && IsDirectory(dest)) name = platform::ExistingEntryName(dest, name);
  if (st.isFolder) {
    std::string target = destIsFolder ? dest + "/" + name : dest;
    if (IsInside(source, target)) return DE_DESTSUBTREE;
    FolderChain chain;
    return CopyTree(source, target, &chain);
  }
  // A FIFO or a device has no end to copy (and a FIFO would hold the open
  // until some writer came): only regular files are copied, as in folders.
  if (!st.isFile) return static_cast<int>(ERROR_ACCESS_DENIED);
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
    FileInfo st;
  };
  // Every source must be there before anything is touched.
  std::vector<Source> sources;
  for (const std::string& item : from) {
    Source s{StripTrailingSlashes(platform::HostPathFromAnsi(item.c_str())), {}};
    if (s.host.empty() || StatPath(s.host, &s.st) != IoStatus::kOk)
      return static_cast<int>(ERROR_FILE_NOT_FOUND);
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
