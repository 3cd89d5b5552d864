// Runs the conversion with every file write cut short after N bytes, for
// every N that makes a difference, and checks that each file it replaces
// (the new UserConfig.ini, DSConfig.bin, Category.xml) is afterwards its old
// content or one the fault-free run agrees with, and that the run still
// ends with 0. Each run is a forked child, so its process state starts fresh.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "cfb/engine.h"
#include "compound_tree.h"
#include "driver/upgrade_run.h"
#include "injected_env.h"
#include "platform/codepage.h"
#include "sample_installation.h"
#include "test_support.h"

namespace e2e {
namespace {

using testing_support::PathExists;
using testing_support::ReadFile;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr unsigned kGbk = 936;  // the prefix's ANSI code page without a locale
constexpr char kNew[] = "drive_c/Program Files (x86)/Vorlake6/";
constexpr char kShared[] = "drive_c/Program Files (x86)/Common Files/Vorlake Network/VorlakeS/";

using Streams = std::map<std::string, std::string>;
using Snapshot = std::map<std::string, std::optional<std::string>>;  // path -> bytes, if any

// Every stream of a compound file by path; nullopt when it does not open or
// an element cannot be read in full.
std::optional<Streams> ReadStreams(const std::string& path) {
  win::HRESULT hr;
  Streams streams;
  for (const auto& [name, bytes] : testing_support::ReadFileTree(path, &hr)) {
    if (bytes == testing_support::kUnreadable) return std::nullopt;
    if (name.back() != '/') streams[name] = bytes;
  }
  if (hr != win::S_OK) return std::nullopt;
  return streams;
}

// The lines of a text.
std::set<std::string> Lines(const std::string& text) {
  std::set<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

class WriteFaultE2eTest : public ::testing::Test {
 protected:
  // Every run fsyncs each file it writes: on a memory file system when the
  // machine has one, so thousands of runs stay quick.
  static std::string FastTemp() {
    return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : testing::TempDir();
  }

  std::string prefix() const { return dir_.Join("prefix"); }
  std::string Ini() const { return prefix() + "/" + kNew + "Profiles/UserConfig.ini"; }
  std::string Xml() const { return prefix() + "/" + kNew + "Components/category/Category.xml"; }
  std::string Store() const { return prefix() + "/" + kShared + "DSConfig.bin"; }

  Snapshot Take() const {
    Snapshot s;
    for (const std::string& p : {Ini(), Xml(), Store()}) {
      s[p] = PathExists(p) ? std::optional<std::string>(ReadFile(p)) : std::nullopt;
    }
    return s;
  }

  void Restore(const Snapshot& s) const {
    for (const auto& [path, bytes] : s) {
      if (bytes) WriteFile(path, *bytes);
      else std::remove(path.c_str());
    }
  }

  // One run in a child with writes cut after limit bytes; its exit status.
  int RunWithFault(size_t limit) const {
    pid_t pid = fork();
    if (pid == 0) {
      setenv("XDG_RUNTIME_DIR", dir_.Join("run").c_str(), 1);
      setenv("HOME", dir_.Join("home").c_str(), 1);
      testing_support::InjectedEnv env;
      env.prefix = prefix();
      env.codePage = kGbk;
      env.writeLimit = limit;
      // exit, not return: what is released at exit is written under the fault too.
      exit(driver::RunUpgrade(options_.newInstallDir.c_str()));
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  ScopedEnv tmp_{"TMPDIR", FastTemp()};
  TempDir dir_;
  samplegen::SampleOptions options_;
};

TEST_F(WriteFaultE2eTest, EveryCutLeavesOldOrCompleteFiles) {
  // No history (the database is not among the replaced files, and its
  // existence would end every later run at once) and nothing to copy.
  options_.prefixDir = prefix();
  options_.history = false;
  options_.torrents = false;
  options_.emule = false;
  options_.serverList = false;
  std::string error;
  ASSERT_TRUE(samplegen::BuildSampleInstallation(options_, &error)) << error;
  testing_support::MakeDirs(dir_.Join("run"));
  // Old versions of all three, so that "unchanged" is a real file.
  WriteFile(Ini(), "[Existing]\r\nkeep=1\r\n");
  WriteFile(Xml(), "<old/>\n");
  {
    win::IStorage* root = nullptr;
    ASSERT_EQ(cfb::CreateCompoundFile(Store().c_str(),
                                      win::STGM_CREATE | win::STGM_READWRITE |
                                          win::STGM_SHARE_EXCLUSIVE,
                                      &root),
              win::S_OK);
    root->Release();
  }
  const Snapshot before = Take();
  // The code page tables are built once per process, which is most of a
  // run's work: built here, every child inherits them.
  char16_t unit[4];
  win::MultiByteToWideChar(kGbk, 0, "\xb5\x5d", 2, unit, 4);

  ASSERT_EQ(RunWithFault(testing_support::InjectedEnv::kNoLimit), 0);
  const Snapshot after = Take();
  for (const auto& [path, bytes] : after) ASSERT_TRUE(bytes && *bytes != before.at(path)) << path;
  const std::set<std::string> finalIni = Lines(*after.at(Ini()));
  const std::optional<Streams> finalStore = ReadStreams(Store());
  ASSERT_TRUE(finalStore && !finalStore->empty());
  // Every cut up to the size of the larger text file, which covers each
  // INI rewrite and Category.xml byte by byte. Beyond it only DSConfig.bin
  // is affected, and each of its saves is one write of whole 512-byte
  // sectors: a cut inside a sector fails exactly the saves that a cut at
  // its boundary fails, so the boundaries and their neighbours cover the
  // rest.
  std::set<size_t> cuts;
  const size_t text = std::max(after.at(Ini())->size(), after.at(Xml())->size());
  for (size_t n = 0; n <= text; ++n) cuts.insert(n);
  for (size_t b = 512; b <= after.at(Store())->size(); b += 512) cuts.insert({b - 1, b, b + 1});
  for (size_t n : cuts) {
    Restore(before);
    ASSERT_EQ(RunWithFault(n), 0) << "cut after " << n;
    const Snapshot got = Take();
    // Category.xml is written once: old or final.
    ASSERT_TRUE(got.at(Xml()) == before.at(Xml()) || got.at(Xml()) == after.at(Xml())) << n;
    // The INI is rewritten key by key: old, or whole lines of the final
    // file (a torn file would cut a line or lose its end).
    if (got.at(Ini()) != before.at(Ini())) {
      ASSERT_TRUE(got.at(Ini()) && got.at(Ini())->ends_with("\r\n")) << n;
      for (const std::string& line : Lines(*got.at(Ini())))
        ASSERT_TRUE(finalIni.count(line)) << n << ": " << line;
    }
    // DSConfig.bin is saved as its streams are written: old, or a file that
    // opens and whose every stream holds its final value.
    if (got.at(Store()) != before.at(Store())) {
      const std::optional<Streams> streams = ReadStreams(Store());
      ASSERT_TRUE(streams) << n;
      for (const auto& [path, bytes] : *streams) {
        auto it = finalStore->find(path);
        ASSERT_TRUE(it != finalStore->end() && it->second == bytes) << n << ": " << path;
      }
    }
  }
  // With room for every file the result is the fault-free one.
  EXPECT_EQ(Take().at(Xml()), after.at(Xml()));
  EXPECT_EQ(Take().at(Ini()), after.at(Ini()));
  EXPECT_EQ(ReadStreams(Store()), finalStore);
}

}  // namespace
}  // namespace e2e
