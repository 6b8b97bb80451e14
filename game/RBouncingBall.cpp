#include "game/RBouncingBall.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "game/ArcadeMotion.h"
#include "game/WorldField.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord ballRecord("RBouncingBall", &RBouncingBall::create, TrinketRecord::gameEditionOnly);

int numberArgument()
{
  return decimalValueOf(popScriptArg());
}

}  // namespace

RBouncingBall::RBouncingBall(int animationId, int startX, int startY, int aimX, int aimY, int time,
                             OMTrinketWindow* host)
    : OMTrinket(host, 1),
      velocityX_(velocityOver(startX, aimX, time)),
      velocityY_(velocityOver(startY, aimY, time)),
      originX_(startX),
      originY_(startY),
      x_(startX),
      y_(startY)
{
  setPosition(startX, startY);
  std::unique_ptr<OMIStream> stream;
  if (animationId && OMAnimation::animationResolver)
    stream = OMAnimation::animationResolver(animationId);
  if (stream) {
    animation_ = std::make_unique<OMAnimation>(std::move(stream), noPosition, noPosition, host);
    animation_->setPosition(startX, startY);
    setRect(animation_->rect());
    animation_->setMovable(0);
    animation_->setVisible(1);
    animation_->setTouchy(0);
  }
  flightStart_ = lastStep_ = windowClock();
}

RBouncingBall::~RBouncingBall() = default;

std::unique_ptr<OMScriptableObject> RBouncingBall::create()
{
  const auto id = static_cast<std::uint16_t>(numberArgument());
  // Positions stay within reach of the rectangle arithmetic.
  const int startX = boundedCoordinate(numberArgument());
  const int startY = boundedCoordinate(numberArgument());
  const int aimX = boundedCoordinate(numberArgument());
  const int aimY = boundedCoordinate(numberArgument());
  const int time = numberArgument();
  return std::make_unique<RBouncingBall>(id, startX, startY, aimX, aimY, time,
                                         OMTrinketWindow::mainHost());
}

std::unique_ptr<OMScriptableObject> RBouncingBall::clone() const
{
  return nullptr;
}

void RBouncingBall::registerMembers()
{
  OMTrinket::registerMembers();
  using Own = OMLinkToObj<RBouncingBall>;
  const Own box(this, &RBouncingBall::setBoundingBox, 0);
  addProperty("boundingBox", &box, nullptr);
  addMethod("bounce", Own(this, &RBouncingBall::bounceMember, 0));
  addProperty("numOfLifes", Own(this, &RBouncingBall::setField<&RBouncingBall::lives_>, 0),
              Own(this, &RBouncingBall::getField<&RBouncingBall::lives_>, 0));
  addProperty("paused", Own(this, &RBouncingBall::setField<&RBouncingBall::paused_>, 0),
              Own(this, &RBouncingBall::getField<&RBouncingBall::paused_>, 0));
  addEvent("finished");
}

OMWord RBouncingBall::setBoundingBox(OMWord text)
{
  const int bottom = decimalValueOf(reinterpret_cast<const char*>(text));
  const int left = numberArgument();
  const int top = numberArgument();
  const int right = numberArgument();
  const int width = animation_ ? animation_->imageWidth(0) : 0;
  const int height = animation_ ? animation_->imageHeight(0) : 0;
  boxLeft_ = leftWall_ = left;
  boxTop_ = topWall_ = top;
  boxRight_ = rightWall_ = boundedCoordinate(std::int64_t(right) - width);
  boxBottom_ = bottomWall_ = boundedCoordinate(std::int64_t(bottom) - height);
  return 1;
}

OMWord RBouncingBall::bounceMember(OMWord)
{
  const char* direction = popScriptArg();
  if (!animation_) return 1;
  if (std::strcmp(direction, "right") == 0) {
    leftWall_ = animation_->x();
  } else if (std::strcmp(direction, "up") == 0) {
    bottomWall_ = animation_->y();
  } else if (std::strcmp(direction, "down") == 0) {
    topWall_ = animation_->y();
  } else {
    rightWall_ = animation_->x();
  }
  return 1;
}

template <int RBouncingBall::*Field>
OMWord RBouncingBall::getField(OMWord buffer)
{
  return writeNumber(buffer, this->*Field);
}

template <int RBouncingBall::*Field>
OMWord RBouncingBall::setField(OMWord text)
{
  this->*Field = decimalValueOf(reinterpret_cast<const char*>(text));
  return 1;
}

void RBouncingBall::turnAt(int x, int y)
{
  originX_ = x;
  originY_ = y;
  flightStart_ = lastStep_;
}

void RBouncingBall::hitWalls()
{
  if (y_ >= bottomWall_) {
    if (bottomWall_ == boxBottom_ && lives_ > INT_MIN) --lives_;
    velocityY_ = -velocityY_;
    turnAt(x_, bottomWall_);
    driftX_ += static_cast<float>(std::rand() % 3) * velocityX_ / 4;
    bottomWall_ = boxBottom_;
  }
  if (y_ <= topWall_) {
    velocityY_ = -velocityY_;
    turnAt(x_, topWall_);
    topWall_ = boxTop_;
    driftX_ = driftY_ = 0;
  }
  if (x_ >= rightWall_) {
    velocityX_ = -velocityX_;
    turnAt(rightWall_, y_);
    rightWall_ = boxRight_;
    driftX_ = driftY_ = 0;
  }
  if (x_ <= leftWall_) {
    velocityX_ = -velocityX_;
    turnAt(leftWall_, y_);
    leftWall_ = boxLeft_;
    driftX_ = driftY_ = 0;
  }
}

void RBouncingBall::fly(std::uint32_t now)
{
  if (!animation_) return;
  const std::uint32_t elapsed = now - flightStart_;
  x_ = boundedCoordinate(std::int64_t(originX_) + flownDistance(velocityX_ + driftX_, elapsed));
  y_ = boundedCoordinate(std::int64_t(originY_) + flownDistance(velocityY_ + driftY_, elapsed));
  const ScopedConfineDrags unconfined(0);
  setPosition(x_, y_);
  animation_->setPosition(x_, y_);
}

void RBouncingBall::tick()
{
  if (paused_) return;
  if (lives_ == 0) {
    raise("finished");
    return;
  }
  const std::uint32_t now = windowClock();
  if (now - lastStep_ <= stepInterval) return;
  hitWalls();
  fly(now);
  lastStep_ = now;
}
