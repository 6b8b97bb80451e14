#pragma once

#include <memory>

#include "assessment/src/RSliderBase.h"

class OMAnimation;

// The slider drawn from images: the thumb (ASEQ 9666) on the track and the two arrows
// (ASEQ 9668, first and second sequence) 17 pixels long beyond the track's ends.
class RWSlider : public RSliderBase {
 public:
  static constexpr int thumbImageId = 9666;
  static constexpr int arrowImageId = 9668;
  static constexpr int arrowLength = 17;

  RWSlider(int x, int y, int length, bool vertical, int maximum, int page, OMTrinketWindow* host);
  ~RWSlider() override;

  static std::unique_ptr<OMScriptableObject> create();
  void stateText(char* buffer, std::size_t size) const override;
  void paint() override {}
  // The images follow the slider's visibility.
  void setAttribute(int code, int a, int b) override;

 protected:
  void thumbMoved() override;
  void showArrow(int mode, bool pressed) override;

 private:
  int x_, y_, length_;
  std::unique_ptr<OMAnimation> thumbImage_, decrementImage_, incrementImage_;
};
