#include "assessment/src/QvKHorn.h"

#include "assessment/src/DescriptorFile.h"
#include "assessment/src/QvKTiming.h"
#include "framework/OMSystem.h"
#include "trinkets/lib/RAnimation.h"

namespace {
constexpr int pressTicks = 30;
constexpr int blinkTicks = 7;
constexpr int stallId = 13257;
constexpr int stallSound = 13267;
constexpr int stallLastFrame = 13;
constexpr int stallHoldTicks = 120;
constexpr int stallBackTicks = 2;
constexpr long spaceKey = 32;
constexpr long enterKey = 59394;

int hornPictureId()
{
  const DescriptorFile* descriptor = DescriptorFile::current();
  return descriptor ? descriptor->intValue("Horn", 1) : -1;
}

// Ticks before the next forward frame of the stall sequence.
int stallForwardDelay(int frame)
{
  constexpr int first[] = {4, 8, 10, 13};
  return frame >= 1 && frame <= 4 ? first[frame - 1] : 1;
}

}  // namespace

QvKHorn::QvKHorn(OMTrinketWindow* host, const OMLink* soundLink, const OMLink* gameOverLink,
                 const OMLink* pressLink)
    : OMTrinket(host, 1),
      picture_(qvk::loadAnimation(hornPictureId(), 161, 346, host)),
      soundLink_(cloneLink(soundLink)),
      gameOverLink_(cloneLink(gameOverLink)),
      pressLink_(cloneLink(pressLink))
{
  if (picture_) {
    picture_->setMovable(0);
    picture_->setTouchy(0);
    setRect(picture_->rect());
  }
  setTouchy(1);
  setFocus();
}

QvKHorn::~QvKHorn() = default;

void QvKHorn::showFrame(int frame)
{
  frame_ = frame;
  if (picture_) qvk::showFrame(*picture_, frame);
}

void QvKHorn::press()
{
  if (pressShown_) return;
  showFrame(frame_ == litFrame ? pressedLitFrame : pressedFrame);
  pressShown_ = true;
  pressEnd_ = qvk::ticks() + pressTicks;
  // The game may end the race here: nothing of the horn is touched afterwards.
  if (pressLink_) cloneLink(pressLink_.get())->call();
}

void QvKHorn::enable()
{
  enabled_ = true;
  nextBlink_ = qvk::ticks() + blinkTicks;
}

void QvKHorn::disable()
{
  enabled_ = false;
  if (!pressShown_) showFrame(idleFrame);
}

void QvKHorn::stall()
{
  enabled_ = false;
  showFrame(idleFrame);
  stallStep_ = 1;
  stallFrame_ = 0;
  nextStall_ = qvk::ticks();
}

void QvKHorn::onMouseDown()
{
  OMTrinket::onMouseDown();
  press();
}

void QvKHorn::onKeyDown()
{
  const auto key = static_cast<long>(currentEventWParam());
  if ((key == spaceKey || key == enterKey) && isTouchy()) {
    press();
    return;
  }
  OMTrinket::onKeyDown();
}

bool QvKHorn::stepStall(long now)
{
  if (now < nextStall_) return true;
  if (stallStep_ == 1 && stallFrame_ == 0) {
    stallPicture_ = qvk::loadAnimation(stallId, 161, 345, window());
    if (picture_) picture_->hide();
    stallFrame_ = 1;
    nextStall_ = now + stallForwardDelay(1);
    return true;
  }
  if (stallStep_ == 1) {
    if (++stallFrame_ >= stallLastFrame) {
      stallFrame_ = stallLastFrame;
      stallStep_ = 2;
      nextStall_ = now + stallHoldTicks;
    } else {
      nextStall_ = now + stallForwardDelay(stallFrame_);
    }
  } else {
    if (stallStep_ == 2) {
      stallStep_ = 3;
      if (soundLink_) soundLink_->call(static_cast<OMWord>(stallSound));
    }
    --stallFrame_;
    nextStall_ = now + stallBackTicks;
  }
  if (stallPicture_) qvk::showFrame(*stallPicture_, stallFrame_);
  if (stallFrame_ > 1) return true;
  stallPicture_.reset();
  if (picture_) picture_->show();
  stallStep_ = 0;
  if (gameOverLink_) cloneLink(gameOverLink_.get())->call();
  return false;
}

void QvKHorn::tick()
{
  const long now = qvk::ticks();
  if (stallStep_) {
    stepStall(now);
    return;
  }
  if (pressShown_ && now >= pressEnd_) {
    pressShown_ = false;
    showFrame(!enabled_ || frame_ == pressedFrame ? idleFrame : litFrame);
  }
  if (enabled_ && now >= nextBlink_) {
    nextBlink_ = now + blinkTicks;
    if (pressShown_)
      showFrame(frame_ == pressedFrame ? pressedLitFrame : pressedFrame);
    else
      showFrame(frame_ == idleFrame ? litFrame : idleFrame);
  }
}
