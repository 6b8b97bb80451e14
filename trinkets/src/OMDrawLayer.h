#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMLink.h"
#include "framework/OMRect.h"

class OMCanvas;
class OMIStream;
class OMRegion;
class OMResHandle;
struct OMRGBColor;

// What a host window draws under its trinkets. The base paints white. A layer may take the
// clicks that hit no trinket, through its own links.
class OMDrawLayer {
 public:
  // The links a host calls with the point of a click that no trinket took.
  enum LinkIndex { pressLink, releaseLink, dragLink, doubleClickLink, linkCount };

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
  // Told when a trinket burns itself into the layer, and when it takes that back.
  virtual void stamp(const OMRect& /*rect*/) {}
  virtual void unstamp() {}

  OMLink* link(int index) const
  {
    return index >= 0 && index < linkCount ? links_[index].get() : nullptr;
  }
  void setLink(int index, const OMLink* link);
  // Suppression flags, with the trinkets' meanings (0x1 no press, 0x2 no release, 0x4 no
  // drag, 0x8 no double click).
  std::uint32_t flags() const { return flags_; }
  void setFlags(std::uint32_t flags) { flags_ = flags; }
  // Where the layer's picture lies, in canvas coordinates: clicks outside it are not its.
  const OMRect& imageRect() const { return imageRect_; }
  void setImageRect(const OMRect& rect) { imageRect_ = rect; }
  int isHidden() const { return hidden_; }
  void setHidden(int hidden) { hidden_ = hidden; }

 private:
  std::unique_ptr<OMLink> links_[linkCount];
  std::uint32_t flags_ = 0;
  OMRect imageRect_;
  int hidden_ = 0;
};
