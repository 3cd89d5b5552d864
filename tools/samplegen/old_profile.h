// The contents of the version-5 profile files that the sample carries:
// the settings file, the seed files, the eMule profile and the server list.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace samplegen {

// UserConfig.ini in code page 936 with CRLF lines: proxies, limits, ports,
// eMule options and the new-task folders (one of them Chinese).
std::string OldUserConfig();

// The C: folders named in OldUserConfig(), in UTF-8, to be created.
const char* const* DownloadFolders();

// A bencoded torrent with the given name and files (relative path, size).
std::string Torrent(const std::string& name, const std::map<std::string, long long>& files);

// One seed file of Profiles\Torrents: its file name there, the torrent's
// name and its files (relative path with '/', size).
struct SeedFile {
  std::string fileName;
  std::string name;
  std::map<std::string, long long> files;
};

// Seeds for a sample without a generated history.
std::vector<SeedFile> DefaultSeeds();

// An eMule server list with a few servers.
std::string ServerMet();

// Relative path (with '/') -> contents of the eMule profile folder.
std::map<std::string, std::string> EmuleProfile();

}  // namespace samplegen
