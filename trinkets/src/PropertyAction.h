#pragma once

#include <string>

#include "trinkets/src/Action.h"

// Sets a property of the object held in a script variable, on start and again on halt.
class PropertyAction : public Action {
 public:
  PropertyAction(int variable, std::string property, std::string value, int interruptible);
  ~PropertyAction() override;

  // Arguments: object variable name, property name, value, interruptible. No action when the
  // variable holds no object, or the value and the flag are both empty.
  static std::unique_ptr<Action> create(int interruptible);

  void halt() override;
  void start() override;

 protected:
  std::unique_ptr<Action> copy() const override { return std::make_unique<PropertyAction>(*this); }

 private:
  void setValue();

  int variable_;
  std::string property_;
  std::string value_;
};
