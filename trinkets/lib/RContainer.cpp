#include "trinkets/lib/RContainer.h"

#include <algorithm>
#include <cstdlib>

#include "framework/OMEdition.h"
#include "framework/OMLinkToObj.h"
#include "trinkets/src/OMTrinketWindow.h"

namespace {

using Link = OMLinkToObj<RContainer>;

struct ContainerSounds {
  RAnswer::SoundPlayer player = nullptr;
  RAnswer::SoundStopper stopper = nullptr;
};

ContainerSounds& sounds()
{
  static ContainerSounds state;
  return state;
}

int numberOf(OMWord text)
{
  const char* t = reinterpret_cast<const char*>(text);
  return t ? std::atoi(t) : 0;
}

std::unique_ptr<OMLink> cloneOf(const std::unique_ptr<OMLink>& link)
{
  return link ? link->clone() : nullptr;
}

}  // namespace

RContainer::RContainer(int z) : OMMultiTrinket(OMTrinketWindow::mainHost(), 2)
{
  setZ(z);
  setMovable(0);
  setTouchy(0);
  setConfined(0);
}

RContainer::RContainer(const RContainer& other)
    : OMMultiTrinket(other),
      lockCorrectAnswers_(other.lockCorrectAnswers_),
      rejectIncorrectAnswers_(other.rejectIncorrectAnswers_),
      answerFlyOffHandler_(cloneOf(other.answerFlyOffHandler_)),
      answerFlyOnHandler_(cloneOf(other.answerFlyOnHandler_)),
      answerPlacedHandler_(cloneOf(other.answerPlacedHandler_)),
      answerRemovedHandler_(cloneOf(other.answerRemovedHandler_)),
      enabled_(other.enabled_)
{
}

RContainer::~RContainer() = default;

void RContainer::setSoundPlayer(RAnswer::SoundPlayer player)
{
  sounds().player = player;
}

void RContainer::setSoundStopper(RAnswer::SoundStopper stopper)
{
  sounds().stopper = stopper;
}

RAnswer::SoundPlayer RContainer::soundPlayer()
{
  return sounds().player;
}

void RContainer::registerMembers()
{
  OMMultiTrinket::registerMembers();
  addProperty("answerCount", nullptr, Link(this, &RContainer::getAnswerCount, 0));
  addProperty("enabled", Link(this, &RContainer::setEnabled, 0),
              Link(this, &RContainer::getEnabled, 0));
  addProperty("isFull", nullptr, Link(this, &RContainer::getIsFull, 0));
  addProperty("isSolved", nullptr, Link(this, &RContainer::getIsSolved, 0));
  addProperty("lockCorrectAnswers", Link(this, &RContainer::setLock, 0),
              Link(this, &RContainer::getLock, 0));
  addProperty("rejectIncorrectAnswers", Link(this, &RContainer::setReject, 0),
              Link(this, &RContainer::getReject, 0));
  if (!OMEdition::isAssessment())
    addMethod("removeAnswer", Link(this, &RContainer::removeAnswerMember));
  for (const char* event : {"answerFlyOff", "answerFlyOn", "answerPlaced", "answerRemoved"})
    addEvent(event);
}

void RContainer::offset(int& dx, int& dy)
{
  OMMultiTrinket::offset(dx, dy);
  for (RAnswer* answer : answers()) {
    int answerDx = dx, answerDy = dy;
    answer->offset(answerDx, answerDy);
  }
}

void RContainer::report(const std::unique_ptr<OMLink>& handler, const char* event)
{
  if (handler) {
    handler->call();
  } else {
    raise(event);
  }
}

void RContainer::answerFlyOff(RAnswer*)
{
  report(answerFlyOffHandler_, "answerFlyOff");
}

void RContainer::answerFlyOn(RAnswer*)
{
  report(answerFlyOnHandler_, "answerFlyOn");
}

void RContainer::disable()
{
  enabled_ = 0;
  for (RAnswer* answer : answers())
    answer->anchor();
}

void RContainer::enable()
{
  enabled_ = 1;
  for (RAnswer* answer : answers())
    answer->unanchor();
}

void RContainer::placeAnswer(RAnswer* answer)
{
  if (answer) place(ScriptObjectRef<RAnswer>::direct(answer), answer);
}

void RContainer::placeAnswerByVariable(YVariableRef variable)
{
  ScriptObjectRef<RAnswer> ref = ScriptObjectRef<RAnswer>::byVariable(variable);
  if (RAnswer* answer = ref.resolve()) place(ref, answer);
}

void RContainer::place(ScriptObjectRef<RAnswer> ref, RAnswer* answer)
{
  const std::weak_ptr<int> alive = lifetime();
  forgetDroppedAnswers();
  answers_.push_back(ref);
  onAnswerPlaced(answer);
  if (!alive.expired()) report(answerPlacedHandler_, "answerPlaced");
}

void RContainer::removeAnswer(RAnswer* answer)
{
  auto held = std::find_if(
      answers_.begin(), answers_.end(),
      [&](const ScriptObjectRef<RAnswer>& ref) { return answer && ref.resolve() == answer; });
  if (held != answers_.end()) answers_.erase(held);
  forgetDroppedAnswers();
  const std::weak_ptr<int> alive = lifetime();
  onAnswerRemoved(answer);
  if (!alive.expired()) report(answerRemovedHandler_, "answerRemoved");
}

void RContainer::forgetDroppedAnswers()
{
  std::erase_if(answers_, [](const ScriptObjectRef<RAnswer>& ref) { return !ref.resolve(); });
}

void RContainer::removeFirstAnswer()
{
  const std::vector<RAnswer*> held = answers();
  if (!held.empty()) removeAnswer(held.front());
}

std::vector<RAnswer*> RContainer::answers() const
{
  std::vector<RAnswer*> held;
  for (const ScriptObjectRef<RAnswer>& ref : answers_)
    if (RAnswer* answer = ref.resolve()) held.push_back(answer);
  return held;
}

bool RContainer::holds(const RAnswer* answer) const
{
  const std::vector<RAnswer*> held = answers();
  return answer && std::find(held.begin(), held.end(), answer) != held.end();
}

void RContainer::setAnswerFlyOffHandler(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(answerFlyOffHandler_, link);
}

void RContainer::setAnswerFlyOnHandler(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(answerFlyOnHandler_, link);
}

void RContainer::setAnswerPlacedHandler(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(answerPlacedHandler_, link);
}

void RContainer::setAnswerRemovedHandler(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(answerRemovedHandler_, link);
}

// Script members.

OMWord RContainer::getAnswerCount(OMWord buffer)
{
  return writeNumber(buffer, answerCount());
}

OMWord RContainer::getEnabled(OMWord buffer)
{
  return writeNumber(buffer, enabled_);
}

OMWord RContainer::setEnabled(OMWord text)
{
  if (numberOf(text) == 0) {
    disable();
  } else {
    enable();
  }
  return 1;
}

OMWord RContainer::getIsFull(OMWord buffer)
{
  return writeNumber(buffer, isFull() ? 1 : 0);
}

OMWord RContainer::getIsSolved(OMWord buffer)
{
  return writeNumber(buffer, isSolved() ? 1 : 0);
}

OMWord RContainer::getLock(OMWord buffer)
{
  return writeNumber(buffer, lockCorrectAnswers_);
}

OMWord RContainer::setLock(OMWord text)
{
  lockCorrectAnswers_ = numberOf(text);
  return 1;
}

OMWord RContainer::getReject(OMWord buffer)
{
  return writeNumber(buffer, rejectIncorrectAnswers_);
}

OMWord RContainer::setReject(OMWord text)
{
  rejectIncorrectAnswers_ = numberOf(text);
  return 1;
}

OMWord RContainer::removeAnswerMember()
{
  removeFirstAnswer();
  return 1;
}
