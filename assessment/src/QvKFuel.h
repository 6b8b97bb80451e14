#pragma once

#include <memory>

#include "framework/OMLink.h"
#include "trinkets/src/OMTrinket.h"

class RAnimation;

// The racing quiz's fuel gauge: a level of 1 to 5 shown as frame 6 - level; losing a unit
// blinks, then shows the loss and tells the game. A click in its upper half adds a unit, in
// its lower half takes one.
class QvKFuel : public OMTrinket {
 public:
  static constexpr int fullLevel = 5;

  QvKFuel(OMTrinketWindow* host, const OMLink* fuelLink);
  ~QvKFuel() override;

  void refill();
  void loseOne();
  void setLevel(int level);
  int level() const { return level_; }
  void togglePaused() { paused_ = !paused_; }
  int shownFrame() const { return frame_; }

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override {}
  void tick() override;
  void paint() override {}
  void onMouseUp() override;

 private:
  enum State { idle = 0, filling = 2, losing = 3 };
  void showFrame(int frame);

  std::unique_ptr<RAnimation> gauge_;
  std::unique_ptr<OMLink> fuelLink_;
  int level_ = fullLevel;
  int state_ = idle;
  int step_ = 0;
  int frame_ = 1;
  long nextStep_ = 0;
  bool paused_ = false;
};
