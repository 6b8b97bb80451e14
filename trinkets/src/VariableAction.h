#pragma once

#include "trinkets/src/Action.h"

// A container's entry for an action held in a script variable. It drives the held action
// only while the variable still holds it and has not been assigned since "add" resolved it.
class VariableAction : public Action {
 public:
  explicit VariableAction(int variable);
  ~VariableAction() override;

  void halt() override;
  void pause() override;
  void resume() override;
  void start() override;

  int variable() const { return variable_; }

 protected:
  std::unique_ptr<Action> copy() const override { return std::make_unique<VariableAction>(*this); }

 private:
  // The held action, or null when the variable no longer holds it (or holds no action).
  Action* heldAction() const;
  OMWord finishMember();

  int variable_;
};
