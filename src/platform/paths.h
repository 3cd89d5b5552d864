// Where Windows paths live on the host. The prefix is $WINEPREFIX, or
// ~/.wine when unset. A path with a drive letter (C:\...) resolves through
// <prefix>/dosdevices/<letter>:, any other path has its backslashes turned
// into slashes. Existing components are found case-insensitively, as
// Windows does; components that do not exist are kept as written.
#pragma once

#include <string>

namespace platform {

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

// Replaces the file at hostPath with data in one step: the bytes are written
// beside it and renamed over it, so a crash leaves the old or the new file,
// never a torn one. The folder must exist. False when nothing was replaced.
bool ReplaceFileAtomically(const std::string& hostPath, const std::string& data);

}  // namespace platform
