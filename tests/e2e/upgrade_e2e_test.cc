// Runs the real converter on generated version-5 installations and checks
// exactly which files of the prefix it created or changed.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "bytes.h"
#include "converted_outputs.h"
#include "converter_process.h"
#include "sample_installation.h"
#include "test_support.h"
#include "tree_snapshot.h"

namespace e2e {
namespace {

using testing_support::MakeDirs;
using testing_support::TempDir;

constexpr char kMutexName[] = "Global\\vorlake5_app_mutex";
constexpr char kCaption[] = "Vorlake6";
// The message text as the terminal shows it (UTF-8).
constexpr char kMessageUtf8[] =
    "检测到沃岚进程存在，请先退出沃岚，然后点击重试进行历史记录转换。点击取消放弃历史记录转换。";

// Folders of the generated sample, relative to the prefix.
constexpr char kOld[] = "drive_c/Program Files (x86)/Vorlake/";
constexpr char kNew[] = "drive_c/Program Files (x86)/Vorlake6/";
constexpr char kShared[] = "drive_c/Program Files (x86)/Common Files/Vorlake Network/VorlakeS/";

std::string Joined(const std::set<std::string>& paths) {
  std::string text;
  for (const std::string& p : paths) text += "  " + p + "\n";
  return text;
}

class UpgradeRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeDirs(runtime());
    MakeDirs(cwd());
    options_.prefixDir = prefix();
    options_.tasks = 30;
  }

  std::string prefix() const { return dir_.Join("prefix"); }
  std::string runtime() const { return dir_.Join("run"); }
  std::string cwd() const { return dir_.Join("cwd"); }
  std::string NewFile(const std::string& relative) const { return prefix() + "/" + kNew + relative; }

  void Generate() {
    std::string error;
    ASSERT_TRUE(samplegen::BuildSampleInstallation(options_, &error, &summary_)) << error;
    before_ = Snapshot(prefix());
  }

  ProcessSpec Job(std::vector<std::string> args) const {
    ProcessSpec job;
    job.args = std::move(args);
    job.cwd = cwd();
    job.env = PrefixEnv(prefix(), runtime(), dir_.Join("home"));
    return job;
  }
  ProcessSpec Job() const { return Job({options_.newInstallDir}); }

  TreeChanges Changes() const { return Compare(before_, Snapshot(prefix())); }

  // The copies of Profiles\Torrents and Profiles\emule into the new Profiles
  // folder, and of the server list, as the old files say they must be.
  std::set<std::string> ExpectedCopies() const {
    std::set<std::string> paths;
    for (const char* folder : {"Torrents", "emule"}) {
      std::string from = std::string(kOld) + "Profiles/" + folder;
      for (const auto& [path, what] : before_)
        if (path.starts_with(from)) paths.insert(std::string(kNew) + "Profiles/" + path.substr(std::string(kOld).size() + 9));
    }
    paths.insert(std::string(kShared) + "server.met");
    return paths;
  }

  // The copies and what the run writes besides, for this sample.
  std::set<std::string> ExpectedCreated() const {
    std::set<std::string> paths = ExpectedCopies();
    paths.insert({std::string(kNew) + "Profiles/UserConfig.ini", std::string(kShared) + "DSConfig.bin"});
    if (options_.history) paths.insert(std::string(kNew) + "Program/history.mdb");
    if (options_.settings) paths.insert(std::string(kNew) + "Components/category/Category.xml");
    return paths;
  }

  // The run created exactly `expected` and changed or removed nothing.
  void ExpectCreatedExactly(const std::set<std::string>& expected, const std::string& context = "") const {
    TreeChanges changes = Changes();
    std::set<std::string> missing, unexpected;
    for (const std::string& p : expected)
      if (!changes.created.count(p)) missing.insert(p);
    for (const std::string& p : changes.created)
      if (!expected.count(p)) unexpected.insert(p);
    EXPECT_TRUE(missing.empty()) << "not created:\n" << Joined(missing) << context;
    EXPECT_TRUE(unexpected.empty()) << "created unexpectedly:\n" << Joined(unexpected) << context;
    EXPECT_TRUE(changes.changed.empty()) << "changed:\n" << Joined(changes.changed);
    EXPECT_TRUE(changes.removed.empty()) << "removed:\n" << Joined(changes.removed);
  }

  void ExpectCopiesMade(const TreeSnapshot& after) const {
    for (const std::string& path : ExpectedCopies()) {
      std::string source = path.rfind(kShared, 0) == 0
                               ? std::string(kOld) + "Program/server.met"
                               : std::string(kOld) + "Profiles/" + path.substr(std::string(kNew).size() + 9);
      ASSERT_TRUE(after.count(path)) << path;
      EXPECT_EQ(after.at(path), before_.at(source)) << path;
    }
  }

  void ExpectDatabaseHoldsEveryTaskContainerAndLink() const {
    std::string db = NewFile("Program/history.mdb");
    auto kindCount = [&](int kind) {
      return QueryCount(db, "select count(*) from TransferTask where F0 = " + std::to_string(kind));
    };
    EXPECT_EQ(kindCount(0), summary_.generic);
    EXPECT_EQ(kindCount(1), summary_.emule);
    EXPECT_EQ(kindCount(2), summary_.btFiles);
    EXPECT_EQ(kindCount(3), summary_.bt);
    EXPECT_EQ(QueryCount(db, "select count(*) from MetaTask"), summary_.generic + summary_.emule + summary_.btFiles);
    EXPECT_EQ(QueryCount(db, "select count(*) from BTTask"), summary_.bt);
    EXPECT_EQ(QueryCount(db, "select count(*) from Relationship"), summary_.linked);
    EXPECT_EQ(QueryCount(db, "select count(*) from TransferTask where VALID = 0 and F0 <> 2"), summary_.hidden);
    // Every BitTorrent file belongs to a BitTorrent task.
    EXPECT_EQ(QueryCount(db, "select count(*) from TransferTask f where F0 = 2 and not exists "
                             "(select 1 from TransferTask t where t.ID = f.PARENTID and t.F0 = 3)"),
              0);
    std::multiset<std::string> containers;
    for (const auto& row : QueryRows(db, "select ContainerName from Containers")) containers.insert(row[0]);
    EXPECT_EQ(containers, std::multiset<std::string>(summary_.containers.begin(), summary_.containers.end()));
    // Seed files now live in the new installation.
    EXPECT_EQ(QueryCount(db, "select count(*) from TransferTask where F0 = 3 and F1 not like "
                             "'C:\\Program Files (x86)\\Vorlake6\\Profiles\\Torrents\\%.torrent'"),
              0);
  }

  // A few values from either file, to show that the run hands each rule the
  // old file and the code page; the rules themselves are the settings tests'.
  void ExpectSettingsInTheNewIniAndDsConfig() const {
    std::string ini = testing_support::ReadFile(NewFile("Profiles/UserConfig.ini"));
    for (const char* line : {"UseProxy=2", "ProxyCount=2", "Proxy0ProxyName=公司代理", "BtUpDuration=2"})
      EXPECT_NE(ini.find("\r\n" + samplegen::Utf8ToGbk(line) + "\r\n"), std::string::npos) << line;
    EXPECT_EQ(ini.find("TCPPort="), std::string::npos);

    auto streams = ReadCompoundStreams(prefix() + "/" + kShared + "DSConfig.bin");
    ASSERT_FALSE(streams.empty()) << "DSConfig.bin unreadable (is python3-olefile installed?)";
    std::string ports;  // both ports in one VT_I4
    testing_support::AppendLe(ports, 3076 * 65536 + 15000, 4);
    EXPECT_EQ(streams["GlobalConfig/Cfg0000000A"].substr(8, 4), ports);
    std::u16string nick = u"[CHN]沃岚用户";
    std::string nickBytes("\x08\x00", 2);
    for (char16_t c : nick + u'\0') testing_support::AppendLe(nickBytes, c, 2);
    EXPECT_EQ(streams["GlobalConfig/Cfg000000CD"], nickBytes);
  }

  void ExpectCatalogHoldsHistoryAndSettingsFolders() const {
    std::string xml = testing_support::ReadFile(NewFile("Components/category/Category.xml"));
    for (std::string folder : summary_.folders) {
      if (folder.back() != '\\') folder += '\\';
      EXPECT_NE(xml.find("Path=\"" + folder + "\""), std::string::npos) << folder << "\n" << xml;
    }
    EXPECT_NE(xml.find("<zrDefaultCatalog Path=\"C:\\下载\\\"/>"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("已下载"), std::string::npos) << xml;
  }

  TempDir dir_;
  samplegen::SampleOptions options_;
  samplegen::HistorySummary summary_;
  TreeSnapshot before_;
};

void ExpectQuietExit(const ProcessResult& result) {
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "");
}

// One run of the sample: exactly the expected files appear, and the
// database, the settings and the catalog hold what the old files said.
TEST_F(UpgradeRunTest, ConvertsAndTouchesNothingElse) {
  Generate();
  ProcessResult result = RunConverter(Job());
  ExpectQuietExit(result);
  ExpectCreatedExactly(ExpectedCreated(), result.err);
  ExpectCopiesMade(Snapshot(prefix()));
  ExpectDatabaseHoldsEveryTaskContainerAndLink();
  ExpectSettingsInTheNewIniAndDsConfig();
  ExpectCatalogHoldsHistoryAndSettingsFolders();
}

// A second run finds the finished database and does nothing, not even make
// the mutex; its report meets a closed stderr, which must not change the
// exit code.
TEST_F(UpgradeRunTest, SecondRunDoesNothing) {
  Generate();
  ExpectQuietExit(RunConverter(Job()));
  before_ = Snapshot(prefix());
  std::filesystem::remove_all(runtime());
  MakeDirs(runtime());
  ProcessSpec again = Job();
  again.stderrReaderGone = true;
  ExpectQuietExit(RunConverter(again));
  ExpectCreatedExactly({});
  EXPECT_TRUE(Snapshot(runtime()).empty());
}

// The arguments join into one command line, and a new folder with Chinese
// characters is found whether the host hands it over in UTF-8 (here under a
// Chinese UTF-8 locale, whose ANSI code page is 936 too) or already in 936.
TEST_F(UpgradeRunTest, ArgumentsJoinIntoOneCommandLineInUtf8OrAnsi) {
  options_.tasks = 10;
  options_.newInstallDir = "C:\\Program Files (x86)\\沃岚6";
  for (bool ansi : {false, true}) {
    SCOPED_TRACE(ansi ? "code page 936" : "UTF-8");
    std::filesystem::remove_all(prefix());
    Generate();
    ProcessSpec job = Job({"C:\\Program", "Files", "(x86)\\沃岚6"});
    job.env["LANG"] = "zh_CN.UTF-8";
    if (ansi) job = Job({samplegen::Utf8ToGbk(options_.newInstallDir)});
    ExpectQuietExit(RunConverter(job));
    const std::string root = prefix() + "/drive_c/Program Files (x86)/沃岚6/";
    std::string ini = testing_support::ReadFile(root + "Profiles/UserConfig.ini");
    EXPECT_NE(ini.find(samplegen::Utf8ToGbk("Proxy0ProxyName=公司代理")), std::string::npos);
    EXPECT_EQ(QueryCount(root + "Program/history.mdb",
                         "select count(*) from TransferTask where F0 = 3 and F1 like "
                         "'C:\\Program Files (x86)\\沃岚6\\Profiles\\Torrents\\%.torrent'"),
              summary_.bt);
  }
}

TEST_F(UpgradeRunTest, WithoutHistoryNoDatabaseButCopies) {
  options_.history = false;
  Generate();
  ExpectQuietExit(RunConverter(Job()));
  ExpectCreatedExactly(ExpectedCreated());
  ExpectCopiesMade(Snapshot(prefix()));
}

// FIFOs where the old history, settings and server list belong have no
// content to give; the run must neither wait on them nor stop: it counts them
// as files (so the database and the catalog are made) and goes on.
TEST_F(UpgradeRunTest, FifosInTheOldInstallationDoNotHoldTheRun) {
  Generate();
  for (const char* file : {"Profiles/history6.dat", "Profiles/UserConfig.ini", "Program/server.met"}) {
    std::string host = prefix() + "/" + kOld + file;
    ASSERT_EQ(std::remove(host.c_str()), 0) << host;
    ASSERT_EQ(mkfifo(host.c_str(), 0600), 0) << host;
  }
  before_ = Snapshot(prefix());
  ExpectQuietExit(RunConverter(Job()));
  std::set<std::string> expected = ExpectedCreated();
  expected.erase(std::string(kShared) + "server.met");
  ExpectCreatedExactly(expected);
  EXPECT_EQ(QueryCount(NewFile("Program/history.mdb"), "select count(*) from TransferTask"), 0);
}

TEST_F(UpgradeRunTest, NoOrEmptyArgumentDoesNothing) {
  Generate();
  ProcessResult result = RunConverter(Job({}));
  ExpectQuietExit(result);
  EXPECT_NE(result.err.find("usage"), std::string::npos);
  ExpectQuietExit(RunConverter(Job({""})));
  ExpectCreatedExactly({});
  EXPECT_TRUE(Snapshot(runtime()).empty());
}

// While the old program runs, Cancel gives the conversion up; Retry asks
// again while it still runs and goes on once it has quit.
TEST_F(UpgradeRunTest, RunningOldProgramCancelOrRetryOnTerminal) {
  Generate();
  MutexHolder holder(kMutexName, runtime());
  ASSERT_TRUE(holder.holding());
  ProcessResult result = RunConverterOnTerminal(Job(), kCaption, [] { return std::string("c\n"); });
  ExpectQuietExit(result);
  EXPECT_NE(result.terminal.find(kMessageUtf8), std::string::npos) << result.terminal;
  ExpectCreatedExactly({});
  int prompts = 0;
  result = RunConverterOnTerminal(Job(), kCaption, [&] {
    if (++prompts == 2) holder.Release();
    return std::string("r\n");
  });
  ExpectQuietExit(result);
  EXPECT_EQ(prompts, 2) << result.terminal;
  ExpectCreatedExactly(ExpectedCreated());
}

}  // namespace
}  // namespace e2e
