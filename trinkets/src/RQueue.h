#pragma once

#include <memory>

#include "framework/OMTask.h"
#include "trinkets/src/ActionContainer.h"

// Runs its children one after another, for a number of rounds (-1: until halted).
class RQueue : public ActionContainer {
 public:
  RQueue(int repeatCount, int interruptible);
  RQueue(const RQueue& other);
  ~RQueue() override;

  // Script arguments: repeatCount, interruptible (absent: 1, 1).
  static std::unique_ptr<OMScriptableObject> create();

  void registerMembers() override;
  void halt() override;
  int isInterruptible() const override;
  void pause() override;
  void resume() override;
  void start() override;
  void childFinished() override;

  int repeatCount() const { return repeatCount_; }
  // 0 is taken as 1.
  void setRepeatCount(int repeatCount);
  int rounds() const { return rounds_; }
  Action* currentChild() const { return current_; }
  // Halts, then removes every child when none is left running.
  void clear();

 protected:
  std::unique_ptr<Action> copy() const override { return copyContainer(*this); }

 private:
  // Starts the child at the cursor. A child that finishes inside its own start does not
  // start the next one from there: the loop here does, so that a queue of children that all
  // finish at once runs round after round without growing the stack.
  void runFromCursor();
  // Moves the cursor on; answers whether it came round to a new round after one in which
  // every child ended inside its own start.
  bool moveToNextChild();
  // A round that ended as it began would go round again for ever inside the call that
  // started it: the next one starts at a later pass of the main loop instead.
  void awaitNextPass();
  OMWord startAwaitedRound();
  void dropAwaitedRound();
  Action* childAfter(Action* child);
  void onRemove(Action* child) override;
  OMWord setRepeatCountMember(OMWord text);
  OMWord getRepeatCount(OMWord buffer);
  OMWord clearMember();

  int rounds_ = 0;
  int repeatCount_;
  // The child at the queue's cursor, or none. Kept as the child itself, not as a list
  // position, so that removing children never leaves it pointing at a freed element.
  Action* current_ = nullptr;
  bool startingChild_ = false;
  bool advancePending_ = false;
  // Whether a child of the running round was still running when its start returned.
  bool roundWaited_ = false;
  // The next round waits for the task's pass.
  bool roundDue_ = false;
  std::unique_ptr<OMTask> nextRound_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
