#pragma once

#include <memory>
#include <string>

#include "framework/OMPoint.h"
#include "framework/OMRect.h"
#include "trinkets/lib/RContainer.h"

class OMAnimation;

// The game's container: one answer, solved when the answer's attribute matches its own. An
// invisible rectangle, or an animation graphic that can be highlighted, played and recoloured.
class RAttributeContainer : public RContainer {
 public:
  RAttributeContainer(const OMRect& rect, int z, const char* attribute);
  RAttributeContainer(std::uint16_t graphicId, int x, int y, int z, const char* attribute);
  RAttributeContainer(const RAttributeContainer& other);
  ~RAttributeContainer() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;
  bool canAccept(RAnswer* answer, int* score) override;
  bool isFull() override { return answerCount() == 1; }
  bool isSolved() override;

  const std::string& attribute() const { return attribute_; }
  void setAttributeText(const char* text);

 protected:
  void onAnswerPlaced(RAnswer* answer) override;
  void onAnswerRemoved(RAnswer*) override {}

 private:
  OMAnimation* graphic() const;
  // True when the graphic, visible, is hit at the stage point.
  bool graphicHit(const OMPoint& point) const;
  bool matches(const RAnswer* answer) const;

  template <int RAttributeContainer::*Field>
  OMWord getInt(OMWord buffer);
  template <int RAttributeContainer::*Field>
  OMWord setInt(OMWord text);
  OMWord getAnchorX(OMWord buffer);
  OMWord setAnchorX(OMWord text);
  OMWord getAnchorY(OMWord buffer);
  OMWord setAnchorY(OMWord text);
  OMWord getAnswerPropertyMember(OMWord buffer);
  OMWord getAttributeMember(OMWord buffer);
  OMWord setAttributeMember(OMWord text);
  OMWord setHighlighted(OMWord text);
  OMWord playAnimationMember();
  OMWord stopAnimationMember();
  OMWord replacePaletteEntryMember();

  int anchorAnswerAtPoint_ = 0;
  int doPixelCompare_ = 0;
  int highlighted_ = 0;
  std::string attribute_;
  OMPoint answerAnchorPoint_;
};
