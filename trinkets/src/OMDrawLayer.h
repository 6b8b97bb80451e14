#pragma once

#include "framework/OMRect.h"

class OMCanvas;
class OMIStream;
class OMRegion;
class OMResHandle;
struct OMRGBColor;

// What a host window draws under its trinkets. The base paints white.
class OMDrawLayer {
 public:
  OMDrawLayer() = default;
  virtual ~OMDrawLayer() = default;
  OMDrawLayer(const OMDrawLayer&) = delete;
  OMDrawLayer& operator=(const OMDrawLayer&) = delete;

  // Both delete the stream, or the handle when release is set.
  virtual void loadFromStream(OMIStream* stream);
  virtual void loadFromResource(OMResHandle* handle, bool release);
  virtual OMCanvas* canvas() { return nullptr; }
  virtual void saveUnder(const OMRect& /*rect*/) {}
  virtual void restoreUnder() {}
  // Paints the area of the target; answers the rectangle it painted (empty when none).
  virtual OMRect draw(OMCanvas* target, const OMRegion& area);
  virtual void setPalette(const OMRGBColor* /*colors*/) {}
};
