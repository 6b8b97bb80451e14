#include "assessment/src/RSliderBase.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "framework/OMLinkToObj.h"
#include "framework/OMSystem.h"

namespace {

// The press repeats once this many ticks of 1/60 s have passed since its first step.
constexpr std::uint32_t repeatDelayTicks = 20;

// Values are worked out in 64 bits: a maximum near the top of the 32-bit range times a
// track's pixels does not fit in 32.
int toInt(std::int64_t value)
{
  return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

}  // namespace

RSliderBase::RSliderBase(OMTrinketWindow* host, bool vertical, int maximum, int page)
    : OMTrinket(host, 2),
      vertical_(vertical),
      page_(page == 0 ? 5 : page),
      // A negative maximum leaves no range: the value stays 0.
      maximum_(maximum == 0 ? 99 : std::max(maximum, 0))
{
  setMovable(0);
}

RSliderBase::~RSliderBase()
{
  if (mode_ != notPressed) grabInput(0, 0);
}

void RSliderBase::registerMembers()
{
  OMTrinket::registerMembers();
  addEvent("moved");
  addProperty("position", OMLinkToObj<RSliderBase>(this, &RSliderBase::setPositionMember, 0),
              OMLinkToObj<RSliderBase>(this, &RSliderBase::getPositionMember, 0));
}

void RSliderBase::setOwnerLink(const OMLink* link)
{
  owner_ = link ? link->clone() : nullptr;
}

void RSliderBase::setGeometry(const OMRect& track, const OMRect& thumb, const OMRect& decrement,
                              const OMRect& increment)
{
  track_ = track;
  thumb_ = thumb;
  decrement_ = decrement;
  increment_ = increment;
  OMRect whole = track_.united(decrement_.hasArea() ? decrement_ : track_);
  whole = whole.united(increment_.hasArea() ? increment_ : track_);
  setRect(whole);
  placeThumb();
}

int RSliderBase::travel() const
{
  return (vertical_ ? track_.height() : track_.width()) - thumbLength();
}

int RSliderBase::valueAt(const OMPoint& point) const
{
  // A slider whose thumb fills the track cannot be moved: no division by zero.
  if (travel() <= 0) return value_;
  return toInt((std::int64_t(along(point)) - trackStart() - thumbLength() / 2) *
               (std::int64_t(maximum_) + 1) / travel());
}

void RSliderBase::placeThumb()
{
  const int at =
      trackStart() +
      (maximum_ > 0 ? toInt(std::int64_t(std::max(travel(), 0)) * value_ / maximum_) : 0);
  const int length = thumbLength();
  if (vertical_)
    thumb_.set(thumb_.left(), at, thumb_.right(), at + length);
  else
    thumb_.set(at, thumb_.top(), at + length, thumb_.bottom());
  thumbMoved();
  invalidate();
}

void RSliderBase::setValue(int request)
{
  const bool silent = request >= silentMark;
  changeValue(silent ? request - silentOffset : request, silent);
}

void RSliderBase::changeValue(std::int64_t request, bool silent)
{
  const int wanted = toInt(std::clamp<std::int64_t>(request, 0, maximum_));
  if (wanted == value_) return;
  value_ = wanted;
  placeThumb();
  if (silent) return;
  if (owner_) owner_->call(static_cast<OMWord>(value_));
  // A handler may drop the slider: nothing of it is touched after the event.
  raise("moved");
}

void RSliderBase::onMouseDown()
{
  pointer_ = currentEventMousePoint();
  pressPoint_ = pointer_;
  pressValue_ = value_;
  if (thumb_.containsPoint(pointer_))
    mode_ = dragging;
  else if (decrement_.hasArea() && decrement_.containsPoint(pointer_))
    mode_ = onDecrement;
  else if (increment_.hasArea() && increment_.containsPoint(pointer_))
    mode_ = onIncrement;
  else
    mode_ = valueAt(pointer_) > value_ ? afterThumb : beforeThumb;
  grabInput(1, 0);
  if (mode_ == onDecrement || mode_ == onIncrement) showArrow(mode_, true);
  firstStepTime_ = windowClock();
  step();
}

void RSliderBase::onMouseUp()
{
  endPress();
  OMTrinket::onMouseUp();
}

void RSliderBase::endPress()
{
  if (mode_ == onDecrement || mode_ == onIncrement) showArrow(mode_, false);
  mode_ = notPressed;
  grabInput(0, 0);
}

void RSliderBase::tick()
{
  if (mode_ == notPressed) return;
  if ((windowClock() - firstStepTime_) * 60 / 1000 < repeatDelayTicks) return;
  pointer_ = lastMousePoint();
  step();
}

void RSliderBase::step()
{
  switch (mode_) {
    case onDecrement:
    case onIncrement: {
      const OMRect& arrow = mode_ == onDecrement ? decrement_ : increment_;
      const bool on = arrow.containsPoint(pointer_);
      showArrow(mode_, on);
      if (on) changeValue(std::int64_t(value_) + (mode_ == onDecrement ? -arrowStep_ : arrowStep_));
      return;
    }
    case beforeThumb:
    case afterThumb: {
      if (!track_.containsPoint(pointer_)) return;
      const int target = std::clamp(valueAt(pointer_), 0, maximum_);
      std::int64_t next =
          std::int64_t(value_) + (mode_ == afterThumb ? page_ : -std::int64_t(page_));
      // The steps stop under the pointer.
      const bool reached = mode_ == afterThumb ? next >= target : next <= target;
      if (reached) {
        next = target;
        mode_ = notPressed;
      }
      changeValue(next);
      return;
    }
    case dragging:
      if (travel() > 0)
        changeValue(pressValue_ +
                    (std::int64_t(along(pointer_)) - along(pressPoint_)) * maximum_ / travel());
      return;
    default:
      return;
  }
}

OMWord RSliderBase::getPositionMember(OMWord buffer)
{
  return writeNumber(buffer, value_);
}

OMWord RSliderBase::setPositionMember(OMWord text)
{
  // Always silent, whatever the number: the request's silent mark would stand for another value
  // in a range that reaches it.
  changeValue(std::atoi(reinterpret_cast<const char*>(text)), true);
  return 1;
}
