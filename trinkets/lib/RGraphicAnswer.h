#pragma once

#include <cstdint>
#include <memory>

#include "trinkets/lib/RAnswer.h"

class OMAnimation;

// The answer whose picture is one animation resource.
class RGraphicAnswer : public RAnswer {
 public:
  RGraphicAnswer(const OMPoint& home, int z, std::uint16_t graphicId);
  RGraphicAnswer(const RGraphicAnswer& other) = default;
  ~RGraphicAnswer() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;

  void setGraphic(std::uint16_t id);
  OMAnimation* graphic() const;
  int isSolid() const { return isSolid_; }
  int flip() const { return flip_; }
  int rotation() const { return rotate_; }

 private:
  OMWord getFrameNumber(OMWord buffer);
  OMWord setFrameNumber(OMWord text);
  OMWord setGraphicId(OMWord text);
  OMWord getIsSolid(OMWord buffer);
  OMWord setIsSolid(OMWord text);
  OMWord getFlip(OMWord buffer);
  OMWord setFlip(OMWord text);
  OMWord getRotate(OMWord buffer);
  OMWord setRotate(OMWord text);
  OMWord playAnimationMember();
  OMWord stopAnimationMember();
  OMWord replacePaletteEntryMember();

  int isSolid_ = 0;
  int flip_ = 0;
  int rotate_ = 0;
};
