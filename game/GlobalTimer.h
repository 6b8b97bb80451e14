#pragma once

#include <cstdint>
#include <string>

// One of the scene's global timers: it expires every period while enabled and, while
// disabled, looks again after the retry delay. Times are milliseconds of the multimedia clock.
class GlobalTimer {
 public:
  enum Flags : std::uint32_t {
    // "disableGlobalTimer" and "enableGlobalTimer" count; always set.
    countsDisables = 0x1,
    // Disabled while a mouse button is held on the stage.
    holdsWhilePressed = 0x2,
  };

  GlobalTimer(std::uint32_t periodMs, std::uint32_t retryMs, const char* name, std::uint32_t flags,
              std::uint32_t now);

  const std::string& name() const { return name_; }
  // The event scripts connect to: the name + "Event".
  const std::string& eventName() const { return eventName_; }
  std::uint32_t flags() const { return flags_; }
  int disabledCount() const { return disabledCount_; }
  std::uint32_t next() const { return next_; }

  void disable();
  void enable();
  // A press on the stage holds a timer with holdsWhilePressed; its release lets go only of
  // what a press held.
  void holdForPress();
  void releaseFromPress();

  // True when the timer expires now; the next expiry is then a period away.
  bool step(std::uint32_t now);

 private:
  std::uint32_t period_;
  std::uint32_t retry_;
  int disabledCount_ = 0;
  std::uint32_t next_;
  std::string name_;
  std::string eventName_;
  std::uint32_t flags_;
  int pressHolds_ = 0;
};
