#pragma once

#include "framework/OMCanvas.h"
#include "framework/OMRGBColor.h"

// Keeps a canvas's framing, filling and their colours for the length of a drawing, so that a
// trinket's pens do not leak into the next one's.
class ScopedCanvasPens {
 public:
  explicit ScopedCanvasPens(OMCanvas& canvas)
      : canvas_(canvas),
        framing_(canvas.isFraming()),
        filling_(canvas.isFilling()),
        frameColor_(canvas.frameColor()),
        fillColor_(canvas.fillColor())
  {
  }
  ~ScopedCanvasPens()
  {
    canvas_.setFrame(framing_);
    canvas_.setFill(filling_);
    canvas_.setFrameColor(frameColor_);
    canvas_.setFillColor(fillColor_);
  }
  ScopedCanvasPens(const ScopedCanvasPens&) = delete;
  ScopedCanvasPens& operator=(const ScopedCanvasPens&) = delete;

 private:
  OMCanvas& canvas_;
  bool framing_, filling_;
  OMRGBColor frameColor_, fillColor_;
};
