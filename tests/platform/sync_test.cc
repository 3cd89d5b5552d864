#include "platform/sync.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/codepage.h"
#include "../support/test_support.h"

namespace {

using testing_support::ScopedEnv;
using testing_support::TempDir;

constexpr const char* kName = "Global\\vorlake5_app_mutex";

class NamedMutexTest : public ::testing::Test {
 protected:
  TempDir dir_;
  ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.path()};
};

// As on Windows, ownership belongs to the process's thread, not to a handle,
// and the mutex exists while any handle to it is open.
TEST_F(NamedMutexTest, OwnershipWithinOneProcess) {
  win::SetLastError(99);
  win::HANDLE first = win::CreateMutexA(nullptr, 1, kName);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(win::GetLastError(), 0u);
  EXPECT_TRUE(testing_support::PathExists(
      dir_.Join("vorlake-mutex-Global_vorlake5_app_mutex.lock")));
  // A second handle opens the same mutex: its ownership request is
  // ignored, but it may release what the first took, and only once.
  win::HANDLE second = win::CreateMutexA(nullptr, 1, kName);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(win::GetLastError(), win::ERROR_ALREADY_EXISTS);
  EXPECT_EQ(win::ReleaseMutex(second), 1);
  EXPECT_EQ(win::ReleaseMutex(first), 0);
  EXPECT_EQ(win::CloseHandle(second), 1);
  // Released but still open: it exists for the next comer.
  win::HANDLE third = win::CreateMutexA(nullptr, 0, kName);
  EXPECT_EQ(win::GetLastError(), win::ERROR_ALREADY_EXISTS);
  EXPECT_EQ(win::CloseHandle(third), 1);
  EXPECT_EQ(win::CloseHandle(first), 1);
  // Once every handle is closed, the name is free again.
  std::vector<win::HANDLE> handles;
  for (const char* name : {kName, "Local\\one", "Local\\two", static_cast<const char*>(nullptr),
                           static_cast<const char*>(nullptr)}) {
    handles.push_back(win::CreateMutexA(nullptr, 1, name));
    EXPECT_EQ(win::GetLastError(), 0u) << (name ? name : "unnamed");
  }
  for (win::HANDLE h : handles) EXPECT_EQ(win::CloseHandle(h), 1);
  EXPECT_EQ(win::CloseHandle(first), 0);
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_HANDLE);
}

// A child process that opens the mutex, owned or not, and keeps its handle
// until its pipe closes.
class HoldingChild {
 public:
  explicit HoldingChild(bool own) {
    int held[2], quit[2];
    if (pipe(held) != 0 || pipe(quit) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(held[0]);
      close(quit[1]);
      win::HANDLE h = win::CreateMutexA(nullptr, 1, kName);
      char ok = (h != nullptr && win::GetLastError() == 0) ? 'y' : 'n';
      if (!own && !win::ReleaseMutex(h)) ok = 'n';
      (void)!write(held[1], &ok, 1);
      char c;
      (void)!read(quit[0], &c, 1);
      _exit(0);  // still holding: the lock goes with the process
    }
    close(held[1]);
    close(quit[0]);
    quit_ = quit[1];
    char ok = 0;
    holding_ = read(held[0], &ok, 1) == 1 && ok == 'y';
    close(held[0]);
  }
  ~HoldingChild() { Exit(); }
  bool holding() const { return holding_; }
  void Exit() {
    if (quit_ >= 0) close(quit_);
    quit_ = -1;
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int quit_ = -1;
  bool holding_ = false;
};

// Another process's open handle makes the mutex exist, whether that process
// owns it or released it and only keeps the handle.
TEST_F(NamedMutexTest, OtherProcessKeepsItUntilItExits) {
  for (bool own : {true, false}) {
    HoldingChild child(own);
    ASSERT_TRUE(child.holding());

    win::HANDLE h = win::CreateMutexA(nullptr, 1, kName);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(win::GetLastError(), win::ERROR_ALREADY_EXISTS) << own;
    EXPECT_EQ(win::ReleaseMutex(h), 0) << own;
    win::CloseHandle(h);

    child.Exit();
    h = win::CreateMutexA(nullptr, 1, kName);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(win::GetLastError(), 0u) << own;
    win::CloseHandle(h);
  }
}

}  // namespace
