#pragma once

#include <string>
#include <vector>

namespace omtest {

// A start script that says "started", pauses and says "resumed" before it leaves the
// program, and the clock it runs on. With yielding off the pause holds the script's run, in
// its main code or in an event's procedure: the run must sleep to the deadline, on the
// stepping clock too (where only the sleep moves the clock there), and use next to no
// processor time on the real one: measured against the same run without its pause, as the
// program's start alone takes most of a second under the sanitizers on a busy machine.
struct PauseRun {
  const char* name;
  std::string script;
  const char* clock;    // an OM_CLOCK setting; null: the real clock
  long processorLimit;  // milliseconds the pause may add to the run; 0: not measured
  std::string unpaused = {};  // the script without its pause, where it is measured
};

// The runs, each script ending with the program's own way out.
inline std::vector<PauseRun> pauseRuns(const std::string& leave)
{
  const std::string main = "yield off\rsay started\r";
  return {
      {"yielding", "say started\rpause 1\rsay resumed\r" + leave, nullptr, 0},
      // Half of the pause's 1800 ms: a run that watched the clock would use all of them.
      {"yielding off", main + "pause 2\rsay resumed\r" + leave, nullptr, 900,
       main + "say resumed\r" + leave},
      {"yielding off, stepping", main + "pause 1\rsay resumed\r" + leave, "step:10", 0},
      {"event procedure, stepping",
       main +
           "t=RTimer 10\rset t execute onTick\rplay t start\rprocedure onTick\r[\r"
           "  set t execute\r  pause 1\r  say resumed\r  " +
           leave + "]\r",
       "step:10", 0},
  };
}

}  // namespace omtest
