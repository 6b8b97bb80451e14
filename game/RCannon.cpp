#include "game/RCannon.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "game/WorldField.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord cannonRecord("RCannon", &RCannon::create, TrinketRecord::gameEditionOnly);

constexpr double pi = 3.1415926535;

std::vector<RCannon*>& liveCannons()
{
  static std::vector<RCannon*> cannons;
  return cannons;
}

int numberOf(OMWord text)
{
  return decimalValueOf(reinterpret_cast<const char*>(text));
}

}  // namespace

RCannon::RCannon(std::unique_ptr<OMIStream> stream, OMTrinketWindow* host)
    : OMAnimation(std::move(stream), noPosition, noPosition, host)
{
  liveCannons().push_back(this);
  if (host) {
    keptListener_ = cloneLink(host->inputListener());
    const OMLinkToObj<RCannon> hook(this, &RCannon::mouseEvent, 0);
    host->setInputListener(&hook);
  }
  setTouchy(0);
  aimAtPointer();
}

// The listener found goes back where this cannon's hook sits: on the stage, or kept by a
// cannon made later.
RCannon::~RCannon()
{
  auto& cannons = liveCannons();
  cannons.erase(std::remove(cannons.begin(), cannons.end(), this), cannons.end());
  OMTrinketWindow* host = window();
  OMLink* listener = host ? host->inputListener() : nullptr;
  if (listener && listener->target() == this) {
    host->setInputListener(keptListener_.get());
    return;
  }
  for (RCannon* later : cannons) {
    if (later->keptListener_ && later->keptListener_->target() == this) {
      later->keptListener_ = std::move(keptListener_);
      return;
    }
  }
}

std::unique_ptr<OMScriptableObject> RCannon::create()
{
  const auto id = static_cast<std::uint16_t>(decimalValueOf(popScriptArg()));
  std::unique_ptr<OMIStream> stream = animationResolver ? animationResolver(id) : nullptr;
  if (!stream) return nullptr;
  return std::make_unique<RCannon>(std::move(stream), OMTrinketWindow::mainHost());
}

std::unique_ptr<OMScriptableObject> RCannon::clone() const
{
  return nullptr;
}

void RCannon::stateText(char* buffer, std::size_t size) const
{
  std::snprintf(buffer, size, "%d %d", rect().left(), rect().right());
}

void RCannon::registerMembers()
{
  OMAnimation::registerMembers();
  using Own = OMLinkToObj<RCannon>;
  addProperty("active", Own(this, &RCannon::setActive, 0), Own(this, &RCannon::getActive, 0));
  addProperty("visible", Own(this, &RCannon::setVisibleMember, 0),
              Own(this, &RCannon::getVisibleMember, 0));
  addProperty("frame", nullptr, Own(this, &RCannon::getFrame, 0));
}

int RCannon::frameToward(const OMPoint& point) const
{
  const int dx = point.x - pivotX;
  const int dy = pivotY - point.y;
  if (rect().containsPoint(point)) return 3;
  if (dx == 0) return 0;
  if (dy < 0) return dx < 0 ? 1 : 5;
  const double angle = std::atan2(dy, dx) * 180 / pi;
  if (dx > 0) return angle <= 30 ? 5 : angle <= 60 ? 4 : 3;
  return angle <= 120 ? 3 : angle <= 150 ? 2 : 1;
}

void RCannon::aim(const OMPoint& point)
{
  if (!active_) return;
  if (const int frame = frameToward(point)) goToFrame(frame, 0);
}

void RCannon::aimAtPointer()
{
  if (window()) aim(window()->getMousePoint(nullptr));
}

// The listener found hears every record first; key records carry no point to aim at.
OMWord RCannon::mouseEvent(OMWord record)
{
  if (keptListener_) keptListener_->call(record);
  const auto* event = reinterpret_cast<const OMTrinketWindow::EventRecord*>(record);
  if (event && event->kind != 0) aim(event->point);
  return 0;
}

OMWord RCannon::getActive(OMWord buffer)
{
  if (active_) aimAtPointer();
  return writeNumber(buffer, active_);
}

OMWord RCannon::setActive(OMWord text)
{
  active_ = numberOf(text);
  return 1;
}

OMWord RCannon::getVisibleMember(OMWord buffer)
{
  return writeNumber(buffer, isVisible());
}

OMWord RCannon::setVisibleMember(OMWord text)
{
  setVisible(numberOf(text));
  return 1;
}

OMWord RCannon::getFrame(OMWord buffer)
{
  return writeNumber(buffer, frameNumber());
}
