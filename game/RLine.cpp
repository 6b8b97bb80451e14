#include "game/RLine.h"

#include "framework/OMLinkToObj.h"
#include "game/ArcadeMotion.h"
#include "game/WorldField.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

TrinketRecord lineRecord("RLine", &RLine::create, TrinketRecord::gameEditionOnly);

enum Field { pausedField, startXField, endXField, startYField, endYField, timeField };

int numberArgument()
{
  return decimalValueOf(popScriptArg());
}

}  // namespace

RLine::RLine(int startX, int startY, int endX, int endY, int time, OMTrinketWindow* host)
    : OMTrinket(host, 1), startX_(startX), startY_(startY), endX_(endX), endY_(endY), time_(time)
{
  setVisible(0);
  recomputeVelocity();
}

RLine::~RLine() = default;

std::unique_ptr<OMScriptableObject> RLine::create()
{
  const int startX = numberArgument();
  const int startY = numberArgument();
  const int endX = numberArgument();
  const int endY = numberArgument();
  const int time = numberArgument();
  return std::make_unique<RLine>(startX, startY, endX, endY, time, OMTrinketWindow::mainHost());
}

std::unique_ptr<OMScriptableObject> RLine::clone() const
{
  return nullptr;
}

void RLine::registerMembers()
{
  OMTrinket::registerMembers();
  using Own = OMLinkToObj<RLine>;
  addProperty("paused", Own(this, &RLine::setNumber<pausedField>, 0),
              Own(this, &RLine::getNumber<pausedField>, 0));
  addProperty("startX", Own(this, &RLine::setNumber<startXField>, 0),
              Own(this, &RLine::getNumber<startXField>, 0));
  addProperty("endX", Own(this, &RLine::setNumber<endXField>, 0),
              Own(this, &RLine::getNumber<endXField>, 0));
  addProperty("startY", Own(this, &RLine::setNumber<startYField>, 0),
              Own(this, &RLine::getNumber<startYField>, 0));
  addProperty("endY", Own(this, &RLine::setNumber<endYField>, 0),
              Own(this, &RLine::getNumber<endYField>, 0));
  addProperty("time", Own(this, &RLine::setNumber<timeField>, 0),
              Own(this, &RLine::getNumber<timeField>, 0));
  addEvent("finished");
  addMethod("addTrinket", Own(this, &RLine::addTrinketMember, 0));
  addMethod("start", Own(this, &RLine::startMember, 0));
  addMethod("clean", Own(this, &RLine::cleanMember, 0));
}

int& RLine::numberField(int which)
{
  switch (which) {
    case startXField:
      return startX_;
    case endXField:
      return endX_;
    case startYField:
      return startY_;
    case endYField:
      return endY_;
    case timeField:
      return time_;
    default:
      return paused_;
  }
}

template <int Which>
OMWord RLine::getNumber(OMWord buffer)
{
  return writeNumber(buffer, numberField(Which));
}

template <int Which>
OMWord RLine::setNumber(OMWord text)
{
  numberField(Which) = decimalValueOf(reinterpret_cast<const char*>(text));
  if (Which == timeField) endTime_ = startTime_ + static_cast<std::uint32_t>(time_);
  if (Which != pausedField) recomputeVelocity();
  return 1;
}

void RLine::recomputeVelocity()
{
  velocityX_ = velocityOver(startX_, endX_, time_);
  velocityY_ = velocityOver(startY_, endY_, time_);
}

OMTrinket* RLine::trinketOf(const Member& member)
{
  return dynamic_cast<OMTrinket*>(scriptVariables.getObject(member.variable));
}

OMTrinket* RLine::placeAtStart(Member& member)
{
  member.currentX = boundedCoordinate(std::int64_t(startX_) + member.offsetX);
  member.currentY = boundedCoordinate(std::int64_t(startY_) + member.offsetY);
  OMTrinket* trinket = trinketOf(member);
  if (trinket) trinket->setPosition(member.currentX, member.currentY);
  return trinket;
}

OMWord RLine::addTrinketMember(OMWord)
{
  const char* name = popScriptArg();
  Member member{scriptVariables.resolve(name), 0, 0, 0, 0};
  member.offsetX = numberArgument();
  member.offsetY = numberArgument();
  const int z = numberArgument();
  members_.push_back(member);
  if (OMTrinket* trinket = placeAtStart(members_.back())) {
    trinket->setZ(z);
    trinket->setVisible(0);
    trinket->setMovable(0);
    trinket->setTouchy(0);
  }
  return 1;
}

OMWord RLine::startMember(OMWord)
{
  for (Member& member : members_)
    placeAtStart(member);
  showMembers(1);
  startTime_ = windowClock();
  endTime_ = startTime_ + static_cast<std::uint32_t>(time_);
  paused_ = 0;
  return 1;
}

OMWord RLine::cleanMember(OMWord)
{
  members_.clear();
  return 1;
}

void RLine::showMembers(int visible)
{
  for (const Member& member : members_) {
    if (OMTrinket* trinket = trinketOf(member)) trinket->setVisible(visible);
  }
}

void RLine::moveMembers(std::uint32_t elapsed)
{
  const ScopedConfineDrags unconfined(0);
  const std::int64_t x = std::int64_t(startX_) + flownDistance(velocityX_, elapsed);
  const std::int64_t y = std::int64_t(startY_) + flownDistance(velocityY_, elapsed);
  for (Member& member : members_) {
    OMTrinket* trinket = trinketOf(member);
    if (!trinket) continue;
    const int newX = boundedCoordinate(x + member.offsetX);
    const int newY = boundedCoordinate(y + member.offsetY);
    trinket->offsetBy(newX - member.currentX, newY - member.currentY);
    member.currentX = newX;
    member.currentY = newY;
  }
}

void RLine::tick()
{
  if (paused_) return;
  const std::uint32_t now = windowClock();
  if (static_cast<std::int32_t>(now - endTime_) < 0) {
    moveMembers(now - startTime_);
    lastStep_ = now;
    return;
  }
  showMembers(0);
  paused_ = 1;
  // The handler may drop the line: nothing is touched after it.
  raise("finished");
}
