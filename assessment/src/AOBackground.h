#pragma once

#include <memory>
#include <vector>

#include "framework/OMRect.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/StampCanvas.h"

class OMMemCanvas;

// The stage's full-screen picture: a canvas of the stage's size (8 bits as a rule) into which
// ASEQ pictures are drawn, with a stack of saved areas that come back newest first.
class AOBackground : public OMDrawLayer {
 public:
  AOBackground(int width, int height, int depth);
  ~AOBackground() override;

  // Both draw the picture's first image at (0, 0), then delete the source.
  void loadFromStream(OMIStream* stream) override;
  void loadFromResource(OMResHandle* handle, bool release) override;
  OMCanvas* canvas() override;
  // The area is limited to the picture; one wholly outside saves nothing but still pairs
  // with its restore.
  void saveUnder(const OMRect& rect) override;
  void restoreUnder() override;
  OMRect draw(OMCanvas* target, const OMRegion& area) override;
  void setPalette(const OMRGBColor* colors) override;

  std::size_t savedCount() const { return saved_.size(); }

 private:
  std::unique_ptr<OMMemCanvas> canvas_;
  std::vector<std::unique_ptr<StampCanvas>> saved_;
};
