#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "settings/ds_config_settings.h"
#include "settings/ds_config_store.h"
#include "settings/migrate_settings.h"
#include "settings_fixture.h"

namespace settings_test {
namespace {

using MigrateSettingsTest = SettingsTest;
using Edits = std::vector<std::pair<std::string, std::string>>;

// The new UserConfig.ini written from defaults alone.
const std::string kDefaultIni =
    "[Proxy]\r\nHttpProxy=\r\nFtpProxy=\r\nMMSProxy=\r\nServerProxy=\r\nProxyCount=0\r\n"
    "[BtGenericSettings]\r\nBtUpDuration=4\r\nAutoBTNewTask=1\r\n"
    "[EMuleGenericSettings]\r\nEMuleUpDuration=4\r\nUseAutoUploadMode=0\r\n"
    "[Monitor]\r\nExtendNames=.asf;.avi;.exe;.iso;.mp3;.mpeg;.mpg;.mpga;.ra;.rar;.rm;.rmvb;.tar;"
    ".wma;.wmp;.wmv;.mov;.zip;.3gp;.chm;.mdf;.torrent;.mp4;\r\nMonitorClipBoard=1\r\n"
    "[TaskDefaultSettings]\r\nOrignHostThreads=5\r\nNewTaskStartMode=0\r\nOpenFile=0\r\nUseLastCategory=0\r\n";

std::string Edited(Edits edits) {
  std::string text = kDefaultIni;
  for (const auto& [from, to] : edits) text.replace(text.find(from), from.size(), to);
  return text;
}

// What failed is told, not inferred from the files being there.
TEST_F(MigrateSettingsTest, OutcomeTellsWhatWasNotWritten) {
  settings::SettingsOutcome fine = settings::MigrateSettings(kOldIni, kNewIni);
  EXPECT_EQ(fine.iniWriteFailures, 0);
  EXPECT_TRUE(fine.dsConfigOpened);
  EXPECT_EQ(fine.dsConfigValueFailures, 0);
  EXPECT_NE(fine.dsConfigPath.find("\\VorlakeS\\DSConfig.bin"), std::string::npos);

  // A FIFO where the new INI belongs, a folder where DSConfig.bin does.
  Restart();
  ASSERT_EQ(mkfifo(Host("drive_c/New/Profiles/UserConfig.ini").c_str(), 0644), 0);
  std::filesystem::create_directory(DsConfigFile());
  settings::SettingsOutcome broken = settings::MigrateSettings(kOldIni, kNewIni);
  EXPECT_EQ(broken.iniWriteFailures, std::count(kDefaultIni.begin(), kDefaultIni.end(), '='));
  EXPECT_FALSE(broken.dsConfigOpened);
  EXPECT_NE(broken.dsConfigOpenResult, 0);
  EXPECT_GT(broken.dsConfigValueFailures, 0);
}

TEST_F(MigrateSettingsTest, DefaultsWithoutAnOldFile) {
  settings::MigrateSettings(kOldIni, kNewIni);
  EXPECT_EQ(NewIni(), kDefaultIni);
  settings::ReleaseDsConfigStore();
  EXPECT_EQ(ReadCompoundFile(DsConfigFile()),
            (Contents{{"D GlobalConfig", ""},
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
                      {"S GlobalConfig/Cfg000000D6", I4(3)}}));
}

TEST_F(MigrateSettingsTest, IniConversions) {
  std::string proxies;  // proxy 0 with all but its port, proxy 1 missing
  for (int i = 0; i < 2; ++i)
    for (std::string name : {"ProxyName", "Password", "ProxyAddress", "ProxyID", "UserName", "ProxyPort", "ProxyStyle"})
      proxies += "Proxy" + std::to_string(i) + name + "=" + (i == 0 && name != "ProxyPort" ? "v" + name : "") + "\r\n";
  std::string oldProxies = proxies;
  oldProxies.erase(oldProxies.find("Proxy0ProxyPort"), oldProxies.find("Proxy0ProxyStyle") - oldProxies.find("Proxy0ProxyPort"));
  oldProxies.erase(oldProxies.find("Proxy1"));

  struct Case {
    std::string old;
    Edits edits;
  } cases[] = {
      {"[Proxy]\r\nHttpProxy=h:80\r\nFtpProxy=f:21\r\n",
       {{"HttpProxy=\r\n", "HttpProxy=h:80\r\nUseProxy=2\r\n"}, {"FtpProxy=", "FtpProxy=f:21"}}},
      {"[Proxy]\r\nServerProxy=s\r\n", {{"ServerProxy=\r\n", "ServerProxy=s\r\nUseProxy=2\r\n"}}},
      {"[Proxy]\r\nProxyCount=2\r\n" + oldProxies, {{"ProxyCount=0\r\n", "ProxyCount=2\r\n" + proxies}}},
      {"[Proxy]\r\nProxyCount=abc\r\n", {{"ProxyCount=0", "ProxyCount=abc"}}},
      {"[BtGenericSettings]\r\nBtUpDuration=7200\r\n[EMuleGenericSettings]\r\nEMuleUpDuration=900\r\n",
       {{"BtUpDuration=4", "BtUpDuration=2"}}},
      {"[BtGenericSettings]\r\nBtUpDuration=18000\r\n[EMuleGenericSettings]\r\nEMuleUpDuration=1800\r\n",
       {{"BtUpDuration=4", "BtUpDuration=3"}, {"EMuleUpDuration=4", "EMuleUpDuration=0"}}},
      {"[TaskDefaultSettings]\r\nNewTaskStartMode=0\r\n", {{"NewTaskStartMode=0", "NewTaskStartMode=1"}}},
      {"[TaskDefaultSettings]\r\nNewTaskStartMode=2\r\nOrignHostThreads=10\r\n", {{"Threads=5", "Threads=10"}}},
      // The DSConfig rows never reach the new INI file.
      {"[General]\r\nDiskCacheTotalSize=64\r\n[Connect]\r\nTCPPort=8080\r\n", {}},
  };
  for (const auto& c : cases) {
    Restart();
    WriteOldIni(c.old);
    settings::MigrateSettings(kOldIni, kNewIni);
    EXPECT_EQ(NewIni(), Edited(c.edits)) << c.old;
  }
}

// Old values and memory sizes against what DSConfig.bin receives; an empty
// expectation means the stream must be absent.
TEST_F(MigrateSettingsTest, DsConfigConversions) {
  struct Case {
    std::string old;
    uint64_t memory;
    Edits expected;
  } cases[] = {
      {"[General]\r\nDiskCacheTotalSize=0\r\n", uint64_t{256} << 20, {{"0C", UI4(134217728)}}},
      {"[General]\r\nDiskCacheTotalSize=0\r\n", uint64_t{2} << 30, {{"0C", UI4(268435456)}}},
      // 4096 megabytes wrap to 0, which asks for the default size.
      {"[General]\r\nDiskCacheTotalSize=4096\r\n", uint64_t{256} << 20, {{"0C", UI4(134217728)}}},
      {"[General]\r\nDiskCacheTotalSize=4097\r\nDiskCacheFlushSize=-1\r\n", 0,
       {{"0C", UI4(1048576)}, {"0D", I4(-1048576)}}},
      {"[Connect]\r\nLimitUploadSpeed=1\r\nMaxUploadSpeed=50\r\n", 0, {{"05", I4(51200)}, {"10", I4(0)}, {"02", ""}}},
      {"[Connect]\r\nLimitSpeed=1\r\nMaxSpeed=300\r\niIsLimitGlobalConnection=0\r\n", 0,
       {{"02", I4(300)}, {"10", I4(0)}, {"05", ""}, {"04", ""}}},
      {"[Connect]\r\nLimitSpeed=-1\r\nMaxGlobalConnection=99\r\n", 0, {{"04", I4(99)}, {"02", ""}, {"10", ""}}},
      {"[EMuleGenericSettings]\r\nEMuleCredit=-1\r\nEMuleIdentify=-1\r\nEMuleListenPort=70000\r\n"
       "EMuleKADPort=-2\r\nEMuleNickName=\r\nEMuleAutoLink=3\r\nEMuleAICH=x\r\n",
       0,
       {{"D0", I4(2000)}, {"D6", I4(0)}, {"CB", I2(4464)}, {"CC", I2(-2)}, {"CD", Text(u"")},
        {"0B", Bool(true)}, {"D5", Bool(false)}}},
      {"[Connect]\r\nUDPPort=70000\r\nTCPPort=65535\r\n[BtGenericSettings]\r\nDHT=0\r\n", 0,
       {{"0A", I4(static_cast<int32_t>(0xFFFF0000u | 4464))}, {"08", Bool(false)}}},
  };
  for (const auto& c : cases) {
    Restart();
    if (c.memory) env_.memory = c.memory;
    WriteOldIni(c.old);
    settings::MigrateSettings(kOldIni, kNewIni);
    settings::ReleaseDsConfigStore();
    Contents contents = ReadCompoundFile(DsConfigFile());
    for (const auto& [id, bytes] : c.expected) {
      auto it = contents.find("S GlobalConfig/Cfg000000" + id);
      EXPECT_EQ(it == contents.end() ? "" : it->second, bytes) << c.old << id;
    }
  }
}

TEST(ParseDecimalTest, BehavesLikeAtoi) {
  for (auto [text, n] : std::vector<std::pair<std::string, int32_t>>{
           {"", 0}, {"\t-7x", -7}, {"+15", 15}, {"- 1", 0}, {"99999999999", 2147483647},
           {"-99999999999", -2147483647 - 1}})
    EXPECT_EQ(settings::ParseDecimal(text), n) << text;
}

}  // namespace
}  // namespace settings_test
