#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMLink.h"
#include "framework/OMList.h"
#include "framework/OMRect.h"
#include "framework/OMWord.h"

// One watch (a pair of tags) or touching record (a pair of trinkets): both kinds keep the
// pair in first and second.
struct OMCollisionWatch {
  // Shapes overlap, instead of centres closer than a distance.
  static constexpr std::int32_t overlap = -1;

  OMWord first = 0;
  OMWord second = 0;
  std::unique_ptr<OMLink> link;
  std::int32_t distance = overlap;
  std::int32_t value = 0;

  bool matches(OMWord a, OMWord b) const
  {
    return (first == a && second == b) || (first == b && second == a);
  }
};

// How a tag is kept in a record.
constexpr OMWord tagWord(std::int32_t tag)
{
  return OMWord(std::uint32_t(tag));
}

// The pair whose link is being called (links get its address) and its distance.
extern OMWord collisionPair[2];
extern std::int32_t collisionDistance;

void addCollisionWatch(std::int32_t tag1, std::int32_t tag2, const OMLink* link,
                       std::int32_t distance, std::int32_t value);
void removeCollisionWatch(std::int32_t tag1, std::int32_t tag2);
OMLink* collisionWatchLink(std::int32_t tag1, std::int32_t tag2);
// For the current pair: fires when its two trinkets part.
void addTouchingPair(const OMLink* link, std::int32_t value);
void removeTouchingPair(OMWord trinket1, OMWord trinket2);
OMLink* touchingPairLink(OMWord trinket1, OMWord trinket2);
// Forgets every record that names the trinket (watches name tags and stay).
void purgeCollisionTrinket(OMWord trinket);
// Removes every watch, touching record and pending notice whose link is bound to the object:
// an object that goes takes its own records, and leaves those of others on the same pair.
void removeCollisionLinksTo(const void* target);
// Told of every trinket that a purge forgets, so that holders of a pair can drop it (null:
// none).
using CollisionPurgeListener = void (*)(OMWord trinket);
void setCollisionPurgeListener(CollisionPurgeListener listener);

// The lists themselves, for the frame step below.
OMList<OMCollisionWatch>& collisionWatches();
OMList<OMCollisionWatch>& touchingPairs();
OMList<OMCollisionWatch>& collisionNotices();
OMList<OMCollisionWatch>& partitionNotices();
// Calls every notice's link in list order with the current pair set, then empties the list,
// deleting its records.
void fireCollisionNotices(OMList<OMCollisionWatch>& notices);

// The squared distance of two rectangles' centres (left + width / 2, top + height / 2).
std::int64_t squaredCentreDistance(const OMRect& a, const OMRect& b);

// The test a host's redrawing frame makes after presenting, over its trinkets in list order.
// Access tells about a trinket: visible(t), tag(t), rect(t) and intersects(a, b).
template <typename Trinket, typename Access>
void runCollisionStep(const OMList<Trinket>& trinkets, const Access& access)
{
  if (trinkets.isEmpty()) return;
  OMList<OMCollisionWatch>& watches = collisionWatches();
  if (!watches.isEmpty()) {
    OMListLocator<Trinket> outer(const_cast<OMList<Trinket>&>(trinkets));
    for (outer.toFirst(); outer.currentElement() && !watches.isEmpty(); outer.next()) {
      Trinket* a = outer.current();
      if (!access.visible(a) || access.tag(a) == 0) continue;
      OMListLocator<Trinket> inner;
      inner.assign(outer);
      for (inner.next(); inner.currentElement() && !watches.isEmpty(); inner.next()) {
        Trinket* b = inner.current();
        if (!access.visible(b) || access.tag(b) == 0) continue;
        OMCollisionWatch* watch = watches.firstThat([&](OMCollisionWatch* w) {
          return w->matches(tagWord(access.tag(a)), tagWord(access.tag(b)));
        });
        if (!watch) continue;
        const bool meet = watch->distance == OMCollisionWatch::overlap
                              ? access.intersects(a, b)
                              : squaredCentreDistance(access.rect(a), access.rect(b)) <
                                    std::int64_t(watch->distance) * watch->distance;
        if (!meet) continue;
        watch->first = reinterpret_cast<OMWord>(a);
        watch->second = reinterpret_cast<OMWord>(b);
        watches.remove(watch);
        collisionNotices().add(watch);
      }
    }
    fireCollisionNotices(collisionNotices());
  }
  OMList<OMCollisionWatch>& touching = touchingPairs();
  if (!touching.isEmpty()) {
    OMListLocator<OMCollisionWatch> walk(touching);
    for (walk.toFirst(); walk.currentElement();) {
      OMCollisionWatch* record = walk.current();
      walk.next();
      if (!record->link) continue;
      auto* a = reinterpret_cast<Trinket*>(record->first);
      auto* b = reinterpret_cast<Trinket*>(record->second);
      if (!access.visible(a) || !access.visible(b)) continue;
      const bool parted = record->distance == OMCollisionWatch::overlap
                              ? !access.intersects(a, b)
                              : squaredCentreDistance(access.rect(a), access.rect(b)) >
                                    std::int64_t(record->distance) * record->distance;
      if (!parted) continue;
      touching.remove(record);
      partitionNotices().add(record);
    }
    fireCollisionNotices(partitionNotices());
  }
}
