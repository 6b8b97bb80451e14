#include "trinkets/src/ActionVariables.h"

namespace {
ActionVariableAccess installedAccess{nullptr, nullptr};
}

void setActionVariableAccess(const ActionVariableAccess& access)
{
  installedAccess = access;
}

int resolveActionVariable(const char* name)
{
  if (!name || !installedAccess.resolve) return -1;
  return installedAccess.resolve(name);
}

OMScriptableObject* heldObjectOfVariable(int variable)
{
  if (variable < 0 || !installedAccess.getObject) return nullptr;
  int marked = 0;
  OMScriptableObject* object = installedAccess.getObject(variable, &marked);
  return marked ? object : nullptr;
}
