#include <gtest/gtest.h>

#include <windows.h>

#include "platform/host/HostClock.h"

// timeGetTime answers the manual clock exactly while a test drives it.
TEST(ClockTest, ManualClockDrivesTimeGetTime)
{
  omhost::useManualClock(1000);
  EXPECT_EQ(timeGetTime(), 1000u);
  omhost::advanceClock(250);
  EXPECT_EQ(timeGetTime(), 1250u);
  // The word wraps as the system's millisecond counter does.
  omhost::useManualClock(0xFFFFFFF0u);
  omhost::advanceClock(0x20);
  EXPECT_EQ(timeGetTime(), 0x10u);
  omhost::useRealClock();
  omhost::advanceClock(1000000);  // ignored on the real clock
  const DWORD first = timeGetTime();
  EXPECT_LT(timeGetTime() - first, 1000u);
}
