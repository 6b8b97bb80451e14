#pragma once

#include "trinkets/src/ActionCreateRecord.h"

// Registers an action class from a static initialiser:
//   static ActionRegistrar registrar("DelayAction", &DelayAction::create);
class ActionRegistrar {
 public:
  ActionRegistrar(const char* name, ActionFactory factory, bool gameOnly = false)
  {
    registerActionClass(name, factory, gameOnly);
  }
};
