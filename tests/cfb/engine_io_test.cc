// The engine's file handling through the Env alone, with no host tool: a
// saved file reads back, sharing locks keep a second opener out, and a save
// that fails at any step (a full disk, a failed sync, rename or read) keeps
// the old file and leaves nothing beside it, while the change stays pending
// for the next save.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/com_ref.h"
#include "cfb/engine.h"
#include "injected_env.h"
#include "test_support.h"

namespace {

template <class T>
using Ref = win::ComRef<T>;
using testing_support::TempDir;

constexpr win::DWORD kCreateRw = 0x1012;  // STGM_CREATE | SHARE_EXCLUSIVE | READWRITE
constexpr win::DWORD kOpenRw = 0x12;      // SHARE_EXCLUSIVE | READWRITE
constexpr win::DWORD kOpenShared = 0x40;  // SHARE_DENY_NONE | READ

bool WriteStream(win::IStorage* root, const std::string& bytes) {
  Ref<win::IStream> s;
  win::ULONG written = 0;
  return root->CreateStream(u"Value", kCreateRw, 0, 0, s.out()) == win::S_OK &&
         s->Write(bytes.data(), static_cast<win::ULONG>(bytes.size()), &written) == win::S_OK &&
         written == bytes.size() && root->Commit(0) == win::S_OK;
}

bool WriteStreamTo(const std::string& path, const std::string& bytes) {
  Ref<win::IStorage> root;
  return cfb::OpenCompoundFile(path.c_str(), kOpenRw, root.out()) == win::S_OK &&
         WriteStream(root.get(), bytes);
}

std::string ReadStream(const std::string& path) {
  Ref<win::IStorage> root;
  Ref<win::IStream> s;
  if (cfb::OpenCompoundFile(path.c_str(), kOpenShared, root.out()) != win::S_OK ||
      root->OpenStream(u"Value", nullptr, 0x10, 0, s.out()) != win::S_OK)
    return "<unreadable>";
  std::string bytes(1 << 16, '\0');
  win::ULONG got = 0;
  s->Read(bytes.data(), static_cast<win::ULONG>(bytes.size()), &got);
  bytes.resize(got);
  return bytes;
}

size_t EntriesIn(const std::string& dir) {
  return std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator());
}

TEST(EngineIoTest, SavesLocksAndKeepsTheOldFileOnFailure) {
  TempDir dir;
  const std::string path = dir.Join("DSConfig.bin");
  const std::string old(700, 'o');
  const std::string fresh(900, 'n');
  {
    Ref<win::IStorage> root;
    ASSERT_EQ(cfb::CreateCompoundFile(path.c_str(), kCreateRw, root.out()), win::S_OK);
    ASSERT_TRUE(WriteStream(root.get(), old));
    Ref<win::IStorage> second;
    EXPECT_EQ(cfb::OpenCompoundFile(path.c_str(), kOpenShared, second.out()),
              win::STG_E_SHAREVIOLATION);
  }
  EXPECT_EQ(ReadStream(path), old);

  // A full disk inside the header, in the middle and at the last byte; a
  // failed sync, rename or read.
  using testing_support::InjectedEnv;
  const std::string oldBytes = testing_support::ReadFile(path);
  std::vector<std::pair<std::string, std::function<void(InjectedEnv&)>>> faults;
  for (size_t cut : {size_t{0}, size_t{600}, oldBytes.size() - 1})
    faults.emplace_back("cut at " + std::to_string(cut),
                        [cut](InjectedEnv& env) { env.writeLimit = cut; });
  faults.emplace_back("sync", [](InjectedEnv& env) { env.failSync = true; });
  faults.emplace_back("rename", [](InjectedEnv& env) { env.failRename = true; });
  faults.emplace_back("read", [](InjectedEnv& env) { env.failRead = true; });
  for (const auto& [name, set] : faults) {
    {
      InjectedEnv env;
      Ref<win::IStorage> root;
      ASSERT_EQ(cfb::OpenCompoundFile(path.c_str(), kOpenRw, root.out()), win::S_OK);
      set(env);
      EXPECT_FALSE(WriteStream(root.get(), fresh)) << name;
      EXPECT_EQ(testing_support::ReadFile(path), oldBytes) << name;
      EXPECT_EQ(EntriesIn(dir.path()), 1u) << name;
      env.writeLimit = InjectedEnv::kNoLimit;
      env.failSync = env.failRename = env.failRead = false;
    }  // saved on release
    EXPECT_EQ(ReadStream(path), fresh) << name;
    ASSERT_TRUE(WriteStreamTo(path, old));
  }
}

}  // namespace
