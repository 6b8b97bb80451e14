#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMWord.h"
#include "trinkets/src/OMTrinket.h"

class OMAnimation;

// An arcade ball: an animation that flies in straight lines inside a box, bounces off its
// walls, loses a life at each landing on the bottom, and is sent back when a script says
// "bounce". It raises "finished" on every pass once no life is left.
class RBouncingBall : public OMTrinket {
 public:
  // Steps come no closer than this.
  static constexpr std::uint32_t stepInterval = 20;

  RBouncingBall(int animationId, int startX, int startY, int aimX, int aimY, int time,
                OMTrinketWindow* host);
  ~RBouncingBall() override;

  static std::unique_ptr<OMScriptableObject> create();
  // A ball cannot be cloned: null.
  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;
  void tick() override;
  void paint() override {}

 private:
  // Starts a new straight flight from the point, at the last step.
  void turnAt(int x, int y);
  void hitWalls();
  void fly(std::uint32_t now);
  OMWord setBoundingBox(OMWord text);
  OMWord bounceMember(OMWord unused);
  // "%d" members of plain fields.
  template <int RBouncingBall::*Field>
  OMWord getField(OMWord buffer);
  template <int RBouncingBall::*Field>
  OMWord setField(OMWord text);

  float velocityX_, velocityY_;
  int originX_, originY_;
  int x_, y_;
  float driftX_ = 0, driftY_ = 0;
  int lives_ = 1;
  int boxLeft_ = 0, boxTop_ = 0, boxRight_ = 0, boxBottom_ = 0;
  int leftWall_ = 0, topWall_ = 0, rightWall_ = 0, bottomWall_ = 0;
  std::unique_ptr<OMAnimation> animation_;
  int paused_ = 0;
  std::uint32_t flightStart_;
  std::uint32_t lastStep_;
};
