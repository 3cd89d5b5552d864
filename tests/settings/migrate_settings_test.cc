#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "settings/ds_config_settings.h"
#include "settings/ds_config_store.h"
#include "settings/migrate_settings.h"
#include "settings/setting_rules.h"
#include "settings_fixture.h"

namespace settings_test {
namespace {

const std::string kExtendNames =
    ".asf;.avi;.exe;.iso;.mp3;.mpeg;.mpg;.mpga;.ra;.rar;.rm;.rmvb;.tar;.wma;.wmp;.wmv;.mov;.zip;"
    ".3gp;.chm;.mdf;.torrent;.mp4;";

// The new UserConfig.ini as the profile functions write it, section by
// section in the order of first writing.
class Ini {
 public:
  static Ini Defaults() {
    Ini ini;
    ini.sections_ = {
        {"Proxy",
         {{"HttpProxy", ""}, {"FtpProxy", ""}, {"MMSProxy", ""}, {"ServerProxy", ""},
          {"ProxyCount", "0"}}},
        {"BtGenericSettings", {{"BtUpDuration", "4"}, {"AutoBTNewTask", "1"}}},
        {"EMuleGenericSettings", {{"EMuleUpDuration", "4"}, {"UseAutoUploadMode", "0"}}},
        {"Monitor", {{"ExtendNames", kExtendNames}, {"MonitorClipBoard", "1"}}},
        {"TaskDefaultSettings",
         {{"OrignHostThreads", "5"}, {"NewTaskStartMode", "0"}, {"OpenFile", "0"},
          {"UseLastCategory", "0"}}},
    };
    return ini;
  }
  Ini& Set(const std::string& section, const std::string& key, const std::string& value) {
    for (auto& [name, keys] : sections_)
      for (auto& [k, v] : keys)
        if (name == section && k == key) v = value;
    return *this;
  }
  Ini& InsertAfter(const std::string& section, const std::string& after, const std::string& key,
                   const std::string& value) {
    for (auto& [name, keys] : sections_) {
      if (name != section) continue;
      size_t at = keys.size();
      for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i].first == after) at = i + 1;
      keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(at), {key, value});
    }
    return *this;
  }
  std::string Text() const {
    std::string s;
    for (const auto& [name, keys] : sections_) {
      s += "[" + name + "]\r\n";
      for (const auto& [k, v] : keys) s += k + "=" + v + "\r\n";
    }
    return s;
  }

 private:
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections_;
};

using MigrateSettingsTest = SettingsTest;

TEST_F(MigrateSettingsTest, DefaultsWithoutAnOldFile) {
  MigrateSettings(kOldIni, kNewIni);
  EXPECT_EQ(NewIni(), Ini::Defaults().Text());

  ResetDsConfigStoreForTesting();
  EXPECT_EQ(ReadCompoundFile(DsConfigFile()),
            (Contents{
                {"D GlobalConfig", ""},
                {"S GlobalConfig/Cfg00000004", I4(256)},
                {"S GlobalConfig/Cfg00000008", Bool(true)},
                {"S GlobalConfig/Cfg0000000A", I4(80 * 65536 + 15000)},
                {"S GlobalConfig/Cfg0000000B", Bool(false)},
                {"S GlobalConfig/Cfg0000000C", UI4(268435456)},
                {"S GlobalConfig/Cfg0000000D", I4(8388608)},
                {"S GlobalConfig/Cfg000000C9", I4(0)},
                {"S GlobalConfig/Cfg000000CB", I2(16423)},
                {"S GlobalConfig/Cfg000000CC", I2(17368)},
                {"S GlobalConfig/Cfg000000CD", Text(u"[CHN]yourname")},
                {"S GlobalConfig/Cfg000000D0", I4(2000)},
                {"S GlobalConfig/Cfg000000D1", Bool(true)},
                {"S GlobalConfig/Cfg000000D2", Bool(true)},
                {"S GlobalConfig/Cfg000000D4", Bool(true)},
                {"S GlobalConfig/Cfg000000D5", Bool(true)},
                {"S GlobalConfig/Cfg000000D6", I4(3)},
            }));
}

TEST_F(MigrateSettingsTest, IniConversions) {
  std::string proxyEntries;
  Ini twoProxies = Ini::Defaults();
  twoProxies.Set("Proxy", "ProxyCount", "2");
  for (int i = 0; i < 2; ++i) {
    for (std::string name : {"ProxyName", "Password", "ProxyAddress", "ProxyID", "UserName",
                             "ProxyPort", "ProxyStyle"}) {
      std::string key = "Proxy" + std::to_string(i) + name;
      std::string value = i == 0 && name != "ProxyPort" ? "v" + name : "";
      twoProxies.InsertAfter("Proxy", "", key, value);
      if (!value.empty()) proxyEntries += key + "=" + value + "\r\n";
    }
  }
  struct Case {
    std::string old;
    Ini expected;
  } cases[] = {
      {"[Proxy]\r\nHttpProxy=h:80\r\nFtpProxy=f:21\r\n",
       Ini::Defaults()
           .Set("Proxy", "HttpProxy", "h:80")
           .Set("Proxy", "FtpProxy", "f:21")
           .InsertAfter("Proxy", "HttpProxy", "UseProxy", "2")},
      {"[Proxy]\r\nServerProxy=s\r\n",
       Ini::Defaults().Set("Proxy", "ServerProxy", "s").InsertAfter("Proxy", "ServerProxy",
                                                                     "UseProxy", "2")},
      {"[Proxy]\r\nProxyCount=2\r\n" + proxyEntries, twoProxies},
      {"[Proxy]\r\nProxyCount=abc\r\n", Ini::Defaults().Set("Proxy", "ProxyCount", "abc")},
      {"[BtGenericSettings]\r\nBtUpDuration=7200\r\n[EMuleGenericSettings]\r\nEMuleUpDuration=900\r\n",
       Ini::Defaults().Set("BtGenericSettings", "BtUpDuration", "2")},
      {"[BtGenericSettings]\r\nBtUpDuration=18000\r\n[EMuleGenericSettings]\r\nEMuleUpDuration=1800\r\n",
       Ini::Defaults()
           .Set("BtGenericSettings", "BtUpDuration", "3")
           .Set("EMuleGenericSettings", "EMuleUpDuration", "0")},
      {"[TaskDefaultSettings]\r\nNewTaskStartMode=0\r\n",
       Ini::Defaults().Set("TaskDefaultSettings", "NewTaskStartMode", "1")},
      {"[TaskDefaultSettings]\r\nNewTaskStartMode=2\r\nOrignHostThreads=10\r\n",
       Ini::Defaults().Set("TaskDefaultSettings", "OrignHostThreads", "10")},
      // The DSConfig rows never reach the new INI file.
      {"[General]\r\nDiskCacheTotalSize=64\r\n[Connect]\r\nTCPPort=8080\r\n", Ini::Defaults()},
  };
  for (const auto& c : cases) {
    TearDown();
    std::filesystem::remove(Host("drive_c/New/Profiles/UserConfig.ini"));
    SetUp();
    WriteOldIni(c.old);
    MigrateSettings(kOldIni, kNewIni);
    EXPECT_EQ(NewIni(), c.expected.Text()) << c.old;
  }
}

// Old values and memory sizes against what DSConfig.bin receives; an empty
// expectation means the stream must be absent.
TEST_F(MigrateSettingsTest, DsConfigConversions) {
  struct Case {
    std::string old;
    uint64_t memory;
    std::vector<std::pair<std::string, std::string>> expected;
  } cases[] = {
      {"[General]\r\nDiskCacheTotalSize=0\r\n", uint64_t{256} << 20,
       {{"Cfg0000000C", UI4(134217728)}}},
      {"[General]\r\nDiskCacheTotalSize=0\r\n", uint64_t{2} << 30, {{"Cfg0000000C", UI4(268435456)}}},
      // 4096 megabytes wrap to 0, which asks for the default size.
      {"[General]\r\nDiskCacheTotalSize=4096\r\n", uint64_t{256} << 20,
       {{"Cfg0000000C", UI4(134217728)}}},
      {"[General]\r\nDiskCacheTotalSize=4097\r\nDiskCacheFlushSize=-1\r\n", 0,
       {{"Cfg0000000C", UI4(1048576)}, {"Cfg0000000D", I4(-1048576)}}},
      {"[Connect]\r\nLimitUploadSpeed=1\r\nMaxUploadSpeed=50\r\n", 0,
       {{"Cfg00000005", I4(51200)}, {"Cfg00000010", I4(0)}, {"Cfg00000002", ""}}},
      {"[Connect]\r\nLimitSpeed=1\r\nMaxSpeed=300\r\niIsLimitGlobalConnection=0\r\n", 0,
       {{"Cfg00000002", I4(300)}, {"Cfg00000010", I4(0)}, {"Cfg00000005", ""}, {"Cfg00000004", ""}}},
      {"[Connect]\r\nLimitSpeed=-1\r\nMaxGlobalConnection=99\r\n", 0,
       {{"Cfg00000004", I4(99)}, {"Cfg00000002", ""}, {"Cfg00000010", ""}}},
      {"[EMuleGenericSettings]\r\nEMuleCredit=-1\r\nEMuleIdentify=-1\r\nEMuleListenPort=70000\r\n"
       "EMuleKADPort=-2\r\nEMuleNickName=\r\nEMuleAutoLink=3\r\nEMuleAICH=x\r\n",
       0,
       {{"Cfg000000D0", I4(2000)}, {"Cfg000000D6", I4(0)}, {"Cfg000000CB", I2(4464)},
        {"Cfg000000CC", I2(-2)}, {"Cfg000000CD", Text(u"")}, {"Cfg0000000B", Bool(true)},
        {"Cfg000000D5", Bool(false)}}},
      {"[Connect]\r\nUDPPort=70000\r\nTCPPort=65535\r\n[BtGenericSettings]\r\nDHT=0\r\n", 0,
       {{"Cfg0000000A", I4(static_cast<int32_t>(0xFFFF0000u | 4464))}, {"Cfg00000008", Bool(false)}}},
  };
  for (const auto& c : cases) {
    TearDown();
    std::filesystem::remove(DsConfigFile());
    SetUp();
    if (c.memory) env_.memory = c.memory;
    WriteOldIni(c.old);
    MigrateSettings(kOldIni, kNewIni);
    ResetDsConfigStoreForTesting();
    Contents contents = ReadCompoundFile(DsConfigFile());
    for (const auto& [stream, bytes] : c.expected) {
      auto it = contents.find("S GlobalConfig/" + stream);
      if (bytes.empty())
        EXPECT_EQ(it, contents.end()) << c.old << stream;
      else
        EXPECT_EQ(it == contents.end() ? "(absent)" : it->second, bytes) << c.old << stream;
    }
  }
}

// In code page 936 the nickname reaches DSConfig.bin as UTF-16.
TEST_F(MigrateSettingsTest, NickNameIsConvertedFromTheAnsiCodePage) {
  testing_support::ScopedEnv gbk("LC_ALL", "zh_CN.GBK");
  WriteOldIni("[EMuleGenericSettings]\r\nEMuleNickName=[CHN]\xD6\xD0\xCE\xC4\r\n");
  MigrateSettings(kOldIni, kNewIni);
  ResetDsConfigStoreForTesting();
  EXPECT_EQ(ReadCompoundFile(DsConfigFile())["S GlobalConfig/Cfg000000CD"],
            Text(u"[CHN]\u4E2D\u6587"));
}

TEST(ParseDecimalTest, BehavesLikeAtoi) {
  struct Case {
    std::string text;
    int32_t expected;
  } cases[] = {{"", 0},          {"abc", 0},        {"  42", 42},    {"\t-7x", -7},
               {"+15", 15},      {"- 1", 0},        {"12 34", 12},   {"2147483647", 2147483647},
               {"99999999999", 2147483647},         {"-99999999999", -2147483647 - 1}};
  for (const auto& c : cases) EXPECT_EQ(ParseDecimal(c.text), c.expected) << c.text;
}

TEST(SettingRulesTest, TableShape) {
  ASSERT_EQ(SettingRules.size(), 31u);
  size_t udp = 0, tcp = 0, ds = 0;
  for (size_t i = 0; i < SettingRules.size(); ++i) {
    if (SettingRules[i].key == "UDPPort") udp = i;
    if (SettingRules[i].key == "TCPPort") tcp = i;
    if (SettingRules[i].write == WriteDsConfigRule) ++ds;
    EXPECT_EQ(SettingRules[i].read, ReadRuleValue);
  }
  EXPECT_LT(udp, tcp);
  EXPECT_EQ(ds, 16u);
}

}  // namespace
}  // namespace settings_test
