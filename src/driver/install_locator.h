// Finds the version-5 installation that is to be converted. Version 5
// registers the full path of one of its program files under HKLM; the
// locator accepts that file only when its product version begins with "5"
// and hands back the folder that holds it.
#pragma once

#include <string>
#include <vector>

#include "base/win_types.h"

namespace driver {

// The registry key and value under HKEY_LOCAL_MACHINE that name the
// version-5 program file.
inline constexpr const char kOldInstallKey[] = "SOFTWARE\\Vorlake Network\\VorlakeOem\\vorlake_backwnd";
inline constexpr const char kOldInstallValue[] = "Path";

// Fills buffer (size bytes) with the old installation folder, trailing
// backslash kept, and returns true; false when no acceptable version-5
// installation is registered. The buffer's contents are unspecified on false.
bool FindOldInstallation(char* buffer, win::DWORD size);

// The version resource of one program file, read at construction.
class FileVersionInfo {
 public:
  // path is borrowed: the caller keeps it alive as long as this object.
  explicit FileVersionInfo(const char* path);
  FileVersionInfo(const FileVersionInfo&) = delete;
  FileVersionInfo& operator=(const FileVersionInfo&) = delete;

  // The "ProductVersion" text of the file's first translation, or "" when
  // the file has no version block, no translation or no such string.
  std::string ProductVersion();

  // "llllcccc" in lower-case hexadecimal, or "" without a translation table.
  const char* Translation() const { return translation_; }

 private:
  bool Query(const char* subBlock);

  const char* path_;
  win::DWORD handle_ = 0;
  win::DWORD size_ = 0;
  std::vector<unsigned char> block_;  // empty when the block could not be read
  void* value_ = nullptr;
  win::UINT valueLength_ = 0;
  char translation_[10] = {};
};

}  // namespace driver
