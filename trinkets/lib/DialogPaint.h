#pragma once

#include "framework/OMCanvas.h"
#include "framework/OMRGBColor.h"
#include "framework/OMRect.h"

// What the dialog and its controls share when they paint: their four colours and the canvas
// settings they change, put back when the painter goes.
namespace dialogpaint {

constexpr OMRGBColor black(0, 0, 0);
constexpr OMRGBColor darkGrey(0x8080, 0x8080, 0x8080);
constexpr OMRGBColor lightGrey(0xC0C0, 0xC0C0, 0xC0C0);
constexpr OMRGBColor white(0xFFFF, 0xFFFF, 0xFFFF);

class Painter {
 public:
  explicit Painter(OMCanvas& canvas)
      : canvas_(canvas),
        fill_(canvas.isFilling()),
        frame_(canvas.isFraming()),
        penWidth_(canvas.penWidth()),
        fillColor_(canvas.fillColor()),
        frameColor_(canvas.frameColor())
  {
    canvas_.setPenWidth(1);
  }
  ~Painter()
  {
    canvas_.setFill(fill_);
    canvas_.setFrame(frame_);
    canvas_.setPenWidth(penWidth_);
    canvas_.setFillColor(fillColor_);
    canvas_.setFrameColor(frameColor_);
  }
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  // The rectangle filled, without a frame.
  void fill(const OMRect& rect, const OMRGBColor& color)
  {
    canvas_.setFillColor(color);
    canvas_.setFill(true);
    canvas_.setFrame(false);
    canvas_.drawRect(rect);
  }
  // The rectangle's outline, not filled.
  void frame(const OMRect& rect, const OMRGBColor& color)
  {
    canvas_.setFrameColor(color);
    canvas_.setFill(false);
    canvas_.setFrame(true);
    canvas_.drawRect(rect);
  }
  // Both end points are drawn.
  void line(int x1, int y1, int x2, int y2, const OMRGBColor& color)
  {
    canvas_.setFrameColor(color);
    canvas_.drawLine(x1, y1, x2, y2);
  }
  OMCanvas& canvas() { return canvas_; }

 private:
  OMCanvas& canvas_;
  bool fill_, frame_;
  int penWidth_;
  OMRGBColor fillColor_, frameColor_;
};

}  // namespace dialogpaint
