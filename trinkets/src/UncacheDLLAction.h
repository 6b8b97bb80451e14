#pragma once

#include <memory>
#include <string>

#include "trinkets/src/Action.h"

// Drops a cached resource file through the resource port, on start and again on halt.
class UncacheDLLAction : public Action {
 public:
  UncacheDLLAction(std::string fileName, int interruptible);
  ~UncacheDLLAction() override;

  // Arguments: file name, interruptible; no action when both are empty.
  static std::unique_ptr<Action> create(int interruptible);

  void start() override;
  void halt() override;

 protected:
  std::unique_ptr<Action> copy() const override
  {
    return std::make_unique<UncacheDLLAction>(*this);
  }

 private:
  void uncache() const;

  std::string fileName_;
};
