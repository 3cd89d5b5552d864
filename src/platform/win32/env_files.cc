// The Env's files and folders on the Win32 API. Paths are UTF-8 with either
// separator; the API gets them in UTF-16.
// platform/env.h comes first: <windows.h> makes macros of the names that
// base/win_types.h defines as constants.
#include "platform/env.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "platform/temp_file.h"

namespace platform {
namespace {

// Locks sit on one byte far past any end of file, as advisory locks: a
// lock on the data itself would also stop other processes' reads.
constexpr DWORD kLockOffsetHigh = 0x40000000;
constexpr DWORD kLockLength = 1;
constexpr uint32_t kReadOnlyPermissions = 0444;
constexpr uint32_t kReadWritePermissions = 0666;
constexpr uint32_t kFolderPermissions = 0777;
constexpr uint32_t kOwnerWrite = 0200;
// FILETIME counts 100 ns from 1601; FileInfo::modified nanoseconds from 1970.
constexpr int64_t kEpochDifference = 116444736000000000LL;
constexpr int64_t kNanosPerTick = 100;
// Names for old files moved aside count apart from the temporary files'
// names, which count from 0.
constexpr unsigned kAsideCounterStart = 0x80000000u;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring Wide(const std::string& path) {
  int units = ::MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()),
                                    nullptr, 0);
  std::wstring wide(static_cast<size_t>(units > 0 ? units : 0), L'\0');
  if (units > 0)
    ::MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                          units);
  return wide;
}

std::string Utf8(const wchar_t* text, int units) {
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text, units, out.data(), bytes, nullptr, nullptr);
  return out;
}

IoStatus FromError(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return IoStatus::kOk;
    case ERROR_FILE_NOT_FOUND:
      return IoStatus::kNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return IoStatus::kPathNotFound;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return IoStatus::kExists;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return IoStatus::kAccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return IoStatus::kBusy;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return IoStatus::kDiskFull;
    case ERROR_TOO_MANY_OPEN_FILES:
      return IoStatus::kTooManyOpenFiles;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return IoStatus::kNoMemory;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return IoStatus::kNotSupported;
    default:
      return IoStatus::kFailed;
  }
}

IoStatus LastError() { return FromError(::GetLastError()); }

void Describe(const BY_HANDLE_FILE_INFORMATION& in, FileInfo* info) {
  const bool folder = (in.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const bool readOnly = (in.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  info->isFolder = folder;
  info->isFile = !folder && (in.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
  info->size = (static_cast<uint64_t>(in.nFileSizeHigh) << 32) | in.nFileSizeLow;
  info->permissions = folder ? kFolderPermissions : readOnly ? kReadOnlyPermissions
                                                             : kReadWritePermissions;
  info->writable = !readOnly;
  const int64_t ticks = static_cast<int64_t>(
      (static_cast<uint64_t>(in.ftLastWriteTime.dwHighDateTime) << 32) |
      in.ftLastWriteTime.dwLowDateTime);
  info->modified = (ticks - kEpochDifference) * kNanosPerTick;
  info->volume = in.dwVolumeSerialNumber;
  info->id = (static_cast<uint64_t>(in.nFileIndexHigh) << 32) | in.nFileIndexLow;
}

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(offset);
  o.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return o;
}

class Win32File : public File {
 public:
  explicit Win32File(HANDLE h) : h_(h) {}
  ~Win32File() override { ::CloseHandle(h_); }
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  IoStatus ReadAt(uint64_t offset, void* buf, size_t n, size_t* got) override {
    auto* p = static_cast<char*>(buf);
    *got = 0;
    while (*got < n) {
      OVERLAPPED o = At(offset + *got);
      DWORD want = static_cast<DWORD>(std::min<size_t>(n - *got, MAXDWORD));
      DWORD read = 0;
      if (!::ReadFile(h_, p + *got, want, &read, &o)) {
        if (::GetLastError() == ERROR_HANDLE_EOF) break;
        return LastError();
      }
      if (read == 0) break;
      *got += read;
    }
    return IoStatus::kOk;
  }

  // Writes go at their own position, which reads (which move the handle's
  // pointer) leave alone.
  IoStatus Write(const void* data, size_t n) override {
    const auto* p = static_cast<const char*>(data);
    while (n > 0) {
      OVERLAPPED o = At(writePos_);
      DWORD want = static_cast<DWORD>(std::min<size_t>(n, MAXDWORD));
      DWORD written = 0;
      if (!::WriteFile(h_, p, want, &written, &o)) return LastError();
      if (written == 0) return IoStatus::kDiskFull;
      p += written;
      n -= written;
      writePos_ += written;
    }
    return IoStatus::kOk;
  }

  IoStatus Truncate(uint64_t size) override {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    return ::SetFileInformationByHandle(h_, FileEndOfFileInfo, &end, sizeof end) ? IoStatus::kOk
                                                                                : LastError();
  }

  IoStatus Sync() override { return ::FlushFileBuffers(h_) ? IoStatus::kOk : LastError(); }

  // A shared lock taken over this handle's own exclusive one is taken first
  // and the exclusive one let go after, so the file is never unheld.
  IoStatus Lock(LockKind kind) override {
    OVERLAPPED o = At(static_cast<uint64_t>(kLockOffsetHigh) << 32);
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
    if (kind == LockKind::kExclusive) flags |= LOCKFILE_EXCLUSIVE_LOCK;
    if (!::LockFileEx(h_, flags, 0, kLockLength, 0, &o)) return LastError();
    if (locks_++ > 0) {
      OVERLAPPED u = At(static_cast<uint64_t>(kLockOffsetHigh) << 32);
      ::UnlockFileEx(h_, 0, kLockLength, 0, &u);  // the earlier lock goes first
      --locks_;
    }
    return IoStatus::kOk;
  }

  IoStatus Info(FileInfo* info) override {
    BY_HANDLE_FILE_INFORMATION in;
    if (!::GetFileInformationByHandle(h_, &in)) return LastError();
    Describe(in, info);
    return IoStatus::kOk;
  }

  IoStatus SetPermissions(uint32_t permissions) override {
    FILE_BASIC_INFO basic{};
    if (!::GetFileInformationByHandleEx(h_, FileBasicInfo, &basic, sizeof basic))
      return LastError();
    if (permissions & kOwnerWrite) basic.FileAttributes &= ~FILE_ATTRIBUTE_READONLY;
    else basic.FileAttributes |= FILE_ATTRIBUTE_READONLY;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(h_, FileBasicInfo, &basic, sizeof basic) ? IoStatus::kOk
                                                                                : LastError();
  }

  IoStatus SetModifiedTime(int64_t modified) override {
    const uint64_t ticks = static_cast<uint64_t>(modified / kNanosPerTick + kEpochDifference);
    FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return ::SetFileTime(h_, nullptr, nullptr, &ft) ? IoStatus::kOk : LastError();
  }

 private:
  HANDLE h_;
  uint64_t writePos_ = 0;
  int locks_ = 0;
};

// Every handle lets others read, write, rename and delete, as POSIX
// descriptors do: sharing is decided by the locks alone.
HANDLE Open(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
  return ::CreateFileW(Wide(path).c_str(), access, kShareAll, nullptr, disposition, flags,
                       nullptr);
}

}  // namespace

IoStatus Env::OpenFile(const std::string& path, bool writable, std::unique_ptr<File>* file) {
  HANDLE h = Open(path, GENERIC_READ | (writable ? GENERIC_WRITE : 0), OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL);
  if (h == INVALID_HANDLE_VALUE) return LastError();
  *file = std::make_unique<Win32File>(h);
  return IoStatus::kOk;
}

// The file is locked at once after it is made; one that sweeps unheld files
// and comes in between removes it, and its writer's rename then fails.
IoStatus Env::CreateLockedFile(const std::string& path, uint32_t permissions,
                              std::unique_ptr<File>* file) {
  HANDLE h = Open(path, GENERIC_READ | GENERIC_WRITE | DELETE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
  if (h == INVALID_HANDLE_VALUE) return LastError();
  auto created = std::make_unique<Win32File>(h);
  if (created->Lock(LockKind::kExclusive) != IoStatus::kOk) return IoStatus::kExists;
  if ((permissions & kOwnerWrite) == 0) created->SetPermissions(permissions);
  *file = std::move(created);
  return IoStatus::kOk;
}

// Windows replaces no file that is open, not even for its holder, and a
// compound file's save renames the new file over the one it still holds.
// An open file may be renamed, though, when every handle to it shares
// deletion (as every handle here does): so the old file is moved aside
// under a temporary name first, and removed once the new one is in place;
// it goes when its last handle closes.
IoStatus Env::Rename(const std::string& from, const std::string& to) {
  const std::wstring source = Wide(from), target = Wide(to);
  constexpr DWORD kReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (::MoveFileExW(source.c_str(), target.c_str(), kReplace)) return IoStatus::kOk;
  if (::GetLastError() != ERROR_ACCESS_DENIED) return LastError();
  static std::atomic<unsigned> counter{kAsideCounterStart};
  char name[32];
  snprintf(name, sizeof name, "%s%08x%08x", kTempPrefix.data(),
           static_cast<unsigned>(::GetCurrentProcessId()), counter.fetch_add(1));
  size_t slash = to.find_last_of("/\\");
  const std::wstring aside =
      Wide((slash == std::string::npos ? std::string() : to.substr(0, slash + 1)) + name);
  if (!::MoveFileExW(target.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH))
    return FromError(ERROR_ACCESS_DENIED);
  if (!::MoveFileExW(source.c_str(), target.c_str(), kReplace)) {
    IoStatus status = LastError();
    ::MoveFileExW(aside.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    return status;
  }
  ::DeleteFileW(aside.c_str());
  return IoStatus::kOk;
}

IoStatus Env::Link(const std::string& from, const std::string& to) {
  return ::CreateHardLinkW(Wide(to).c_str(), Wide(from).c_str(), nullptr) ? IoStatus::kOk
                                                                         : LastError();
}

IoStatus Env::Remove(const std::string& path) {
  return ::DeleteFileW(Wide(path).c_str()) ? IoStatus::kOk : LastError();
}

void Env::RemoveUnheldFile(const std::string& path) {
  HANDLE h = Open(path, GENERIC_READ | DELETE, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
  if (h == INVALID_HANDLE_VALUE) return;
  Win32File file(h);
  FileInfo info;
  if (file.Info(&info) != IoStatus::kOk || !info.isFile) return;
  if (file.Lock(LockKind::kExclusive) != IoStatus::kOk) return;
  // Deleted through the handle that holds the lock: the name cannot lead
  // to another file meanwhile.
  FILE_DISPOSITION_INFO dispose{TRUE};
  ::SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
}

IoStatus Env::GetFileInfo(const std::string& path, bool followLinks, FileInfo* info) {
  HANDLE h = Open(path, 0, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT));
  if (h == INVALID_HANDLE_VALUE) return LastError();
  Win32File file(h);
  return file.Info(info);
}

IoStatus Env::ListFolder(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  WIN32_FIND_DATAW found;
  HANDLE h = ::FindFirstFileW(Wide(path + "/*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) {
    return ::GetLastError() == ERROR_FILE_NOT_FOUND ? IoStatus::kOk : LastError();
  }
  do {
    std::string name = Utf8(found.cFileName, -1);
    if (!name.empty() && name.back() == '\0') name.pop_back();
    if (name != "." && name != "..") names->push_back(std::move(name));
  } while (::FindNextFileW(h, &found));
  ::FindClose(h);
  return IoStatus::kOk;
}

IoStatus Env::MakeFolder(const std::string& path) {
  return ::CreateDirectoryW(Wide(path).c_str(), nullptr) ? IoStatus::kOk : LastError();
}

// Windows makes a rename durable with the rename (MOVEFILE_WRITE_THROUGH).
IoStatus Env::SyncFolder(const std::string&) { return IoStatus::kOk; }

std::string Env::RealPath(const std::string& path) {
  HANDLE h = Open(path, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (h == INVALID_HANDLE_VALUE) return path;
  wchar_t buf[MAX_PATH * 4];
  DWORD n = ::GetFinalPathNameByHandleW(h, buf, static_cast<DWORD>(std::size(buf)),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  ::CloseHandle(h);
  if (n == 0 || n >= std::size(buf)) return path;
  std::wstring full(buf, n);
  // "\\?\C:\..." is the form the call gives; the plain form serves.
  if (full.rfind(L"\\\\?\\", 0) == 0) full.erase(0, 4);
  std::string out = Utf8(full.data(), static_cast<int>(full.size()));
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

// The drive mapping of a prefix has no place on Windows.
bool Env::ReadLink(const std::string&, std::string*) { return false; }
std::string Env::Prefix() { return {}; }

win::UINT Env::AnsiCodePage() { return ::GetACP(); }

}  // namespace platform
