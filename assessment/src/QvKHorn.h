#pragma once

#include <memory>

#include "framework/OMLink.h"
#include "trinkets/src/OMTrinket.h"

class RAnimation;

// The racing quiz's horn, the child's answer button: pressed by a click, Space or Enter, it
// shows the press for 30 ticks and tells the game; while enabled it blinks. Its stall
// sequence plays when the car runs out of fuel and then tells the game the race is over.
class QvKHorn : public OMTrinket {
 public:
  // Frames of the horn picture.
  enum Frame { idleFrame = 1, litFrame = 2, pressedFrame = 3, pressedLitFrame = 4 };

  QvKHorn(OMTrinketWindow* host, const OMLink* soundLink, const OMLink* gameOverLink,
          const OMLink* pressLink);
  ~QvKHorn() override;

  void press();
  void enable();
  void disable();
  void stall();
  bool isEnabled() const { return enabled_; }
  bool isStalling() const { return stallStep_ != 0; }
  int shownFrame() const { return frame_; }

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override {}
  void tick() override;
  void paint() override {}
  void onMouseDown() override;
  void onKeyDown() override;

 private:
  void showFrame(int frame);
  // One step of the stall sequence; false when it has ended (the game was told).
  bool stepStall(long now);

  std::unique_ptr<RAnimation> picture_;
  std::unique_ptr<RAnimation> stallPicture_;
  std::unique_ptr<OMLink> soundLink_, gameOverLink_, pressLink_;
  int frame_ = idleFrame;
  bool enabled_ = false;
  bool pressShown_ = false;
  long pressEnd_ = 0;
  long nextBlink_ = 0;
  // 0 none; 1 forward, 2 holding, 3 back.
  int stallStep_ = 0;
  int stallFrame_ = 0;
  long nextStall_ = 0;
};
