#pragma once

#include <memory>

#include "trinkets/src/OMAnimation.h"

// An animation that plays its sequence forward and back again: the frames are appended in
// reverse behind a copy of the first entry, once, when it is made. Scripts pause and resume it.
class YoYoAnimation : public OMAnimation {
 public:
  YoYoAnimation(std::unique_ptr<OMIStream> stream, OMTrinketWindow* host);
  ~YoYoAnimation() override = default;

  static std::unique_ptr<OMScriptableObject> create();
  void registerMembers() override;

 private:
  void buildBackAndForth();
  OMWord playMember();
  OMWord pauseMember();
};
