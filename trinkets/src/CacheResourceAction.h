#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "trinkets/src/Action.h"
#include "trinkets/src/ActionCompletion.h"

// Reads one resource into memory through the resource port in the background, finishing
// when the port reports it read.
class CacheResourceAction : public Action {
 public:
  CacheResourceAction(std::uint16_t id, std::string type, int keep, int interruptible);
  // A copy of the action as made, idle.
  CacheResourceAction(const CacheResourceAction& other);
  ~CacheResourceAction() override;

  // Arguments: resource id, type, keep value, interruptible; no action without a keep value.
  static std::unique_ptr<Action> create(int interruptible);

  void start() override;
  void halt() override;

 protected:
  std::unique_ptr<Action> copy() const override
  {
    return std::make_unique<CacheResourceAction>(*this);
  }

 private:
  int keep_;
  std::string type_;
  std::uint16_t id_;
  ActionCompletion completion_{this};
};
