// Env is the converter's one way to the machine: files and folders, the
// Windows prefix, the ANSI code page, the clock, the memory size and the
// answer to a message box. The default reaches the host (POSIX here, the
// Win32 API in the Windows build). Tests install their own with SetEnv,
// usually an EnvWrapper that changes one service and forwards the rest, so
// a full disk, a failed sync or rename or read, another prefix or another
// code page can be had at any call without touching the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/win_types.h"

namespace platform {

// Why a file operation failed, in the terms its callers tell apart.
enum class IoStatus {
  kOk,
  kNotFound,          // no file of that name
  kPathNotFound,      // a folder on the way is missing or no folder, or the name is too long
  kExists,            // the name is taken
  kAccessDenied,
  kDiskFull,
  kTooManyOpenFiles,
  kNoMemory,
  kBusy,              // another holder's lock is in the way
  kNotSupported,      // the file system cannot (hard links, for one)
  kFailed,            // any other fault of the device or the system
};

struct FileInfo {
  bool isFile = false;    // a regular file
  bool isFolder = false;
  uint64_t size = 0;
  uint32_t permissions = 0;  // host permission bits; a file without write bits is read-only
  bool writable = false;     // this process may write it
  int64_t modified = 0;      // the last write, in nanoseconds since 1970
  // Together they name the file itself, whichever path reaches it.
  uint64_t volume = 0;
  uint64_t id = 0;
};

enum class LockKind { kShared, kExclusive };

// An open file. Closed when destroyed; its locks go with it.
class File {
 public:
  virtual ~File() = default;

  // Reads up to n bytes at offset; *got is less than n only at the end.
  virtual IoStatus ReadAt(uint64_t offset, void* buf, size_t n, size_t* got) = 0;
  // Writes all n bytes at the current position, or fails part way.
  virtual IoStatus Write(const void* data, size_t n) = 0;
  virtual IoStatus Truncate(uint64_t size) = 0;
  virtual IoStatus Sync() = 0;
  // Takes a lock on the whole file without waiting: kBusy when another
  // holder's lock is in the way.
  virtual IoStatus Lock(LockKind kind) = 0;
  virtual IoStatus Info(FileInfo* info) = 0;
  virtual IoStatus SetPermissions(uint32_t permissions) = 0;
  // Sets the last-write time (FileInfo::modified); the access time becomes
  // now.
  virtual IoStatus SetModifiedTime(int64_t modified) = 0;
};

class Env {
 public:
  virtual ~Env() = default;

  // Opens an existing file, for reading or for reading and writing.
  virtual IoStatus OpenFile(const std::string& path, bool writable, std::unique_ptr<File>* file);
  // Creates a new file under path with the given permissions (less the
  // umask), open for writing and locked exclusively, which no other process
  // sees by that name unlocked; kExists when the name is taken (or was
  // taken while it was being made).
  virtual IoStatus CreateLockedFile(const std::string& path, uint32_t permissions,
                                    std::unique_ptr<File>* file);
  // Replaces to by from.
  virtual IoStatus Rename(const std::string& from, const std::string& to);
  // A second name for a file; kExists when to is taken.
  virtual IoStatus Link(const std::string& from, const std::string& to);
  virtual IoStatus Remove(const std::string& path);
  // Removes path when it is a regular file that nobody holds locked.
  virtual void RemoveUnheldFile(const std::string& path);
  // followLinks false describes a symbolic link itself.
  virtual IoStatus GetFileInfo(const std::string& path, bool followLinks, FileInfo* info);
  // The names in a folder, without "." and "..".
  virtual IoStatus ListFolder(const std::string& path, std::vector<std::string>* names);
  // kExists when path is taken, by a folder or anything else.
  virtual IoStatus MakeFolder(const std::string& path);
  // Makes a rename or a link in the folder durable.
  virtual IoStatus SyncFolder(const std::string& path);
  // The path with every symbolic link resolved; the path itself when that
  // cannot be found.
  virtual std::string RealPath(const std::string& path);
  // The target of a symbolic link; false when path is none.
  virtual bool ReadLink(const std::string& path, std::string* target);

  // The root of the Windows drive mapping, without a trailing slash.
  virtual std::string Prefix();
  // The ANSI code page of the user's locale (GetACP).
  virtual win::UINT AnsiCodePage();

  // Current UTC time with milliseconds (GetSystemTime).
  virtual win::SYSTEMTIME UtcNow();

  // Total physical memory in bytes, uncapped (GlobalMemoryStatus caps it).
  virtual uint64_t TotalPhysicalMemory();

  // Shows a message box and returns the button pressed (IDOK, IDRETRY,
  // IDCANCEL, ...). text and caption are ANSI bytes in the given code page.
  // The default asks on the controlling terminal for MB_RETRYCANCEL and
  // answers IDCANCEL when there is none.
  virtual int MessageBox(const std::string& text, const std::string& caption, win::UINT type,
                         win::UINT textCodePage);
};

// An Env that forwards every call to another; a test overrides the calls it
// changes.
class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env* target) : target_(target) {}
  Env* target() const { return target_; }

  IoStatus OpenFile(const std::string& path, bool writable, std::unique_ptr<File>* file) override {
    return target_->OpenFile(path, writable, file);
  }
  IoStatus CreateLockedFile(const std::string& path, uint32_t permissions,
                            std::unique_ptr<File>* file) override {
    return target_->CreateLockedFile(path, permissions, file);
  }
  IoStatus Rename(const std::string& from, const std::string& to) override {
    return target_->Rename(from, to);
  }
  IoStatus Link(const std::string& from, const std::string& to) override {
    return target_->Link(from, to);
  }
  IoStatus Remove(const std::string& path) override { return target_->Remove(path); }
  void RemoveUnheldFile(const std::string& path) override { target_->RemoveUnheldFile(path); }
  IoStatus GetFileInfo(const std::string& path, bool followLinks, FileInfo* info) override {
    return target_->GetFileInfo(path, followLinks, info);
  }
  IoStatus ListFolder(const std::string& path, std::vector<std::string>* names) override {
    return target_->ListFolder(path, names);
  }
  IoStatus MakeFolder(const std::string& path) override { return target_->MakeFolder(path); }
  IoStatus SyncFolder(const std::string& path) override { return target_->SyncFolder(path); }
  std::string RealPath(const std::string& path) override { return target_->RealPath(path); }
  bool ReadLink(const std::string& path, std::string* target) override {
    return target_->ReadLink(path, target);
  }
  std::string Prefix() override { return target_->Prefix(); }
  win::UINT AnsiCodePage() override { return target_->AnsiCodePage(); }
  win::SYSTEMTIME UtcNow() override { return target_->UtcNow(); }
  uint64_t TotalPhysicalMemory() override { return target_->TotalPhysicalMemory(); }
  int MessageBox(const std::string& text, const std::string& caption, win::UINT type,
                 win::UINT textCodePage) override {
    return target_->MessageBox(text, caption, type, textCodePage);
  }

 private:
  Env* target_;
};

// The whole of a regular file (anything else, such as a FIFO that would
// hold the read, is refused as kAccessDenied).
IoStatus ReadFileToString(Env* env, const std::string& path, std::string* data);

// The Env in force; never null. SetEnv(nullptr) restores the default.
Env* CurrentEnv();
void SetEnv(Env* env);
// The host's own Env, whatever is in force: the target of a test's wrapper.
Env* DefaultEnv();

}  // namespace platform
