#include "trinkets/src/ActionCreateRecord.h"

#include <vector>

#include "framework/OMEdition.h"
#include "trinkets/src/Action.h"

namespace {

// Created by the first registration, which may come from any static initialiser.
std::vector<ActionCreateRecord>* actionRegistry = nullptr;

}  // namespace

bool ActionCreateRecord::isInCurrentEdition() const
{
  if (assessmentOnly) return OMEdition::isAssessment();
  return !gameOnly || OMEdition::isGame();
}

void registerActionClass(const char* name, ActionFactory factory, bool gameOnly,
                         bool assessmentOnly)
{
  if (!name || !*name || !factory) return;
  if (!actionRegistry) actionRegistry = new std::vector<ActionCreateRecord>;
  actionRegistry->push_back(ActionCreateRecord{name, factory, gameOnly, assessmentOnly});
}

std::unique_ptr<Action> createAction(const char* name, int interruptible)
{
  if (!actionRegistry || !name) return nullptr;
  for (const ActionCreateRecord& record : *actionRegistry) {
    if (record.name == name && record.isInCurrentEdition()) return record.factory(interruptible);
  }
  return nullptr;
}

void clearActionRegistry()
{
  delete actionRegistry;
  actionRegistry = nullptr;
}

int actionClassCount()
{
  return actionRegistry ? static_cast<int>(actionRegistry->size()) : 0;
}

const ActionCreateRecord* actionClassAt(int index)
{
  if (!actionRegistry || index < 0 || index >= actionClassCount()) return nullptr;
  return &(*actionRegistry)[index];
}
