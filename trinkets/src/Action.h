#pragma once

#include <cstddef>
#include <memory>

#include "framework/OMLink.h"
#include "trinkets/src/OMScriptableObject.h"

// Scriptable timed work with a definite end: it is started, paused, resumed and halted, and
// reports its end through its finished callback and the event "finished".
class Action : public OMScriptableObject {
 public:
  explicit Action(int interruptible);
  ~Action() override;

  // A copy of the action as it was made: idle, in no container, with this action's members
  // (a connected "finished" goes to the copy's own procedure record). None for a class that
  // has no copy of its own.
  std::unique_ptr<OMScriptableObject> clone() const override;
  std::unique_ptr<Action> cloneAction() const;
  void registerMembers() override;

  virtual void halt();
  virtual int isActive() const;
  virtual int isInterruptible() const;
  virtual void pause();
  virtual void resume();
  virtual void start();

  // Keeps a clone (null clears); containers learn through it that a child ended.
  void setFinishedCallback(const OMLink* link);
  OMLink* finishedCallback() const { return finishedCallback_.get(); }
  // Marks the action inactive, calls the finished callback, then raises "finished" unless
  // the callback destroyed the action.
  void finish();

  // Writes a number as scripts read it.
  static OMWord writeScriptNumber(OMWord buffer, int value);

  // The assessment edition tells one class-wide link of every action's deletion: the
  // destructor calls it with the dying action. Keeps a clone; null clears.
  static void setDeletionHook(const OMLink* link);

 protected:
  Action(const Action& other);
  // The class's copy, made with its copy constructor; none here.
  virtual std::unique_ptr<Action> copy() const;
  void setActive(int active) { active_ = active; }
  int interruptibleFlag() const { return interruptible_; }

 private:
  OMWord getIsInterruptible(OMWord buffer);
  OMWord haltMember();
  OMWord pauseMember();
  OMWord resumeMember();
  OMWord startMember();

  int interruptible_;
  int active_ = 0;
  std::unique_ptr<OMLink> finishedCallback_;
};
