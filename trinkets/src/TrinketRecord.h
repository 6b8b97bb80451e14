#pragma once

#include <memory>
#include <vector>

#include <windows.h>

#include "framework/OMLink.h"
#include "framework/OMList.h"

class OMScriptableObject;

// Pops its arguments from the script argument stack and makes a new object, or none.
using TrinketFactory = std::unique_ptr<OMScriptableObject> (*)();

// The class record by which scripts create a class by name. Each class unit owns one static
// record; constructing it registers the class, destroying it (at program exit) unregisters
// it. The registry and the script argument stack exist from the first record to the last.
//
//   static TrinketRecord record("RQueue", &RQueue::create);
class TrinketRecord {
 public:
  // The editions whose scripts see the class. A class that one edition lacks still
  // registers statically; lookups and listings in the other edition pass over it.
  enum Editions { allEditions, gameEditionOnly, assessmentEditionOnly };

  // The name must outlive the record: a class unit's static text.
  TrinketRecord(const char* className, TrinketFactory factory, Editions editions = allEditions);
  ~TrinketRecord();
  TrinketRecord(const TrinketRecord&) = delete;
  TrinketRecord& operator=(const TrinketRecord&) = delete;

  const char* className() const { return className_; }
  TrinketFactory factory() const { return factory_; }
  // The plug-in library the class came from; null for classes built into the program.
  HMODULE module() const { return module_; }
  void setModule(HMODULE module) { module_ = module; }
  bool isInCurrentEdition() const;
  OMLink* classLink() const { return classLink_.get(); }
  void setClassLink(const OMLink* link);

 private:
  const char* className_;
  TrinketFactory factory_;
  Editions editions_;
  HMODULE module_ = nullptr;
  std::unique_ptr<OMLink> classLink_;
};

// Class names and plug-in file names are at most this long.
constexpr int trinketNameLimit = 127;

// Finds the class, ignoring case, loading its plug-in when it is not registered and plug-in
// loading is on. Non-zero when found; the record found becomes the current record.
int findTrinketClass(const char* name);
// The same test for the interpreter, which asks whether a word names a class.
int isTrinketClass(const char* name);
TrinketRecord* currentTrinketRecord();
// Attaches a clone of the link to the class (null clears); the lookup's result.
int setClassLink(const char* className, const OMLink* link);

// Rewinds the argument stack and calls the current record's factory.
std::unique_ptr<OMScriptableObject> createTrinket();
// The road of every script-made object. The arguments end with scriptArgTerminator; when the
// first one is the terminator, the argument stack is used as the caller prepared it.
std::unique_ptr<OMScriptableObject> createTrinketByName(const char* className, const char* first,
                                                        ...);
// Splits an argument line into words (double quotes group words) and creates from them.
std::unique_ptr<OMScriptableObject> createTrinketFromCommand(const char* className,
                                                             const char* argumentLine);

void setPluginLoading(int flag);
int isPluginLoading();
// Loads the plug-in library of one class ("Name" means "Name.qzl"; "Name.ext" that file), or
// with no name every ".qzl" library of the current folder. Only plain file names are taken,
// and a name that failed once is not tried again.
void loadTrinketPlugin(const char* name);
void unloadTrinketPlugin(const char* className);

// Every registered record, in order of registration, whatever its edition; null when none
// is registered.
const OMList<TrinketRecord>* trinketRecords();
// The names of the classes that scripts of the current edition can create, in order of
// registration.
std::vector<const char*> trinketClassNames();
