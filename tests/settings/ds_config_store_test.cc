#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/storage.h"
#include "platform/variant.h"
#include "settings/ds_config_store.h"
#include "settings/migrate_settings.h"
#include "settings_fixture.h"

namespace settings_test {
namespace {

using testing_support::PathExists;
using testing_support::ReadFile;

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

win::VARIANT Value(win::VARTYPE vt, int64_t n) {
  win::VARIANT v;
  win::VariantInit(&v);
  v.vt = vt;
  switch (vt) {
    case win::VT_I2: v.iVal = static_cast<win::SHORT>(n); break;
    case win::VT_BOOL: v.boolVal = static_cast<win::VARIANT_BOOL>(n); break;
    case win::VT_UI4: v.ulVal = static_cast<win::ULONG>(n); break;
    default: v.lVal = static_cast<win::LONG>(n); break;
  }
  return v;
}

win::VARIANT TextValue(const char16_t* s) {
  win::VARIANT v;
  win::VariantInit(&v);
  v.vt = win::VT_BSTR;
  v.bstrVal = s ? win::SysAllocString(s) : nullptr;
  return v;
}

TEST(SerializeConfigValueTest, RecordsAndTexts) {
  EXPECT_EQ(Bytes(SerializeConfigValue(Value(win::VT_I4, -2))), I4(-2));
  EXPECT_EQ(Bytes(SerializeConfigValue(Value(win::VT_UI4, 0x80000000u))), UI4(0x80000000u));
  EXPECT_EQ(Bytes(SerializeConfigValue(Value(win::VT_I2, -1))), I2(-1));  // FF FF, then zeros
  EXPECT_EQ(Bytes(SerializeConfigValue(Value(win::VT_BOOL, 1))),
            std::string("\x0B\0\0\0\0\0\0\0\x01\0\0\0\0\0\0\0", 16));
  win::VARIANT ab = TextValue(u"ab");
  EXPECT_EQ(Bytes(SerializeConfigValue(ab)), std::string("\x08\0a\0b\0\0\0", 8));
  win::VariantClear(&ab);
  EXPECT_EQ(Bytes(SerializeConfigValue(TextValue(nullptr))), std::string("\x08\0\0\0", 4));
}

using DsConfigStoreTest = SettingsTest;

TEST_F(DsConfigStoreTest, CreatesTheFileWithGlobalConfigAndWrittenStreamsOnly) {
  DsConfigStore& store = GetDsConfigStore();
  ASSERT_TRUE(store.OpenDsConfig());
  EXPECT_EQ(store.openStorages(), 2u);
  win::VARIANT ab = TextValue(u"ab");
  EXPECT_TRUE(store.SetConfigValue(205, ab));
  win::VariantClear(&ab);
  EXPECT_TRUE(store.SetConfigValue(8, Value(win::VT_BOOL, 1)));
  store.CloseAll();
  EXPECT_EQ(store.openStorages(), 0u);
  EXPECT_EQ(std::u16string(store.fileName()), u"");

  EXPECT_EQ(ReadCompoundFile(DsConfigFile()),
            (Contents{{"D GlobalConfig", ""},
                      {"S GlobalConfig/Cfg000000CD", std::string("\x08\0a\0b\0\0\0", 8)},
                      {"S GlobalConfig/Cfg00000008", Bool(true)}}));
}

TEST_F(DsConfigStoreTest, ShorterValueShrinksTheStream) {
  DsConfigStore& store = GetDsConfigStore();
  ASSERT_TRUE(store.OpenDsConfig());
  win::VARIANT longer = TextValue(u"a much longer nickname");
  store.SetConfigValue(205, longer);
  win::VariantClear(&longer);
  win::VARIANT shorter = TextValue(u"ab");
  store.SetConfigValue(205, shorter);
  win::VariantClear(&shorter);
  store.SetConfigValue(13, Value(win::VT_I4, 1));
  store.SetConfigValue(13, Value(win::VT_I2, 7));
  store.CloseAll();
  Contents c = ReadCompoundFile(DsConfigFile());
  EXPECT_EQ(c["S GlobalConfig/Cfg000000CD"], std::string("\x08\0a\0b\0\0\0", 8));
  EXPECT_EQ(c["S GlobalConfig/Cfg0000000D"], I2(7));
}

TEST_F(DsConfigStoreTest, ExistingFileKeepsItsOtherContents) {
  testing_support::WriteFile(Host("Other"), "keep me");
  const std::string command =
      "cd '" + Host("") + "' && gsf createole '" + DsConfigFile() + "' Other >/dev/null 2>&1";
  ASSERT_EQ(system(command.c_str()), 0);
  ASSERT_EQ(ReadCompoundFile(DsConfigFile()), (Contents{{"S Other", "keep me"}}));

  MigrateSettings(kOldIni, kNewIni);
  ResetDsConfigStoreForTesting();
  Contents c = ReadCompoundFile(DsConfigFile());
  EXPECT_EQ(c["S Other"], "keep me");
  EXPECT_EQ(c.count("D GlobalConfig"), 1u);
  EXPECT_EQ(c["S GlobalConfig/Cfg00000004"], I4(256));
}

// Creating a compound file makes no folders: without the engine's folder
// nothing is written, and every value reports the missing storage.
TEST_F(DsConfigStoreTest, MissingFolderWritesNothing) {
  std::filesystem::remove_all(Host("drive_c/Program Files/Common Files"));
  DsConfigStore& store = GetDsConfigStore();
  EXPECT_FALSE(store.OpenDsConfig());
  EXPECT_FALSE(store.SetConfigValue(8, Value(win::VT_BOOL, 1)));
  EXPECT_EQ(store.lastResult(), win::E_POINTER);
  MigrateSettings(kOldIni, kNewIni);
  EXPECT_FALSE(PathExists(Host("drive_c/Program Files/Common Files")));
  EXPECT_NE(NewIni().find("[Proxy]"), std::string::npos);  // the INI side goes on
}

// Another process holds DSConfig.bin open with exclusive sharing: nothing
// is written and the file stays as it was.
TEST_F(DsConfigStoreTest, FileHeldByAnotherProcessIsLeftAlone) {
  ASSERT_TRUE(GetDsConfigStore().OpenDsConfig());
  GetDsConfigStore().SetConfigValue(13, Value(win::VT_I4, 5));
  ResetDsConfigStoreForTesting();
  const std::string before = ReadFile(DsConfigFile());

  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    win::IStorage* root = nullptr;
    std::u16string path = u"C:\\Program Files\\Common Files\\Vorlake Network\\VorlakeS\\DSConfig.bin";
    char ok = win::StgOpenStorage(path.c_str(), nullptr, DsConfigStore::kOpenMode, nullptr, 0,
                                  &root) == win::S_OK ? 1 : 0;
    (void)!write(ready[1], &ok, 1);
    char done;
    (void)!read(release[0], &done, 1);
    if (root) root->Release();
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  EXPECT_EQ(ok, 1);

  MigrateSettings(kOldIni, kNewIni);
  EXPECT_EQ(GetDsConfigStore().openStorages(), 0u);
  EXPECT_NE(NewIni().find("[Proxy]"), std::string::npos);

  char done = 1;
  EXPECT_EQ(write(release[1], &done, 1), 1);
  int status = 0;
  waitpid(child, &status, 0);
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
  EXPECT_EQ(ReadFile(DsConfigFile()), before);
}

}  // namespace
}  // namespace settings_test
