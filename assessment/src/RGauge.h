#pragma once

#include <memory>

#include "assessment/src/RSliderBase.h"

class OMAnimation;

// The gauge: a face (an ASEQ, none for id 0) at its place and a needle (ASEQ 9667) that
// slides along a track 100 pixels to the right of it.
class RGauge : public RSliderBase {
 public:
  static constexpr int needleImageId = 9667;
  static constexpr int trackOffset = 100;
  static constexpr int trackLength = 100;

  RGauge(int x, int y, int faceId, int maximum, int page, OMTrinketWindow* host);
  ~RGauge() override;

  static std::unique_ptr<OMScriptableObject> create();
  void stateText(char* buffer, std::size_t size) const override;
  void paint() override {}
  void setAttribute(int code, int a, int b) override;

 protected:
  void thumbMoved() override;

 private:
  int x_, y_, faceId_;
  std::unique_ptr<OMAnimation> face_, needle_;
};
