#include "trinkets/src/OMTrinketWindow.h"

#include <cstring>

#include "framework/OMApp.h"
#include "framework/OMEdition.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMSystem.h"
#include "framework/OMTask.h"
#include "framework/OMWaveSound.h"
#include "framework/OMWndCanvas.h"
#include "trinkets/src/OMCollision.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/OMScriptableObjectProperty.h"
#include "trinkets/src/OMTrinket.h"

OMTrinketWindow* OMTrinketWindow::mainHost_ = nullptr;
OMTrinketWindow* OMTrinketWindow::running_ = nullptr;
OMTrinketWindow::EventRecord OMTrinketWindow::eventRecord_;

namespace {

// The head holds the lowest z; a new trinket goes after those of equal z.
int byDepth(OMTrinket* existing, OMTrinket* added)
{
  return existing->z() <= added->z();
}

// Every mouse point the program sees is shifted by the main host's origin.
void addMainHostOrigin(OMPoint& point)
{
  if (OMTrinketWindow* host = OMTrinketWindow::mainHost())
    point.offset(host->offsetX(), host->offsetY());
}

void holdFor(int milliseconds)
{
  const std::uint32_t until = timeGetTime() + static_cast<std::uint32_t>(milliseconds);
  while (static_cast<std::int32_t>(until - timeGetTime()) > 0)
    Sleep(1);
}

// The game's host windows lie in the frame; the assessment program's stage, made without a
// parent, is a window of its own on the screen, over the frame.
OMWindow::Placement placementFor(const OMWindow* parent)
{
  return parent || OMEdition::isGame() ? OMWindow::Placement::inFrame
                                       : OMWindow::Placement::onScreen;
}

}  // namespace

OMTrinketWindow::OMTrinketWindow(OMWindow* parent, OMDrawLayer* background, const OMRect& rect,
                                 int width, int height, int depth, int doubleBuffer)
    : OMWindow(rect, 0, 0, placementFor(parent)), background_(background)
{
  if (!mainHost_) mainHost_ = this;
  if (width < 0) width = rect.width();
  if (height < 0) height = rect.height();
  offscreen_ = std::make_unique<OMMemCanvas>(width, height, depth, doubleBuffer ? 3 : 1);
  if (doubleBuffer && OMApp::canvasesUseDirectDraw() && canvas())
    doubleBuffered_ = canvas()->attachBackBuffer(offscreen_.get()) ? 1 : 0;
  needsRedraw_ = 1;
  trinkets_.setOrdering(&byDepth);
  drawBackground();
  const OMLinkToObj<OMTrinketWindow> step(this, &OMTrinketWindow::frameTaskEntry);
  frameTask_ = std::make_unique<OMTask>(&step, 0);
  if (OMApp* app = OMApp::instance()) app->addTask(frameTask_.get());
  // Time lost to stalled sound output is taken off the clock.
  soundStallLink_ =
      std::make_unique<OMLinkToObj<OMTrinketWindow>>(this, &OMTrinketWindow::addPausedTime, 0);
  addToSoundList(soundStallLink_.get());
}

OMTrinketWindow::OMTrinketWindow(const OMRect& rect, OMWindow* parent, OMDrawLayer* background,
                                 int doubleBuffer)
    : OMTrinketWindow(parent, background, rect, -1, -1, OMApp::offscreenDepth(), doubleBuffer)
{
}

OMTrinketWindow::~OMTrinketWindow()
{
  pause();
  removeFromSoundList(soundStallLink_.get());
  soundStallLink_.reset();
  frameTask_.reset();
  afterPresentLink_.reset();
  for (auto& link : frameLinks_)
    link.reset();
  inputListener_.reset();
  moveListener_.reset();
  setCursor(nullptr);
  // A trinket's destructor takes it out of the list.
  while (OMTrinket* trinket = trinkets_.first())
    delete trinket;
  pressed_ = nullptr;
  if (doubleBuffered_ && canvas()) canvas()->detachBackBuffer(offscreen_.get());
  offscreen_.reset();
  background_.reset();
  if (mainHost_ == this) {
    mainHost_ = nullptr;
    if (mousePointFilter() == &addMainHostOrigin) setMousePointFilter(nullptr);
  }
  if (running_ == this) running_ = nullptr;
}

OMWord OMTrinketWindow::frameTaskEntry()
{
  frameStep();
  return 1;
}

void OMTrinketWindow::callLink(const std::unique_ptr<OMLink>& link, OMWord argument)
{
  if (link) link->call(argument);
}

void OMTrinketWindow::frameStep()
{
  if (noReentry_) {
    if (running_ == this) return;
    running_ = this;
  }
  ++frameDepth_;
  callLink(frameLinks_[frameStartLink]);
  callLink(frameLinks_[beforeTimeLink]);
  advanceTime();
  callLink(frameLinks_[afterTimeLink]);
  if (needsRedraw_) {
    redrawChanges();
    collisionStep();
  }
  callLink(frameLinks_[frameEndLink]);
  --frameDepth_;
  if (running_ == this) running_ = nullptr;
}

void OMTrinketWindow::redrawChanges()
{
  needsRedraw_ = 0;
  const int buffer = buffer_;
  if (backgroundRedraw_) redrawBackgroundDirty();
  callLink(frameLinks_[afterBackgroundLink]);
  redrawTrinkets();
  callLink(frameLinks_[afterTrinketsLink]);
  if (presentEnabled_ || presentForced_) present();
  // A change flipped to the screen in one buffer is repainted into the other on the next
  // frame, which asks for no further one itself.
  const bool flipped = buffer_ != buffer;
  if (flipped && !otherBufferCatchingUp_) needsRedraw_ = 1;
  otherBufferCatchingUp_ = flipped && !otherBufferCatchingUp_;
}

namespace {

// What the collision step asks of a trinket.
struct TrinketAccess {
  bool visible(const OMTrinket* t) const { return t->isVisible() != 0; }
  int tag(const OMTrinket* t) const { return t->tag(); }
  OMRect rect(const OMTrinket* t) const { return t->rect(); }
  bool intersects(const OMTrinket* a, const OMTrinket* b) const { return a->intersects(*b); }
};

}  // namespace

void OMTrinketWindow::collisionStep()
{
  runCollisionStep(trinkets_, TrinketAccess());
}

void OMTrinketWindow::advanceTime()
{
  clock_ = timeGetTime() - pausedTotal_;
  // The list's saved cursor lets a step delete its own trinket or others.
  trinkets_.forEach([](OMTrinket* trinket) {
    (void)trinket->frameWeight();
    if (!(trinket->flags() & OMTrinket::noTick)) trinket->tick();
  });
}

void OMTrinketWindow::redrawTrinkets()
{
  const int b = buffer_;
  repaint_[b] = dirty_[b];
  trinkets_.forEach([](OMTrinket* trinket) { trinket->draw(); });
  dirty_[b].clear();
}

void OMTrinketWindow::present()
{
  const int b = buffer_;
  OMRegion& region = repaint_[b];
  if (region.isEmpty()) return;
  if (flashDelay_) {
    outline(region, OMRGBColor(0, 0, static_cast<std::uint16_t>(0xFFFF >> b)));
    holdFor(flashDelay_);
  }
  if (!doubleBuffered_) {
    const OMRect box = region.bounds();
    if (flashDelay_) holdFor(flashDelay_);
    OMRegion clip = region;
    if (HRGN handle = clip.handle()) OffsetRgn(handle, -originX_, -originY_);
    if (canvas()) {
      canvas()->copyBits(offscreen_.get(), box.left(), box.top(), box.width(), box.height(),
                         box.left() - originX_, box.top() - originY_, SRCCOPY, &clip);
    }
    region.clear();
  } else {
    region.clear();
    buffer_ = 1 - buffer_;
    if (canvas()) canvas()->flip();
  }
  callLink(afterPresentLink_);
}

void OMTrinketWindow::outline(const OMRegion& region, const OMRGBColor& color)
{
  if (!canvas() || region.isEmpty()) return;
  OMRegion shifted = region;
  OffsetRgn(shifted.handle(), -originX_, -originY_);
  canvas()->setFrameColor(color);
  canvas()->setFill(false);
  canvas()->setFrame(true);
  canvas()->setPenWidth(1);
  canvas()->drawRegion(shifted);
  canvas()->setFill(true);
}

void OMTrinketWindow::setBackground(OMDrawLayer* layer)
{
  background_.reset(layer);
  drawBackground();
}

void OMTrinketWindow::drawBackground()
{
  if (!background_) return;
  const OMRegion whole(OMRect(0, 0, offscreen_->width(), offscreen_->height()));
  addDirtyRegion(whole);
  addRepaintRegion(whole);
  needsRedraw_ = 1;
}

void OMTrinketWindow::drawBackgroundImage()
{
  if (!background_) return;
  if (OMCanvas* image = background_->canvas()) {
    offscreen_->copyBits(image, 0, 0, image->width(), image->height(), 0, 0, SRCCOPY, nullptr);
  }
}

void OMTrinketWindow::redrawBackground(const OMRegion& region)
{
  if (!background_ || region.isEmpty()) return;
  const OMRegion painted(background_->draw(offscreen_.get(), region));
  addDirtyRegion(painted);
  addRepaintRegion(painted);
  if (flashDelay_) {
    outline(region, OMRGBColor(static_cast<std::uint16_t>(0xFFFF >> buffer_), 0, 0));
    holdFor(flashDelay_);
  }
}

void OMTrinketWindow::redrawBackgroundDirty()
{
  const OMRegion area = dirty_[buffer_];
  redrawBackground(area);
}

void OMTrinketWindow::repaintWindow()
{
  if (!presentEnabled_ && !presentForced_) return;
  if (doubleBuffered_) {
    drawBackground();
    return;
  }
  if (canvas()) {
    canvas()->copyBits(offscreen_.get(), 0, 0, offscreen_->width(), offscreen_->height(), -originX_,
                       -originY_, SRCCOPY, nullptr);
  }
}

void OMTrinketWindow::addDirtyRegion(const OMRegion& region)
{
  dirty_[0].unionWith(region);
  if (doubleBuffered_) dirty_[1].unionWith(region);
}

void OMTrinketWindow::addDirtyRect(const OMRect& rect)
{
  dirty_[0].unionWith(rect);
  if (doubleBuffered_) dirty_[1].unionWith(rect);
}

void OMTrinketWindow::addRepaintRect(const OMRect& rect)
{
  repaint_[0].unionWith(rect);
  if (doubleBuffered_) repaint_[1].unionWith(rect);
}

void OMTrinketWindow::addRepaintRegion(const OMRegion& region)
{
  repaint_[0].unionWith(region);
  if (doubleBuffered_) repaint_[1].unionWith(region);
}

void OMTrinketWindow::setPalette(const OMRGBColor* colors, int clearIfChanged)
{
  if (!colors) return;
  if (clearIfChanged && offscreen_->depth() == 8) {
    OMRGBColor current[OMCanvas::paletteSize];
    offscreen_->getPalette(current);
    bool differs = false;
    for (int i = 10; i < 246 && !differs; ++i) {
      differs = (current[i].red >> 8) != (colors[i].red >> 8) ||
                (current[i].green >> 8) != (colors[i].green >> 8) ||
                (current[i].blue >> 8) != (colors[i].blue >> 8);
    }
    if (differs) {
      offscreen_->setFillColor(OMRGBColor(0, 0, 0));
      offscreen_->setFill(true);
      offscreen_->setFrame(false);
      offscreen_->drawRect(OMRect(0, 0, offscreen_->width(), offscreen_->height()));
      offscreen_->setFrame(true);
    }
  }
  offscreen_->setPalette(colors);
  if (background_) background_->setPalette(colors);
  if (canvas()) canvas()->setPalette(colors);
}

void OMTrinketWindow::setOrigin(int x, int y)
{
  originX_ = x;
  originY_ = y;
  setMousePointFilter(&addMainHostOrigin);
}

void OMTrinketWindow::changeTrinketFlags(std::uint32_t mask, const char* className, bool set)
{
  if (!mask) return;
  if (set) {
    defaultFlags_ |= mask;
  } else {
    defaultFlags_ &= ~mask;
  }
  trinkets_.forEach([&](OMTrinket* trinket) {
    if (className) {
      const char* name = trinket->className();
      if (!name || std::strcmp(name, className) != 0) return;
    }
    if (set) {
      trinket->setFlags(mask);
    } else {
      trinket->clearFlags(mask);
    }
  });
}

void OMTrinketWindow::setTrinketFlags(std::uint32_t mask, const char* className)
{
  changeTrinketFlags(mask, className, true);
}

void OMTrinketWindow::clearTrinketFlags(std::uint32_t mask, const char* className)
{
  changeTrinketFlags(mask, className, false);
}

OMTrinket* OMTrinketWindow::trinketAt(const OMPoint& point) const
{
  return trinkets_.lastThat([&](OMTrinket* t) {
    return t->isTouchy() && t->isVisible() && !(t->flags() & OMTrinket::noMouseDown) &&
           t->z() >= zFloor_ && t->containsPoint(point);
  });
}

OMTrinket* OMTrinketWindow::hitTest(const OMPoint& point)
{
  pressed_ = trinketAt(point);
  return pressed_;
}

void OMTrinketWindow::pause()
{
  if (pauseStart_) return;
  if (OMApp* app = OMApp::instance()) app->removeTask(frameTask_.get());
  pauseStart_ = timeGetTime();
  // A clock at 0 would read as running.
  if (!pauseStart_) pauseStart_ = 1;
}

void OMTrinketWindow::resume()
{
  if (!pauseStart_) return;
  if (OMApp* app = OMApp::instance()) app->addTask(frameTask_.get());
  pausedTotal_ += timeGetTime() - pauseStart_;
  pauseStart_ = 0;
}

OMWord OMTrinketWindow::addPausedTime(OMWord milliseconds)
{
  if (!trinkets_.isEmpty()) pausedTotal_ += static_cast<std::uint32_t>(milliseconds);
  return 1;
}

void OMTrinketWindow::refreshCursor(int force)
{
  if (!cursorHandling_) return;
  updateHover(getMousePoint(nullptr), force);
}

void OMTrinketWindow::setZFloor(int value)
{
  if (value < -32767) value = -32767;
  if (value > 32764) value = 32764;
  zFloor_ = value;
}

void OMTrinketWindow::widenZRange(int z)
{
  if (z > highestZ_) highestZ_ = z;
  if (z < lowestZ_) lowestZ_ = z;
}

void OMTrinketWindow::forgetTrinket(OMTrinket* trinket)
{
  trinkets_.remove(trinket);
  if (pressed_ == trinket) pressed_ = nullptr;
}

void OMTrinketWindow::setFrameLink(int which, const OMLink* link)
{
  if (which < 0 || which >= frameLinkCount) return;
  OMScriptableObjectProperty::replaceLink(frameLinks_[which], link);
}

void OMTrinketWindow::setInputListener(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(inputListener_, link);
}

void OMTrinketWindow::setMoveListener(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(moveListener_, link);
}

void OMTrinketWindow::setAfterPresentLink(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(afterPresentLink_, link);
}

// Input.

void OMTrinketWindow::routeMouse(int kind, void (OMTrinketWindow::*handler)(const OMPoint&))
{
  if (inputDisabled_) return;
  eventRecord_.point = currentEventMousePoint();
  eventRecord_.kind = kind;
  const OMWord record = reinterpret_cast<OMWord>(&eventRecord_);
  if (kind == 3) callLink(moveListener_, record);
  callLink(inputListener_, record);
  const OMPoint point = eventRecord_.point;
  (this->*handler)(point);
}

void OMTrinketWindow::mouseDown()
{
  routeMouse(1, &OMTrinketWindow::trinketMouseDown);
}

void OMTrinketWindow::mouseUp()
{
  routeMouse(2, &OMTrinketWindow::trinketMouseUp);
}

void OMTrinketWindow::mouseMove()
{
  routeMouse(3, &OMTrinketWindow::trinketDrag);
}

void OMTrinketWindow::doubleClick()
{
  routeMouse(4, &OMTrinketWindow::trinketDoubleClick);
}

void OMTrinketWindow::keyDown()
{
  if (inputDisabled_) return;
  eventRecord_.kind = 0;
  callLink(inputListener_, reinterpret_cast<OMWord>(&eventRecord_));
  if (OMTrinket* holder = OMTrinket::focusHolder()) {
    if (!(holder->flags() & OMTrinket::noKeyHook)) holder->onKeyDown();
    return;
  }
  OMWindow::keyDown();
}

bool OMTrinketWindow::layerTakes(int linkIndex, std::uint32_t flag, const OMPoint& point)
{
  if (!background_) return false;
  OMLink* link = background_->link(linkIndex);
  if (!link || (background_->flags() & flag)) return false;
  OMRect area = background_->imageRect();
  area.offset(originX_, originY_);
  if (!area.containsPoint(point)) return false;
  OMPoint copy = point;
  link->call(reinterpret_cast<OMWord>(&copy));
  return true;
}

void OMTrinketWindow::trinketMouseDown(const OMPoint& point)
{
  if (!pressed_) hitTest(point);
  OMTrinket* hit = pressed_;
  if (!hit || (hit->flags() & OMTrinket::noMouseDown)) {
    pressed_ = nullptr;
    if (!layerTakes(OMDrawLayer::pressLink, OMTrinket::noMouseDown, point)) OMWindow::mouseDown();
  } else {
    hit->onMouseDown();
    if (pressed_ == hit) hit->raise("mouseDown");
    if (pressed_ == hit) {
      if (!hit->isMovable()) {
        if (hit->inputMode() == OMTrinket::normal) pressed_ = nullptr;
      } else {
        hit->reorder();
        if (cursorHandling_) hit->showTrackingCursor();
        if (hit->inputMode() == OMTrinket::normal) hit->setInputMode(OMTrinket::dragging);
      }
    }
  }
  OMTrinket::setLastMousePoint(point);
}

void OMTrinketWindow::trinketMouseUp(const OMPoint& point)
{
  OMTrinket* hit = pressed_;
  if (!hit || (hit->flags() & OMTrinket::noMouseUp)) {
    if (!layerTakes(OMDrawLayer::releaseLink, OMTrinket::noMouseUp, point)) OMWindow::mouseUp();
  } else {
    // Each step may end the press, or destroy the trinket.
    hit->clearDragHysteresis();
    if (pressed_ == hit && cursorHandling_) hit->showHoverCursor();
    if (pressed_ == hit) hit->snapToGrid();
    if (pressed_ == hit) hit->onMouseUp();
    if (pressed_ == hit) hit->raise("mouseUp");
    if (pressed_ == hit && hit->inputMode() == OMTrinket::dragging) {
      hit->setInputMode(OMTrinket::normal);
      pressed_ = nullptr;
    }
  }
  updateHover(point, 0);
}

void OMTrinketWindow::trinketDrag(const OMPoint& point)
{
  OMTrinket* hit = pressed_;
  if (hit && !(hit->flags() & OMTrinket::noDrag)) {
    const OMPoint last = OMTrinket::lastMousePoint();
    int dx = point.x - last.x;
    int dy = point.y - last.y;
    hit->onDrag();
    if (pressed_ == hit && hit->isMovable()) hit->offset(dx, dy);
    if (pressed_ == hit && hit->inputMode() == OMTrinket::holdingWithHover) updateHover(point, 0);
  } else {
    if (!layerTakes(OMDrawLayer::dragLink, OMTrinket::noDrag, point)) OMWindow::mouseMove();
    updateHover(point, 0);
  }
  OMTrinket::setLastMousePoint(point);
}

void OMTrinketWindow::trinketDoubleClick(const OMPoint& point)
{
  if (!pressed_) hitTest(point);
  OMTrinket* hit = pressed_;
  if (!hit || (hit->flags() & OMTrinket::noDoubleClick)) {
    pressed_ = nullptr;
    if (!layerTakes(OMDrawLayer::doubleClickLink, OMTrinket::noDoubleClick, point))
      OMWindow::doubleClick();
    return;
  }
  hit->onDoubleClick();
  if (pressed_ == hit) hit->raise("dblClick");
  if (pressed_ == hit && hit->inputMode() == OMTrinket::normal) pressed_ = nullptr;
}

void OMTrinketWindow::updateHover(const OMPoint& point, int force)
{
  if (OMTrinket::flyGuard()) return;
  if (pressed_ && pressed_->inputMode() != OMTrinket::holdingWithHover) return;
  OMTrinket* under = trinketAt(point);
  OMTrinket* old = OMTrinket::hovered();
  if (under && under == old && !force) return;
  const bool changed = under != old;
  OMTrinket::setHovered(under);
  const bool mayFire = !hoverOnMoveOnly_ || !(point == OMTrinket::lastMousePoint());
  if (mayFire && changed) {
    if (old && !(old->flags() & OMTrinket::noFlyOff)) {
      OMTrinket::setFlyGuard(old);
      old->onFlyOff();
      if (OMTrinket::flyGuard() == old) old->raise("flyOff");
      OMTrinket::setFlyGuard(nullptr);
    }
    // The fly-off handler may have destroyed the new one.
    under = OMTrinket::hovered();
    if (under && !(under->flags() & OMTrinket::noFlyOn)) {
      OMTrinket::setFlyGuard(under);
      under->onFlyOn();
      if (OMTrinket::flyGuard() == under) under->raise("flyOn");
      OMTrinket::setFlyGuard(nullptr);
    }
  }
  if (cursorHandling_) {
    under = OMTrinket::hovered();
    if (!under) {
      setCursor(OMTrinket::defaultCursor());
    } else {
      under->showHoverCursor();
    }
  }
}
