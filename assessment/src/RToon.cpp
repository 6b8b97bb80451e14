#include "assessment/src/RToon.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "assessment/src/ProgramFiles.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMSystem.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/OMFrameEntry.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RToon", &RToon::create, TrinketRecord::assessmentEditionOnly);

using Link = OMLinkToObj<RToon>;

constexpr int ticksPerSecond = 60;

long ticks()
{
  return static_cast<long>(static_cast<unsigned long long>(timeGetTime()) * ticksPerSecond / 1000);
}

int numberOf(OMWord text)
{
  return std::atoi(reinterpret_cast<const char*>(text));
}

}  // namespace

RToon::RToon(std::unique_ptr<OMIStream> stream, int x, int y, int id, int visible, int firstFrame,
             int live, OMTrinketWindow* host)
    : OMAnimation(std::move(stream), x, y, host), id_(id), live_(live)
{
  pause();
  setPosition(x, y);
  showFrame(firstFrame);
  setVisible(visible);
  frameCount_ = frameCount();
  setRate(frameRate());
  if (live_) OMAnimation::start();
  nextStep_ = ticks() + stepDelay_;
}

RToon::~RToon() = default;

std::unique_ptr<OMScriptableObject> RToon::create()
{
  // The animation is placed before the cartoon moves it, so the place is held at once.
  const int x = coordinateOf(popScriptArg());
  const int y = coordinateOf(popScriptArg());
  int n[4];
  for (int& value : n)
    value = std::atoi(popScriptArg());
  std::unique_ptr<OMIStream> stream = resourceById(n[0], "ASEQ");
  if (!stream) return nullptr;
  auto toon = std::make_unique<RToon>(std::move(stream), x, y, n[0], n[1], n[2], n[3],
                                      OMTrinketWindow::mainHost());
  if (toon->sequenceCount() == 0) return nullptr;
  return toon;
}

void RToon::registerMembers()
{
  for (const char* event : {"finished", "hit", "rectHit", "dblClick"})
    addEvent(event);
  addMethod("startToon", Link(this, &RToon::startToonMember));
  addMethod("stopToon", Link(this, &RToon::stopToonMember));
  addMethod("stamp", Link(this, &RToon::stampMember));
  addProperty("visible", Link(this, &RToon::setVisibleMember, 0),
              Link(this, &RToon::getVisible, 0));
  addProperty("rate", Link(this, &RToon::setRateMember, 0), Link(this, &RToon::getRate, 0));
  addProperty("frame", Link(this, &RToon::setFrameMember, 0), Link(this, &RToon::getFrame, 0));
  addProperty("status", Link(this, &RToon::ignore, 0), Link(this, &RToon::getStatus, 0));
  const Link movable(this, &RToon::setMovableMember, 0), offsetBy(this, &RToon::setOffsetMember, 0),
      hot(this, &RToon::setHot, 0), touchy(this, &RToon::setTouchyMember, 0);
  addProperty("movable", &movable, nullptr);
  addProperty("offset", &offsetBy, nullptr);
  addProperty("frames", Link(this, &RToon::ignore, 0), Link(this, &RToon::getFrames, 0));
  addProperty("width", Link(this, &RToon::ignore, 0), Link(this, &RToon::getWidth, 0));
  addProperty("height", Link(this, &RToon::ignore, 0), Link(this, &RToon::getHeight, 0));
  addProperty("hot", &hot, nullptr);
  addProperty("touchy", &touchy, nullptr);
}

void RToon::showFrame(int frame)
{
  if (frame == shown_ || frame < 0 || frame >= frameCount()) return;
  shown_ = frame;
  setFrameIndex(frame, 1);
  invalidate();
}

void RToon::setRate(int rate)
{
  // A rate below 1, from a script or a resource, counts as 1.
  rate_ = std::max(rate, 1);
  stepDelay_ = ticksPerSecond / rate_;
}

void RToon::startToon(int from, int to, int plays, int delay)
{
  from_ = current_ = from;
  to_ = to;
  playsLeft_ = plays == 0 ? 1 : plays;
  status_ = from < to ? forward : from > to ? backward : showOne;
  nextStep_ = ticks() + (delay ? delay : stepDelay_);
  showFrame(from);
  show();
}

void RToon::stopToon(int frame)
{
  current_ = frame;
  status_ = showOne;
  nextStep_ = ticks() + stepDelay_;
  show();
}

void RToon::tick()
{
  const long now = ticks();
  if (now < nextStep_) return;
  nextStep_ = now + stepDelay_;
  step();
}

void RToon::step()
{
  if (status_ == showOne) {
    showFrame(current_);
    status_ = idle;
    return;
  }
  if (status_ != forward && status_ != backward) return;
  showFrame(current_);
  if (live_) OMAnimation::start();
  if (current_ != to_) {
    current_ += status_ == forward ? 1 : -1;
    return;
  }
  current_ = from_;
  if (playsLeft_ == -1 || --playsLeft_ > 0) return;
  status_ = idle;
  raise("finished");
}

bool RToon::containsPoint(const OMPoint& point) const
{
  return rect().containsPoint(point);
}

bool RToon::onDrawnPixel() const
{
  return OMAnimation::containsPoint(currentEventMousePoint());
}

void RToon::onMouseDown()
{
  OMAnimation::onMouseDown();
  raise(onDrawnPixel() ? "hit" : "rectHit");
}

void RToon::onDoubleClick()
{
  OMAnimation::onDoubleClick();
  if (onDrawnPixel()) raise("dblClick");
}

void RToon::onFlyOn()
{
  OMAnimation::onFlyOn();
  if (hot_)
    showHoverCursor();
  else
    showDefaultCursor();
}

OMWord RToon::startToonMember()
{
  const int from = std::atoi(popScriptArg());
  const int to = std::atoi(popScriptArg());
  const int plays = std::atoi(popScriptArg());
  const int delay = std::atoi(popScriptArg());
  startToon(from, to, plays, delay);
  return 1;
}

OMWord RToon::stopToonMember()
{
  stopToon(std::atoi(popScriptArg()));
  return 1;
}

OMWord RToon::stampMember()
{
  OMTrinketWindow* stage = window();
  OMDrawLayer* layer = stage ? stage->background() : nullptr;
  OMCanvas* canvas = layer ? layer->canvas() : nullptr;
  if (!canvas) return 1;
  const OMFrameEntry* entry = frameEntry(-1);
  if (entry && entry->isDisplayable()) drawImage(entry->image, x(), y(), canvas, nullptr);
  invalidate();
  return 1;
}

OMWord RToon::getVisible(OMWord buffer)
{
  return writeNumber(buffer, isVisible());
}

OMWord RToon::setVisibleMember(OMWord text)
{
  setVisible(numberOf(text) ? 1 : 0);
  return 1;
}

OMWord RToon::getRate(OMWord buffer)
{
  return writeNumber(buffer, rate_);
}

OMWord RToon::setRateMember(OMWord text)
{
  setRate(numberOf(text));
  return 1;
}

OMWord RToon::getFrame(OMWord buffer)
{
  return writeNumber(buffer, shown_);
}

OMWord RToon::setFrameMember(OMWord text)
{
  const int frame = numberOf(text);
  from_ = to_ = current_ = frame;
  showFrame(frame);
  shown_ = frame;
  return 1;
}

OMWord RToon::getStatus(OMWord buffer)
{
  return writeNumber(buffer, status_);
}

OMWord RToon::setMovableMember(OMWord text)
{
  setMovable(numberOf(text) ? 1 : 0);
  return 1;
}

OMWord RToon::setOffsetMember(OMWord text)
{
  int dx = numberOf(text);
  int dy = std::atoi(popScriptArg());
  offset(dx, dy);
  return 1;
}

OMWord RToon::getFrames(OMWord buffer)
{
  return writeNumber(buffer, frameCount_);
}

OMWord RToon::getWidth(OMWord buffer)
{
  return writeNumber(buffer, rect().width());
}

OMWord RToon::getHeight(OMWord buffer)
{
  return writeNumber(buffer, rect().height());
}

OMWord RToon::setHot(OMWord text)
{
  hot_ = numberOf(text);
  setTouchy(hot_ ? 1 : 0);
  return 1;
}

OMWord RToon::setTouchyMember(OMWord text)
{
  setTouchy(numberOf(text) ? 1 : 0);
  return 1;
}

OMWord RToon::ignore(OMWord)
{
  return 1;
}
