#pragma once

#include <memory>

#include "assessment/src/RSliderBase.h"

// The plain slider: grey rectangles on the stage, arrows square at the two ends.
class RSlider : public RSliderBase {
 public:
  RSlider(const OMRect& rect, int maximum, int page, OMTrinketWindow* host);

  static std::unique_ptr<OMScriptableObject> create();
  void stateText(char* buffer, std::size_t size) const override;
  void paint() override;
};
