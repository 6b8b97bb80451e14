#pragma once

#include <memory>
#include <string>

class Action;

// Makes an action; the interruptible flag is the default of the container that asks. Further
// arguments come from the script argument stack.
using ActionFactory = std::unique_ptr<Action> (*)(int interruptible);

// One entry of the action registry: the name under which containers create the action.
struct ActionCreateRecord {
  std::string name;
  ActionFactory factory;
  // Only the game edition's containers see it; the class still registers statically.
  bool gameOnly = false;
  // Only the assessment edition's containers see it.
  bool assessmentOnly = false;

  bool isInCurrentEdition() const;
};

// Adds a record for a non-empty name and a factory. A name registered twice has two records;
// the first is found.
void registerActionClass(const char* name, ActionFactory factory, bool gameOnly = false,
                         bool assessmentOnly = false);
// The action of the first record of exactly that name (case-sensitive) in the current
// edition, or null.
std::unique_ptr<Action> createAction(const char* name, int interruptible);
// Frees every record (at program exit).
void clearActionRegistry();
// Calls visit with the name of each record of the current edition, in order of registration.
template <typename Visit>
void forEachActionClass(Visit&& visit);

// Internals of the walk above.
int actionClassCount();
const ActionCreateRecord* actionClassAt(int index);

template <typename Visit>
void forEachActionClass(Visit&& visit)
{
  for (int index = 0; index < actionClassCount(); ++index)
    if (const ActionCreateRecord* record = actionClassAt(index); record->isInCurrentEdition())
      visit(record->name.c_str());
}
