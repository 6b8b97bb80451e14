#include "trinkets/lib/RTimer.h"

#include <cstdint>
#include <cstdlib>

#include <windows.h>

#include "framework/OMApp.h"
#include "framework/OMCanvas.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMRGBColor.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RTimer", &RTimer::create);

}  // namespace

RTimer::RTimer(int interval) : interval_(interval), last_(timeGetTime())
{
  makeTask();
}

RTimer::RTimer(const RTimer& other)
    : OMScriptableObject(other), interval_(other.interval_), last_(timeGetTime())
{
  makeTask();
}

RTimer::~RTimer()
{
  actionLink_.reset();
  if (OMApp* app = OMApp::instance()) app->removeTask(task_.get());
}

void RTimer::makeTask()
{
  const OMLinkToObj<RTimer> link(this, &RTimer::tick);
  task_ = std::make_unique<OMTask>(&link, 0);
  if (OMApp* app = OMApp::instance()) app->addTask(task_.get());
}

std::unique_ptr<OMScriptableObject> RTimer::create()
{
  return std::make_unique<RTimer>(std::atoi(popScriptArg()));
}

std::unique_ptr<OMScriptableObject> RTimer::clone() const
{
  auto copy = std::make_unique<RTimer>(*this);
  copyMembers(copy.get());
  return copy;
}

void RTimer::registerMembers()
{
  const OMLinkToObj<RTimer> setter(this, &RTimer::setInterval, 0);
  addProperty("frameCount", &setter, nullptr);
  addMethod("colorCycling", OMLinkToObj<RTimer>(this, &RTimer::colorCyclingMember));
  addMethod("start", OMLinkToObj<RTimer>(this, &RTimer::startMember));
  addMethod("pause", OMLinkToObj<RTimer>(this, &RTimer::pauseMember));
  addEvent("execute");
}

OMWord RTimer::tick()
{
  if (!running_) return 0;
  // A negative interval fires on every pass, even one in which the clock stood still.
  if (interval_ >= 0 && timeGetTime() - last_ <= static_cast<std::uint32_t>(interval_)) return 0;
  const std::weak_ptr<int> alive = alive_;
  if (actionLink_) {
    std::unique_ptr<OMLink> link = actionLink_->clone();
    link->call();
  } else {
    raise("execute");
  }
  if (alive.expired()) return 0;
  last_ = timeGetTime();
  return 0;
}

OMWord RTimer::cycleColors()
{
  OMTrinketWindow* host = OMTrinketWindow::mainHost();
  OMMemCanvas* canvas = host ? host->offscreen() : nullptr;
  if (!canvas) return 0;
  OMRGBColor colors[OMCanvas::paletteSize];
  canvas->getPalette(colors);
  const int last = first_ + (groups_ - 1) * groupSize_;
  OMRGBColor kept[OMCanvas::paletteSize];
  for (int i = 0; i < groupSize_; ++i)
    kept[i] = colors[last + i];
  for (int i = last - 1; i >= first_; --i)
    colors[i + groupSize_] = colors[i];
  for (int i = 0; i < groupSize_; ++i)
    colors[first_ + i] = kept[i];
  host->setPalette(colors, 0);
  host->repaintWindow();
  return 0;
}

OMWord RTimer::setInterval(OMWord text)
{
  interval_ = std::atoi(reinterpret_cast<const char*>(text));
  return 1;
}

OMWord RTimer::startMember()
{
  running_ = 1;
  last_ = timeGetTime();
  return 1;
}

OMWord RTimer::pauseMember()
{
  running_ = 0;
  return 1;
}

OMWord RTimer::colorCyclingMember()
{
  const int f = std::atoi(popScriptArg());
  const int c = std::atoi(popScriptArg());
  const int n = std::atoi(popScriptArg());
  // Ranges that leave the 256-entry table are refused; the timer keeps raising "execute".
  if (f < 0 || c < 1 || n < 1 || std::int64_t(f) + std::int64_t(c) * n > OMCanvas::paletteSize)
    return 0;
  first_ = f;
  groups_ = c;
  groupSize_ = n;
  const OMLinkToObj<RTimer> step(this, &RTimer::cycleColors);
  actionLink_ = step.clone();
  return 1;
}
