#include "trinkets/src/OMTrinket.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "framework/OMCursor.h"
#include "framework/OMEdition.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMCollision.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObjectProperty.h"
#include "trinkets/src/OMTrinketWindow.h"

OMTrinket* OMTrinket::focusHolder_ = nullptr;
OMTrinket* OMTrinket::hovered_ = nullptr;
OMTrinket* OMTrinket::flyGuard_ = nullptr;
OMPoint OMTrinket::lastMousePoint_;
int OMTrinket::defaultVisible_ = 1;
int OMTrinket::confineDrags_ = 1;
OMCursor* OMTrinket::defaultTrackingCursor_ = nullptr;
OMCursor* OMTrinket::defaultHoverCursor_ = nullptr;
OMCursor* OMTrinket::defaultCursor_ = nullptr;

namespace {

// hitRegion hands out these in turn, so that two trinkets can be compared.
OMRegion& scratchRegion()
{
  static OMRegion regions[2];
  static int next = 0;
  OMRegion& region = regions[next];
  next = 1 - next;
  return region;
}

}  // namespace

OMTrinket::OMTrinket(OMTrinketWindow* host, int redrawMode)
    : redrawMode_(redrawMode),
      host_(host),
      flags_(host ? host->defaultTrinketFlags() : 0),
      visible_(defaultVisible_),
      hoverCursor_(defaultHoverCursor_),
      trackingCursor_(defaultTrackingCursor_)
{
  if (host_ && host_->offscreen()) {
    bounds_.set(0, 0, host_->offscreen()->width(), host_->offscreen()->height());
  } else {
    bounds_.set(0, 0, 0, 0);
  }
  if (host_) host_->trinkets().add(this);
  markWholeDirty();
}

OMTrinket::OMTrinket(const OMTrinket& other)
    : OMScriptableObject(other),
      redrawMode_(other.redrawMode_),
      drawState_{other.drawState_[0], other.drawState_[1]},
      dirty_{other.dirty_[0], other.dirty_[1]},
      host_(other.host_),
      inputMode_(other.inputMode_),
      flags_(other.flags_),
      confined_(other.confined_),
      snapArea_(other.snapArea_),
      rect_(other.rect_),
      z_(other.z_),
      subclassWord_(other.subclassWord_),
      tag_(other.tag_),
      bounds_(other.bounds_),
      clipToBounds_(other.clipToBounds_),
      touchy_(other.touchy_),
      gridStepX_(other.gridStepX_),
      gridStepY_(other.gridStepY_),
      gridOriginX_(other.gridOriginX_),
      gridOriginY_(other.gridOriginY_),
      savedX_(other.savedX_),
      savedY_(other.savedY_),
      clampedX_(other.clampedX_),
      clampedY_(other.clampedY_),
      visible_(other.visible_),
      movable_(other.movable_),
      running_(other.running_),
      hoverCursor_(other.hoverCursor_),
      trackingCursor_(other.trackingCursor_)
{
  for (int i = 0; i < hookCount; ++i)
    hooks_[i] = cloneLink(other.hooks_[i].get());
  if (host_) host_->trinkets().add(this);
}

OMTrinket::~OMTrinket()
{
  loseFocus();
  invalidate();
  for (auto& hook : hooks_)
    hook.reset();
  if (host_) host_->forgetTrinket(this);
  if (hovered_ == this) {
    hovered_ = nullptr;
    showDefaultCursor();
    refreshHover();
  }
  if (flyGuard_ == this) flyGuard_ = nullptr;
  purgeCollisionTrinket(reinterpret_cast<OMWord>(this));
}

void OMTrinket::stateText(char* buffer, std::size_t size) const
{
  std::snprintf(buffer, size, "%d %d %d %d", x(), y(), rect_.right(), rect_.bottom());
}

void OMTrinket::registerMembers()
{
  addEvent("mouseDown");
  addEvent("mouseUp");
  addEvent("dblClick");
  addEvent("flyOn");
  addEvent("flyOff");
  addMethod("place", OMLinkToObj<OMTrinket>(this, &OMTrinket::placeMember));
  addMethod("offset", OMLinkToObj<OMTrinket>(this, &OMTrinket::offsetMember));
  addProperty("x", OMLinkToObj<OMTrinket>(this, &OMTrinket::setNumber<0>, 0),
              OMLinkToObj<OMTrinket>(this, &OMTrinket::getNumber<0>, 0));
  addProperty("y", OMLinkToObj<OMTrinket>(this, &OMTrinket::setNumber<1>, 0),
              OMLinkToObj<OMTrinket>(this, &OMTrinket::getNumber<1>, 0));
  addProperty("visible", OMLinkToObj<OMTrinket>(this, &OMTrinket::setNumber<2>, 0),
              OMLinkToObj<OMTrinket>(this, &OMTrinket::getNumber<2>, 0));
  addProperty("movable", OMLinkToObj<OMTrinket>(this, &OMTrinket::setNumber<3>, 0),
              OMLinkToObj<OMTrinket>(this, &OMTrinket::getNumber<3>, 0));
  addProperty("z", OMLinkToObj<OMTrinket>(this, &OMTrinket::setNumber<4>, 0),
              OMLinkToObj<OMTrinket>(this, &OMTrinket::getNumber<4>, 0));
  addProperty("touchy", OMLinkToObj<OMTrinket>(this, &OMTrinket::setNumber<5>, 0),
              OMLinkToObj<OMTrinket>(this, &OMTrinket::getNumber<5>, 0));
  addProperty("tag", OMLinkToObj<OMTrinket>(this, &OMTrinket::setNumber<6>, 0),
              OMLinkToObj<OMTrinket>(this, &OMTrinket::getNumber<6>, 0));
  if (!OMEdition::isAssessment()) {
    addProperty("width", nullptr, OMLinkToObj<OMTrinket>(this, &OMTrinket::getNumber<7>, 0));
    addProperty("height", nullptr, OMLinkToObj<OMTrinket>(this, &OMTrinket::getNumber<8>, 0));
  }
}

int OMTrinket::numberField(int which) const
{
  switch (which) {
    case 0:
      return x();
    case 1:
      return y();
    case 2:
      return isVisible();
    case 3:
      return isMovable();
    case 4:
      return z();
    case 5:
      return isTouchy();
    case 6:
      return tag();
    case 7:
      return rect().width();
    default:
      return rect().height();
  }
}

void OMTrinket::setNumberField(int which, int value)
{
  switch (which) {
    case 0:
      setX(value);
      break;
    case 1:
      setY(value);
      break;
    case 2:
      setVisible(value);
      break;
    case 3:
      setMovable(value);
      break;
    case 4:
      setZ(value);
      break;
    case 5:
      setTouchy(value);
      break;
    case 6:
      setTag(value);
      break;
    default:
      break;
  }
}

OMWord OMTrinket::placeMember()
{
  const int px = std::atoi(popScriptArg());
  const int py = std::atoi(popScriptArg());
  setPosition(px, py);
  return 1;
}

OMWord OMTrinket::offsetMember()
{
  int dx = std::atoi(popScriptArg());
  int dy = std::atoi(popScriptArg());
  offset(dx, dy);
  return 1;
}

int OMTrinket::bufferCount() const
{
  return host_ && host_->isDoubleBuffered() ? 2 : 1;
}

bool OMTrinket::onStage() const
{
  return visible_ && host_ && z_ >= host_->zFloor();
}

void OMTrinket::invalidateRegion(const OMRegion& region)
{
  if (!onStage()) return;
  setDirtyRegion(region);
  setDrawState(partlyDirty);
  host_->setDirty(1);
  host_->addDirtyRegion(region);
}

void OMTrinket::invalidate()
{
  if (!onStage()) return;
  markWholeDirty();
  host_->addDirtyRect(rect_);
}

void OMTrinket::showTrackingCursor()
{
  if (host_ && host_->cursorHandling()) host_->setCursor(trackingCursor_);
}

void OMTrinket::showHoverCursor()
{
  if (host_ && host_->cursorHandling()) host_->setCursor(hoverCursor_);
}

void OMTrinket::showDefaultCursor()
{
  if (host_ && host_->cursorHandling()) host_->setCursor(defaultCursor_);
}

void OMTrinket::setAttribute(int code, int a, int b)
{
  // A position stays where factories put trinkets at most, so that the rectangle's sizes and
  // the host's regions around it still fit in 32 bits.
  if (code <= 2) {
    a = clampCoordinate(a);
    b = clampCoordinate(b);
  }
  switch (code) {
    case 0:
      if (a != x()) {
        invalidate();
        rect_.offset(a - x(), 0);
      }
      break;
    case 1:
      if (a != y()) {
        invalidate();
        rect_.offset(0, a - y());
      }
      break;
    case 2:
      if (a != x() || b != y()) {
        invalidate();
        rect_.offset(a - x(), b - y());
      }
      break;
    case 3:
      if (a > highestScriptZ) a = highestScriptZ;
      if (a != z_) {
        z_ = a;
        reorder();
        if (host_) host_->widenZRange(a);
      }
      break;
    case 4:
      if (visible_ && !a) {
        invalidate();
        if (hovered_ == this) hovered_ = nullptr;
      } else if (!visible_ && a) {
        visible_ = a;
        markWholeDirty();
      }
      visible_ = a;
      break;
    case 5:
      movable_ = a;
      break;
    case 6:
      running_ = a;
      break;
    case 7:
      touchy_ = a;
      if (!a && host_ && host_->pressed() == this) {
        inputMode_ = normal;
        host_->setPressed(nullptr);
      }
      break;
    default:
      break;
  }
}

const OMRegion& OMTrinket::hitRegion() const
{
  OMRegion& region = scratchRegion();
  region.setRect(rect());
  return region;
}

bool OMTrinket::containsPoint(const OMPoint& point) const
{
  return PtInRegion(hitRegion().handle(), point.x, point.y) != 0;
}

bool OMTrinket::intersects(const OMTrinket& other) const
{
  const OMRegion& mine = hitRegion();
  const OMRegion& theirs = other.hitRegion();
  return !mine.intersection(theirs).isEmpty();
}

bool OMTrinket::intersectsRegion(const OMRegion& region) const
{
  return !hitRegion().intersection(region).isEmpty();
}

bool OMTrinket::overlapsRect(const OMRect& rect) const
{
  return rect.intersectsRegion(hitRegion());
}

void OMTrinket::reorder()
{
  if (!isInWindowList()) return;
  host_->trinkets().remove(this);
  host_->trinkets().add(this);
  invalidate();
}

void OMTrinket::getPosition(int* px, int* py) const
{
  if (px) *px = x();
  if (py) *py = y();
}

void OMTrinket::bringToFront()
{
  if (host_) setZ(host_->highestZ() + 1);
}

void OMTrinket::sendToBack()
{
  if (host_) setZ(host_->lowestZ() - 1);
}

void OMTrinket::setGrid(int stepX, int stepY, int originX, int originY)
{
  gridStepX_ = stepX;
  gridStepY_ = stepY;
  gridOriginX_ = originX;
  gridOriginY_ = originY;
}

namespace {

// The move that puts the position on the nearer grid line; a tie goes down.
int snapDelta(int position, int step, int origin)
{
  if (!step) return 0;
  const double n = std::ceil(static_cast<double>(position - origin) / step - 0.5);
  return static_cast<int>(n) * step + origin - position;
}

}  // namespace

void OMTrinket::snapToGrid()
{
  if (!gridStepX_ && !gridStepY_) return;
  if (!snapArea_.isEmpty() && !snapArea_.intersects(rect_)) return;
  int dx = snapDelta(x(), gridStepX_, gridOriginX_);
  int dy = snapDelta(y(), gridStepY_, gridOriginY_);
  offset(dx, dy);
  clearDragHysteresis();
}

void OMTrinket::clearDragHysteresis()
{
  clampedX_ = 0;
  clampedY_ = 0;
}

void OMTrinket::offset(int& dx, int& dy)
{
  dx = static_cast<int>(clampCoordinate(std::int64_t(x()) + dx) - std::int64_t(x()));
  dy = static_cast<int>(clampCoordinate(std::int64_t(y()) + dy) - std::int64_t(y()));
  dragTo(dx, dy);
  if (!dx && !dy) return;
  invalidate();
  rect_.offset(dx, dy);
}

void OMTrinket::offsetBy(int dx, int dy)
{
  offset(dx, dy);
}

namespace {

// One axis of the confinement: the position follows the pointer until it would leave
// [low, high]; then it waits at the bound until the saved position comes back inside.
void confineAxis(int& position, int delta, int low, int high, int& saved, int& clamped)
{
  if (!clamped) {
    position += delta;
    if (position < low || position > high) {
      saved = position;
      clamped = 1;
      position = position < low ? low : high;
    }
    return;
  }
  // The pointer may wander off without end; the place it would have taken the trinket to
  // stays within the coordinate range.
  saved = clampCoordinate(std::int64_t(saved) + delta);
  if (saved >= low && saved <= high) {
    position = saved;
    clamped = 0;
  }
}

}  // namespace

void OMTrinket::dragTo(int& dx, int& dy)
{
  if (!confineDrags_ || !confined_) return;
  int px = x();
  int py = y();
  confineAxis(px, dx, bounds_.left(), bounds_.right() - rect_.width(), savedX_, clampedX_);
  confineAxis(py, dy, bounds_.top(), bounds_.bottom() - rect_.height(), savedY_, clampedY_);
  dx = px - x();
  dy = py - y();
}

void OMTrinket::markWholeDirty()
{
  for (int b = 0; b < bufferCount(); ++b)
    dirty_[b].assignRect(rect_);
  setDrawState(whollyDirty);
  if (host_) host_->setDirty(1);
}

void OMTrinket::setDirtyArea(const OMRegion& region)
{
  setDirtyRegion(region);
  setDrawState(partlyDirty);
  if (host_) host_->setDirty(1);
}

void OMTrinket::addDirtyArea(const OMRegion& region)
{
  addDirtyRegion(region);
  setDrawState(partlyDirty);
  if (host_) host_->setDirty(1);
}

void OMTrinket::refreshHover()
{
  if (host_) host_->updateHover(lastMousePoint_, 0);
}

void OMTrinket::setRectLTRB(int left, int top, int right, int bottom)
{
  rect_.set(left, top, right, bottom);
  refreshHover();
}

void OMTrinket::setRect(const OMRect& rect)
{
  setRectLTRB(rect.left(), rect.top(), rect.right(), rect.bottom());
}

void OMTrinket::setDirtyRegion(const OMRegion& region)
{
  for (int b = 0; b < bufferCount(); ++b)
    dirty_[b] = region;
}

void OMTrinket::addDirtyRegion(const OMRegion& region)
{
  for (int b = 0; b < bufferCount(); ++b)
    dirty_[b].unionWith(region);
}

void OMTrinket::setDrawState(int state)
{
  for (int b = 0; b < bufferCount(); ++b)
    drawState_[b] = state;
}

void OMTrinket::draw()
{
  if (!onStage()) return;
  const int b = host_->currentBuffer();
  OMRegion& repaint = host_->repaintRegion(b);
  bool whole = false;
  switch (drawState_[b]) {
    case clean:
      if (!rect_.intersectsRegion(repaint)) return;
      [[fallthrough]];
    case partlyDirty: {
      if (redrawMode_ == 0 || rect_.isInRegion(repaint)) {
        markWholeDirty();
        whole = true;
        break;
      }
      const OMRegion part = OMRegion(rect_).intersection(repaint);
      if (!part.isEmpty()) {
        if (redrawMode_ == 1) {
          setDirtyArea(OMRegion(part.bounds().united(dirty_[b].bounds())));
        } else {
          addDirtyArea(part);
        }
      }
      if (!rect_.isWithin(dirty_[b].bounds())) {
        addRepaintRegion(dirty_[b]);
      } else {
        markWholeDirty();
        whole = true;
      }
      break;
    }
    default:
      whole = true;
      break;
  }
  if (whole) host_->addRepaintRect(rect_);
  draw(whole);
}

void OMTrinket::addRepaintRegion(const OMRegion& region)
{
  host_->addRepaintRegion(region);
}

void OMTrinket::draw(bool whole)
{
  const int b = host_->currentBuffer();
  OMMemCanvas* canvas = host_->offscreen();
  if (host_->flashDelay()) {
    host_->outline(whole ? OMRegion(rect_) : dirty_[b],
                   OMRGBColor(0, static_cast<std::uint16_t>(0xFFFF >> b), 0));
  }
  bool clipped = false;
  if (clipToBounds_ && !rect_.isWithin(bounds_)) {
    if (whole) {
      const OMRegion limit(bounds_);
      canvas->setClipRegion(&limit);
      clipped = true;
    } else {
      dirty_[b].intersectWith(OMRegion(bounds_));
    }
  }
  if (!whole) {
    canvas->setClipRegion(&dirty_[b]);
    clipped = true;
  }
  paint();
  if (clipped) canvas->setClipRegion(nullptr);
  dirty_[b].clear();
  drawState_[b] = clean;
}

void OMTrinket::setHook(int hook, const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(hooks_[hook], link);
}

void OMTrinket::callHook(int hook)
{
  if (hooks_[hook]) hooks_[hook]->call();
}

void OMTrinket::setHoverCursor(OMCursor* cursor)
{
  hoverCursor_ = cursor;
  if (host_) host_->refreshCursor(1);
}

void OMTrinket::removeFromWindow()
{
  if (isInWindowList()) host_->trinkets().remove(this);
}

void OMTrinket::addToWindow()
{
  if (host_ && !isInWindowList()) host_->trinkets().add(this);
}

bool OMTrinket::isGrabbingInput(int* withHover) const
{
  if (withHover) *withHover = inputMode_ == holdingWithHover ? 1 : 0;
  return inputMode_ == holdingInput || inputMode_ == holdingWithHover;
}

void OMTrinket::setTopLayer(int level)
{
  if (level < 0 || level > 2) return;
  const int wanted = 32765 + level;
  if (wanted == z_) return;
  z_ = wanted;
  reorder();
}

void OMTrinket::grabInput(int on, int withHover)
{
  if (!host_) return;
  if (on) {
    host_->setPressed(this);
    inputMode_ = withHover ? holdingWithHover : holdingInput;
    return;
  }
  if (host_->pressed() == this) host_->setPressed(nullptr);
  inputMode_ = normal;
}

void OMTrinket::setFocus()
{
  if (focusHolder_) focusHolder_->loseFocus();
  focusHolder_ = this;
}

void OMTrinket::loseFocus()
{
  if (focusHolder_ != this) return;
  focusHolder_ = nullptr;
  callHook(focusLostHook);
}

OMMemCanvas* OMTrinket::windowCanvas() const
{
  return host_ ? host_->offscreen() : nullptr;
}

std::uint32_t OMTrinket::windowClock() const
{
  return host_ ? host_->clock() : 0;
}

int OMTrinket::drawState() const
{
  return drawState_[host_ ? host_->currentBuffer() : 0];
}

const OMRegion& OMTrinket::dirtyRegion() const
{
  return dirty_[host_ ? host_->currentBuffer() : 0];
}

bool OMTrinket::isInWindowList() const
{
  return host_ && host_->trinkets().contains(this);
}

int OMTrinket::indexInWindowList() const
{
  if (!host_) return -1;
  int index = 0;
  int found = -1;
  host_->trinkets().firstThat([&](OMTrinket* t) {
    if (t == this) {
      found = index;
      return true;
    }
    ++index;
    return false;
  });
  return found;
}

void OMTrinket::setDefaultCursor(OMCursor* cursor, int applyNow)
{
  defaultCursor_ = cursor;
  OMTrinketWindow* host = OMTrinketWindow::mainHost();
  if (applyNow && host && host->cursorHandling()) host->setCursor(cursor);
}
