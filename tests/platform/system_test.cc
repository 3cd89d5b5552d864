#include "platform/system.h"

#include <ctime>

#include <gtest/gtest.h>

#include "../support/test_support.h"
#include "platform/env.h"
#include "platform/implementation.h"

namespace {

class FixedMemoryEnv : public platform::Env {
 public:
  uint64_t TotalPhysicalMemory() override { return memory; }
  uint64_t memory = 0;
};

TEST(CrtRandTest, FollowsTheWindowsRuntimeSequence) {
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  // Seeding with 1 restarts the sequence an unseeded program sees.
  for (int round = 0; round < 2; ++round) {
    win::crt_srand(1);
    for (int value : expected) EXPECT_EQ(win::crt_rand(), value);
  }
}

TEST(GlobalMemoryStatusTest, CapsTotalAtTwoGigabytes) {
  if (platform::ServicesAreNative())
    GTEST_SKIP() << "the system reports its own memory; an Env stands in for it on POSIX only";
  struct Case {
    uint64_t total;
    win::DWORD expected;
  };
  const Case cases[] = {
      {512ull << 20, 512u << 20},
      {0x80000000ull, 0x7FFFFFFFu},
      {16ull << 30, 0x7FFFFFFFu},
  };
  FixedMemoryEnv env;
  platform::SetEnv(&env);
  for (const Case& c : cases) {
    env.memory = c.total;
    win::MEMORYSTATUS status{};
    win::GlobalMemoryStatus(&status);
    EXPECT_EQ(status.dwTotalPhys, c.expected);
  }
  platform::SetEnv(nullptr);
}

TEST(GlobalMemoryStatusTest, DefaultEnvReportsTheMachine) {
  win::MEMORYSTATUS status{};
  win::GlobalMemoryStatus(&status);
  EXPECT_GT(status.dwTotalPhys, 16u << 20);
}

// The default env reads the clock as UTC whatever the local zone.
TEST(GetSystemTimeTest, DefaultEnvIsUtc) {
  win::SYSTEMTIME st{};
  time_t readings[2];
  {
    testing_support::ScopedEnv zone("TZ", "XST-14");  // local time 14 hours ahead
    tzset();
    readings[0] = time(nullptr);
    win::GetSystemTime(&st);
    readings[1] = time(nullptr);
  }
  tzset();
  // The call falls between the two readings; only the day and hour can be
  // compared without racing the clock.
  bool matches = false;
  for (time_t t : readings) {
    const tm utc = *std::gmtime(&t);
    matches |= st.wHour == utc.tm_hour && st.wDay == utc.tm_mday && st.wDayOfWeek == utc.tm_wday;
  }
  EXPECT_TRUE(matches);
  EXPECT_LT(st.wMilliseconds, 1000);
}

}  // namespace
