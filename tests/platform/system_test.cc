#include "platform/system.h"

#include <ctime>

#include <gtest/gtest.h>

#include "platform/env.h"

namespace {

class FixedMemoryEnv : public platform::Env {
 public:
  uint64_t TotalPhysicalMemory() override { return memory; }
  uint64_t memory = 0;
};

class ScopedTestEnv {
 public:
  explicit ScopedTestEnv(platform::Env* env) { platform::SetEnv(env); }
  ~ScopedTestEnv() { platform::SetEnv(nullptr); }
};

TEST(CrtRandTest, FollowsTheWindowsRuntimeSequence) {
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  // Seeding with 1 restarts the sequence an unseeded program sees.
  for (int round = 0; round < 2; ++round) {
    win::crt_srand(1);
    for (int value : expected) EXPECT_EQ(win::crt_rand(), value);
  }
}

TEST(GlobalMemoryStatusTest, CapsTotalAtFourGigabytes) {
  struct Case {
    uint64_t total;
    win::DWORD expected;
  };
  const Case cases[] = {
      {512ull << 20, 512u << 20},
      {0xFFFFFFFFull, 0xFFFFFFFFu},
      {0x100000000ull, 0xFFFFFFFFu},
  };
  FixedMemoryEnv env;
  ScopedTestEnv scoped(&env);
  for (const Case& c : cases) {
    env.memory = c.total;
    win::MEMORYSTATUS status{};
    win::GlobalMemoryStatus(&status);
    EXPECT_EQ(status.dwLength, sizeof(win::MEMORYSTATUS));
    EXPECT_EQ(status.dwTotalPhys, c.expected);
    EXPECT_LE(status.dwAvailPhys, status.dwTotalPhys);
    EXPECT_LE(status.dwMemoryLoad, 100u);
  }
}

TEST(GlobalMemoryStatusTest, DefaultEnvReportsTheMachine) {
  win::MEMORYSTATUS status{};
  win::GlobalMemoryStatus(&status);
  EXPECT_GT(status.dwTotalPhys, 16u << 20);
}

TEST(GetSystemTimeTest, DefaultEnvIsUtc) {
  time_t before = time(nullptr);
  win::SYSTEMTIME st{};
  win::GetSystemTime(&st);
  time_t after = time(nullptr);
  tm utc{};
  gmtime_r(&before, &utc);
  tm utcAfter{};
  gmtime_r(&after, &utcAfter);
  // The call falls between the two readings; only the calendar day and
  // hour can be compared without racing the clock.
  EXPECT_TRUE(st.wHour == utc.tm_hour || st.wHour == utcAfter.tm_hour);
  EXPECT_TRUE(st.wDay == utc.tm_mday || st.wDay == utcAfter.tm_mday);
  EXPECT_EQ(st.wDayOfWeek, st.wDay == utc.tm_mday ? utc.tm_wday : utcAfter.tm_wday);
  EXPECT_LT(st.wMilliseconds, 1000);
}

}  // namespace
