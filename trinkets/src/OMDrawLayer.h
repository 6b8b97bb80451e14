#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMLink.h"
#include "framework/OMRect.h"

class OMCanvas;
class OMMemCanvas;
class OMRegion;
struct OMRGBColor;

// The layer a host window paints under its trinkets; this base paints white. A layer may take
// the clicks that hit no trinket, through its own links.
class OMDrawLayer {
 public:
  // The links a host calls with the point of a click that no trinket took.
  enum LinkIndex { pressLink, releaseLink, dragLink, doubleClickLink, linkCount };

  OMDrawLayer() = default;
  virtual ~OMDrawLayer() = default;
  OMDrawLayer(const OMDrawLayer&) = delete;
  OMDrawLayer& operator=(const OMDrawLayer&) = delete;

  virtual OMMemCanvas* canvas() const { return nullptr; }
  virtual void saveUnder(const OMRect& /*rect*/) {}
  virtual void restoreUnder() {}
  // Paints the part of the target that the area covers.
  virtual void draw(OMCanvas* target, const OMRegion& area);
  virtual void setPalette(const OMRGBColor* /*colors*/) {}

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
