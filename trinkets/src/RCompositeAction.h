#pragma once

#include "trinkets/src/ActionContainer.h"

// Runs all its children at once and finishes when every one has finished.
class RCompositeAction : public ActionContainer {
 public:
  explicit RCompositeAction(int interruptible);
  RCompositeAction(const RCompositeAction& other);
  ~RCompositeAction() override;

  // Script arguments: interruptible (absent: 1).
  static std::unique_ptr<OMScriptableObject> create();

  void registerMembers() override;
  void halt() override;
  int isInterruptible() const override;
  void pause() override;
  void resume() override;
  void start() override;
  void childFinished() override;

  int finishedCount() const { return finishedCount_; }

 protected:
  std::unique_ptr<Action> copy() const override { return copyContainer(*this); }

 private:
  int finishedCount_ = -1;
};
