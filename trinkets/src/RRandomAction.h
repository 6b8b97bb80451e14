#pragma once

#include "trinkets/src/ActionContainer.h"

// Runs one child chosen at random. With useAllBeforeRepeat, every child runs once before any
// runs again.
class RRandomAction : public ActionContainer {
 public:
  RRandomAction(int useAllBeforeRepeat, int interruptible);
  // The copy's pool holds all its children.
  RRandomAction(const RRandomAction& other);
  ~RRandomAction() override;

  // Script arguments: useAllBeforeRepeat, interruptible (absent: 0, 1).
  static std::unique_ptr<OMScriptableObject> create();

  void registerMembers() override;
  void halt() override;
  int isInterruptible() const override;
  void pause() override;
  void resume() override;
  void start() override;
  void childFinished() override;
  void onAdd(Action* child) override;
  void onRemove(Action* child) override;

  Action* currentChild() const { return current_; }
  int useAllBeforeRepeat() const { return useAllBeforeRepeat_; }
  void setUseAllBeforeRepeat(int flag) { useAllBeforeRepeat_ = flag; }
  int poolCount() const { return pool_.count(); }

 protected:
  std::unique_ptr<Action> copy() const override { return copyContainer(*this); }

 private:
  Action* poolItemAt(int index);
  OMWord setUseAllBeforeRepeatMember(OMWord text);
  OMWord getUseAllBeforeRepeat(OMWord buffer);

  Action* current_ = nullptr;
  int useAllBeforeRepeat_;
  // The children not yet chosen in this cycle.
  OMList<Action> pool_;
};
