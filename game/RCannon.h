#pragma once

#include <memory>

#include "framework/OMLink.h"
#include "framework/OMPoint.h"
#include "framework/OMWord.h"
#include "trinkets/src/OMAnimation.h"

// An arcade cannon: an animation whose five frames show the barrel at five angles, turned
// toward the pointer at every mouse event on the stage. It listens to the stage's mouse events
// before the listener it found, which keeps hearing them and gets its place back at the end.
class RCannon : public OMAnimation {
 public:
  static constexpr int pivotX = 320;
  static constexpr int pivotY = 360;

  RCannon(std::unique_ptr<OMIStream> stream, OMTrinketWindow* host);
  ~RCannon() override;

  static std::unique_ptr<OMScriptableObject> create();
  // A cannon cannot be cloned: null.
  std::unique_ptr<OMScriptableObject> clone() const override;
  void stateText(char* buffer, std::size_t size) const override;
  void registerMembers() override;
  void showTrackingCursor() override { showHoverCursor(); }

  // Shows the frame that points at p; nothing while inactive.
  void aim(const OMPoint& point);
  // The frame (1-5) that points at p, or 0 to keep the frame shown.
  int frameToward(const OMPoint& point) const;

 private:
  OMWord mouseEvent(OMWord record);
  void aimAtPointer();
  OMWord getActive(OMWord buffer);
  OMWord setActive(OMWord text);
  OMWord getVisibleMember(OMWord buffer);
  OMWord setVisibleMember(OMWord text);
  OMWord getFrame(OMWord buffer);

  int active_ = 1;
  std::unique_ptr<OMLink> keptListener_;
};
