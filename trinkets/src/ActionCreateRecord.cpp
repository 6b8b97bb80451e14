#include "trinkets/src/ActionCreateRecord.h"

#include <vector>

#include "trinkets/src/Action.h"

namespace {

// Created by the first registration, which may come from any static initialiser.
std::vector<ActionCreateRecord>* actionRegistry = nullptr;

}  // namespace

void registerActionClass(const char* name, ActionFactory factory)
{
  if (!name || !*name || !factory) return;
  if (!actionRegistry) actionRegistry = new std::vector<ActionCreateRecord>;
  actionRegistry->push_back(ActionCreateRecord{name, factory});
}

std::unique_ptr<Action> createAction(const char* name, int interruptible)
{
  if (!actionRegistry || !name) return nullptr;
  for (const ActionCreateRecord& record : *actionRegistry) {
    if (record.name == name) return record.factory(interruptible);
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
