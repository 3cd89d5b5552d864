// Writing: round trips checked by outside readers, the element API the
// callers rely on, the layout of the files written, sharing and durability.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <set>

#include "../support/test_support.h"
#include "cfb_test_util.h"

using cfbtest::Ref;
using cfbtest::Tree;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

constexpr win::DWORD kOpenRw = 0x12;
constexpr win::DWORD kCreateRw = 0x1012;
constexpr win::DWORD kHistory = 0x10012;

using cfbtest::Pattern;

Tree Sample() {
  return {
      {"Empty", ""},
      {"Small", "small value"},
      {"Edge4095", Pattern(4095, 'a')},
      {"Edge4096", Pattern(4096, 'b')},
      {"Large", Pattern(8 * 1024 * 1024 + 5, 'c')},  // more than 109 FAT sectors
      {"GlobalConfig/", ""},
      {"GlobalConfig/Cfg0000000D", Pattern(16, 'd')},
      {"GlobalConfig/Nested/", ""},
      {"GlobalConfig/Nested/\xE4\xB8\xAD\xE6\x96\x87", "wide name"},
      {"EmptyStorage/", ""},
  };
}

// Our file as our reader (unless the file is held) and olefile see it, and
// its layout.
void CheckEverywhere(const std::string& path, const Tree& want, bool held = false) {
  win::HRESULT hr;
  if (!held) {
    EXPECT_EQ(cfbtest::DiffTrees(cfbtest::ReadFileTree(path, &hr), want), "") << "engine";
  }
  bool ok = false;
  EXPECT_EQ(cfbtest::DiffTrees(cfbtest::ReadWithOlefile(path, &ok), want), "") << "olefile";
  EXPECT_TRUE(ok);
  EXPECT_EQ(cfbtest::CheckLayout(ReadFile(path)), "");
}

// Every kind of element, and a FAT that needs DIFAT sectors; then a storage
// of 5,000 streams in a balanced tree (a degenerate one would break
// recursive readers).
TEST(CfbWrite, RoundTripReadByOthers) {
  TempDir dir;
  std::string path = dir.Join("round.cfb");
  Tree tree = Sample();
  for (int i = 0; i < 20; ++i) tree["GlobalConfig/S" + std::to_string(i)] = std::to_string(i);
  ASSERT_TRUE(cfbtest::CreateFileTree(path, tree));
  CheckEverywhere(path, tree);

  Tree many = {{"Many/", ""}};
  for (int i = 0; i < 5000; ++i) many["Many/S" + std::to_string(i)] = std::to_string(i);
  ASSERT_TRUE(cfbtest::CreateFileTree(path, many));
  win::HRESULT hr;
  EXPECT_EQ(cfbtest::DiffTrees(cfbtest::ReadFileTree(path, &hr), many), "");
  EXPECT_EQ(cfbtest::CheckLayout(ReadFile(path)), "");
}

TEST(CfbWrite, ElementApi) {
  TempDir dir;
  std::string path = dir.Join("api.cfb");
  Ref<win::IStorage> root;
  ASSERT_EQ(cfb::CreateCompoundFile(path.c_str(), kCreateRw, root.out()), win::S_OK);
  ASSERT_EQ(cfb::CreateCompoundFile(path.c_str(), kCreateRw, root.out()), win::S_OK);

  Ref<win::IStorage> st;
  Ref<win::IStream> s;
  EXPECT_EQ(root->OpenStorage(u"GlobalConfig", nullptr, kOpenRw, nullptr, 0, st.out()),
            win::STG_E_FILENOTFOUND);
  EXPECT_EQ(root->OpenStream(u"Cfg", nullptr, kOpenRw, 0, s.out()), win::STG_E_FILENOTFOUND);
  EXPECT_EQ(root->CreateStorage(u"GlobalConfig", kCreateRw, 0, 0, st.out()), win::S_OK);

  // STGM_CREATE replaces an element of either type.
  ASSERT_EQ(root->CreateStream(u"GlobalConfig", kCreateRw, 0, 0, s.out()), win::S_OK);
  EXPECT_EQ(root->OpenStorage(u"GlobalConfig", nullptr, kOpenRw, nullptr, 0, st.out()),
            win::STG_E_FILENOTFOUND);
  ASSERT_EQ(root->CreateStorage(u"GlobalConfig", kCreateRw, 0, 0, st.out()), win::S_OK);
  EXPECT_EQ(s->Write("x", 1, nullptr), static_cast<win::HRESULT>(0x80030102u));  // reverted

  // SetSize + Write + Commit, as the settings store writes a value.
  ASSERT_EQ(st->CreateStream(u"Cfg0000000D", kCreateRw, 0, 0, s.out()), win::S_OK);
  win::ULONG n = 0;
  ASSERT_EQ(s->SetSize(5), win::S_OK);
  ASSERT_EQ(s->Write("hello", 5, &n), win::S_OK);
  EXPECT_EQ(n, 5u);
  ASSERT_EQ(s->Commit(0), win::S_OK);

  // Stat names the element.
  win::STATSTG stat;
  ASSERT_EQ(st->Stat(&stat, win::STATFLAG_DEFAULT), win::S_OK);
  EXPECT_EQ(std::u16string(stat.pwcsName), u"GlobalConfig");
  EXPECT_EQ(stat.type, win::STGTY_STORAGE);
  cfb::FreeName(stat.pwcsName);
  s.reset();
  st.reset();
  root.reset();

  EXPECT_EQ(cfb::OpenCompoundFile(dir.Join("missing").c_str(), 0x10, root.out()),
            win::STG_E_FILENOTFOUND);
}

// Writes one value as the settings store does: open or create, SetSize,
// Write, Commit.
bool SetValue(win::IStorage* storage, const char16_t* name, const std::string& value) {
  Ref<win::IStream> s;
  if (storage->OpenStream(name, nullptr, kOpenRw, 0, s.out()) != win::S_OK &&
      storage->CreateStream(name, kCreateRw, 0, 0, s.out()) != win::S_OK) {
    return false;
  }
  win::ULONG n = 0;
  return s->SetSize(value.size()) == win::S_OK &&
         s->Write(value.data(), static_cast<win::ULONG>(value.size()), &n) == win::S_OK &&
         n == value.size() && s->Commit(0) == win::S_OK;
}

// Streams move between the mini stream and sectors as they cross 4096
// bytes, shrink when rewritten shorter, and rewriting never grows the file.
TEST(CfbWrite, StreamsMoveShrinkAndDoNotGrow) {
  TempDir dir;
  std::string path = dir.Join("grow.cfb");
  ASSERT_TRUE(cfbtest::CreateFileTree(path, {{"Keep", "kept"}}));
  Ref<win::IStorage> root;
  ASSERT_EQ(cfb::OpenCompoundFile(path.c_str(), kOpenRw, root.out()), win::S_OK);
  size_t smallSize = 0;
  for (size_t len : {100u, 4095u, 4096u, 20000u, 4095u, 10u}) {
    SCOPED_TRACE(len);
    ASSERT_TRUE(SetValue(root.get(), u"Value", Pattern(len, 'v')));
    CheckEverywhere(path, {{"Keep", "kept"}, {"Value", Pattern(len, 'v')}}, true);
    if (len == 100) smallSize = ReadFile(path).size();
  }
  EXPECT_EQ(ReadFile(path).size(), smallSize);
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(SetValue(root.get(), u"Value", i % 2 ? Pattern(10, 'v') : Pattern(9000, 'w')));
  }
  EXPECT_EQ(ReadFile(path).size(), smallSize);
  root.reset();
  EXPECT_EQ(ReadFile(path).size(), smallSize);
}

// A file written elsewhere and changed here keeps every other element, its
// class id, state bits and times, byte for byte; a version-4 file stays one.
TEST(CfbWrite, ChangesLeaveOtherElementsIdentical) {
  static const char* kDump =
      "import olefile,sys,hashlib\n"
      "ole=olefile.OleFileIO(sys.argv[1])\n"
      "print(ole.header_signature.hex(), ole.dll_version, ole.sector_size)\n"
      "for e in ole.listdir(streams=True, storages=True):\n"
      "  p='/'.join(e); d=ole.direntries[ole._find(e)]\n"
      "  h=hashlib.md5(ole.openstream(e).read()).hexdigest() if d.entry_type==2 else ''\n"
      "  print(p, d.entry_type, d.clsid, d.dwUserFlags, d.createTime, d.modifyTime, d.size, h)\n";
  TempDir dir;
  for (int version : {3, 4}) {
    SCOPED_TRACE(version);
    std::string path = dir.Join("other" + std::to_string(version) + ".cfb");
    if (version == 3) {
      testing_support::WriteFile(dir.Join("src/top/a"), Pattern(10, 'a'));
      testing_support::WriteFile(dir.Join("src/top/sub/b"), Pattern(7000, 'b'));
      testing_support::WriteFile(dir.Join("src/top/sub/c"), "");
      cfbtest::Run("cd " + cfbtest::Quote(dir.Join("src")) + " && gsf createole " +
                   cfbtest::Quote(path) + " top >/dev/null 2>&1");
    } else {
      cfbtest::ImageBuilder b(4, 12);
      uint32_t top = b.AddEntry(u"top", 1);
      uint32_t a = b.AddStream(u"a", Pattern(10, 'a'));
      uint32_t sub = b.AddEntry(u"sub", 1);
      uint32_t bb = b.AddStream(u"b", Pattern(7000, 'b'));
      b.Children(0, {top});
      b.Children(top, {a, sub});
      b.Children(sub, {bb});
      testing_support::WriteFile(path, b.Build());
    }
    std::string script = "/usr/bin/python3 -c " + cfbtest::Quote(kDump) + " " + cfbtest::Quote(path);
    std::string before = cfbtest::Run(script);
    ASSERT_NE(before.find("top/sub/b"), std::string::npos) << before;
    {
      Ref<win::IStorage> root, top;
      ASSERT_EQ(cfb::OpenCompoundFile(path.c_str(), kOpenRw, root.out()), win::S_OK);
      ASSERT_EQ(root->OpenStorage(u"top", nullptr, kOpenRw, nullptr, 0, top.out()), win::S_OK);
      ASSERT_TRUE(SetValue(top.get(), u"new", "added"));
    }
    std::string after = cfbtest::Run(script);
    std::string expected = before;
    size_t line = after.find("\ntop/new ");
    ASSERT_NE(line, std::string::npos) << after;
    size_t end = after.find('\n', line + 1);
    std::string without = after.substr(0, line) + after.substr(end);
    EXPECT_EQ(without, before);
    std::string image = ReadFile(path);
    EXPECT_EQ(image[0x1A], version);
  }
}

TEST(CfbWrite, ExclusiveSharingKeepsOthersOut) {
  TempDir dir;
  std::string path = dir.Join("locked.cfb");
  ASSERT_TRUE(cfbtest::CreateFileTree(path, {{"A", "a"}}));
  Ref<win::IStorage> first, second;
  ASSERT_EQ(cfb::OpenCompoundFile(path.c_str(), kOpenRw, first.out()), win::S_OK);
  EXPECT_EQ(cfb::OpenCompoundFile(path.c_str(), kOpenRw, second.out()), win::STG_E_SHAREVIOLATION);
  EXPECT_EQ(cfb::OpenCompoundFile(path.c_str(), kHistory, second.out()), win::STG_E_SHAREVIOLATION);
  EXPECT_EQ(cfb::OpenCompoundFile(path.c_str(), 0x40, second.out()), win::STG_E_SHAREVIOLATION);
  // A save replaces the file; the lock goes with it, also against another process.
  ASSERT_TRUE(SetValue(first.get(), u"B", "b"));
  EXPECT_EQ(cfb::OpenCompoundFile(path.c_str(), kOpenRw, second.out()), win::STG_E_SHAREVIOLATION);
  pid_t child = fork();
  if (child == 0) {
    win::IStorage* other = nullptr;
    _exit(cfb::OpenCompoundFile(path.c_str(), 0x10, &other) == win::STG_E_SHAREVIOLATION ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  first.reset();
  EXPECT_EQ(cfb::OpenCompoundFile(path.c_str(), kOpenRw, second.out()), win::S_OK);
  second.reset();

  // Another process that keeps the file under a POSIX record lock (fcntl,
  // lockf) keeps exclusive openers and creators out too, until it lets go.
  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  child = fork();
  if (child == 0) {
    int fd = open(path.c_str(), O_RDWR);
    char c = lockf(fd, F_LOCK, 0) == 0 ? 'y' : 'n';
    (void)!write(ready[1], &c, 1);
    (void)!read(done[0], &c, 1);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  for (win::DWORD mode : {kOpenRw, kHistory, win::DWORD{0x10}})
    EXPECT_EQ(cfb::OpenCompoundFile(path.c_str(), mode, second.out()), win::STG_E_SHAREVIOLATION) << mode;
  EXPECT_EQ(cfb::CreateCompoundFile(path.c_str(), kCreateRw, second.out()), win::STG_E_SHAREVIOLATION);
  (void)!write(done[1], &c, 1);
  waitpid(child, &status, 0);
  for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
  EXPECT_EQ(cfb::OpenCompoundFile(path.c_str(), kHistory, second.out()), win::S_OK);
}

// A read-only file can be neither opened for writing nor created over.
TEST(CfbWrite, ReadOnlyFileRefusesWriters) {
  TempDir dir;
  std::string path = dir.Join("DSConfig.bin");
  ASSERT_TRUE(cfbtest::CreateFileTree(path, {{"GlobalConfig/", ""}, {"GlobalConfig/Other", "keep"}}));
  std::string original = ReadFile(path);
  chmod(path.c_str(), 0444);
  Ref<win::IStorage> root;
  EXPECT_EQ(cfb::OpenCompoundFile(path.c_str(), kOpenRw, root.out()), win::STG_E_ACCESSDENIED);
  EXPECT_EQ(cfb::CreateCompoundFile(path.c_str(), kCreateRw, root.out()), win::STG_E_ACCESSDENIED);
  EXPECT_EQ(cfb::OpenCompoundFile(path.c_str(), 0x10, root.out()), win::S_OK);  // read only
  EXPECT_EQ(ReadFile(path), original);
  chmod(path.c_str(), 0644);
}

std::set<std::string> Entries(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.insert(e.path().filename().string());
  return names;
}

// Creating never shows a file that is empty or half written: a new file
// appears only whole, and one created anew over an old file leaves the old
// one until then. The temporary files that killed writers left beside it
// go with the next save, those of earlier namings too; one that a live
// writer holds, and the user's own files, stay.
TEST(CfbWrite, CreationIsWholeAndLeftoversGo) {
  TempDir dir;
  const std::string path = dir.Join("DSConfig.bin");
  // A writer killed part way: the file size limit stops the child with
  // SIGXFSZ at the byte given, as a kill at that moment would.
  auto killedCreating = [&](rlim_t at) {
    pid_t child = fork();
    if (child == 0) {
      struct rlimit limit = {at, at};
      setrlimit(RLIMIT_FSIZE, &limit);
      win::IStorage* root = nullptr;
      cfb::CreateCompoundFile(path.c_str(), kCreateRw, &root);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
  };
  for (rlim_t n : {1, 512, 1100}) {
    EXPECT_TRUE(killedCreating(n)) << n;
    EXPECT_FALSE(std::filesystem::exists(path)) << n;
  }
  ASSERT_TRUE(cfbtest::CreateFileTree(path, {{"GlobalConfig/", ""}, {"GlobalConfig/A", "a"}}));
  const std::string old = ReadFile(path);
  EXPECT_TRUE(killedCreating(700));
  EXPECT_EQ(ReadFile(path), old);

  const std::set<std::string> keep = {"DSConfig.bin", "DSConfig.bin.bak", "notes.copy-a-1",
                                      ".~tmp00000001"};
  for (const std::string& name : keep)
    if (name != "DSConfig.bin") testing_support::WriteFile(dir.Join(name), "user");
  for (const char* name : {"DSConfig.bin.Ab12Cd", ".~tmp0000000a00000001", "a.copy-12-3",
                           ".UserConfig.ini.tmp-4-5"})
    testing_support::WriteFile(dir.Join(name), "left by a killed writer");
  // A writer still at work holds its temporary file.
  const std::string live = dir.Join(".~tmp0000000b00000002");
  testing_support::WriteFile(live, "being written");
  int held = open(live.c_str(), O_RDONLY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  Ref<win::IStorage> root;
  ASSERT_EQ(cfb::CreateCompoundFile(path.c_str(), kCreateRw, root.out()), win::S_OK);
  std::set<std::string> want = keep;
  want.insert(".~tmp0000000b00000002");
  EXPECT_EQ(Entries(dir.path()), want);
  close(held);
}

}  // namespace
