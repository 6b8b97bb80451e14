#include "trinkets/lib/RPuzzle.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/OMEdition.h"
#include "framework/OMLinkToObj.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RPuzzle", &RPuzzle::create);

using Link = OMLinkToObj<RPuzzle>;

std::unique_ptr<OMLink>& deletionHook()
{
  static std::unique_ptr<OMLink> hook;
  return hook;
}

int numberOf(const char* text)
{
  return text ? std::atoi(text) : 0;
}

template <typename T>
T* objectNamed(const std::string& name, YVariableRef* variable = nullptr)
{
  const YVariableRef index = scriptVariables.resolve(name.c_str());
  if (variable) *variable = index;
  return index < 0 ? nullptr : dynamic_cast<T*>(scriptVariables.getObject(index));
}

RAnswer* answerOf(OMWord word)
{
  return reinterpret_cast<RAnswer*>(word);
}

}  // namespace

RPuzzle::RPuzzle() = default;

RPuzzle::~RPuzzle()
{
  if (OMEdition::isAssessment() && deletionHook())
    deletionHook()->call(reinterpret_cast<OMWord>(this));
  alive_.reset();
  for (const AnswerEntry& entry : answers_)
    unhook(entry.hooked.resolve());
}

std::unique_ptr<OMScriptableObject> RPuzzle::create()
{
  return std::make_unique<RPuzzle>();
}

void RPuzzle::setDeletionHook(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(deletionHook(), link);
}

void RPuzzle::registerMembers()
{
  // The assessment edition's puzzle has no home type, fly-overs or solved-container lists.
  const bool game = !OMEdition::isAssessment();
  if (game) {
    addProperty("answerHomeType", Link(this, &RPuzzle::setInt<&RPuzzle::answerHomeType_>, 0),
                Link(this, &RPuzzle::getInt<&RPuzzle::answerHomeType_>, 0));
  }
  addProperty("areAnswersUsed", nullptr, Link(this, &RPuzzle::getAnswersUsed, 0));
  addProperty("areContainersFull", nullptr, Link(this, &RPuzzle::getContainersFull, 0));
  if (game) {
    addProperty("processFlyovers", Link(this, &RPuzzle::setInt<&RPuzzle::processFlyovers_>, 0),
                Link(this, &RPuzzle::getInt<&RPuzzle::processFlyovers_>, 0));
  }
  addProperty("scrambleAnswers", Link(this, &RPuzzle::setInt<&RPuzzle::scrambleAnswers_>, 0),
              Link(this, &RPuzzle::getInt<&RPuzzle::scrambleAnswers_>, 0));
  addProperty("isSolved", nullptr, Link(this, &RPuzzle::getIsSolved, 0));
  addProperty("lockCorrectAnswers", Link(this, &RPuzzle::setInt<&RPuzzle::lockCorrectAnswers_>, 0),
              Link(this, &RPuzzle::getInt<&RPuzzle::lockCorrectAnswers_>, 0));
  addProperty("rejectIncorrectAnswers",
              Link(this, &RPuzzle::setInt<&RPuzzle::rejectIncorrectAnswers_>, 0),
              Link(this, &RPuzzle::getInt<&RPuzzle::rejectIncorrectAnswers_>, 0));
  addMethod("addAnswer", Link(this, &RPuzzle::addAnswerMember));
  addMethod("addAnswerToContainer", Link(this, &RPuzzle::addAnswerToContainerMember));
  addMethod("addContainer", Link(this, &RPuzzle::addContainerMember));
  addMethod("anchorAnswers", Link(this, &RPuzzle::anchorAnswersMember));
  if (game) {
    addMethod("addSolvedContainerList", Link(this, &RPuzzle::addSolvedContainerListMember));
    addMethod("clearSolvedContainerList", Link(this, &RPuzzle::clearSolvedContainerListMember));
  }
  addMethod("removeAnswer", Link(this, &RPuzzle::removeAnswerMember));
  addMethod("removeAnswerFromContainer", Link(this, &RPuzzle::removeAnswerFromContainerMember));
  addMethod("removeContainer", Link(this, &RPuzzle::removeContainerMember));
  addMethod("reset", Link(this, &RPuzzle::resetMember));
  addMethod("shiftAnswers", Link(this, &RPuzzle::shiftAnswersMember));
  addMethod("shiftContainers", Link(this, &RPuzzle::shiftContainersMember));
  addMethod("unanchorAnswers", Link(this, &RPuzzle::unanchorAnswersMember));
  for (const char* event : {"answersUsed", "containersFull", "puzzleSolved", "puzzleWrong"})
    addEvent(event);
}

// Members.

void RPuzzle::addAnswer(RAnswer* answer)
{
  if (answer) addAnswerEntry(ScriptObjectRef<RAnswer>::direct(answer), answer);
}

void RPuzzle::addAnswerEntry(ScriptObjectRef<RAnswer> ref, RAnswer* answer)
{
  answers_.push_back({ref, ScriptObjectRef<RAnswer>::direct(answer)});
  hook(answer);
}

void RPuzzle::addContainer(RContainer* container)
{
  if (container) containers_.push_back(ScriptObjectRef<RContainer>::direct(container));
}

void RPuzzle::addSolvedContainerList(const std::vector<RContainer*>& containers)
{
  ContainerList list;
  for (RContainer* container : containers)
    if (container) list.push_back(ScriptObjectRef<RContainer>::direct(container));
  if (!list.empty()) solvedContainerLists_.push_back(std::move(list));
}

void RPuzzle::hook(RAnswer* answer)
{
  const Link dropped(this, &RPuzzle::answerDroppedLink, 0);
  const Link pickedUp(this, &RPuzzle::answerPickedUpLink, 0);
  const Link dragged(this, &RPuzzle::answerDraggedLink, reinterpret_cast<OMWord>(answer));
  answer->setDropNotify(&dropped);
  answer->setDragHook(&dragged);
  answer->setPickUpNotify(&pickedUp);
}

void RPuzzle::unhook(RAnswer* answer)
{
  // Another puzzle may have hooked the answer since.
  if (!answer || !answer->dropNotify() || answer->dropNotify()->target() != this) return;
  answer->setDropNotify(nullptr);
  answer->setDragHook(nullptr);
  answer->setPickUpNotify(nullptr);
}

const RPuzzle::AnswerEntry* RPuzzle::entryFor(const RAnswer* answer) const
{
  for (const AnswerEntry& entry : answers_)
    if (answer && entry.ref.resolve() == answer) return &entry;
  return nullptr;
}

std::vector<RAnswer*> RPuzzle::answers() const
{
  std::vector<RAnswer*> all;
  for (const AnswerEntry& entry : answers_)
    if (RAnswer* answer = entry.ref.resolve()) all.push_back(answer);
  return all;
}

std::vector<RContainer*> RPuzzle::containers() const
{
  std::vector<RContainer*> all;
  for (const ScriptObjectRef<RContainer>& ref : containers_)
    if (RContainer* container = ref.resolve()) all.push_back(container);
  return all;
}

// Tests.

RContainer* RPuzzle::chooseContainer(RAnswer* answer) const
{
  int best = 0;
  RContainer* chosen = nullptr;
  for (RContainer* container : containers()) {
    int score = 0;
    if (container->canAccept(answer, &score) && score > best) {
      best = score;
      chosen = container;
    }
  }
  return chosen;
}

bool RPuzzle::allSolved(const ContainerList& list)
{
  return std::all_of(list.begin(), list.end(), [](const ScriptObjectRef<RContainer>& ref) {
    RContainer* container = ref.resolve();
    return !container || container->isSolved();
  });
}

bool RPuzzle::isSolved() const
{
  for (const ContainerList& list : solvedContainerLists_)
    if (allSolved(list)) return true;
  return allSolved(containers_);
}

bool RPuzzle::areAnswersUsed() const
{
  const std::vector<RAnswer*> all = answers();
  return std::all_of(all.begin(), all.end(), [](RAnswer* answer) { return answer->isUsed(); });
}

bool RPuzzle::areContainersFull() const
{
  const std::vector<RContainer*> all = containers();
  return std::all_of(all.begin(), all.end(), [](RContainer* c) { return c->isFull(); });
}

// The drag.

void RPuzzle::takeOutOfContainer(RAnswer* answer)
{
  RContainer* container = answer->container();
  if (!container) return;
  const std::weak_ptr<int> answerAlive = answer->liveness();
  container->removeAnswer(answer);
  if (!answerAlive.expired()) answer->setContainer(nullptr);
}

void RPuzzle::onAnswerPickedUp(RAnswer* answer)
{
  pickUpPoint_ = OMPoint(answer->x(), answer->y());
  RContainer* container = answer->container();
  pickUpContainer_ = ScriptObjectRef<RContainer>::direct(container);
  flyOverContainer_ = pickUpContainer_;
  takeOutOfContainer(answer);
}

void RPuzzle::flyOverTo(RContainer* chosen, RAnswer* answer)
{
  RContainer* current = flyOverContainer_.resolve();
  if (chosen == current) return;
  flyOverContainer_ = ScriptObjectRef<RContainer>::direct(chosen);
  const std::weak_ptr<int> alive = alive_;
  const std::weak_ptr<int> chosenAlive = chosen ? chosen->liveness() : std::weak_ptr<int>();
  if (current) current->answerFlyOff(answer);
  if (chosen && !chosenAlive.expired() && !alive.expired()) chosen->answerFlyOn(answer);
}

void RPuzzle::onAnswerDragged(RAnswer* answer)
{
  if (processFlyovers_) flyOverTo(chooseContainer(answer), answer);
}

void RPuzzle::onAnswerDropped(RAnswer* answer)
{
  const std::weak_ptr<int> alive = alive_;
  const std::weak_ptr<int> answerAlive = answer->liveness();
  RContainer* chosen = chooseContainer(answer);
  if (!chosen && answerHomeType_ == 1) {
    answer->moveTo(pickUpPoint_.x, pickUpPoint_.y);
    chosen = pickUpContainer_.resolve();
  }
  const std::weak_ptr<int> chosenAlive = chosen ? chosen->liveness() : std::weak_ptr<int>();
  flyOverTo(chosen, answer);
  if (alive.expired() || answerAlive.expired()) return;
  if (chosen && chosenAlive.expired()) chosen = nullptr;
  if (!chosen) {
    answer->goHome();
    if (isSolved()) raise("puzzleSolved");
    return;
  }
  placeAnswerInContainer(answer, chosen);
  if (!alive.expired()) reportCompletion();
}

void RPuzzle::reportCompletion()
{
  const std::weak_ptr<int> alive = alive_;
  bool complete = false;
  if (areContainersFull()) {
    raise("containersFull");
    complete = true;
  }
  if (alive.expired()) return;
  if (areAnswersUsed()) {
    raise("answersUsed");
    complete = true;
  }
  if (alive.expired()) return;
  if (isSolved()) {
    raise("puzzleSolved");
  } else if (complete) {
    raise("puzzleWrong");
  }
}

void RPuzzle::placeAnswerInContainer(RAnswer* answer, RContainer* container)
{
  const std::weak_ptr<int> alive = alive_;
  const std::weak_ptr<int> answerAlive = answer->liveness();
  const std::weak_ptr<int> containerAlive = container->liveness();
  answer->setContainer(container);
  if (alive.expired() || answerAlive.expired() || containerAlive.expired()) return;
  const AnswerEntry* entry = entryFor(answer);
  if (entry && entry->ref.variable() >= 0) {
    container->placeAnswerByVariable(entry->ref.variable());
  } else {
    container->placeAnswer(answer);
  }
}

void RPuzzle::removeAnswer(RAnswer* answer)
{
  auto entry = std::find_if(answers_.begin(), answers_.end(), [&](const AnswerEntry& e) {
    return answer && (e.ref.resolve() == answer || e.hooked.resolve() == answer);
  });
  if (entry == answers_.end()) return;
  const AnswerEntry removed = *entry;
  answers_.erase(entry);
  unhook(removed.hooked.resolve());
  if (RAnswer* held = removed.ref.resolve()) takeOutOfContainer(held);
}

// Links on the answers.

OMWord RPuzzle::answerPickedUpLink(OMWord answer)
{
  onAnswerPickedUp(answerOf(answer));
  return 1;
}

OMWord RPuzzle::answerDraggedLink(OMWord answer)
{
  onAnswerDragged(answerOf(answer));
  return 1;
}

OMWord RPuzzle::answerDroppedLink(OMWord answer)
{
  onAnswerDropped(answerOf(answer));
  return 1;
}

// Script members.

template <int RPuzzle::*Field>
OMWord RPuzzle::getInt(OMWord buffer)
{
  return writeNumber(buffer, this->*Field);
}

template <int RPuzzle::*Field>
OMWord RPuzzle::setInt(OMWord text)
{
  this->*Field = numberOf(reinterpret_cast<const char*>(text));
  return 1;
}

OMWord RPuzzle::getAnswersUsed(OMWord buffer)
{
  return writeNumber(buffer, areAnswersUsed() ? 1 : 0);
}

OMWord RPuzzle::getContainersFull(OMWord buffer)
{
  return writeNumber(buffer, areContainersFull() ? 1 : 0);
}

OMWord RPuzzle::getIsSolved(OMWord buffer)
{
  return writeNumber(buffer, isSolved() ? 1 : 0);
}

OMWord RPuzzle::addAnswerMember()
{
  YVariableRef variable = -1;
  if (RAnswer* answer = objectNamed<RAnswer>(popScriptArg(), &variable))
    addAnswerEntry(ScriptObjectRef<RAnswer>::byVariable(variable), answer);
  return 1;
}

OMWord RPuzzle::addAnswerToContainerMember()
{
  const std::string answerName = popScriptArg();
  RAnswer* answer = objectNamed<RAnswer>(answerName);
  RContainer* container = objectNamed<RContainer>(popScriptArg());
  if (!answer || !container || container->holds(answer)) return 1;
  const std::weak_ptr<int> answerAlive = answer->liveness();
  const std::weak_ptr<int> containerAlive = container->liveness();
  // Its old container is told it left.
  if (RContainer* old = answer->container()) old->removeAnswer(answer);
  if (!answerAlive.expired() && !containerAlive.expired())
    placeAnswerInContainer(answer, container);
  return 1;
}

OMWord RPuzzle::addContainerMember()
{
  YVariableRef variable = -1;
  RContainer* container = objectNamed<RContainer>(popScriptArg(), &variable);
  if (!container) return 1;
  containers_.push_back(ScriptObjectRef<RContainer>::byVariable(variable));
  container->setLockCorrectAnswers(lockCorrectAnswers_);
  container->setRejectIncorrectAnswers(rejectIncorrectAnswers_);
  return 1;
}

OMWord RPuzzle::anchorAnswersMember()
{
  for (RAnswer* answer : answers())
    answer->anchor();
  return 1;
}

OMWord RPuzzle::unanchorAnswersMember()
{
  for (RAnswer* answer : answers())
    answer->unanchor();
  return 1;
}

OMWord RPuzzle::addSolvedContainerListMember()
{
  ContainerList list;
  for (std::string name = popScriptArg(); !name.empty(); name = popScriptArg()) {
    YVariableRef variable = -1;
    if (objectNamed<RContainer>(name, &variable))
      list.push_back(ScriptObjectRef<RContainer>::byVariable(variable));
  }
  if (!list.empty()) solvedContainerLists_.push_back(std::move(list));
  return 1;
}

OMWord RPuzzle::clearSolvedContainerListMember()
{
  solvedContainerLists_.clear();
  return 1;
}

OMWord RPuzzle::removeAnswerMember()
{
  removeAnswer(objectNamed<RAnswer>(popScriptArg()));
  return 1;
}

OMWord RPuzzle::removeAnswerFromContainerMember()
{
  const std::string answerName = popScriptArg();
  RAnswer* answer = objectNamed<RAnswer>(answerName);
  RContainer* container = objectNamed<RContainer>(popScriptArg());
  if (!answer || !container || answer->container() != container) return 1;
  const std::weak_ptr<int> answerAlive = answer->liveness();
  takeOutOfContainer(answer);
  if (!answerAlive.expired()) answer->goHome();
  return 1;
}

OMWord RPuzzle::removeContainerMember()
{
  RContainer* container = objectNamed<RContainer>(popScriptArg());
  auto held = std::find_if(containers_.begin(), containers_.end(),
                           [&](const ScriptObjectRef<RContainer>& ref) {
                             return container && ref.resolve() == container;
                           });
  if (held != containers_.end()) containers_.erase(held);
  return 1;
}

OMWord RPuzzle::resetMember()
{
  const std::weak_ptr<int> alive = alive_;
  // Event handlers may delete answers, or the puzzle, during the walk.
  std::vector<ScriptObjectRef<RAnswer>> walk;
  for (RAnswer* answer : answers())
    walk.push_back(ScriptObjectRef<RAnswer>::direct(answer));
  for (const ScriptObjectRef<RAnswer>& ref : walk) {
    RAnswer* answer = ref.resolve();
    if (alive.expired()) break;
    if (!answer || !answer->isUsed()) continue;
    takeOutOfContainer(answer);
    if ((answer = ref.resolve())) answer->goHome();
  }
  return 1;
}

OMWord RPuzzle::shiftAnswersMember()
{
  const int dx = numberOf(popScriptArg()), dy = numberOf(popScriptArg());
  for (RAnswer* answer : answers()) {
    int x = dx, y = dy;
    if (!answer->isUsed()) answer->offset(x, y);
  }
  return 1;
}

OMWord RPuzzle::shiftContainersMember()
{
  const int dx = numberOf(popScriptArg()), dy = numberOf(popScriptArg());
  for (RContainer* container : containers()) {
    int x = dx, y = dy;
    container->offset(x, y);
  }
  return 1;
}
