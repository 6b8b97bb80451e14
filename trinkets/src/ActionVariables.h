#pragma once

class OMScriptableObject;

// How actions reach the script variables that hold the objects they drive. The variable
// table installs its operations here; until it does, no name resolves to a variable.
struct ActionVariableAccess {
  // Finds or adds the variable of that name, marks it, and answers its index (-1: none).
  int (*resolve)(const char* name);
  // The object the variable holds, or null; *marked tells whether it is still marked.
  OMScriptableObject* (*getObject)(int variable, int* marked);
};

void setActionVariableAccess(const ActionVariableAccess& access);
int resolveActionVariable(const char* name);
// The object the variable holds, as long as it has not been assigned since it was resolved.
OMScriptableObject* heldObjectOfVariable(int variable);
