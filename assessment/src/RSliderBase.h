#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMLink.h"
#include "framework/OMPoint.h"
#include "framework/OMRect.h"
#include "trinkets/src/OMTrinket.h"

// What the three sliders share: a value from 0 to the maximum, a track with a thumb and two
// arrows, and the press logic: a click steps at once, a held press repeats after 20 ticks on
// every pass. Each change raises "moved" unless it was asked silently.
class RSliderBase : public OMTrinket {
 public:
  // A request of this much or more is silent and stands for the value less silentOffset.
  static constexpr int silentMark = 10000;
  static constexpr int silentOffset = 20000;
  enum PressMode {
    notPressed = 0,
    dragging = 3,
    onDecrement = 4,
    onIncrement = 5,
    beforeThumb = 6,
    afterThumb = 7
  };

  RSliderBase(OMTrinketWindow* host, bool vertical, int maximum, int page);
  ~RSliderBase() override;

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;
  void onMouseDown() override;
  void onMouseUp() override;
  void tick() override;

  // A request at the silent mark or above is silent and stands for the value less the offset.
  void setValue(int request);
  int value() const { return value_; }
  int maximum() const { return maximum_; }
  int page() const { return page_; }
  bool isVertical() const { return vertical_; }
  int pressMode() const { return mode_; }
  const OMRect& track() const { return track_; }
  const OMRect& thumb() const { return thumb_; }
  const OMRect& decrementArrow() const { return decrement_; }
  const OMRect& incrementArrow() const { return increment_; }
  // Called on every change besides the event (a clone is kept; null removes).
  void setOwnerLink(const OMLink* link);

 protected:
  // Lays the parts out; the thumb goes to the value's place.
  void setGeometry(const OMRect& track, const OMRect& thumb, const OMRect& decrement,
                   const OMRect& increment);
  // The thumb and its images moved; arrows shown pressed or not.
  virtual void thumbMoved() {}
  virtual void showArrow(int /*mode*/, bool /*pressed*/) {}

 private:
  int along(const OMPoint& point) const { return vertical_ ? point.y : point.x; }
  int trackStart() const { return vertical_ ? track_.top() : track_.left(); }
  int thumbLength() const { return vertical_ ? thumb_.height() : thumb_.width(); }
  int travel() const;
  int valueAt(const OMPoint& point) const;
  void placeThumb();
  // Clamped to the range; "moved" unless silent.
  void changeValue(std::int64_t request, bool silent = false);
  // One step of the press; false when the slider was dropped by a handler.
  void step();
  void endPress();
  OMWord getPositionMember(OMWord buffer);
  OMWord setPositionMember(OMWord text);

  bool vertical_;
  OMRect thumb_, track_, decrement_ = OMRect::empty(), increment_ = OMRect::empty();
  int page_;
  int maximum_;
  int arrowStep_ = 1;
  int value_ = 0;
  int mode_ = notPressed;
  std::unique_ptr<OMLink> owner_;
  OMPoint pointer_;
  OMPoint pressPoint_;
  int pressValue_ = 0;
  std::uint32_t firstStepTime_ = 0;
};
