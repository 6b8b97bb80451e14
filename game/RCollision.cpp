#include "game/RCollision.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "framework/OMLinkToObj.h"
#include "game/WorldField.h"
#include "trinkets/src/OMCollision.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

TrinketRecord collisionRecord("RCollision", &RCollision::create, TrinketRecord::gameEditionOnly);

std::vector<RCollision*>& liveWatches()
{
  static std::vector<RCollision*> watches;
  return watches;
}

std::uint32_t nextOwnTag = RCollision::firstOwnTag;

// A trinket's own tag: the one it got before, else the next free one. Tags stay in the
// positive half of the 32-bit word.
std::int32_t ownTagOf(OMTrinket* trinket)
{
  if (trinket->tag() >= RCollision::firstOwnTag) return trinket->tag();
  const auto tag = static_cast<std::int32_t>(nextOwnTag);
  nextOwnTag = nextOwnTag == 0x7FFFFFFF ? RCollision::firstOwnTag : nextOwnTag + 1;
  trinket->setTag(tag);
  return tag;
}

// A factory argument as a tag: its number, or the own tag of the trinket that the variable of
// that name holds; 0 when it is neither.
std::int32_t tagArgument(const char* argument)
{
  if (const int number = decimalValueOf(argument)) return number;
  auto* trinket = dynamic_cast<OMTrinket*>(scriptVariables.getObjectByName(argument));
  return trinket ? ownTagOf(trinket) : 0;
}

}  // namespace

RCollision::RCollision(std::int32_t tag1, std::int32_t tag2, std::int32_t distance)
    : tag1_(tag1), tag2_(tag2), distance_(distance)
{
  liveWatches().push_back(this);
  setCollisionPurgeListener(&RCollision::forgetEverywhere);
  watch();
}

RCollision::~RCollision()
{
  removeCollisionLinksTo(this);
  auto& watches = liveWatches();
  watches.erase(std::remove(watches.begin(), watches.end(), this), watches.end());
  if (watches.empty()) setCollisionPurgeListener(nullptr);
}

std::unique_ptr<OMScriptableObject> RCollision::create()
{
  const char* first = popScriptArg();
  const char* second = popScriptArg();
  const char* distance = popScriptArg();
  const std::int32_t d = *distance ? decimalValueOf(distance) : OMCollisionWatch::overlap;
  const std::int32_t tag1 = tagArgument(first);
  const std::int32_t tag2 = tagArgument(second);
  if (!tag1 || !tag2) return nullptr;
  return std::make_unique<RCollision>(tag1, tag2, d);
}

std::unique_ptr<OMScriptableObject> RCollision::clone() const
{
  return nullptr;
}

void RCollision::registerMembers()
{
  using Own = OMLinkToObj<RCollision>;
  addEvent("collision");
  addEvent("partition");
  addProperty("name1", nullptr, Own(this, &RCollision::getName1, 0));
  addProperty("name2", nullptr, Own(this, &RCollision::getName2, 0));
  addProperty("tag1", nullptr, Own(this, &RCollision::getTag1, 0));
  addProperty("tag2", nullptr, Own(this, &RCollision::getTag2, 0));
}

void RCollision::watch()
{
  const OMLinkToObj<RCollision> link(this, &RCollision::collided, 0);
  addCollisionWatch(tag1_, tag2_, &link, distance_, 0);
}

OMWord RCollision::collided(OMWord pair)
{
  const auto* words = reinterpret_cast<const OMWord*>(pair);
  first_ = reinterpret_cast<OMTrinket*>(words[0]);
  second_ = reinterpret_cast<OMTrinket*>(words[1]);
  const OMLinkToObj<RCollision> link(this, &RCollision::parted, 0);
  addTouchingPair(&link, 0);
  raise("collision");
  return 0;
}

OMWord RCollision::parted(OMWord)
{
  const std::weak_ptr<int> alive = alive_;
  raise("partition");
  if (!alive.expired()) watch();
  return 0;
}

void RCollision::forget(OMWord trinket)
{
  if (reinterpret_cast<OMWord>(first_) == trinket) first_ = nullptr;
  if (reinterpret_cast<OMWord>(second_) == trinket) second_ = nullptr;
}

void RCollision::forgetEverywhere(OMWord trinket)
{
  for (RCollision* collision : liveWatches())
    collision->forget(trinket);
}

OMWord RCollision::writeName(OMWord buffer, const OMTrinket* trinket)
{
  const char* name = trinket ? scriptVariables.nameOfObject(trinket) : nullptr;
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%s", name ? name : "empty");
  return 1;
}

OMWord RCollision::getName1(OMWord buffer)
{
  return writeName(buffer, first_);
}

OMWord RCollision::getName2(OMWord buffer)
{
  return writeName(buffer, second_);
}

OMWord RCollision::writeTag(OMWord buffer, const OMTrinket* trinket)
{
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%d",
                trinket ? trinket->tag() : 0);
  return 1;
}

OMWord RCollision::getTag1(OMWord buffer)
{
  return writeTag(buffer, first_);
}

OMWord RCollision::getTag2(OMWord buffer)
{
  return writeTag(buffer, second_);
}
