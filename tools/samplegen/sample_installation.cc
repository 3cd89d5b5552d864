#include "sample_installation.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "generated_files.h"
#include "old_profile.h"

namespace fs = std::filesystem;

namespace samplegen {
namespace {

constexpr const char kProgramFilesX86[] = "C:\\Program Files (x86)";
constexpr const char kProgramFiles[] = "C:\\Program Files";
constexpr const char kSharedFolder[] = "\\Common Files\\Vorlake Network\\VorlakeS";
constexpr const char kOldInstallKey[] = "Vorlake Network\\\\VorlakeOem\\\\vorlake_backwnd";
constexpr const char kNewProgramVersion[] = "6.0.0.1";
// A fixed modification time keeps generated registries comparable.
constexpr const char kKeyTime[] = " 1700000000\n#time=1da1a2b3c4d5e6f\n";

class Writer {
 public:
  Writer(const std::string& prefix, std::string* error) : prefix_(prefix), error_(error) {}

  bool File(const std::string& windowsPath, const std::string& data) {
    return HostFile(HostPath(prefix_, windowsPath), data);
  }
  bool HostFile(const std::string& host, const std::string& data) {
    if (!HostFolder(fs::path(host).parent_path().string())) return false;
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    return out.good() || Fail("cannot write " + host);
  }
  bool Folder(const std::string& windowsPath) { return HostFolder(HostPath(prefix_, windowsPath)); }
  bool HostFolder(const std::string& host) {
    std::error_code ec;
    fs::create_directories(host, ec);
    return !ec || Fail("cannot create " + host + ": " + ec.message());
  }
  bool Fail(const std::string& why) {
    *error_ = why;
    return false;
  }
  const std::string& prefix() const { return prefix_; }

 private:
  std::string prefix_;
  std::string* error_;
};

std::string Join(const std::string& dir, const std::string& name) {
  return !dir.empty() && dir.back() == '\\' ? dir + name : dir + "\\" + name;
}

std::string ProgramFilesOf32BitPrograms(const SampleOptions& o) {
  return o.win64 ? kProgramFilesX86 : kProgramFiles;
}

std::string Key(const SampleOptions& o, const std::string& softwareSubkey) {
  return std::string("[Software\\\\") + (o.win64 ? "Wow6432Node\\\\" : "") + softwareSubkey + "]" + kKeyTime;
}

std::string SystemReg(const SampleOptions& o) {
  std::string reg = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n";
  reg += o.win64 ? "#arch=win64\n\n" : "#arch=win32\n\n";
  reg += std::string("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion]") + kKeyTime;
  reg += "\"CommonFilesDir\"=\"C:\\\\Program Files\\\\Common Files\"\n";
  reg += "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n";
  if (o.win64) reg += "\"ProgramFilesDir (x86)\"=\"C:\\\\Program Files (x86)\"\n";
  reg += "\"ProgramFilesPath\"=str(2):\"%ProgramFiles%\"\n\n";
  if (o.win64) {
    reg += Key(o, "Microsoft\\\\Windows\\\\CurrentVersion");
    reg += "\"ProgramFilesDir\"=\"C:\\\\Program Files (x86)\"\n\n";
  }
  reg += Key(o, "Vorlake Network\\\\VorlakeOem") + "\"Channel\"=dword:00000003\n\n";
  reg += Key(o, kOldInstallKey);
  if (o.registerOld)
    reg += "\"Path\"=\"" + RegistryEscape(Join(o.oldInstallDir, o.oldProgramName)) + "\"\n";
  reg += "\"Version\"=\"" + RegistryEscape(o.oldProductVersion) + "\"\n\n";
  return reg;
}

bool WriteRegistryAndDrive(const SampleOptions& o, Writer* w) {
  std::error_code ec;
  if (!w->HostFolder(w->prefix() + "/drive_c/windows/system32") || !w->HostFolder(w->prefix() + "/dosdevices"))
    return false;
  fs::create_directory_symlink("../drive_c", w->prefix() + "/dosdevices/c:", ec);
  if (ec) return w->Fail("cannot link dosdevices/c: " + ec.message());
  return w->HostFile(w->prefix() + "/system.reg", SystemReg(o)) &&
         w->HostFile(w->prefix() + "/user.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n");
}

bool WriteOldInstallation(const SampleOptions& o, Writer* w, HistorySummary* summary, std::string* error) {
  const std::string& old = o.oldInstallDir;
  if (o.oldProgramFile &&
      !WriteProgramFile(HostPath(w->prefix(), Join(old, o.oldProgramName)), o.oldProductVersion, error))
    return false;
  if (!WriteProgramFile(HostPath(w->prefix(), Join(old, "Program\\Vorlake.exe")), o.oldProductVersion, error))
    return false;
  if (!w->Folder(Join(old, "Profiles")) || !w->Folder(Join(old, "Program"))) return false;
  std::vector<SeedFile> seeds;
  if (o.history && !WriteHistoryFile(HostPath(w->prefix(), Join(old, "Profiles\\history6.dat")), o.tasks,
                                     &seeds, summary, error))
    return false;
  if (o.settings && !w->File(Join(old, "Profiles\\UserConfig.ini"), OldUserConfig())) return false;
  if (o.torrents) {
    if (seeds.empty()) seeds = DefaultSeeds();
    for (const SeedFile& seed : seeds)
      if (!w->File(Join(old, "Profiles\\Torrents\\" + seed.fileName), Torrent(seed.name, seed.files)))
        return false;
  }
  if (o.emule)
    for (const auto& [relative, data] : EmuleProfile())
      if (!w->HostFile(HostPath(w->prefix(), Join(old, "Profiles\\emule")) + "/" + relative, data)) return false;
  if (o.serverList && !w->File(Join(old, "Program\\server.met"), ServerMet())) return false;
  return true;
}

bool WriteNewInstallation(const SampleOptions& o, Writer* w, std::string* error) {
  const std::string& neu = o.newInstallDir;
  if (!WriteProgramFile(HostPath(w->prefix(), Join(neu, "Program\\Vorlake.exe")), kNewProgramVersion, error))
    return false;
  if (!w->Folder(Join(neu, "Components\\category"))) return false;
  if (o.newProfilesFolder && !w->Folder(Join(neu, "Profiles"))) return false;
  if (!w->Folder(ProgramFilesOf32BitPrograms(o) + kSharedFolder)) return false;
  for (const char* const* folder = DownloadFolders(); *folder; ++folder)
    if (!w->Folder(*folder)) return false;
  return true;
}

}  // namespace

std::string HostPath(const std::string& prefixDir, const std::string& windowsPath) {
  std::string rest = windowsPath.size() >= 2 && windowsPath[1] == ':' ? windowsPath.substr(2) : windowsPath;
  std::string host = prefixDir + "/drive_c";
  for (char c : rest) host += c == '\\' ? '/' : c;
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  return host;
}

bool BuildSampleInstallation(const SampleOptions& o, std::string* error, HistorySummary* summary) {
  HistorySummary unused;
  if (!summary) summary = &unused;
  *summary = HistorySummary();
  std::error_code ec;
  if (fs::exists(o.prefixDir, ec) && !fs::is_empty(o.prefixDir, ec)) {
    *error = o.prefixDir + " exists and is not empty";
    return false;
  }
  for (const std::string* path : {&o.newInstallDir, &o.oldInstallDir})
    if (path->size() < 3 || (((*path)[0] | 0x20) != 'c') || (*path)[1] != ':' || (*path)[2] != '\\') {
      *error = *path + " is not a path on drive C:";
      return false;
    }
  Writer w(fs::absolute(o.prefixDir).lexically_normal().string(), error);
  return w.HostFolder(w.prefix()) && WriteRegistryAndDrive(o, &w) && WriteOldInstallation(o, &w, summary, error) &&
         WriteNewInstallation(o, &w, error);
}

}  // namespace samplegen
