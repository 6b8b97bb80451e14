#pragma once

#include <memory>

#include "platform/src/gdi/GdiHandles.h"
#include "platform/src/gdi/Surface.h"

namespace omgdi {

// A bitmap: a DIB section (the program writes its bits directly), a device-dependent bitmap
// (CreateBitmap, CreateDIBitmap, CreateCompatibleBitmap) or a 1-bit mask.
class GdiBitmap : public GdiObject {
 public:
  GdiBitmap(std::unique_ptr<Surface> surface, bool dibSection)
      : GdiObject(OBJ_BITMAP), surface_(std::move(surface)), dibSection_(dibSection)
  {
  }

  // As on Windows, a bitmap selected into a context cannot be deleted.
  bool canDelete() const override { return !inDC_; }

  Surface& surface() { return *surface_; }
  bool isDibSection() const { return dibSection_; }
  // A bitmap can be selected into one memory device context at a time.
  bool isInDC() const { return inDC_; }
  void setInDC(bool inDC) { inDC_ = inDC; }

 private:
  std::unique_ptr<Surface> surface_;
  bool dibSection_;
  bool inDC_ = false;
};

}  // namespace omgdi
