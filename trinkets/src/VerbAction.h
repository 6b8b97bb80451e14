#pragma once

#include <string>
#include <vector>

#include "trinkets/src/Action.h"

// Calls a method of the object held in a script variable, on start and again on halt.
class VerbAction : public Action {
 public:
  // The words are the method name, then the method's arguments.
  VerbAction(int variable, std::vector<std::string> words, int interruptible);
  ~VerbAction() override;

  // Arguments: object variable name, interruptible, method name, then the method's arguments
  // up to the first empty one. No action when the variable holds no object or the method
  // name is empty.
  static std::unique_ptr<Action> create(int interruptible);

  void halt() override;
  void start() override;

 protected:
  std::unique_ptr<Action> copy() const override { return std::make_unique<VerbAction>(*this); }

 private:
  void callVerb();

  int variable_;
  std::vector<std::string> words_;
};
