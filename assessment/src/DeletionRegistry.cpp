#include "assessment/src/DeletionRegistry.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "trinkets/lib/OMMultiTrinket.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/lib/RPuzzle.h"
#include "trinkets/lib/RText.h"
#include "trinkets/src/Action.h"

namespace {

struct Watch {
  const void* watcher;
  std::unique_ptr<OMLink> link;
};

struct Record {
  const void* object;
  std::vector<Watch> watches;
  // While its links are called, removed watches only lose their watcher, so the walk goes on;
  // watches added meanwhile join the walk and go with the record.
  bool reporting = false;
};

std::vector<std::unique_ptr<Record>>& registry()
{
  static std::vector<std::unique_ptr<Record>> records;
  return records;
}

Record* findRecord(const void* object)
{
  for (const auto& record : registry())
    if (record->object == object) return record.get();
  return nullptr;
}

OMWord reportDeletion(OMWord object)
{
  objectDeleted(reinterpret_cast<const void*>(object));
  return 0;
}

void setHooks(const OMLink* link)
{
  Action::setDeletionHook(link);
  OMMultiTrinket::setDeletionHook(link);
  RAnimation::setDeletionHook(link);
  RPuzzle::setDeletionHook(link);
  RText::setDeletionHook(link);
}

}  // namespace

void watchObject(const void* object, const void* watcher, const OMLink* link)
{
  Record* record = findRecord(object);
  if (!record) {
    registry().push_back(std::make_unique<Record>(Record{object, {}}));
    record = registry().back().get();
  }
  for (Watch& watch : record->watches) {
    if (watch.watcher == watcher) {
      watch.link = cloneLink(link);
      return;
    }
  }
  record->watches.push_back(Watch{watcher, cloneLink(link)});
}

void unwatchObject(const void* object, const void* watcher)
{
  for (const auto& record : registry()) {
    if (record->object != object) continue;
    for (auto it = record->watches.begin(); it != record->watches.end(); ++it) {
      if (it->watcher != watcher) continue;
      if (record->reporting) {
        it->watcher = nullptr;
        it->link.reset();
      } else {
        record->watches.erase(it);
      }
      return;
    }
  }
}

void objectDeleted(const void* object)
{
  Record* record = findRecord(object);
  if (!record || record->reporting) return;
  record->reporting = true;
  // By index: a link may add watches to this record or report other objects.
  for (std::size_t i = 0; i < record->watches.size(); ++i) {
    if (!record->watches[i].link) continue;
    const std::unique_ptr<OMLink> link = record->watches[i].link->clone();
    link->call(reinterpret_cast<OMWord>(object));
  }
  auto& records = registry();
  records.erase(std::find_if(records.begin(), records.end(),
                             [record](const auto& kept) { return kept.get() == record; }));
}

void installDeletionHooks()
{
  const OMLinkToFct link(&reportDeletion);
  setHooks(&link);
}

void removeDeletionHooks()
{
  setHooks(nullptr);
  registry().clear();
}

int watchedObjectCount()
{
  return static_cast<int>(registry().size());
}
