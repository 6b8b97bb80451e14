#pragma once

#include <memory>

#include "framework/OMRect.h"

class OMCanvas;
class OMMemCanvas;

// One saved area of a layer's picture, put back by restore.
class StampCanvas {
 public:
  StampCanvas(const OMRect& rect, OMCanvas* source);
  ~StampCanvas();
  StampCanvas(const StampCanvas&) = delete;
  StampCanvas& operator=(const StampCanvas&) = delete;

  void restore(OMCanvas* target);
  int x() const { return x_; }
  int y() const { return y_; }
  OMMemCanvas* canvas() const { return canvas_.get(); }

 private:
  int x_;
  int y_;
  std::unique_ptr<OMMemCanvas> canvas_;
};
