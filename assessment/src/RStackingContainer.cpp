#include "assessment/src/RStackingContainer.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>

#include "framework/OMLinkToObj.h"
#include "trinkets/lib/PuzzleGraphic.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RStackingContainer", &RStackingContainer::create,
                     TrinketRecord::assessmentEditionOnly);

using Link = OMLinkToObj<RStackingContainer>;

int numberOf(const std::string& text)
{
  return std::atoi(text.c_str());
}

int numberOf(OMWord text)
{
  return std::atoi(reinterpret_cast<const char*>(text));
}

int heightOf(const RAnswer* answer)
{
  return answer ? answer->dropRect().height() : 0;
}

}  // namespace

RStackingContainer::RStackingContainer(const OMRect& rect, int z, int value, int solvedAnswerCount)
    : RContainer(z), solvedAnswerCount_(solvedAnswerCount), value_(value)
{
  setRect(rect);
  setDrawState(0);
  stackTop_ = this->rect().bottom();
}

RStackingContainer::RStackingContainer(std::uint16_t graphicId, int x, int y, int z, int value,
                                       int solvedAnswerCount)
    : RContainer(z), solvedAnswerCount_(solvedAnswerCount), value_(value)
{
  if (std::unique_ptr<OMAnimation> picture = puzzleGraphic::make(graphicId, x, y))
    addPiece(std::move(picture), 0, puzzleGraphic::pieceId);
  stackTop_ = rect().bottom();
}

RStackingContainer::~RStackingContainer() = default;

std::unique_ptr<OMScriptableObject> RStackingContainer::create()
{
  std::string t[7];
  for (std::string& argument : t)
    argument = popScriptArg();
  const auto id = static_cast<std::uint16_t>(numberOf(t[0]));
  if (t[4].empty()) {
    return std::make_unique<RStackingContainer>(id, OMTrinket::noPosition, OMTrinket::noPosition,
                                                numberOf(t[1]), numberOf(t[2]), numberOf(t[3]));
  }
  // Places and sizes are held to the coordinate range, as every factory's are.
  if (t[6].empty()) {
    return std::make_unique<RStackingContainer>(id, clampCoordinate(numberOf(t[1])),
                                                clampCoordinate(numberOf(t[2])), numberOf(t[3]),
                                                numberOf(t[4]), numberOf(t[5]));
  }
  const int left = clampCoordinate(numberOf(t[0])), top = clampCoordinate(numberOf(t[1]));
  return std::make_unique<RStackingContainer>(
      OMRect(left, top, clampCoordinate(std::int64_t(left) + numberOf(t[2])),
             clampCoordinate(std::int64_t(top) + numberOf(t[3]))),
      numberOf(t[4]), numberOf(t[5]), numberOf(t[6]));
}

void RStackingContainer::registerMembers()
{
  RContainer::registerMembers();
  addProperty("answerValue", Link(this, &RStackingContainer::ignore, 0),
              Link(this, &RStackingContainer::getAnswerValue, 0));
  addProperty("droppedSound", Link(this, &RStackingContainer::setDroppedSound, 0),
              Link(this, &RStackingContainer::getDroppedSound, 0));
  addProperty("highlighted", Link(this, &RStackingContainer::setHighlighted, 0),
              Link(this, &RStackingContainer::getHighlighted, 0));
  addProperty("solvedAnswerCount", Link(this, &RStackingContainer::setSolvedAnswerCount, 0),
              Link(this, &RStackingContainer::getSolvedAnswerCount, 0));
  addProperty("value", Link(this, &RStackingContainer::setValue, 0),
              Link(this, &RStackingContainer::getValue, 0));
  addMethod("playAnimation", Link(this, &RStackingContainer::playAnimation));
  addMethod("stopAnimation", Link(this, &RStackingContainer::stopAnimation));
}

OMAnimation* RStackingContainer::graphic() const
{
  return puzzleGraphic::of(*this);
}

int RStackingContainer::heldHeight() const
{
  int total = 0;
  for (const RAnswer* answer : answers())
    total += heightOf(answer);
  return total;
}

int RStackingContainer::answerValue() const
{
  int sum = 0;
  for (RAnswer* answer : answers()) {
    const char* value = answer->getProperty("value");
    if (value && *value) sum += std::atoi(value);
  }
  return sum;
}

bool RStackingContainer::canAccept(RAnswer* answer, int* score)
{
  const OMRect overlap = answer->dropRect().intersection(rect());
  const std::int64_t area =
      overlap.hasArea() ? std::int64_t(overlap.width()) * overlap.height() : 0;
  if (score)
    *score = static_cast<int>(std::min<std::int64_t>(area, std::numeric_limits<int>::max()));
  return isEnabled() && heldHeight() + heightOf(answer) <= rect().height() &&
         answer->overlapsRect(rect());
}

bool RStackingContainer::isFull()
{
  return heldHeight() < rect().height();
}

bool RStackingContainer::isSolved()
{
  return answerValue() == value_ &&
         (solvedAnswerCount_ == -1 || answerCount() == solvedAnswerCount_);
}

void RStackingContainer::onAnswerPlaced(RAnswer* answer)
{
  const int height = heightOf(answer);
  answer->centreOn(OMRect(rect().left(), stackTop_ - height, rect().right(), stackTop_));
  stackTop_ -= height;
}

void RStackingContainer::onAnswerRemoved(RAnswer* answer)
{
  const int height = heightOf(answer);
  stackTop_ += height;
  if (!answer) return;
  const int top = answer->dropRect().top();
  bool moved = false;
  for (RAnswer* held : answers()) {
    if (held->dropRect().top() >= top) continue;
    int dx = 0, dy = height;
    held->offset(dx, dy);
    moved = true;
  }
  if (moved && droppedSound_ != noSound && soundPlayer()) soundPlayer()(droppedSound_, nullptr, 0);
}

OMWord RStackingContainer::getAnswerValue(OMWord buffer)
{
  return writeNumber(buffer, answerValue());
}

OMWord RStackingContainer::getDroppedSound(OMWord buffer)
{
  return writeNumber(buffer, droppedSound_);
}

OMWord RStackingContainer::setDroppedSound(OMWord text)
{
  droppedSound_ = static_cast<std::uint16_t>(numberOf(text));
  return 1;
}

OMWord RStackingContainer::getHighlighted(OMWord buffer)
{
  return writeNumber(buffer, highlighted_);
}

OMWord RStackingContainer::setHighlighted(OMWord text)
{
  highlighted_ = numberOf(text);
  puzzleGraphic::showFrame(graphic(), highlighted_ ? 2 : 1);
  return 1;
}

OMWord RStackingContainer::getSolvedAnswerCount(OMWord buffer)
{
  return writeNumber(buffer, solvedAnswerCount_);
}

OMWord RStackingContainer::setSolvedAnswerCount(OMWord text)
{
  solvedAnswerCount_ = numberOf(text);
  return 1;
}

OMWord RStackingContainer::getValue(OMWord buffer)
{
  return writeNumber(buffer, value_);
}

OMWord RStackingContainer::setValue(OMWord text)
{
  value_ = numberOf(text);
  return 1;
}

OMWord RStackingContainer::playAnimation()
{
  puzzleGraphic::play(graphic());
  return 1;
}

OMWord RStackingContainer::stopAnimation()
{
  puzzleGraphic::stop(graphic());
  return 1;
}

OMWord RStackingContainer::ignore(OMWord)
{
  return 1;
}
