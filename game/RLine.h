#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/OMWord.h"
#include "trinkets/src/OMTrinket.h"

// An invisible trinket that moves a group of trinkets together along a straight line over a
// time, and raises "finished" when the time is up. Members are named by script variables and
// looked up at every use.
class RLine : public OMTrinket {
 public:
  RLine(int startX, int startY, int endX, int endY, int time, OMTrinketWindow* host);
  ~RLine() override;

  static std::unique_ptr<OMScriptableObject> create();
  // A line cannot be cloned: null.
  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;
  void tick() override;
  void paint() override {}

 private:
  struct Member {
    int variable;
    int offsetX, offsetY;
    int currentX, currentY;
  };

  static OMTrinket* trinketOf(const Member& member);
  // Puts the member at the line's start with its offset; its trinket, or null.
  OMTrinket* placeAtStart(Member& member);
  void recomputeVelocity();
  void moveMembers(std::uint32_t elapsed);
  void showMembers(int visible);

  template <int Which>
  OMWord getNumber(OMWord buffer);
  template <int Which>
  OMWord setNumber(OMWord text);
  int& numberField(int which);
  OMWord addTrinketMember(OMWord unused);
  OMWord startMember(OMWord unused);
  OMWord cleanMember(OMWord unused);

  int startX_, startY_, endX_, endY_;
  float velocityX_ = 0, velocityY_ = 0;
  int time_;
  int paused_ = 1;
  std::uint32_t startTime_ = 0, endTime_ = 0, lastStep_ = 0;
  std::vector<Member> members_;
};
