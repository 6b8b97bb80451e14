#pragma once

#include <memory>
#include <vector>

#include "framework/OMRect.h"
#include "trinkets/src/OMTBackground.h"
#include "trinkets/src/StampCanvas.h"

class OMIStream;

// The stage's background: a high-colour picture with a stack of saved areas, so that an
// animation stamped into the picture can be taken out again. Saved areas keep the picture's
// depth.
class SceneLayer : public OMTBackground {
 public:
  SceneLayer(const OMRect& rect, OMIStream* stream);
  ~SceneLayer() override;

  // The area is limited to the picture; the newest saved area is restored first.
  void saveUnder(const OMRect& rect) override;
  void restoreUnder() override;
  void setPalette(const OMRGBColor* colors) override;

  std::size_t savedCount() const { return saved_.size(); }

 private:
  std::vector<std::unique_ptr<StampCanvas>> saved_;
};
