#include "trinkets/lib/RAttributeContainer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "framework/OMLinkToObj.h"
#include "trinkets/lib/PuzzleGraphic.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RAttributeContainer", &RAttributeContainer::create);

using Link = OMLinkToObj<RAttributeContainer>;

int numberOf(const char* text)
{
  return text ? std::atoi(text) : 0;
}

int numberOf(OMWord text)
{
  return numberOf(reinterpret_cast<const char*>(text));
}

}  // namespace

RAttributeContainer::RAttributeContainer(const OMRect& rect, int z, const char* attribute)
    : RContainer(z)
{
  setRect(rect);
  setDrawState(0);
  setAttributeText(attribute);
}

RAttributeContainer::RAttributeContainer(std::uint16_t graphicId, int x, int y, int z,
                                         const char* attribute)
    : RContainer(z)
{
  if (std::unique_ptr<OMAnimation> graphic = puzzleGraphic::make(graphicId, x, y))
    addPiece(std::move(graphic), 0, puzzleGraphic::pieceId);
  setAttributeText(attribute);
}

RAttributeContainer::RAttributeContainer(const RAttributeContainer& other)
    : RContainer(other),
      anchorAnswerAtPoint_(other.anchorAnswerAtPoint_),
      doPixelCompare_(other.doPixelCompare_),
      highlighted_(other.highlighted_),
      attribute_(other.attribute_),
      answerAnchorPoint_(other.answerAnchorPoint_)
{
}

RAttributeContainer::~RAttributeContainer() = default;

std::unique_ptr<OMScriptableObject> RAttributeContainer::create()
{
  std::string a[6];
  for (std::string& argument : a)
    argument = popScriptArg();
  const auto id = static_cast<std::uint16_t>(numberOf(a[0].c_str()));
  if (a[3].empty()) {
    return std::make_unique<RAttributeContainer>(id, OMTrinket::noPosition, OMTrinket::noPosition,
                                                 numberOf(a[1].c_str()), a[2].c_str());
  }
  if (a[5].empty()) {
    return std::make_unique<RAttributeContainer>(id, coordinateOf(a[1].c_str()),
                                                 coordinateOf(a[2].c_str()), numberOf(a[3].c_str()),
                                                 a[4].c_str());
  }
  const int left = clampCoordinate(numberOf(a[0].c_str()));
  const int top = clampCoordinate(numberOf(a[1].c_str()));
  const OMRect rect(left, top, clampCoordinate(std::int64_t(left) + numberOf(a[2].c_str())),
                    clampCoordinate(std::int64_t(top) + numberOf(a[3].c_str())));
  return std::make_unique<RAttributeContainer>(rect, numberOf(a[4].c_str()), a[5].c_str());
}

std::unique_ptr<OMScriptableObject> RAttributeContainer::clone() const
{
  auto copy = std::make_unique<RAttributeContainer>(*this);
  copyMembers(copy.get());
  return copy;
}

void RAttributeContainer::registerMembers()
{
  RContainer::registerMembers();
  using Self = RAttributeContainer;
  addProperty("anchorAnswerAtPoint", Link(this, &Self::setInt<&Self::anchorAnswerAtPoint_>, 0),
              Link(this, &Self::getInt<&Self::anchorAnswerAtPoint_>, 0));
  addProperty("answerAnchorPointX", Link(this, &Self::setAnchorX, 0),
              Link(this, &Self::getAnchorX, 0));
  addProperty("answerAnchorPointY", Link(this, &Self::setAnchorY, 0),
              Link(this, &Self::getAnchorY, 0));
  addProperty("answerProperty", nullptr, Link(this, &Self::getAnswerPropertyMember, 0));
  addProperty("attribute", Link(this, &Self::setAttributeMember, 0),
              Link(this, &Self::getAttributeMember, 0));
  addProperty("doPixelCompare", Link(this, &Self::setInt<&Self::doPixelCompare_>, 0),
              Link(this, &Self::getInt<&Self::doPixelCompare_>, 0));
  addProperty("highlighted", Link(this, &Self::setHighlighted, 0),
              Link(this, &Self::getInt<&Self::highlighted_>, 0));
  addMethod("playAnimation", Link(this, &Self::playAnimationMember));
  addMethod("replacePaletteEntry", Link(this, &Self::replacePaletteEntryMember));
  addMethod("stopAnimation", Link(this, &Self::stopAnimationMember));
}

void RAttributeContainer::setAttributeText(const char* text)
{
  if (text) attribute_ = text;
}

OMAnimation* RAttributeContainer::graphic() const
{
  return puzzleGraphic::of(*this);
}

bool RAttributeContainer::graphicHit(const OMPoint& point) const
{
  const OMAnimation* g = graphic();
  // Not its touchiness: the graphic follows the container, which is never touchy, so that
  // test would refuse every answer.
  return g && g->isVisible() && g->containsPoint(point);
}

bool RAttributeContainer::matches(const RAnswer* answer) const
{
  return answer && answer->attribute() == attribute_;
}

bool RAttributeContainer::canAccept(RAnswer* answer, int* score)
{
  int fit = 0;
  bool accept = isEnabled() && answerCount() == 0;
  if (doPixelCompare_ && graphic()) {
    fit = graphicHit(answer->hotPointOnStage()) ? 1 : 0;
    accept = accept && fit;
  } else if (answer->isUsingHotPoint()) {
    fit = rect().containsPoint(answer->hotPointOnStage()) ? 1 : 0;
    accept = accept && fit;
  } else {
    const OMRect overlap = answer->dropRect().intersection(rect());
    const std::int64_t area =
        overlap.hasArea() ? std::int64_t(overlap.width()) * overlap.height() : 0;
    fit = static_cast<int>(std::min<std::int64_t>(area, std::numeric_limits<int>::max()));
    accept = accept && answer->overlapsRect(rect());
  }
  if (rejectIncorrectAnswers()) accept = accept && matches(answer);
  if (score) *score = fit;
  return accept;
}

bool RAttributeContainer::isSolved()
{
  const std::vector<RAnswer*> held = answers();
  return !held.empty() && matches(held.front());
}

void RAttributeContainer::onAnswerPlaced(RAnswer* answer)
{
  OMRect target = rect();
  if (anchorAnswerAtPoint_) {
    target = answer->rect();
    target.offset(rect().left() + answerAnchorPoint_.x, rect().top() + answerAnchorPoint_.y);
  }
  if (answer->isUsingHotPoint()) {
    // The stored hot point, relative to the answer.
    target.offset(-answer->relativeHotPoint().x, -answer->relativeHotPoint().y);
  }
  answer->centreOn(target);
  answer->setZ(z() + 1);
  if (lockCorrectAnswers() && isSolved()) answer->anchor();
}

// Script members.

template <int RAttributeContainer::*Field>
OMWord RAttributeContainer::getInt(OMWord buffer)
{
  return writeNumber(buffer, this->*Field);
}

template <int RAttributeContainer::*Field>
OMWord RAttributeContainer::setInt(OMWord text)
{
  this->*Field = numberOf(text);
  return 1;
}

OMWord RAttributeContainer::getAnchorX(OMWord buffer)
{
  return writeNumber(buffer, answerAnchorPoint_.x);
}

OMWord RAttributeContainer::setAnchorX(OMWord text)
{
  answerAnchorPoint_.x = clampCoordinate(numberOf(text));
  return 1;
}

OMWord RAttributeContainer::getAnchorY(OMWord buffer)
{
  return writeNumber(buffer, answerAnchorPoint_.y);
}

OMWord RAttributeContainer::setAnchorY(OMWord text)
{
  answerAnchorPoint_.y = clampCoordinate(numberOf(text));
  return 1;
}

OMWord RAttributeContainer::getAnswerPropertyMember(OMWord buffer)
{
  const char* name = popScriptArg();
  const std::vector<RAnswer*> held = answers();
  const std::string value = held.empty() ? std::string() : held.front()->getAnswerProperty(name);
  return writeText(buffer, value.c_str());
}

OMWord RAttributeContainer::getAttributeMember(OMWord buffer)
{
  return writeText(buffer, attribute_.c_str());
}

OMWord RAttributeContainer::setAttributeMember(OMWord text)
{
  setAttributeText(reinterpret_cast<const char*>(text));
  return 1;
}

OMWord RAttributeContainer::setHighlighted(OMWord text)
{
  highlighted_ = numberOf(text);
  puzzleGraphic::showFrame(graphic(), highlighted_ ? 2 : 1);
  return 1;
}

OMWord RAttributeContainer::playAnimationMember()
{
  puzzleGraphic::play(graphic());
  return 1;
}

OMWord RAttributeContainer::stopAnimationMember()
{
  puzzleGraphic::stop(graphic());
  return 1;
}

OMWord RAttributeContainer::replacePaletteEntryMember()
{
  puzzleGraphic::replacePaletteEntry(graphic());
  return 1;
}
