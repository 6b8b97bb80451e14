#pragma once

#include <memory>

#include "trinkets/src/rvar/YVariableTable.h"

// A script-visible object held directly, or through the script variable that holds it (and so
// following later assignments). It resolves only to an object of class T that still lives;
// anything else counts as nothing.
template <typename T>
class ScriptObjectRef {
 public:
  static ScriptObjectRef direct(T* object)
  {
    ScriptObjectRef ref;
    ref.object_ = object;
    if (object) ref.alive_ = object->liveness();
    return ref;
  }
  static ScriptObjectRef byVariable(YVariableRef variable)
  {
    ScriptObjectRef ref;
    ref.variable_ = variable;
    return ref;
  }

  T* resolve() const
  {
    if (variable_ >= 0) return dynamic_cast<T*>(scriptVariables.getObject(variable_));
    return alive_.expired() ? nullptr : object_;
  }
  YVariableRef variable() const { return variable_; }

 private:
  YVariableRef variable_ = -1;
  T* object_ = nullptr;
  std::weak_ptr<int> alive_;
};
