#include "settings_fixture.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "settings/ds_config_settings.h"
#include "settings/ds_config_store.h"
#include "settings/setting_rules.h"

namespace settings_test {

namespace {

constexpr char kDsConfigFolder[] = "drive_c/Program Files/Common Files/Vorlake Network/VorlakeS";

void ResetAll() {
  ResetDsConfigStoreForTesting();  // closes DSConfig.bin
  ResetDsConfigSettingsForTesting();
  ResetSettingRulesForTesting();
}

}  // namespace

SettingsTest::SettingsTest() : prefixEnv_("WINEPREFIX", prefix_.path()), localeEnv_("LC_ALL", "C") {}

void SettingsTest::SetUp() {
  for (const char* dir : {kDsConfigFolder, "drive_c/Old/Profiles", "drive_c/New/Profiles", "dosdevices"})
    testing_support::MakeDirs(Host(dir));
  if (!testing_support::PathExists(Host("dosdevices/c:")))
    std::filesystem::create_directory_symlink("../drive_c", Host("dosdevices/c:"));
  platform::SetEnv(&env_);
  ResetAll();
}

void SettingsTest::TearDown() {
  ResetAll();
  platform::SetEnv(nullptr);
}

void SettingsTest::Restart() {
  TearDown();
  std::filesystem::remove(DsConfigFile());
  std::filesystem::remove(Host("drive_c/New/Profiles/UserConfig.ini"));
  SetUp();
}

std::string SettingsTest::DsConfigFile() const { return Host(std::string(kDsConfigFolder) + "/DSConfig.bin"); }

std::string SettingsTest::NewIni() const {
  return testing_support::ReadFile(Host("drive_c/New/Profiles/UserConfig.ini"));
}

void SettingsTest::WriteOldIni(const std::string& text) const {
  testing_support::WriteFile(Host("drive_c/Old/Profiles/UserConfig.ini"), text);
}

Contents SettingsTest::ReadCompoundFile(const std::string& hostPath) const {
  const std::string script = Host("dump_ole.py");
  testing_support::WriteFile(script,
                             "import sys, olefile\n"
                             "o = olefile.OleFileIO(sys.argv[1])\n"
                             "for p in o.listdir(streams=False, storages=True):\n"
                             "    print('D', '/'.join(p), '-')\n"
                             "for p in o.listdir(streams=True, storages=False):\n"
                             "    print('S', '/'.join(p), o.openstream(p).read().hex() or '-')\n");
  FILE* pipe = popen(("/usr/bin/python3 '" + script + "' '" + hostPath + "' 2>&1").c_str(), "r");
  std::string output;
  char buffer[4096];
  while (size_t n = pipe ? fread(buffer, 1, sizeof buffer, pipe) : 0) output.append(buffer, n);
  EXPECT_TRUE(pipe && pclose(pipe) == 0) << output;
  Contents contents;
  std::istringstream lines(output);
  std::string kind, name, hex;
  while (lines >> kind >> name >> hex) {
    std::string bytes;
    for (size_t i = 0; hex != "-" && i + 1 < hex.size(); i += 2)
      bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    contents[kind + " " + name] = bytes;
  }
  return contents;
}

std::string Record(uint16_t vt, uint64_t value, int width) {
  std::string r(16, '\0');
  r[0] = static_cast<char>(vt & 0xFF);
  r[1] = static_cast<char>(vt >> 8);
  for (int i = 0; i < width; ++i) r[8 + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return r;
}

std::string Text(const std::u16string& v) {
  std::string r = {'\x08', '\0'};
  for (char16_t c : v) r += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return r.append(2, '\0');
}

}  // namespace settings_test
