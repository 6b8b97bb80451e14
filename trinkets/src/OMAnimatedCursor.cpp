#include "trinkets/src/OMAnimatedCursor.h"

#include "framework/OMIStream.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMTrinketWindow.h"

OMAnimatedCursor::OMAnimatedCursor(std::unique_ptr<OMIStream> stream, OMTrinketWindow* host)
    : OMCursorTrinket(host)
{
  build(std::move(stream));
}

OMAnimatedCursor::OMAnimatedCursor(int animationId, OMTrinketWindow* host) : OMCursorTrinket(host)
{
  build(OMAnimation::animationResolver ? OMAnimation::animationResolver(animationId) : nullptr);
}

OMAnimatedCursor::~OMAnimatedCursor()
{
  animation_.reset();
}

void OMAnimatedCursor::build(std::unique_ptr<OMIStream> stream)
{
  // The animation stands for the cursor on the host; the cursor itself is never drawn.
  removeFromWindow();
  if (!stream || !window()) return;
  const int visible = OMTrinket::defaultVisible();
  OMTrinket::setDefaultVisible(0);
  animation_ = std::make_unique<OMAnimation>(std::move(stream), 0, 0, window());
  OMTrinket::setDefaultVisible(visible);
  animation_->setMovable(0);
  animation_->setTouchy(0);
  animation_->setVisible(0);
  animation_->setTopLayer(2);
  animation_->setConfined(0);
  animation_->restartTiming();
}

void OMAnimatedCursor::invalidateRegion(const OMRegion& region)
{
  if (animation_) animation_->invalidateRegion(region);
}

void OMAnimatedCursor::invalidate()
{
  if (animation_) animation_->invalidate();
}

OMRect OMAnimatedCursor::rect() const
{
  return animation_ ? animation_->rect() : OMCursorTrinket::rect();
}

void OMAnimatedCursor::setPosition(int x, int y)
{
  if (animation_) animation_->setPosition(x, y);
}

void OMAnimatedCursor::setVisible(int visible)
{
  if (animation_) animation_->setVisible(visible);
}

int OMAnimatedCursor::isVisible() const
{
  return animation_ ? animation_->isVisible() : 0;
}

void OMAnimatedCursor::offset(int& dx, int& dy)
{
  if (animation_) animation_->offset(dx, dy);
}

void OMAnimatedCursor::markWholeDirty()
{
  if (animation_) animation_->markWholeDirty();
}

void OMAnimatedCursor::setRectLTRB(int left, int top, int right, int bottom)
{
  if (animation_) animation_->setRectLTRB(left, top, right, bottom);
}

void OMAnimatedCursor::setRect(const OMRect& rect)
{
  if (animation_) animation_->setRect(rect);
}

bool OMAnimatedCursor::containsPoint(const OMPoint& point) const
{
  return PtInRegion(hitRegion().handle(), point.x, point.y) != 0;
}

void OMAnimatedCursor::setConfined(int flag)
{
  OMTrinket::setConfined(flag);
}

int OMAnimatedCursor::isConfined() const
{
  return OMTrinket::isConfined();
}
