#include "trinkets/lib/RGraphicTextAnswer.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/OMEdition.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMRGBColor.h"
#include "trinkets/lib/PuzzleGraphic.h"
#include "trinkets/lib/RText.h"
#include "trinkets/lib/ScriptColorChannel.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RGraphicTextAnswer", &RGraphicTextAnswer::create);

using Link = OMLinkToObj<RGraphicTextAnswer>;

constexpr int textPieceId = 2;

int numberOf(const char* text)
{
  return text ? std::atoi(text) : 0;
}

int numberOf(OMWord text)
{
  return numberOf(reinterpret_cast<const char*>(text));
}

const char* textOf(OMWord text)
{
  const char* t = reinterpret_cast<const char*>(text);
  return t ? t : "";
}

}  // namespace

RGraphicTextAnswer::RGraphicTextAnswer(const OMPoint& home, int z, std::uint16_t graphicId,
                                       const char* text)
    : RAnswer(home, z)
{
  setGraphic(graphicId);
  // Laid out in the graphic's extent: an empty rectangle without one.
  addPiece(std::make_unique<RText>(text ? text : "", rect(), nullptr, OMRGBColor(), 0,
                                   OMTrinketWindow::mainHost()),
           0, textPieceId);
}

RGraphicTextAnswer::~RGraphicTextAnswer() = default;

std::unique_ptr<OMScriptableObject> RGraphicTextAnswer::create()
{
  const int x = coordinateOf(popScriptArg());
  const int y = coordinateOf(popScriptArg());
  const int z = numberOf(popScriptArg());
  const auto id = static_cast<std::uint16_t>(numberOf(popScriptArg()));
  const std::string text = popScriptArg();
  const std::string attribute = popScriptArg();
  const int value = numberOf(popScriptArg());
  auto answer = std::make_unique<RGraphicTextAnswer>(OMPoint(x, y), z, id, text.c_str());
  answer->setAttributeText(attribute.c_str());
  answer->setValue(value);
  return answer;
}

std::unique_ptr<OMScriptableObject> RGraphicTextAnswer::clone() const
{
  auto copy = std::make_unique<RGraphicTextAnswer>(*this);
  copyMembers(copy.get());
  return copy;
}

void RGraphicTextAnswer::registerMembers()
{
  RAnswer::registerMembers();
  using Self = RGraphicTextAnswer;
  const auto property = [this](const char* name, Link::MemberFnWithArg setter,
                               Link::MemberFnWithArg getter) {
    const Link set(this, setter, 0), get(this, getter, 0);
    addProperty(name, setter ? &set : nullptr, getter ? &get : nullptr);
  };
  const bool game = !OMEdition::isAssessment();
  if (!game) {
    addAttributeProperty();
    addValueProperty();
  }
  if (game) {
    property("font", &Self::setFontMember, nullptr);
    property("graphicFrameNumber", &Self::setFrameNumber, &Self::getFrameNumber);
  }
  property("graphicID", &Self::setGraphicId, nullptr);
  if (game) property("isSolid", &Self::setIsSolid, &Self::getInt<&Self::isSolid_>);
  property("text", &Self::setText, &Self::getText);
  property("textOffsetX", &Self::setOffsetX, &Self::getOffsetX);
  property("textOffsetY", &Self::setOffsetY, &Self::getOffsetY);
  if (!game) property("textColorIndex", &Self::setTextColorIndex, nullptr);
  if (game) {
    property("textColor", &Self::setTextColor, nullptr);
    property("textIsCentering", &Self::setCentering, &Self::getCentering);
    property("textMarginBottom", &Self::setMarginMember<&Self::textMarginBottom_>,
             &Self::getInt<&Self::textMarginBottom_>);
    property("textMarginLeft", &Self::setMarginMember<&Self::textMarginLeft_>,
             &Self::getInt<&Self::textMarginLeft_>);
    property("textMarginRight", &Self::setMarginMember<&Self::textMarginRight_>,
             &Self::getInt<&Self::textMarginRight_>);
    property("textMarginTop", &Self::setMarginMember<&Self::textMarginTop_>,
             &Self::getInt<&Self::textMarginTop_>);
    property("textWrap", &Self::setWrap, &Self::getWrap);
  }
  addMethod("playAnimation", Link(this, &Self::playAnimationMember));
  addMethod("stopAnimation", Link(this, &Self::stopAnimationMember));
  if (!game) addMethod("setFont", Link(this, &Self::setFontMethod));
}

void RGraphicTextAnswer::setGraphic(std::uint16_t id)
{
  puzzleGraphic::replace(*this, id, home().x, home().y, isSolid_);
}

OMAnimation* RGraphicTextAnswer::graphic() const
{
  return puzzleGraphic::of(*this);
}

RText* RGraphicTextAnswer::textPiece() const
{
  return dynamic_cast<RText*>(pieceWithId(textPieceId));
}

bool RGraphicTextAnswer::containsPoint(const OMPoint& point) const
{
  const OMAnimation* g = graphic();
  return g && g->isTouchy() && g->isVisible() && g->containsPoint(point);
}

void RGraphicTextAnswer::setMargin(int RGraphicTextAnswer::*margin, int value)
{
  RText* text = textPiece();
  const int change = value - this->*margin;
  this->*margin = value;
  if (!text) return;
  OMRect r = text->rect();
  int left = r.left(), top = r.top(), right = r.right(), bottom = r.bottom();
  if (margin == &RGraphicTextAnswer::textMarginLeft_) left += change;
  if (margin == &RGraphicTextAnswer::textMarginTop_) top += change;
  if (margin == &RGraphicTextAnswer::textMarginRight_) right -= change;
  if (margin == &RGraphicTextAnswer::textMarginBottom_) bottom -= change;
  text->invalidate();
  text->setRect(OMRect(left, top, right, bottom));
  // Lays the text out again in its new width.
  text->setWrap(text->wrap());
}

void RGraphicTextAnswer::setTextOffset(const OMPoint& offset)
{
  if (RText* text = textPiece()) {
    int dx = offset.x - textOffset_.x, dy = offset.y - textOffset_.y;
    text->offset(dx, dy);
    text->markWholeDirty();
  }
  textOffset_ = offset;
}

// Script members.

template <int RGraphicTextAnswer::*Field>
OMWord RGraphicTextAnswer::getInt(OMWord buffer)
{
  return writeNumber(buffer, this->*Field);
}

template <int RGraphicTextAnswer::*Field>
OMWord RGraphicTextAnswer::setMarginMember(OMWord text)
{
  setMargin(Field, clampCoordinate(numberOf(text)));
  return 1;
}

OMWord RGraphicTextAnswer::setFontMember(OMWord value)
{
  const std::string face = popScriptArg();
  const int size = numberOf(popScriptArg());
  RText* text = textPiece();
  if (!text) return 1;
  if (face.empty()) {
    text->setFontById(static_cast<std::uint16_t>(numberOf(value)));
  } else {
    text->setFontByName(face.c_str(), numberOf(value), size);
  }
  return 1;
}

OMWord RGraphicTextAnswer::getFrameNumber(OMWord buffer)
{
  return writeNumber(buffer, puzzleGraphic::frameNumber(graphic()));
}

OMWord RGraphicTextAnswer::setFrameNumber(OMWord text)
{
  puzzleGraphic::showFrame(graphic(), numberOf(text));
  return 1;
}

OMWord RGraphicTextAnswer::setGraphicId(OMWord text)
{
  setGraphic(static_cast<std::uint16_t>(numberOf(text)));
  return 1;
}

OMWord RGraphicTextAnswer::setIsSolid(OMWord text)
{
  isSolid_ = numberOf(text);
  puzzleGraphic::setSolid(graphic(), isSolid_);
  return 1;
}

OMWord RGraphicTextAnswer::getText(OMWord buffer)
{
  RText* text = textPiece();
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%s",
                text ? text->text().c_str() : "");
  return 1;
}

OMWord RGraphicTextAnswer::setText(OMWord value)
{
  if (RText* text = textPiece()) text->setText(textOf(value));
  return 1;
}

OMWord RGraphicTextAnswer::setTextColor(OMWord value)
{
  const std::string red = popScriptArg();
  const std::string green = popScriptArg();
  RText* text = textPiece();
  if (!text) return 1;
  if (red.empty()) {
    text->setColor(OMRGBColor::fromIndex(static_cast<std::int16_t>(numberOf(value))));
  } else {
    text->setColor(OMRGBColor(scriptColorChannel(red.c_str()), scriptColorChannel(green.c_str()),
                              scriptColorChannel(textOf(value))));
  }
  return 1;
}

OMWord RGraphicTextAnswer::setTextColorIndex(OMWord value)
{
  if (RText* text = textPiece()) text->setColor(OMRGBColor::fromIndex(numberOf(value)));
  return 1;
}

OMWord RGraphicTextAnswer::setFontMethod()
{
  if (RText* text = textPiece()) text->setFontFromScriptArgs();
  return 1;
}

OMWord RGraphicTextAnswer::getCentering(OMWord buffer)
{
  RText* text = textPiece();
  return writeNumber(buffer, text ? text->center() : 0);
}

OMWord RGraphicTextAnswer::setCentering(OMWord value)
{
  if (RText* text = textPiece()) text->setCenter(numberOf(value));
  return 1;
}

OMWord RGraphicTextAnswer::getOffsetX(OMWord buffer)
{
  return writeNumber(buffer, textOffset_.x);
}

OMWord RGraphicTextAnswer::setOffsetX(OMWord text)
{
  setTextOffset(OMPoint(clampCoordinate(numberOf(text)), textOffset_.y));
  return 1;
}

OMWord RGraphicTextAnswer::getOffsetY(OMWord buffer)
{
  return writeNumber(buffer, textOffset_.y);
}

OMWord RGraphicTextAnswer::setOffsetY(OMWord text)
{
  setTextOffset(OMPoint(textOffset_.x, clampCoordinate(numberOf(text))));
  return 1;
}

OMWord RGraphicTextAnswer::getWrap(OMWord buffer)
{
  RText* text = textPiece();
  return writeNumber(buffer, text ? text->wrap() : 0);
}

OMWord RGraphicTextAnswer::setWrap(OMWord value)
{
  if (RText* text = textPiece()) text->setWrap(numberOf(value));
  return 1;
}

OMWord RGraphicTextAnswer::playAnimationMember()
{
  puzzleGraphic::play(graphic());
  return 1;
}

OMWord RGraphicTextAnswer::stopAnimationMember()
{
  puzzleGraphic::stop(graphic());
  return 1;
}
