#include "settings_fixture.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "settings/ds_config_settings.h"
#include "settings/ds_config_store.h"
#include "settings/setting_rules.h"

namespace settings_test {

using testing_support::MakeDirs;

SettingsTest::SettingsTest()
    : prefixEnv_("WINEPREFIX", prefix_.path()), localeEnv_("LC_ALL", "C") {}

void SettingsTest::SetUp() {
  MakeDirs(Host(kDsConfigFolder));
  MakeDirs(Host("drive_c/Old/Profiles"));
  MakeDirs(Host("drive_c/New/Profiles"));
  MakeDirs(Host("dosdevices"));
  if (!testing_support::PathExists(Host("dosdevices/c:")))
    std::filesystem::create_directory_symlink("../drive_c", Host("dosdevices/c:"));
  platform::SetEnv(&env_);
  ResetDsConfigStoreForTesting();
  ResetDsConfigSettingsForTesting();
  ResetSettingRulesForTesting();
}

void SettingsTest::TearDown() {
  ResetDsConfigStoreForTesting();  // closes DSConfig.bin before the prefix goes
  ResetDsConfigSettingsForTesting();
  ResetSettingRulesForTesting();
  platform::SetEnv(nullptr);
}

void SettingsTest::WriteOldIni(const std::string& text) const {
  testing_support::WriteFile(Host("drive_c/Old/Profiles/UserConfig.ini"), text);
}

std::string SettingsTest::NewIni() const {
  return testing_support::ReadFile(Host("drive_c/New/Profiles/UserConfig.ini"));
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
  const std::string command = "/usr/bin/python3 '" + script + "' '" + hostPath + "' 2>&1";
  Contents contents;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return contents;
  std::string output;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  int status = pclose(pipe);
  EXPECT_EQ(status, 0) << output;
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

std::string I4(int32_t v) { return Record(3, static_cast<uint32_t>(v), 4); }
std::string UI4(uint32_t v) { return Record(19, v, 4); }
std::string I2(int16_t v) { return Record(2, static_cast<uint16_t>(v), 2); }
std::string Bool(bool v) { return Record(11, v ? 1 : 0, 2); }

std::string Text(const std::u16string& v) {
  std::string r = {'\x08', '\0'};
  for (char16_t c : v) {
    r.push_back(static_cast<char>(c & 0xFF));
    r.push_back(static_cast<char>(c >> 8));
  }
  r.append(2, '\0');
  return r;
}

}  // namespace settings_test
