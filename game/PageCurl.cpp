#include "game/PageCurl.h"

#include <windows.h>
#include <algorithm>
#include <array>
#include <vector>

#include "framework/OMIStream.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMRegion.h"
#include "framework/OMSystem.h"
#include "framework/OMWndCanvas.h"
#include "game/AppShell.h"
#include "game/OMStageWindow.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMTrinket.h"

namespace {

constexpr int stripWidth = 300;
constexpr int stripHeight = 400;
constexpr std::uint32_t effectTicks = 50;
constexpr long plainCopy = SRCCOPY;

// Where the page's edge stands, in stage columns, for the successive steps.
constexpr std::array<int, 18> edgeTable = {578, 568, 564, 558, 544, 538, 530, 520, 502,
                                           492, 478, 473, 464, 468, 563, 510, 483, 460};

int edge(int index)
{
  return edgeTable[static_cast<std::size_t>(std::clamp(index, 0, 17))];
}

// A copy of a width x height area, both ends kept inside their canvases.
void copyArea(OMCanvas& to, OMCanvas& from, int fromX, int fromY, int width, int height, int toX,
              int toY, const OMRegion* clip = nullptr)
{
  const int left = std::max({0, -fromX, -toX});
  const int top = std::max({0, -fromY, -toY});
  const int right = std::min({width, from.width() - fromX, to.width() - toX});
  const int bottom = std::min({height, from.height() - fromY, to.height() - toY});
  if (right <= left || bottom <= top) return;
  to.copyBits(&from, fromX + left, fromY + top, right - left, bottom - top, toX + left, toY + top,
              plainCopy, clip);
}

class PageCurl {
 public:
  PageCurl(OMStageWindow& stage, int direction)
      : stage_(stage),
        direction_(direction),
        screen_(*stage.offscreen()),
        window_(*stage.canvas()),
        width_(stage.offscreen()->width()),
        height_(stage.offscreen()->height()),
        strip_(stripWidth, stripHeight, screen_.depth(), 1),
        old_(width_, height_, screen_.depth(), 1)
  {
    if (screen_.depth() == 8) {
      OMRGBColor colors[OMCanvas::paletteSize];
      screen_.getPalette(colors);
      strip_.setPalette(colors);
      old_.setPalette(colors);
    }
  }

  void play(std::unique_ptr<OMIStream> pageStream, const std::function<void(int)>& stepShown)
  {
    const std::uint32_t start = getTicks();
    copyArea(old_, screen_, 0, 0, width_, height_, 0, 0);
    const int present = stage_.presentEnabled();
    stage_.setPresentEnabled(0);
    stage_.frameStep();
    page_ = std::make_unique<OMAnimation>(std::move(pageStream), OMTrinket::noPosition,
                                          OMTrinket::noPosition, &stage_);
    page_->setTouchy(0);
    images_ = page_->imageCount();
    lastWidth_ = images_ > 0 ? page_->imageWidth(images_ - 1) : 0;
    page_->goToFrame(images_, 1);
    origin_ = page_->x();
    const std::uint32_t period = static_cast<std::uint32_t>(50 / (images_ + 10));
    x_ = direction_ == 0 ? width_ : 0;
    while (images_ > 0 && getTicks() < start + effectTicks) {
      const std::uint32_t stepStart = getTicks();
      if (!step()) break;
      if (stepShown) stepShown(step_);
      while (getTicks() < stepStart + period)
        Sleep(1);
      ++step_;
    }
    page_.reset();
    stage_.setPresentEnabled(present);
    stage_.drawBackground();
    flushInputMessages();
  }

 private:
  // One picture of the effect on the window; false when the page has gone.
  bool step()
  {
    if (direction_ == 0) return step_ < images_ - 1 ? turnLeft() : slideLeft();
    return x_ < origin_ ? slideRight() : turnBackRight();
  }

  OMPoint inStrip(int x, int y) const { return OMPoint{x - origin_, y}; }

  bool turnLeft()
  {
    page_->goToFrame(step_ + 1, 1);
    x_ = page_->x();
    OMRect r = page_->rect();
    std::vector<OMPoint> corners;
    if (step_ < 10) {
      corners = {inStrip(r.right(), r.top()), inStrip(r.right(), r.bottom()),
                 inStrip(edge(step_), r.bottom())};
    } else {
      corners = {inStrip(r.right() + stripWidth, r.top()),
                 inStrip(r.right() + stripWidth, r.bottom()), inStrip(edge(step_), r.bottom()),
                 inStrip(edge(step_ + 4), r.top())};
    }
    const OMRegion clip(corners.data(), static_cast<int>(corners.size()));
    r.set(r.left(), r.top(), r.right() + stripWidth, r.bottom());
    copyArea(strip_, old_, origin_, 0, stripWidth, stripHeight, 0, 0);
    copyArea(strip_, screen_, r.left(), r.top(), r.width(), r.height(), x_ - origin_, page_->y(),
             &clip);
    page_->drawCurrentAt(x_ - origin_, page_->y(), &strip_);
    copyArea(window_, strip_, 0, 0, stripWidth, stripHeight, origin_, 0);
    return true;
  }

  bool slideLeft()
  {
    page_->goToFrame(images_, 1);
    x_ -= lastWidth_;
    if (x_ < 0) return false;
    page_->setPosition(x_, page_->y());
    OMRect r = page_->rect();
    r.set(r.left(), r.top(), r.right() + stripWidth, r.bottom());
    copyArea(strip_, old_, origin_, 0, stripWidth, stripHeight, 0, 0);
    copyArea(strip_, screen_, r.left(), 0, r.width(), stripHeight, 0, 0);
    page_->drawCurrentAt(0, 8, &strip_);
    copyArea(window_, strip_, 0, 0, r.width(), stripHeight, x_, 0);
    return true;
  }

  bool slideRight()
  {
    page_->goToFrame(images_, 1);
    page_->setPosition(x_, page_->y());
    const bool first = step_ == 0;
    const OMRect r = first ? page_->rect() : previous_.united(page_->rect());
    previous_ = page_->rect();
    copyArea(strip_, screen_, r.left(), 0, r.width(), stripHeight, 0, 0);
    page_->drawCurrentAt(first ? 0 : lastWidth_, 8, &strip_);
    copyArea(window_, strip_, 0, 0, r.width(), stripHeight, r.left(), 0);
    x_ += lastWidth_;
    return true;
  }

  bool turnBackRight()
  {
    OMRect r = page_->rect();
    const int f = page_->frameNumber() - 1;
    if (f < 1) return false;
    page_->goToFrame(f, 1);
    r = r.united(page_->rect());
    x_ = page_->x();
    std::vector<OMPoint> corners;
    if (f < 11) {
      corners = {inStrip(origin_, 0), inStrip(r.right(), 0), inStrip(r.right(), r.top()),
                 inStrip(edge(f), r.bottom()), inStrip(origin_, r.bottom())};
    } else {
      corners = {inStrip(origin_, 0), inStrip(edge(f + 3), r.top()),
                 inStrip(edge(f - 1), r.bottom()), inStrip(origin_, r.bottom())};
    }
    const OMRegion clip(corners.data(), static_cast<int>(corners.size()));
    const int left = origin_ - 2;
    copyArea(strip_, screen_, left, 0, stripWidth + 2, stripHeight, 0, 0);
    copyArea(strip_, old_, left, 0, stripWidth + 2, stripHeight, 0, 0, &clip);
    page_->drawCurrentAt(x_ - origin_, page_->y(), &strip_);
    copyArea(window_, strip_, 0, 0, stripWidth, stripHeight, left, 0);
    return true;
  }

  OMStageWindow& stage_;
  int direction_;
  OMMemCanvas& screen_;
  OMWndCanvas& window_;
  int width_;
  int height_;
  OMMemCanvas strip_;
  OMMemCanvas old_;
  std::unique_ptr<OMAnimation> page_;
  int images_ = 0;
  int lastWidth_ = 0;
  int origin_ = 0;
  int x_ = 0;
  int step_ = 0;
  OMRect previous_;
};

}  // namespace

void playPageCurl(int direction, std::unique_ptr<OMIStream> page)
{
  playPageCurl(direction, std::move(page), {});
}

void playPageCurl(int direction, std::unique_ptr<OMIStream> page,
                  const std::function<void(int step)>& stepShown)
{
  OMStageWindow* stage = shellStage();
  if (stage == nullptr || stage->offscreen() == nullptr || stage->canvas() == nullptr || !page)
    return;
  PageCurl(*stage, direction).play(std::move(page), stepShown);
}
