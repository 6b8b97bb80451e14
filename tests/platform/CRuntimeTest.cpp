#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/host/HostClock.h"

TEST(CRuntimeTest, RandFollowsTheWindowsGenerator)
{
  srand(1);
  // The sequence every Windows program seeded with 1 sees.
  EXPECT_EQ(rand(), 41);
  EXPECT_EQ(rand(), 18467);
  EXPECT_EQ(rand(), 6334);
  srand(12345);
  unsigned int state = 12345;
  for (int i = 0; i < 1000; ++i) {
    state = state * 214013u + 2531011u;
    ASSERT_EQ(rand(), static_cast<int>((state >> 16) & 0x7FFF));
  }
}

TEST(CRuntimeTest, CaseBlindComparisons)
{
  EXPECT_EQ(_stricmp("Startup.MPS", "startup.mps"), 0);
  EXPECT_LT(_stricmp("apple", "Banana"), 0);
  EXPECT_GT(_stricmp("b", "A"), 0);
  EXPECT_LT(_stricmp("abc", "abcd"), 0);
  EXPECT_EQ(_strnicmp("KORVANIX.ini", "korvanix.DAT", 9), 0);
  EXPECT_NE(_strnicmp("KORVANIX.ini", "korvanix.DAT", 10), 0);
  EXPECT_EQ(_strnicmp("x", "y", 0), 0);
}

TEST(CRuntimeTest, ItoaWritesEveryBase)
{
  char buffer[40];
  EXPECT_STREQ(_itoa(0, buffer, 10), "0");
  EXPECT_STREQ(_itoa(-1234, buffer, 10), "-1234");
  EXPECT_STREQ(_itoa(255, buffer, 16), "ff");
  EXPECT_STREQ(_itoa(-1, buffer, 16), "ffffffff");
  EXPECT_STREQ(_itoa(5, buffer, 2), "101");
  EXPECT_STREQ(_itoa(-2147483647 - 1, buffer, 10), "-2147483648");
  EXPECT_STREQ(_itoa(35, buffer, 36), "z");
}

TEST(CRuntimeTest, ClockCountsMillisecondsSinceStart)
{
  const clock_t first = clock();
  EXPECT_GE(first, 0);
  // A test run is far shorter than an hour: a microsecond clock would already exceed this.
  EXPECT_LT(first, 3600 * 1000);
  EXPECT_GE(clock(), first);
}

TEST(CRuntimeTest, TimeFollowsAManualClock)
{
  omhost::useManualClock(5500);
  std::time_t stored = 0;
  EXPECT_EQ(om_time(&stored), 1000000005);
  EXPECT_EQ(stored, 1000000005);
  omhost::advanceClock(2500);
  EXPECT_EQ(om_time(nullptr), 1000000008);
  omhost::useRealClock();
  const std::time_t real = om_time(nullptr);
  EXPECT_LE(std::abs(real - std::time(nullptr)), 1);
}
