#include "trinkets/src/OMCollision.h"

OMWord collisionPair[2] = {0, 0};
std::int32_t collisionDistance = 0;

namespace {

// Notices are kept by descending value; among equal values the newest comes first.
int byDescendingValue(OMCollisionWatch* existing, OMCollisionWatch* added)
{
  return existing->value > added->value;
}

struct CollisionLists {
  OMList<OMCollisionWatch> watches;
  OMList<OMCollisionWatch> touching;
  OMList<OMCollisionWatch> collisions;
  OMList<OMCollisionWatch> partitions;

  CollisionLists()
  {
    collisions.setOrdering(byDescendingValue);
    partitions.setOrdering(byDescendingValue);
  }
  ~CollisionLists()
  {
    watches.deleteAll(1);
    touching.deleteAll(1);
    collisions.deleteAll(1);
    partitions.deleteAll(1);
  }
};

CollisionLists lists;
CollisionPurgeListener purgeListener = nullptr;

OMCollisionWatch* find(OMList<OMCollisionWatch>& list, OMWord a, OMWord b)
{
  return list.firstThat([&](OMCollisionWatch* record) { return record->matches(a, b); });
}

void put(OMList<OMCollisionWatch>& list, OMWord a, OMWord b, const OMLink* link,
         std::int32_t distance, std::int32_t value)
{
  OMCollisionWatch* record = find(list, a, b);
  if (!record) {
    record = new OMCollisionWatch;
    record->first = a;
    record->second = b;
    list.add(record);
  }
  record->link = cloneLink(link);
  record->distance = distance;
  record->value = value;
}

void drop(OMList<OMCollisionWatch>& list, OMWord a, OMWord b)
{
  if (OMCollisionWatch* record = find(list, a, b)) delete list.remove(record);
}

void purge(OMList<OMCollisionWatch>& list, OMWord trinket)
{
  while (OMCollisionWatch* record = list.firstThat(
             [&](OMCollisionWatch* r) { return r->first == trinket || r->second == trinket; }))
    delete list.remove(record);
}

void dropLinksTo(OMList<OMCollisionWatch>& list, const void* target)
{
  while (OMCollisionWatch* record = list.firstThat(
             [&](OMCollisionWatch* r) { return r->link && r->link->target() == target; }))
    delete list.remove(record);
}

}  // namespace

OMList<OMCollisionWatch>& collisionWatches()
{
  return lists.watches;
}

OMList<OMCollisionWatch>& touchingPairs()
{
  return lists.touching;
}

OMList<OMCollisionWatch>& collisionNotices()
{
  return lists.collisions;
}

OMList<OMCollisionWatch>& partitionNotices()
{
  return lists.partitions;
}

void addCollisionWatch(std::int32_t tag1, std::int32_t tag2, const OMLink* link,
                       std::int32_t distance, std::int32_t value)
{
  put(lists.watches, tagWord(tag1), tagWord(tag2), link, distance, value);
}

void removeCollisionWatch(std::int32_t tag1, std::int32_t tag2)
{
  drop(lists.watches, tagWord(tag1), tagWord(tag2));
}

OMLink* collisionWatchLink(std::int32_t tag1, std::int32_t tag2)
{
  OMCollisionWatch* watch = find(lists.watches, tagWord(tag1), tagWord(tag2));
  return watch ? watch->link.get() : nullptr;
}

void addTouchingPair(const OMLink* link, std::int32_t value)
{
  put(lists.touching, collisionPair[0], collisionPair[1], link, collisionDistance, value);
}

void removeTouchingPair(OMWord trinket1, OMWord trinket2)
{
  drop(lists.touching, trinket1, trinket2);
}

OMLink* touchingPairLink(OMWord trinket1, OMWord trinket2)
{
  OMCollisionWatch* record = find(lists.touching, trinket1, trinket2);
  return record ? record->link.get() : nullptr;
}

void purgeCollisionTrinket(OMWord trinket)
{
  purge(lists.collisions, trinket);
  purge(lists.touching, trinket);
  purge(lists.partitions, trinket);
  if (purgeListener) purgeListener(trinket);
}

void removeCollisionLinksTo(const void* target)
{
  if (!target) return;
  dropLinksTo(lists.watches, target);
  dropLinksTo(lists.collisions, target);
  dropLinksTo(lists.touching, target);
  dropLinksTo(lists.partitions, target);
}

void setCollisionPurgeListener(CollisionPurgeListener listener)
{
  purgeListener = listener;
}

void fireCollisionNotices(OMList<OMCollisionWatch>& notices)
{
  // A link may register the pair again (addTouchingPair), so each notice leaves the list
  // before its link runs.
  while (OMCollisionWatch* notice = notices.first()) {
    notices.remove(notice);
    std::unique_ptr<OMCollisionWatch> owned(notice);
    if (!notice->link) continue;
    collisionPair[0] = notice->first;
    collisionPair[1] = notice->second;
    collisionDistance = notice->distance;
    notice->link->call(reinterpret_cast<OMWord>(collisionPair));
  }
}

std::int64_t squaredCentreDistance(const OMRect& a, const OMRect& b)
{
  const std::int64_t dx = std::int64_t(a.left() + a.width() / 2) - (b.left() + b.width() / 2);
  const std::int64_t dy = std::int64_t(a.top() + a.height() / 2) - (b.top() + b.height() / 2);
  return dx * dx + dy * dy;
}
