#pragma once

#include <cstdint>
#include <memory>

#include "trinkets/lib/RAnswer.h"

class OMAnimation;
class RText;

// A word card: an animation graphic with a text laid over it. Only the graphic is hit.
class RGraphicTextAnswer : public RAnswer {
 public:
  RGraphicTextAnswer(const OMPoint& home, int z, std::uint16_t graphicId, const char* text);
  RGraphicTextAnswer(const RGraphicTextAnswer& other) = default;
  ~RGraphicTextAnswer() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;
  bool containsPoint(const OMPoint& point) const override;

  void setGraphic(std::uint16_t id);
  OMAnimation* graphic() const;
  RText* textPiece() const;

 private:
  // Moves one edge of the text by the change of its margin.
  void setMargin(int RGraphicTextAnswer::*margin, int value);
  void setTextOffset(const OMPoint& offset);

  template <int RGraphicTextAnswer::*Field>
  OMWord getInt(OMWord buffer);
  template <int RGraphicTextAnswer::*Field>
  OMWord setMarginMember(OMWord text);
  OMWord setFontMember(OMWord text);
  OMWord getFrameNumber(OMWord buffer);
  OMWord setFrameNumber(OMWord text);
  OMWord setGraphicId(OMWord text);
  OMWord setIsSolid(OMWord text);
  OMWord getText(OMWord buffer);
  OMWord setText(OMWord text);
  OMWord setTextColor(OMWord text);
  OMWord setTextColorIndex(OMWord text);
  OMWord setFontMethod();
  OMWord getCentering(OMWord buffer);
  OMWord setCentering(OMWord text);
  OMWord getOffsetX(OMWord buffer);
  OMWord setOffsetX(OMWord text);
  OMWord getOffsetY(OMWord buffer);
  OMWord setOffsetY(OMWord text);
  OMWord getWrap(OMWord buffer);
  OMWord setWrap(OMWord text);
  OMWord playAnimationMember();
  OMWord stopAnimationMember();

  int isSolid_ = 0;
  int textMarginBottom_ = 0;
  int textMarginLeft_ = 0;
  int textMarginRight_ = 0;
  int textMarginTop_ = 0;
  OMPoint textOffset_;
};
