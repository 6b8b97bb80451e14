#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "platform/host/HostClock.h"
#include "tests/support/AppTestSupport.h"
#include "trinkets/src/Action.h"
#include "trinkets/src/ActionCreateRecord.h"
#include "trinkets/src/ActionVariables.h"
#include "trinkets/src/OMSParameter.h"

// What the actions under test did, in order: "start A", "halt A", "finished A", ...
inline std::vector<std::string>& eventLog()
{
  static std::vector<std::string> log;
  return log;
}

inline OMWord logFinished(OMWord name)
{
  eventLog().push_back(std::string("finished ") + reinterpret_cast<const char*>(name));
  return 1;
}

// An action that logs what is done to it and, when asked, finishes inside its own start.
class ProbeAction : public Action {
 public:
  explicit ProbeAction(std::string name, int interruptible = 1, bool finishAtOnce = false)
      : Action(interruptible), name_(std::move(name)), finishAtOnce_(finishAtOnce)
  {
    registerMembers();
    OMLinkToFct handler(&logFinished, reinterpret_cast<OMWord>(name_.c_str()));
    connect("finished", &handler, nullptr);
  }

  void start() override
  {
    Action::start();
    note("start");
    if (onStart) onStart();
    if (finishAtOnce_ && isActive()) finish();
  }
  void halt() override
  {
    Action::halt();
    note("halt");
  }
  void pause() override { note("pause"); }
  void resume() override { note("resume"); }

  std::function<void()> onStart;

 private:
  void note(const char* what) { eventLog().push_back(std::string(what) + " " + name_); }

  std::string name_;
  bool finishAtOnce_;
};

// A stand-in for the script variable table: names hold objects; resolving marks a
// variable, assigning clears the mark.
class FakeVariables {
 public:
  FakeVariables()
  {
    instance() = this;
    setActionVariableAccess({&resolve, &getObject});
  }
  ~FakeVariables()
  {
    setActionVariableAccess({nullptr, nullptr});
    instance() = nullptr;
  }

  void assign(const std::string& name, OMScriptableObject* object)
  {
    Variable& variable = variableNamed(name);
    variable.object = object;
    variable.marked = false;
  }

 private:
  struct Variable {
    std::string name;
    OMScriptableObject* object = nullptr;
    bool marked = false;
  };

  Variable& variableNamed(const std::string& name)
  {
    for (Variable& variable : variables_) {
      if (variable.name == name) return variable;
    }
    variables_.push_back(Variable{name});
    return variables_.back();
  }
  static FakeVariables*& instance()
  {
    static FakeVariables* current = nullptr;
    return current;
  }
  static int resolve(const char* name)
  {
    Variable& variable = instance()->variableNamed(name);
    variable.marked = true;
    return static_cast<int>(&variable - instance()->variables_.data());
  }
  static OMScriptableObject* getObject(int index, int* marked)
  {
    const Variable& variable = instance()->variables_.at(index);
    *marked = variable.marked;
    return variable.object;
  }

  // Indices must stay valid: reserve enough that the vector never moves.
  std::vector<Variable> variables_ = [] {
    std::vector<Variable> variables;
    variables.reserve(64);
    return variables;
  }();
};

// Puts the words on the script argument stack, to be read from the first, as a script line
// leaves them.
inline void prepareScriptArgs(const std::vector<const char*>& words)
{
  clearScriptArgs();
  for (const char* word : words)
    pushScriptArg(word);
  rewindScriptArgs();
}

// Makes an action by its registered name from the words, as "add" does.
inline std::unique_ptr<Action> makeAction(const char* name, const std::vector<const char*>& words,
                                          int interruptible = 1)
{
  prepareScriptArgs(words);
  return createAction(name, interruptible);
}

// One main-loop pass at the given time of the manual clock.
using omtest::passAt;
