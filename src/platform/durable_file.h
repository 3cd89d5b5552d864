// Putting a finished file in place so that a crash or power loss leaves
// either no file or the whole file under its final name: the bytes are
// synced before the rename (SyncFile), and the folder after it (SyncFolder).
#pragma once

#include <string>

namespace platform {

// Forces the file's bytes to the device. False when it cannot be opened or
// the device refuses.
bool SyncFile(const std::string& hostPath);

// Renames from onto to, replacing a file there.
bool RenameFile(const std::string& from, const std::string& to);

// Makes the names in a folder (renames, removals) survive a power loss.
bool SyncFolder(const std::string& hostFolder);

// Removes a file; true when it is gone, also when it was never there.
bool RemoveFileIfPresent(const std::string& hostPath);

// The folder part of a host path ("." for a bare name).
std::string HostFolderOf(const std::string& hostPath);

}  // namespace platform
