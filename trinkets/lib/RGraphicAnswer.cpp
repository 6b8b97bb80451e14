#include "trinkets/lib/RGraphicAnswer.h"

#include <cstdlib>
#include <string>

#include "framework/OMEdition.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMSystem.h"
#include "trinkets/lib/PuzzleGraphic.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RGraphicAnswer", &RGraphicAnswer::create);

using Link = OMLinkToObj<RGraphicAnswer>;

// Task-modal and system-modal.
constexpr unsigned alertFlags = 0x3000;

int numberOf(OMWord text)
{
  const char* t = reinterpret_cast<const char*>(text);
  return t ? std::atoi(t) : 0;
}

int directionOrZero(int n)
{
  return n >= 0 && n <= 3 ? n : 0;
}

}  // namespace

RGraphicAnswer::RGraphicAnswer(const OMPoint& home, int z, std::uint16_t graphicId)
    : RAnswer(home, z)
{
  setGraphic(graphicId);
}

RGraphicAnswer::~RGraphicAnswer() = default;

std::unique_ptr<OMScriptableObject> RGraphicAnswer::create()
{
  const int x = coordinateOf(popScriptArg());
  const int y = coordinateOf(popScriptArg());
  const int z = std::atoi(popScriptArg());
  const auto id = static_cast<std::uint16_t>(std::atoi(popScriptArg()));
  const std::string attribute = popScriptArg();
  const int value = std::atoi(popScriptArg());
  auto answer = std::make_unique<RGraphicAnswer>(OMPoint(x, y), z, id);
  answer->setAttributeText(attribute.c_str());
  answer->setValue(value);
  return answer;
}

std::unique_ptr<OMScriptableObject> RGraphicAnswer::clone() const
{
  auto copy = std::make_unique<RGraphicAnswer>(*this);
  copyMembers(copy.get());
  return copy;
}

void RGraphicAnswer::registerMembers()
{
  RAnswer::registerMembers();
  const bool game = !OMEdition::isAssessment();
  if (!game) {
    addAttributeProperty();
    addHotPointProperties();
    addUsingHotPointProperty();
    addValueProperty();
  }
  if (game) {
    addProperty("graphicFrameNumber", Link(this, &RGraphicAnswer::setFrameNumber, 0),
                Link(this, &RGraphicAnswer::getFrameNumber, 0));
  }
  const Link setId(this, &RGraphicAnswer::setGraphicId, 0);
  addProperty("graphicID", &setId, nullptr);
  if (game) {
    addProperty("isSolid", Link(this, &RGraphicAnswer::setIsSolid, 0),
                Link(this, &RGraphicAnswer::getIsSolid, 0));
  }
  addMethod("playAnimation", Link(this, &RGraphicAnswer::playAnimationMember));
  addMethod("replacePaletteEntry", Link(this, &RGraphicAnswer::replacePaletteEntryMember));
  addMethod("stopAnimation", Link(this, &RGraphicAnswer::stopAnimationMember));
  if (game) {
    addProperty("flip", Link(this, &RGraphicAnswer::setFlip, 0),
                Link(this, &RGraphicAnswer::getFlip, 0));
    addProperty("rotate", Link(this, &RGraphicAnswer::setRotate, 0),
                Link(this, &RGraphicAnswer::getRotate, 0));
  }
}

void RGraphicAnswer::setGraphic(std::uint16_t id)
{
  puzzleGraphic::replace(*this, id, home().x, home().y, isSolid_);
}

OMAnimation* RGraphicAnswer::graphic() const
{
  return puzzleGraphic::of(*this);
}

OMWord RGraphicAnswer::getFrameNumber(OMWord buffer)
{
  return writeNumber(buffer, puzzleGraphic::frameNumber(graphic()));
}

OMWord RGraphicAnswer::setFrameNumber(OMWord text)
{
  puzzleGraphic::showFrame(graphic(), numberOf(text));
  return 1;
}

OMWord RGraphicAnswer::setGraphicId(OMWord text)
{
  setGraphic(static_cast<std::uint16_t>(numberOf(text)));
  return 1;
}

OMWord RGraphicAnswer::getIsSolid(OMWord buffer)
{
  return writeNumber(buffer, isSolid_);
}

OMWord RGraphicAnswer::setIsSolid(OMWord text)
{
  isSolid_ = numberOf(text);
  puzzleGraphic::setSolid(graphic(), isSolid_);
  return 1;
}

OMWord RGraphicAnswer::getFlip(OMWord buffer)
{
  return writeNumber(buffer, flip_);
}

OMWord RGraphicAnswer::setFlip(OMWord text)
{
  flip_ = directionOrZero(numberOf(text));
  // Without a graphic the value is only stored.
  if (OMAnimation* g = graphic()) g->setDrawDirection(flip_ & 0xFF);
  return 1;
}

OMWord RGraphicAnswer::getRotate(OMWord buffer)
{
  return writeNumber(buffer, rotate_);
}

OMWord RGraphicAnswer::setRotate(OMWord text)
{
  rotate_ = numberOf(text);
  if (rotate_ == 0) return 1;
  if (flip_ != 0) alertBox("flip already set", alertFlags, nullptr);
  rotate_ = directionOrZero(rotate_);
  if (OMAnimation* g = graphic()) g->setDrawDirection(rotate_);
  return 1;
}

OMWord RGraphicAnswer::playAnimationMember()
{
  puzzleGraphic::play(graphic());
  return 1;
}

OMWord RGraphicAnswer::stopAnimationMember()
{
  puzzleGraphic::stop(graphic());
  return 1;
}

OMWord RGraphicAnswer::replacePaletteEntryMember()
{
  puzzleGraphic::replacePaletteEntry(graphic());
  return 1;
}
