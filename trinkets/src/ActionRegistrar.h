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
  // The assessment program's own actions, which the game's registry does not list:
  //   static ActionRegistrar registrar("MoveXAction", &create, ActionRegistrar::assessmentOnly);
  enum AssessmentOnly { assessmentOnly };
  ActionRegistrar(const char* name, ActionFactory factory, AssessmentOnly)
  {
    registerActionClass(name, factory, false, true);
  }
};
