// Where Windows paths live on the host, under the Env's prefix
// ($WINEPREFIX, or ~/.wine when unset). A path with a drive letter (C:\...) resolves through
// <prefix>/dosdevices/<letter>:, any other path has its backslashes turned
// into slashes. Existing components are found case-insensitively, as
// Windows does; components that do not exist are kept as written.
#pragma once

#include <map>
#include <string>
#include <unordered_set>
#include <vector>

namespace platform {

// The Env's prefix.
std::string PrefixDir();

// Narrow paths are in the system ANSI code page; host names are UTF-8. A
// path holding a character that Windows never allows in a name (" < > |)
// names no file: the result is empty, as for an empty path.
std::string HostPathFromAnsi(const char* path);
std::string HostPathFromWide(const char16_t* path);

// The name under which the host folder holds the entry Windows would open
// for name: name itself when it exists, else an entry that differs from it
// only in letter case; name when there is neither.
std::string ExistingEntryName(const std::string& hostFolder, const std::string& name);

// A host folder's entries, read once, for finding many names in it as
// ExistingEntryName finds one (a folder of thousands is then listed once,
// not once per name). A folder that cannot be read lists nothing.
class FolderListing {
 public:
  explicit FolderListing(const std::string& hostFolder);
  const std::vector<std::string>& names() const { return names_; }
  // As ExistingEntryName, for the folder as it was listed.
  std::string Find(const std::string& name) const;

 private:
  std::vector<std::string> names_;
  std::unordered_set<std::string> exact_;
  std::map<std::u32string, std::string> folded_;
};

// Replaces the file at hostPath with data in one step: the bytes are written
// beside it and renamed over it, so a crash leaves the old or the new file,
// never a torn one; temporary files that killed writers left in the folder
// are removed first (platform/temp_file.h). The folder must exist. False
// when nothing was replaced.
bool ReplaceFileAtomically(const std::string& hostPath, const std::string& data);

}  // namespace platform
