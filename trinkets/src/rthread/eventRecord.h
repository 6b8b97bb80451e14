#pragma once

#include <cstdint>
#include <string>

class OMScriptableObject;
class YThread;

// A message on its way to a script procedure: an event of an object connected to a
// procedure, or a periodic "schedule" or "idle" run.
struct eventRecord {
  enum Kind { message, schedule, idle };

  // The first instruction to run.
  std::int32_t procedure = 0;
  // The object whose event it is; none for a class-level connection.
  OMScriptableObject* receiver = nullptr;
  // The name of the variable through which the object was connected.
  std::string messageName;
  std::string event;
  Kind kind = message;
  // The thread that connected the procedure, and a number that names this record in the
  // links that deliver it, so that a link never reaches a record that is gone.
  YThread* thread = nullptr;
  std::uint32_t serial = 0;
};

// The one list of records; it owns them.
eventRecord* addEventRecord(const eventRecord& record);
eventRecord* findEventRecord(std::uint32_t serial);
void deleteEventRecord(eventRecord* record);
// Removes one record of that object and event, or with no event every record of the object.
void removeEventRecords(const OMScriptableObject* object, const char* event);
void clearEventRecords();
void clearEventRecordsOf(const YThread* thread);
int eventRecordCount();
// The message name of the object's record, or null.
const char* messageNameOf(const OMScriptableObject* object);
