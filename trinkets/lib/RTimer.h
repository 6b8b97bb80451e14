#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMLink.h"
#include "framework/OMTask.h"
#include "trinkets/src/OMScriptableObject.h"

// A periodic timer: once started it raises "execute" each time its interval has passed, or,
// after "colorCycling", rotates a range of the main host's palette instead.
class RTimer : public OMScriptableObject {
 public:
  explicit RTimer(int interval);
  RTimer(const RTimer& other);
  ~RTimer() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;

  int interval() const { return interval_; }
  bool isRunning() const { return running_ != 0; }
  bool isCycling() const { return actionLink_ != nullptr; }

 private:
  void makeTask();
  OMWord tick();
  OMWord cycleColors();
  OMWord setInterval(OMWord text);
  OMWord startMember();
  OMWord pauseMember();
  OMWord colorCyclingMember();

  std::unique_ptr<OMTask> task_;
  int interval_;
  std::uint32_t last_;
  int running_ = 0;
  std::unique_ptr<OMLink> actionLink_;
  int first_ = 0, groups_ = 0, groupSize_ = 0;
  // Expires with the timer, so an "execute" procedure that dropped it is noticed.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
