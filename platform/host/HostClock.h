#pragma once

#include <cstdint>

// The clock behind timeGetTime, clock() and the headless host's input script. Real by default
// (milliseconds since the first reading); tests switch to a manual clock and advance it
// themselves, so nothing in them sleeps. A stepping clock is a manual clock that moves on by
// itself once in each pass of the program's loop that finds no input waiting, after the
// background workers have finished what they were given (OM_CLOCK=step:MS on the headless
// host): a run then sees the same times, and draws the same frames, on any machine under any
// load.
namespace omhost {

std::uint32_t clockMilliseconds();
void useManualClock(std::uint32_t startMilliseconds = 0);
void useSteppingClock(std::uint32_t stepMilliseconds, std::uint32_t startMilliseconds = 0);
void useRealClock();
// Moves the manual clock on; does nothing while the real clock runs.
void advanceClock(std::uint32_t milliseconds);
bool isManualClock();
// The step of a stepping clock; 0 for the other clocks.
std::uint32_t clockStep();
// A pass of the program's loop found no input: a stepping clock moves on by its step.
void noInputWaiting();
// Reads an OM_CLOCK setting, "step:MS" with MS from 1 to 60000; false when it is not one.
bool parseClockSetting(const char* text, std::uint32_t& stepMilliseconds);

}  // namespace omhost
