#pragma once

#include <memory>
#include <vector>

#include "trinkets/lib/OMMultiTrinket.h"
#include "trinkets/lib/RAnswer.h"
#include "trinkets/lib/ScriptObjectRef.h"

// A drop target of a drag-and-drop puzzle. It holds references to the answers placed in it
// (never the answers), says whether it would take an answer and how well it fits, and reports
// fly-over, placement and removal. Subclasses decide fit and position.
class RContainer : public OMMultiTrinket {
 public:
  explicit RContainer(int z);
  RContainer(const RContainer& other);
  ~RContainer() override;

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;
  // Held answers travel with the container.
  void offset(int& dx, int& dy) override;

  virtual void answerFlyOff(RAnswer* answer);
  virtual void answerFlyOn(RAnswer* answer);
  virtual void disable();
  virtual void enable();
  // The score is written even when the answer would be refused.
  virtual bool canAccept(RAnswer* answer, int* score) = 0;
  virtual bool isFull() = 0;
  virtual bool isSolved() = 0;

  void placeAnswer(RAnswer* answer);
  void placeAnswerByVariable(YVariableRef variable);
  // Raises "answerRemoved" even when the answer was not held. References that no longer
  // resolve go too.
  void removeAnswer(RAnswer* answer);
  void removeFirstAnswer();
  // The held answers that still resolve: a dropped answer counts no more.
  int answerCount() const { return static_cast<int>(answers().size()); }
  // The held answers that still resolve, in the order placed.
  std::vector<RAnswer*> answers() const;
  bool holds(const RAnswer* answer) const;

  int lockCorrectAnswers() const { return lockCorrectAnswers_; }
  void setLockCorrectAnswers(int on) { lockCorrectAnswers_ = on; }
  int rejectIncorrectAnswers() const { return rejectIncorrectAnswers_; }
  void setRejectIncorrectAnswers(int on) { rejectIncorrectAnswers_ = on; }
  bool isEnabled() const { return enabled_ != 0; }
  void setAnswerFlyOffHandler(const OMLink* link);
  void setAnswerFlyOnHandler(const OMLink* link);
  void setAnswerPlacedHandler(const OMLink* link);
  void setAnswerRemovedHandler(const OMLink* link);

  // Expires with the container.
  std::weak_ptr<int> liveness() const { return lifetime(); }

  static void setSoundPlayer(RAnswer::SoundPlayer player);
  static void setSoundStopper(RAnswer::SoundStopper stopper);
  static RAnswer::SoundPlayer soundPlayer();

 protected:
  // Positions an answer that just joined the list.
  virtual void onAnswerPlaced(RAnswer* answer) = 0;
  virtual void onAnswerRemoved(RAnswer* answer) = 0;

 private:
  void place(ScriptObjectRef<RAnswer> ref, RAnswer* answer);
  // References whose answer is gone (dropped, or its variable emptied) leave the list.
  void forgetDroppedAnswers();
  // The handler if set, else the event.
  void report(const std::unique_ptr<OMLink>& handler, const char* event);

  OMWord getAnswerCount(OMWord buffer);
  OMWord getEnabled(OMWord buffer);
  OMWord setEnabled(OMWord text);
  OMWord getIsFull(OMWord buffer);
  OMWord getIsSolved(OMWord buffer);
  OMWord getLock(OMWord buffer);
  OMWord setLock(OMWord text);
  OMWord getReject(OMWord buffer);
  OMWord setReject(OMWord text);
  OMWord removeAnswerMember();

  int lockCorrectAnswers_ = 0;
  int rejectIncorrectAnswers_ = 0;
  std::unique_ptr<OMLink> answerFlyOffHandler_;
  std::unique_ptr<OMLink> answerFlyOnHandler_;
  std::unique_ptr<OMLink> answerPlacedHandler_;
  std::unique_ptr<OMLink> answerRemovedHandler_;
  std::vector<ScriptObjectRef<RAnswer>> answers_;
  int enabled_ = 1;
};
