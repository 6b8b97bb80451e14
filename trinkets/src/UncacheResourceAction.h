#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "trinkets/src/Action.h"

// Drops one cached resource through the resource port, on start and again on halt.
class UncacheResourceAction : public Action {
 public:
  UncacheResourceAction(std::uint16_t id, std::string type, int interruptible);
  ~UncacheResourceAction() override;

  // Arguments: resource id, type, interruptible; no action when the type is empty and no
  // interruptible flag is given.
  static std::unique_ptr<Action> create(int interruptible);

  void start() override;
  void halt() override;

 protected:
  std::unique_ptr<Action> copy() const override
  {
    return std::make_unique<UncacheResourceAction>(*this);
  }

 private:
  void uncache() const;

  std::string type_;
  std::uint16_t id_;
};
