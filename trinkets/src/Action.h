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

  // Actions are not copied: an assignment that would copy one gets no object.
  std::unique_ptr<OMScriptableObject> clone() const override;
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
