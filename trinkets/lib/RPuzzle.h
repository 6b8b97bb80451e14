#pragma once

#include <memory>
#include <vector>

#include "framework/OMPoint.h"
#include "trinkets/lib/RAnswer.h"
#include "trinkets/lib/RContainer.h"
#include "trinkets/lib/ScriptObjectRef.h"
#include "trinkets/src/OMScriptableObject.h"

// The controller of a drag-and-drop puzzle: it follows the pick-up, drag and drop of its
// answers, chooses the container an answer lands in or sends it home, and tells the script
// whether the puzzle is solved, full or wrong.
class RPuzzle : public OMScriptableObject {
 public:
  RPuzzle();
  ~RPuzzle() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;

  void addAnswer(RAnswer* answer);
  void addContainer(RContainer* container);
  void addSolvedContainerList(const std::vector<RContainer*>& containers);
  void removeAnswer(RAnswer* answer);
  // The accepting container of best score above 0; the earlier one on equal scores.
  RContainer* chooseContainer(RAnswer* answer) const;
  void placeAnswerInContainer(RAnswer* answer, RContainer* container);
  bool isSolved() const;
  bool areAnswersUsed() const;
  bool areContainersFull() const;
  std::vector<RAnswer*> answers() const;
  std::vector<RContainer*> containers() const;
  int answerHomeType() const { return answerHomeType_; }
  void setAnswerHomeType(int type) { answerHomeType_ = type; }
  void setProcessFlyovers(int on) { processFlyovers_ = on; }

  void onAnswerPickedUp(RAnswer* answer);
  void onAnswerDragged(RAnswer* answer);
  void onAnswerDropped(RAnswer* answer);

  // The assessment edition calls this link (a clone; null clears) with every puzzle that is
  // being deleted.
  static void setDeletionHook(const OMLink* link);

 private:
  // An answer reference and the answer its links were installed on.
  struct AnswerEntry {
    ScriptObjectRef<RAnswer> ref;
    ScriptObjectRef<RAnswer> hooked;
  };
  using ContainerList = std::vector<ScriptObjectRef<RContainer>>;

  void addAnswerEntry(ScriptObjectRef<RAnswer> ref, RAnswer* answer);
  void hook(RAnswer* answer);
  void unhook(RAnswer* answer);
  const AnswerEntry* entryFor(const RAnswer* answer) const;
  static bool allSolved(const ContainerList& list);
  void flyOverTo(RContainer* chosen, RAnswer* answer);
  // Raises the completion events after a placing drop; false once the puzzle went.
  void reportCompletion();
  // Takes the answer out of its container: the container's removal, then the answer's.
  void takeOutOfContainer(RAnswer* answer);

  OMWord answerPickedUpLink(OMWord answer);
  OMWord answerDraggedLink(OMWord answer);
  OMWord answerDroppedLink(OMWord answer);

  template <int RPuzzle::*Field>
  OMWord getInt(OMWord buffer);
  template <int RPuzzle::*Field>
  OMWord setInt(OMWord text);
  OMWord getAnswersUsed(OMWord buffer);
  OMWord getContainersFull(OMWord buffer);
  OMWord getIsSolved(OMWord buffer);
  OMWord addAnswerMember();
  OMWord addAnswerToContainerMember();
  OMWord addContainerMember();
  OMWord anchorAnswersMember();
  OMWord addSolvedContainerListMember();
  OMWord clearSolvedContainerListMember();
  OMWord removeAnswerMember();
  OMWord removeAnswerFromContainerMember();
  OMWord removeContainerMember();
  OMWord resetMember();
  OMWord shiftAnswersMember();
  OMWord shiftContainersMember();
  OMWord unanchorAnswersMember();

  int answerHomeType_ = 0;
  int lockCorrectAnswers_ = 0;
  int processFlyovers_ = 0;
  int rejectIncorrectAnswers_ = 0;
  int scrambleAnswers_ = 1;
  std::vector<AnswerEntry> answers_;
  ContainerList containers_;
  std::vector<ContainerList> solvedContainerLists_;
  OMPoint pickUpPoint_;
  ScriptObjectRef<RContainer> pickUpContainer_;
  ScriptObjectRef<RContainer> flyOverContainer_;
  // Expires with the puzzle: the steps after an event check it.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
