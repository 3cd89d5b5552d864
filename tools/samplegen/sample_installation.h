// Builds a complete version-5 installation inside a fresh Wine-style prefix,
// as the version-6 installer finds it: the registry (system.reg), the drive
// link, the old program files and profile, the history, the settings, the
// seed files, the eMule profile, the server list, and the freshly installed
// version-6 folder. The demo and the end-to-end tests convert it.
#pragma once

#include <string>
#include <vector>

namespace samplegen {

// Windows paths are given in UTF-8 and must lie on drive C:.
struct SampleOptions {
  std::string prefixDir;  // host folder; created, must not exist or be empty
  std::string newInstallDir = "C:\\Program Files (x86)\\Vorlake6";
  std::string oldInstallDir = "C:\\Program Files (x86)\\Vorlake\\";  // with trailing backslash
  std::string oldProgramName = "vorlake_backwnd.exe";  // the registered file, in oldInstallDir
  std::string oldProductVersion = "5.9.1.100";
  int tasks = 60;

  bool win64 = true;             // #arch=win64, keys of 32-bit programs under Wow6432Node
  bool registerOld = true;       // write the "Path" value at all
  bool oldProgramFile = true;    // write the registered program file
  bool history = true;           // Profiles\history6.dat
  bool settings = true;          // Profiles\UserConfig.ini
  bool torrents = true;          // Profiles\Torrents
  bool emule = true;             // Profiles\emule
  bool serverList = true;        // Program\server.met
  bool newProfilesFolder = true; // the new installation's Profiles folder exists
};

// What the generated history holds, so that its conversion can be checked.
struct HistorySummary {
  int generic = 0;
  int bt = 0;
  int emule = 0;
  int btFiles = 0;
  int linked = 0;  // tasks in category storages that get a container
  int hidden = 0;  // tasks in "_ZRC0000000000000003", converted as not valid
  std::vector<std::string> containers;  // UTF-8 names, in no particular order
  std::vector<std::string> folders;     // category folders for the catalog (UTF-8)
};

// Writes the sample; false with a reason in *error when it cannot. The
// summary, when asked for, describes the history (empty without one).
bool BuildSampleInstallation(const SampleOptions& options, std::string* error,
                             HistorySummary* summary = nullptr);

// The host path of a C: path inside prefixDir (components kept as written).
std::string HostPath(const std::string& prefixDir, const std::string& windowsPath);

// Text conversions the sample needs: UTF-8 to code page 936, and to the
// escaped UTF-16 form of the registry file.
std::string Utf8ToGbk(const std::string& utf8);
std::string RegistryEscape(const std::string& utf8);

}  // namespace samplegen
