#pragma once

#include <chrono>
#include <cstdint>
#include <utility>
#include <vector>

#include "fuzz/support/RunRecord.h"
#include "platform/host/headless/HeadlessHost.h"

// The headless host of a bounded run on the stepping clock. Every pass of the program's main loop
// asks it for input, whatever else the pass does or holds back (a dialog suspends the tasks, a
// script waits for ever): so here the loop is told to end once the clock has passed the run's end
// or the passes their number, and a pass that took longer than the bound stops the run as a
// finding, unless the clock moved on further than the pass took (a script's pause holds its pass
// for as long as the pause lasts, and the sound of that time is made). Time here is the
// processor time of the program's thread, so that a machine too busy to give the run its turn
// makes no finding; the bound is loose, for the sanitizers. A run whose passes are each short
// but together slow (a script that makes objects pass after pass, or asks dialog after dialog
// in one pass) is ended after some such time: only such a run depends on the machine's speed.
// Its user answers each message box with what Enter would choose, but gives up on boxes that
// keep coming (a prompt for a CD that is not there) and cancels them.
class BoundedHost : public omhost::HeadlessHost {
 public:
  static constexpr std::chrono::milliseconds passTimeLimit{10000};
  static constexpr std::chrono::milliseconds runTimeLimit{12000};
  static constexpr int boxesBeforeCancelling = 16;
  // Looks for input in a row that the stepping clock stood still through: a pass finds input
  // that many times only while one call holds it (an event's procedure without end looks for
  // the host's end requests), and the run ends, as after its time.
  static constexpr int stillLooksLimit = 400;
  // Clock milliseconds that a run may go on past its end before it is ended.
  static constexpr std::int32_t overrun = 1000;

  BoundedHost(std::uint32_t end, int passLimit, std::vector<std::uint8_t> screenStorage = {},
              RunRecord* record = nullptr)
      : HeadlessHost(std::move(screenStorage)), end_(end), passLimit_(passLimit), record_(record)
  {
  }

  // A fresh session with this host, as omhost::startHeadlessSession makes one, on the screen
  // storage that the session before left; each pass goes into the record when there is one.
  static BoundedHost& startSession(std::uint32_t end, int passLimit, RunRecord* record = nullptr);
  // Takes the session's host down, so that nothing of a run stays for the next, but for its
  // screen's storage.
  static void endSession();

  bool nextInput(omhost::InputEvent& event, bool wait) override;
  int presetDialogAnswer(const omhost::DialogRecord& dialog) override;
  int answerWaitingDialog(const omhost::DialogRecord& dialog) override;
  int passes() const { return passes_; }

 private:
  void checkPassTime();
  void endRunPastItsTime();
  int answerBox(const omhost::DialogRecord& box);
  // The processor time of the calling thread.
  static std::chrono::nanoseconds processorTime();

  std::uint32_t end_;
  int passLimit_;
  RunRecord* record_;
  int passes_ = 0;
  int boxes_ = 0;
  int stillLooks_ = 0;
  const std::chrono::nanoseconds start_ = processorTime();
  std::chrono::nanoseconds last_ = start_;
  std::uint32_t lastClock_ = 0;
};
