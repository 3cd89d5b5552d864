#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/variant.h"
#include "settings/ds_config_store.h"
#include "settings/migrate_settings.h"
#include "settings_fixture.h"
#include "storage/storage.h"

namespace settings_test {
namespace {

using DsConfigStoreTest = SettingsTest;

win::VARIANT Value(win::VARTYPE vt, int32_t n) {
  win::VARIANT v;
  win::VariantInit(&v);
  v.vt = vt;
  if (vt == win::VT_I2 || vt == win::VT_BOOL) v.iVal = static_cast<win::SHORT>(n);
  else v.lVal = n;
  return v;
}

void SetText(uint32_t id, const char16_t* text) {
  win::VARIANT v = Value(win::VT_BSTR, 0);
  v.bstrVal = win::SysAllocString(text);
  EXPECT_TRUE(settings::GetDsConfigStore().SetConfigValue(id, v));
  win::VariantClear(&v);
}

// A new file holds "GlobalConfig" and the written streams only; a shorter
// value written over a longer one shrinks its stream.
TEST_F(DsConfigStoreTest, NewFileValueBytesAndShrinking) {
  settings::DsConfigStore& store = settings::GetDsConfigStore();
  ASSERT_TRUE(store.OpenDsConfig());
  SetText(205, u"a much longer nickname");
  SetText(205, u"ab");
  EXPECT_TRUE(store.SetConfigValue(8, Value(win::VT_BOOL, 1)));
  EXPECT_TRUE(store.SetConfigValue(13, Value(win::VT_I4, -2)));
  EXPECT_TRUE(store.SetConfigValue(13, Value(win::VT_I2, -1)));
  store.CloseAll();
  EXPECT_EQ(store.openStorages(), 0u);
  EXPECT_EQ(ReadCompoundFile(DsConfigFile()),
            (Contents{{"D GlobalConfig", ""},
                      {"S GlobalConfig/Cfg000000CD", std::string("\x08\0a\0b\0\0\0", 8)},
                      {"S GlobalConfig/Cfg00000008", std::string("\x0B\0\0\0\0\0\0\0\x01\0\0\0\0\0\0\0", 16)},
                      {"S GlobalConfig/Cfg0000000D", std::string("\x02\0\0\0\0\0\0\0\xFF\xFF\0\0\0\0\0\0", 16)}}));
}

TEST_F(DsConfigStoreTest, ExistingFileKeepsItsOtherContents) {
  testing_support::WriteFile(Host("Other"), "keep me");
  ASSERT_EQ(std::system(("cd '" + Host("") + "' && gsf createole '" + DsConfigFile() + "' Other").c_str()), 0);
  settings::MigrateSettings(kOldIni, kNewIni);
  settings::ReleaseDsConfigStore();
  Contents c = ReadCompoundFile(DsConfigFile());
  EXPECT_EQ(c["S Other"], "keep me");
  EXPECT_EQ(c.count("D GlobalConfig"), 1u);
  EXPECT_EQ(c["S GlobalConfig/Cfg00000004"], I4(256));
}

// Creating a compound file makes no folders.
TEST_F(DsConfigStoreTest, MissingFolderWritesNothing) {
  std::filesystem::remove_all(Host("drive_c/Program Files/Common Files"));
  settings::MigrateSettings(kOldIni, kNewIni);
  EXPECT_FALSE(settings::GetDsConfigStore().SetConfigValue(8, Value(win::VT_BOOL, 1)));
  EXPECT_EQ(settings::GetDsConfigStore().lastResult(), win::E_POINTER);
  EXPECT_FALSE(testing_support::PathExists(Host("drive_c/Program Files/Common Files")));
  EXPECT_NE(NewIni().find("[Proxy]"), std::string::npos);  // the INI side goes on
}

// Another process holds DSConfig.bin open with exclusive sharing: nothing
// is written and the file stays as it was.
TEST_F(DsConfigStoreTest, FileHeldByAnotherProcessIsLeftAlone) {
  ASSERT_TRUE(settings::GetDsConfigStore().OpenDsConfig());
  settings::GetDsConfigStore().SetConfigValue(13, Value(win::VT_I4, 5));
  settings::ReleaseDsConfigStore();
  const std::string before = testing_support::ReadFile(DsConfigFile());

  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    win::IStorage* root = nullptr;
    char ok = win::StgOpenStorage(
                  u"C:\\Program Files\\Common Files\\Vorlake Network\\VorlakeS\\DSConfig.bin",
                  nullptr, settings::DsConfigStore::kOpenMode, nullptr, 0, &root) == win::S_OK;
    char done;
    if (write(ready[1], &ok, 1) == 1 && read(release[0], &done, 1) >= 0 && root) root->Release();
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  EXPECT_EQ(ok, 1);
  settings::MigrateSettings(kOldIni, kNewIni);
  EXPECT_EQ(settings::GetDsConfigStore().openStorages(), 0u);
  EXPECT_EQ(write(release[1], &ok, 1), 1);
  waitpid(child, nullptr, 0);
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
  EXPECT_EQ(testing_support::ReadFile(DsConfigFile()), before);
}

}  // namespace
}  // namespace settings_test
