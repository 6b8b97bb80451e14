#pragma once

#include <cstdint>

// The clock behind timeGetTime. Real by default (milliseconds since the first reading);
// tests switch to a manual clock and advance it themselves, so nothing in them sleeps.
namespace omhost {

std::uint32_t clockMilliseconds();
void useManualClock(std::uint32_t startMilliseconds = 0);
void useRealClock();
// Moves the manual clock on; does nothing while the real clock runs.
void advanceClock(std::uint32_t milliseconds);
bool isManualClock();

}  // namespace omhost
