#include "game/OMStageWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "framework/OMApp.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMSystem.h"
#include "framework/OMTask.h"
#include "framework/OMWndCanvas.h"
#include "game/SceneLayer.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMColorTable.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/OMScriptableObjectProperty.h"

namespace {

PaletteShiftHook paletteShiftHook = nullptr;
StageStreamLoader backgroundLoader = nullptr;
StageStreamLoader paletteLoader = nullptr;
// Set while the stage's per-pass work runs: a nested call does nothing.
bool inPass = false;

// The dissolve's grid: 32 x 32 cells of 20 x 15 pixels, visited by a 10-bit shift register.
constexpr int dissolveColumns = 32;
constexpr int cellWidth = 20;
constexpr int cellHeight = 15;
constexpr int dissolveCells = 1024;
constexpr int dissolveFirstCell = 0x120;
constexpr int dissolveTaps = 0x240;

OMRGBColor blackFor(int depth)
{
  return depth == 8 ? OMRGBColor::fromIndex(0) : OMRGBColor(0, 0, 0);
}

void shiftEntry(OMRGBColor& color)
{
  const double r = color.red, g = color.green, b = color.blue;
  const double largest = std::max({r, g, b});
  const double smallest = std::min({r, g, b});
  double value = largest / 65535.0;
  const double saturation = largest > 0 ? (largest - smallest) / largest : 0;
  double hue = 0;
  if (saturation > 0) {
    const double range = largest - smallest;
    if (largest == r) {
      hue = 60 * (g - b) / range;
    } else if (largest == g) {
      hue = 60 * (2 + (b - r) / range);
    } else {
      hue = 60 * (4 + (r - g) / range);
    }
    if (hue < 0) hue += 360;
  }
  value = std::min(1.0, value + 0.13);
  double red = value, green = value, blue = value;
  if (saturation > 0) {
    const double sector = hue >= 360 ? 0 : hue / 60;
    const int i = static_cast<int>(sector);
    const double f = sector - i;
    const double p = value * (1 - saturation);
    const double q = value * (1 - saturation * f);
    const double t = value * (1 - saturation * (1 - f));
    switch (i) {
      case 0:
        red = value, green = t, blue = p;
        break;
      case 1:
        red = q, green = value, blue = p;
        break;
      case 2:
        red = p, green = value, blue = t;
        break;
      case 3:
        red = p, green = q, blue = value;
        break;
      case 4:
        red = t, green = p, blue = value;
        break;
      default:
        red = value, green = p, blue = q;
        break;
    }
  }
  color.red = static_cast<std::uint16_t>(red * 65535);
  color.green = static_cast<std::uint16_t>(green * 65535);
  color.blue = static_cast<std::uint16_t>(blue * 65535);
  if (color.red >= 0xFF00 && color.green >= 0xFF00 && color.blue >= 0xFF00) {
    color.red = color.green = color.blue = 0xFE00;
  } else if (color.red < 257 && color.green < 257 && color.blue < 257) {
    color.red = color.green = color.blue = 256;
  }
}

}  // namespace

void installPaletteShiftHook(PaletteShiftHook hook)
{
  paletteShiftHook = hook;
}

void setBackgroundLoader(StageStreamLoader loader)
{
  backgroundLoader = loader;
}

void setPaletteLoader(StageStreamLoader loader)
{
  paletteLoader = loader;
}

void paletteColourShift(OMRGBColor* colors)
{
  if (!colors) return;
  for (int i = 10; i < 246; ++i)
    shiftEntry(colors[i]);
}

OMStageWindow::OMStageWindow(const OMRect& rect, OMWindow* parent, OMDrawLayer* background,
                             int /*reserved*/, int width, int height, int depth, int doubleBuffer)
    : OMTrinketWindow(parent, background, rect, width, height, depth, doubleBuffer)
{
  const bool paletted = getScreenDepth() == 8;
  const OMRGBColor black = blackFor(paletted ? 8 : 16);
  if (canvas()) canvas()->setBackground(black);
  offscreen()->setBackground(black);
  ShowWindow(handle(), SW_SHOW);
  if (paletted && canvas()) canvas()->setBackground(OMRGBColor::fromIndex(-2));
  const OMLinkToObj<OMStageWindow> paint(this, &OMStageWindow::paintHandler);
  setPaintLink(&paint);
  activate();
  visible_.setRect(windowRect());
}

OMStageWindow::~OMStageWindow()
{
  dropEffectTask();
  retiredTasks_.clear();
  effectFinishedLink_.reset();
}

void OMStageWindow::setLayerMadeLink(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(layerMadeLink_, link);
}

OMWord OMStageWindow::paintHandler()
{
  repaintWindow();
  return 0;
}

// Input.

void OMStageWindow::doubleClick()
{
  if (doubleClicksDisabled_) {
    mouseDown();
    return;
  }
  deliverHeldMove(true);
  OMTrinketWindow::doubleClick();
}

void OMStageWindow::mouseDown()
{
  deliverHeldMove(true);
  OMTrinketWindow::mouseDown();
}

void OMStageWindow::mouseUp()
{
  deliverHeldMove(true);
  OMTrinketWindow::mouseUp();
}

void OMStageWindow::mouseMove()
{
  const std::uint32_t now = timeGetTime();
  if (now >= nextMove_) {
    nextMove_ = now + static_cast<std::uint32_t>(std::max(0, mouseMoveInterval_));
    moveHeld_ = false;
    OMTrinketWindow::mouseMove();
    return;
  }
  // Only the newest of the moves in between matters: it is handed on when its time comes.
  moveHeld_ = true;
  heldMove_ = currentEvent();
}

void OMStageWindow::deliverHeldMove(bool now)
{
  if (!moveHeld_) return;
  const std::uint32_t time = timeGetTime();
  if (!now && time < nextMove_) return;
  moveHeld_ = false;
  nextMove_ = time + static_cast<std::uint32_t>(std::max(0, mouseMoveInterval_));
  const MSG current = currentEvent();
  currentEvent() = heldMove_;
  OMTrinketWindow::mouseMove();
  currentEvent() = current;
}

void OMStageWindow::frameStep()
{
  if (inPass) return;
  deliverHeldMove(false);
  inPass = true;
  OMTrinketWindow::frameStep();
  inPass = false;
}

// Whole-screen operations.

OMRect OMStageWindow::windowRect() const
{
  if (!canvas()) return OMRect(0, 0, offscreen()->width(), offscreen()->height());
  return OMRect(0, 0, canvas()->width(), canvas()->height());
}

void OMStageWindow::setWindowClip(const OMRegion* region)
{
  if (!canvas()) return;
  // An empty clip would let everything through: a single pixel stands for nothing.
  if (region && region->isEmpty()) {
    const OMRegion corner(OMRect(0, 0, 1, 1));
    canvas()->setClipRegion(&corner);
    return;
  }
  canvas()->setClipRegion(region);
}

void OMStageWindow::markAllDirty()
{
  const OMRegion whole(OMRect(0, 0, offscreen()->width(), offscreen()->height()));
  addDirtyRegion(whole);
  addRepaintRegion(whole);
  setDirty(1);
}

void OMStageWindow::stopEffect()
{
  dropEffectTask();
  const EndFunction end = effectEndFunction_;
  effectEndFunction_ = nullptr;
  if (end) (this->*end)();
  effectMode_ = noEffect;
}

void OMStageWindow::displayScreen(int skipRedraw)
{
  stopEffect();
  setWindowClip(nullptr);
  visible_.setRect(windowRect());
  setPresentEnabled(1);
  if (background()) background()->setHidden(0);
  if (!skipRedraw) {
    drawBackground();
    markAllDirty();
    frameStep();
  }
  flushInputMessages();
}

void OMStageWindow::goToBlack()
{
  stopEffect();
  setWindowClip(nullptr);
  if (OMWndCanvas* window = canvas()) {
    const OMRGBColor black = blackFor(offscreen()->depth());
    window->setFrameColor(black);
    window->setFillColor(black);
    window->setFill(true);
    window->setFrame(false);
    window->drawRect(windowRect());
    window->setFrame(true);
  }
  visible_.clear();
  setWindowClip(&visible_);
  setPresentEnabled(0);
  if (background()) background()->setHidden(1);
}

bool OMStageWindow::scene(std::uint16_t backgroundId, std::uint16_t paletteId)
{
  std::unique_ptr<OMIStream> stream = backgroundLoader ? backgroundLoader(backgroundId) : nullptr;
  if (!stream) {
    reportMissingResource("Scene", "BK16", backgroundId);
    return false;
  }
  if (!background()) {
    setBackground(new SceneLayer(OMRect(0, 0, offscreen()->width(), offscreen()->height()),
                                 stream.release()));
    if (layerMadeLink_) layerMadeLink_->call();
  } else {
    background()->loadFromStream(stream.release());
  }
  // The offscreen picture is current before any effect copies from it.
  drawBackground();
  frameStep();
  OMApp* app = OMApp::instance();
  if (app && app->colorDepth() == 8) return loadPalette(paletteId);
  return true;
}

bool OMStageWindow::loadPalette(std::uint16_t paletteId)
{
  std::unique_ptr<OMIStream> stream = paletteLoader ? paletteLoader(paletteId) : nullptr;
  if (!stream) {
    reportMissingResource("Scene", "RRGB", paletteId);
    return false;
  }
  OMRGBColor colors[colorTableEntries];
  if (!loadColorTable(stream.release(), colors)) return false;
  if (paletteShiftHook) paletteShiftHook(colors);
  setPalette(colors, 0);
  return true;
}

// Effects.

void OMStageWindow::dropEffectTask()
{
  if (!effectTask_) return;
  if (OMApp* app = OMApp::instance()) app->removeTask(effectTask_.get());
  // The task may be the one running now: it goes when no step is under way.
  if (stepDepth_ > 0) {
    retiredTasks_.push_back(std::move(effectTask_));
  } else {
    effectTask_.reset();
  }
}

OMWord OMStageWindow::effectTaskEntry()
{
  if (stepDepth_ == 0) retiredTasks_.clear();
  if (!effectStep_) return 1;
  ++stepDepth_;
  (this->*effectStep_)();
  --stepDepth_;
  return 1;
}

int OMStageWindow::ticksSinceStart() const
{
  return static_cast<int>(getTicks() - effectStart_);
}

void OMStageWindow::startEffect(int duration, int mode, const OMLink* finished, StepFunction step,
                                EndFunction end, bool setClip)
{
  // Every step divides by the duration.
  effectDuration_ = std::max(1, duration);
  effectMode_ = mode;
  std::unique_ptr<OMLink> link = cloneLink(finished);
  effectFinishedLink_ = std::move(link);
  if (effectTask_) {
    dropEffectTask();
    const EndFunction previous = effectEndFunction_;
    effectEndFunction_ = nullptr;
    if (previous) (this->*previous)();
  }
  effectStep_ = step;
  const OMLinkToObj<OMStageWindow> entry(this, &OMStageWindow::effectTaskEntry);
  effectTask_ = std::make_unique<OMTask>(&entry, 0);
  if (OMApp* app = OMApp::instance()) app->addTask(effectTask_.get());
  effectEndFunction_ = end;
  setPresentEnabled(1);
  if (background()) background()->setHidden(0);
  if (setClip) {
    if (mode == hide) {
      visible_.setRect(windowRect());
    } else if (mode == reveal) {
      visible_.clear();
    }
    setWindowClip(&visible_);
  }
  effectStart_ = getTicks();
}

void OMStageWindow::endEffect(bool notify)
{
  dropEffectTask();
  effectStep_ = nullptr;
  effectEndFunction_ = nullptr;
  const int mode = effectMode_;
  if (mode == reveal) {
    displayScreen(0);
  } else if (mode == hide) {
    goToBlack();
  }
  effectMode_ = noEffect;
  if (notify && effectFinishedLink_) effectFinishedLink_->call();
}

void OMStageWindow::fillOnWindow(const OMRegion& area)
{
  OMWndCanvas* window = canvas();
  if (!window || area.isEmpty()) return;
  const OMRGBColor black = blackFor(offscreen()->depth());
  window->setFillColor(black);
  window->setFill(true);
  window->setFrame(false);
  window->drawRegion(area);
  window->setFrame(true);
}

void OMStageWindow::copyToWindow(const OMRegion& area)
{
  OMWndCanvas* window = canvas();
  if (!window || area.isEmpty()) return;
  const OMRect box = area.bounds();
  window->copyBits(offscreen(), box.left() + offsetX(), box.top() + offsetY(), box.width(),
                   box.height(), box.left(), box.top(), SRCCOPY, &area);
}

void OMStageWindow::dissolve(int duration, int mode, const OMLink* finished)
{
  startEffect(duration, mode, finished, &OMStageWindow::dissolveStep, nullptr, true);
  dissolveState_ = dissolveFirstCell;
  effectCount_ = 0;
}

OMWord OMStageWindow::dissolveStep()
{
  const long long ticks = std::max(0, ticksSinceStart());
  const int target =
      static_cast<int>(std::min<long long>(dissolveCells, ticks * dissolveCells / effectDuration_));
  if (effectCount_ >= target) return 0;
  setWindowClip(nullptr);
  OMRegion cells;
  while (effectCount_ < target) {
    const int x = (dissolveState_ % dissolveColumns) * cellWidth;
    const int y = (dissolveState_ / dissolveColumns) * cellHeight;
    cells.unionWith(OMRegion(OMRect(x, y, x + cellWidth, y + cellHeight)));
    ++effectCount_;
    dissolveState_ =
        dissolveState_ % 2 == 0 ? dissolveState_ / 2 : (dissolveState_ / 2) ^ dissolveTaps;
  }
  if (effectMode_ == hide) {
    fillOnWindow(cells);
    visible_.subtract(cells);
  } else {
    copyToWindow(cells);
    visible_.unionWith(cells);
  }
  if (effectCount_ >= dissolveCells) {
    endEffect(true);
  } else {
    setWindowClip(&visible_);
  }
  return 0;
}

void OMStageWindow::iris(int duration, const OMPoint& centre, int targetRadius,
                         const OMLink* finished)
{
  const OMRect box = visible_.bounds();
  const OMRect whole = windowRect();
  int mode;
  OMPoint start;
  int radius;
  if (box.width() <= 1 || box.height() <= 1) {
    // The window is black: the iris opens from the middle.
    mode = reveal;
    start = OMPoint(whole.width() / 2, whole.height() / 2);
    radius = 0;
  } else {
    mode = targetRadius == 0 ? hide : change;
    start = OMPoint(box.left() + box.width() / 2, box.top() + box.height() / 2);
    const int w = box.width(), h = box.height();
    radius = static_cast<int>(std::sqrt(double(w) * (w / 2) / 2 + double(h) * (h / 2) / 2));
  }
  startEffect(duration, mode, finished, &OMStageWindow::irisStep, nullptr, mode != change);
  irisCentreStart_ = start;
  irisCentreTarget_ = centre;
  irisRadiusStart_ = radius;
  irisRadiusTarget_ = std::max(0, targetRadius);
}

OMWord OMStageWindow::irisStep()
{
  const long long ticks = std::clamp(ticksSinceStart(), 0, effectDuration_);
  const auto along = [&](int from, int to) {
    return static_cast<int>(from + (static_cast<long long>(to) - from) * ticks / effectDuration_);
  };
  const int x = along(irisCentreStart_.x, irisCentreTarget_.x);
  const int y = along(irisCentreStart_.y, irisCentreTarget_.y);
  const int radius = along(irisRadiusStart_, irisRadiusTarget_);
  const OMRegion circle = irisCircle(x, y, radius);
  setWindowClip(nullptr);
  if (effectMode_ != reveal) fillOnWindow(visible_.difference(circle));
  if (effectMode_ != hide) copyToWindow(circle);
  visible_ = circle;
  if (radius == irisRadiusTarget_) {
    endEffect(true);
  } else {
    setWindowClip(&visible_);
  }
  return 0;
}

// The platform makes no elliptic region much wider than the 16-bit range: a circle that covers
// the window is the window, and one too large to make is laid row by row over the window.
OMRegion OMStageWindow::irisCircle(int x, int y, int radius) const
{
  OMRegion circle;
  if (radius <= 0) return circle;
  const OMRect whole = windowRect();
  const auto squared = [](long long d) { return d * d; };
  const long long r2 = squared(radius);
  const long long farX = std::max(squared(x - whole.left()), squared(x - whole.right()));
  const long long farY = std::max(squared(y - whole.top()), squared(y - whole.bottom()));
  if (farX + farY <= r2) return OMRegion(whole);
  circle.setShape(x - radius, y - radius, x + radius, y + radius, 1);
  if (!circle.isEmpty()) return circle;
  for (int row = whole.top(); row < whole.bottom(); ++row) {
    const long long dy = squared(row - y);
    if (dy > r2) continue;
    const auto dx = static_cast<long long>(std::sqrt(static_cast<double>(r2 - dy)));
    const long long left = std::max<long long>(whole.left(), x - dx);
    const long long right = std::min<long long>(whole.right(), x + dx + 1);
    if (left < right)
      circle.unionWith(OMRect(static_cast<int>(left), row, static_cast<int>(right), row + 1));
  }
  return circle;
}

void OMStageWindow::wipe(int direction, int duration, int mode, const OMLink* finished)
{
  startEffect(duration, mode, finished, &OMStageWindow::wipeStep, nullptr, true);
  wipeDirection_ = direction ? 1 : 0;
  wipeEdge_ = wipeDirection_ == 0 ? windowRect().width() : 0;
}

OMWord OMStageWindow::wipeStep()
{
  const int width = windowRect().width();
  const long long ticks = std::max(0, ticksSinceStart());
  const int moved = static_cast<int>(std::min<long long>(width, ticks * width / effectDuration_));
  const int edge = wipeDirection_ == 0 ? width - moved : moved;
  const int left = std::min(edge, wipeEdge_), right = std::max(edge, wipeEdge_);
  wipeEdge_ = edge;
  if (right > left) {
    const OMRegion strip(OMRect(left, 0, right, windowRect().height()));
    setWindowClip(nullptr);
    if (effectMode_ == hide) {
      fillOnWindow(strip);
      visible_.subtract(strip);
    } else {
      copyToWindow(strip);
      visible_.unionWith(strip);
    }
  }
  if (edge == (wipeDirection_ == 0 ? 0 : width)) {
    endEffect(true);
  } else {
    setWindowClip(&visible_);
  }
  return 0;
}

void OMStageWindow::shake(int duration, int xAmplitude, int yAmplitude, const OMLink* finished)
{
  startEffect(duration, change, finished, &OMStageWindow::shakeStep, &OMStageWindow::shakeEnd,
              false);
  savedOffsetX_ = offsetX();
  savedOffsetY_ = offsetY();
  shakeX_ = xAmplitude;
  shakeY_ = yAmplitude;
}

OMWord OMStageWindow::shakeStep()
{
  const int t = std::max(0, ticksSinceStart());
  const int d = effectDuration_;
  const auto offset = [&](int peak) {
    if (t >= d) return 0;
    const long long amplitude = 2LL * t < d ? 2LL * peak * t / d : 2LL * peak - 2LL * peak * t / d;
    if (amplitude < 1) return 0;
    return static_cast<int>(std::rand() % (2 * amplitude) - amplitude);
  };
  const int dx = offset(shakeX_);
  const int dy = offset(shakeY_);
  setOrigin(savedOffsetX_ + dx, savedOffsetY_ + dy);
  // The whole picture moved: the next pass draws all of it.
  markAllDirty();
  if (t >= d) endEffect(true);
  return 0;
}

void OMStageWindow::shakeEnd()
{
  setOrigin(savedOffsetX_, savedOffsetY_);
  markAllDirty();
}
