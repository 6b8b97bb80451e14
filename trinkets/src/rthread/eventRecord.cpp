#include "trinkets/src/rthread/eventRecord.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

std::vector<std::unique_ptr<eventRecord>> records;
std::uint32_t nextSerial = 1;

}  // namespace

eventRecord* addEventRecord(const eventRecord& record)
{
  auto added = std::make_unique<eventRecord>(record);
  added->serial = nextSerial++;
  if (nextSerial == 0) nextSerial = 1;
  records.push_back(std::move(added));
  return records.back().get();
}

eventRecord* findEventRecord(std::uint32_t serial)
{
  for (const auto& record : records) {
    if (record->serial == serial) return record.get();
  }
  return nullptr;
}

void deleteEventRecord(eventRecord* record)
{
  auto found = std::find_if(records.begin(), records.end(),
                            [record](const auto& held) { return held.get() == record; });
  if (found != records.end()) records.erase(found);
}

void removeEventRecords(const OMScriptableObject* object, const char* event)
{
  for (auto it = records.begin(); it != records.end();) {
    if ((*it)->receiver == object && (!event || (*it)->event == event)) {
      it = records.erase(it);
      if (event) return;
    } else {
      ++it;
    }
  }
}

void clearEventRecords()
{
  records.clear();
}

void clearEventRecordsOf(const YThread* thread)
{
  std::erase_if(records, [thread](const auto& record) { return record->thread == thread; });
}

int eventRecordCount()
{
  return static_cast<int>(records.size());
}

const char* messageNameOf(const OMScriptableObject* object)
{
  for (const auto& record : records) {
    if (record->receiver == object && record->kind == eventRecord::message) {
      return record->messageName.c_str();
    }
  }
  return nullptr;
}
