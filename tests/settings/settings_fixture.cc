#include "settings_fixture.h"

#include <filesystem>

#include "bytes.h"
#include "outside_readers.h"
#include "driver/process_state.h"

namespace settings_test {

namespace {

constexpr char kDsConfigFolder[] = "drive_c/Program Files/Common Files/Vorlake Network/VorlakeS";

void ResetAll() { driver::ResetProcessState(); }

}  // namespace

void SettingsTest::SetUp() {
  for (const char* dir : {kDsConfigFolder, "drive_c/Old/Profiles", "drive_c/New/Profiles"})
    testing_support::MakeDirs(Host(dir));
  platform::SetEnv(&env_);
  ResetAll();
}

void SettingsTest::TearDown() {
  ResetAll();
  platform::SetEnv(env_.target());
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
  bool ok = false;
  Contents contents;
  for (const auto& [path, bytes] : testing_support::ReadWithOlefile(hostPath, &ok)) {
    if (path.back() == '/')
      contents["D " + path.substr(0, path.size() - 1)] = "";
    else
      contents["S " + path] = bytes;
  }
  EXPECT_TRUE(ok) << hostPath;
  return contents;
}

std::string Record(uint16_t vt, uint64_t value, int width) {
  std::string r;
  testing_support::AppendLe(r, vt, 8);
  testing_support::AppendLe(r, value, width);
  r.resize(16, '\0');
  return r;
}

std::string Text(const std::u16string& v) {
  std::string r;
  testing_support::AppendLe(r, 8, 2);
  for (char16_t c : v) testing_support::AppendLe(r, c, 2);
  return testing_support::AppendLe(r, 0, 2);
}

}  // namespace settings_test
