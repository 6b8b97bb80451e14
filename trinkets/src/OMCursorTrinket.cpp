#include "trinkets/src/OMCursorTrinket.h"

#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMWndCanvas.h"
#include "trinkets/src/OMTrinketWindow.h"

OMCursorTrinket::OMCursorTrinket(OMTrinketWindow* host) : OMTrinket(host, 2)
{
  setMovable(0);
  setTouchy(0);
  setConfined(0);
  setVisible(0);
  setTopLayer(2);
}

OMCursorTrinket::~OMCursorTrinket()
{
  // The hosts must not show a cursor that is gone, nor move it with the mouse: a cursor
  // selected for a while without being made current (a dialog's) is followed as well.
  if (OMTrinket::defaultCursor() == this) OMTrinket::setDefaultCursor(nullptr, 0);
  stopFollowingMouse();
  if (isCurrentCursor()) OMCursor::selectNone();
}

void OMCursorTrinket::stopFollowingMouse()
{
  OMTrinketWindow* host = window();
  const OMLink* listener = host ? host->moveListener() : nullptr;
  if (listener && listener->target() == this) host->setMoveListener(nullptr);
}

bool OMCursorTrinket::isInsideHost(const OMPoint& point) const
{
  const OMMemCanvas* canvas = windowCanvas();
  return canvas && OMRect(0, 0, canvas->width(), canvas->height()).containsPoint(point);
}

OMPoint OMCursorTrinket::hotPoint() const
{
  return OMPoint(rect().left() + hotSpot_.x, rect().top() + hotSpot_.y);
}

void OMCursorTrinket::setHotSpot(const OMPoint& point)
{
  hotSpot_ = point;
  offsetBy(-point.x, -point.y);
}

void OMCursorTrinket::setShown(int flag)
{
  const bool hidden = OMCursor::isHiddenByProgram();
  setVisible(flag && !hidden ? 1 : 0);
  setSystemCursorVisible(!flag && !hidden);
}

void OMCursorTrinket::moveTo(const OMPoint& point, int forceShow)
{
  const bool inside = isInsideHost(point);
  if (forceShow || inside != isInsideHost(hotPoint())) setShown(inside ? 1 : 0);
  const OMPoint hot = hotPoint();
  offsetBy(point.x - hot.x, point.y - hot.y);
}

OMWord OMCursorTrinket::followMouse(OMWord eventRecord)
{
  const auto* record = reinterpret_cast<const OMTrinketWindow::EventRecord*>(eventRecord);
  if (record) moveTo(record->point, 0);
  return 0;
}

void OMCursorTrinket::select(OMWndCanvas* canvas)
{
  OMTrinketWindow* host = window();
  if (!host) return;
  const OMLinkToObj<OMCursorTrinket> follow(this, &OMCursorTrinket::followMouse, 0);
  host->setMoveListener(&follow);
  // Forced, so that a cursor selected over the stage shows at once.
  if (!canvas || canvas->window() == host) moveTo(host->getMousePoint(nullptr), 1);
}

void OMCursorTrinket::deselect()
{
  stopFollowingMouse();
  setVisible(0);
}

void OMCursorTrinket::moveToMouse()
{
  if (window()) moveTo(window()->getMousePoint(nullptr), 1);
}

void OMCursorTrinket::refresh()
{
  const int wasVisible = isVisible();
  setShown(0);
  OMTrinketWindow* host = window();
  if (!wasVisible || !host) return;
  host->setDirty(1);
  // Not from inside a frame (a dialog that takes the focus from a script's event).
  if (!host->isPaused() && !host->isInFrameStep()) host->redrawChanges();
}
