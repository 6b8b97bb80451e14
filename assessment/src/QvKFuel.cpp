#include "assessment/src/QvKFuel.h"

#include <algorithm>

#include "assessment/src/QvKTiming.h"
#include "framework/OMSystem.h"
#include "trinkets/lib/RAnimation.h"

namespace {
constexpr int gaugeId = 13137;
constexpr int stepTicks = 7;
// Losing a unit: the loss shows at this step, the blinking ends at the next.
constexpr int lossShownStep = 7;
constexpr int lossEndStep = 16;
}  // namespace

QvKFuel::QvKFuel(OMTrinketWindow* host, const OMLink* fuelLink)
    : OMTrinket(host, 1),
      gauge_(qvk::loadAnimation(gaugeId, 125, 304, host)),
      fuelLink_(cloneLink(fuelLink))
{
  if (gauge_) {
    // The gauge takes the clicks, not its picture.
    gauge_->setTouchy(0);
    setRect(gauge_->rect());
  }
  setTouchy(1);
  showFrame(1);
}

QvKFuel::~QvKFuel() = default;

void QvKFuel::showFrame(int frame)
{
  frame_ = frame;
  if (gauge_) qvk::showFrame(*gauge_, frame);
}

void QvKFuel::refill()
{
  level_ = fullLevel;
  state_ = filling;
  nextStep_ = qvk::ticks() + stepTicks;
}

void QvKFuel::loseOne()
{
  --level_;
  state_ = losing;
  step_ = 0;
  nextStep_ = qvk::ticks() + stepTicks;
}

void QvKFuel::setLevel(int level)
{
  level_ = level;
  showFrame(6 - level);
}

void QvKFuel::tick()
{
  const long now = qvk::ticks();
  if (paused_ || state_ == idle || now < nextStep_) return;
  nextStep_ = now + stepTicks;
  if (state_ == filling) {
    if (frame_ > 1) showFrame(frame_ - 1);
    if (frame_ <= 1) state_ = idle;
    return;
  }
  ++step_;
  if (step_ < lossShownStep) {
    // The unit about to go blinks.
    showFrame(step_ % 2 ? 6 - level_ : 5 - level_);
  } else if (step_ == lossShownStep) {
    showFrame(6 - level_);
    if (fuelLink_) cloneLink(fuelLink_.get())->call();
  } else if (step_ >= lossEndStep) {
    state_ = idle;
  }
}

void QvKFuel::onMouseUp()
{
  OMTrinket::onMouseUp();
  if (state_ != idle) return;
  const OMRect area = rect();
  const bool upper = currentEventMousePoint().y <= area.top() + area.height() / 2;
  level_ = std::clamp(level_ + (upper ? 1 : -1), 1, fullLevel);
  showFrame(6 - level_);
}
