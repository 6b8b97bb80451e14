#pragma once

#include <memory>

#include "framework/OMLink.h"

class Action;

// The completion an action hands to a service that reports later: a link whose clones share
// one token. Once the token is disarmed (a halt, the action's end), every clone finishes
// nothing, however late the service calls it; the first call that finishes disarms it too.
class ActionCompletion {
 public:
  explicit ActionCompletion(Action* action) : action_(action) {}
  ~ActionCompletion() { disarm(); }
  ActionCompletion(const ActionCompletion&) = delete;
  ActionCompletion& operator=(const ActionCompletion&) = delete;

  // A link over a fresh token for a new request; the links of earlier requests stay
  // disarmed. The caller's callee clones it.
  std::unique_ptr<OMLink> arm();
  void disarm();

 private:
  Action* action_;
  std::shared_ptr<Action*> token_;
};
