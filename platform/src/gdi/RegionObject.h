#pragma once

#include <wingdi.h>

#include "platform/src/gdi/GdiObject.h"
#include "platform/src/gdi/RegionData.h"

namespace omgdi {

// The object behind an HRGN.
class RegionObject : public GdiObject {
 public:
  explicit RegionObject(RegionData data = {}) : GdiObject(OBJ_REGION), data_(std::move(data)) {}

  RegionData& data() { return data_; }
  const RegionData& data() const { return data_; }

 private:
  RegionData data_;
};

// The shape behind a region handle, or null when the handle is no region.
RegionData* regionData(HRGN region);
// A new region handle holding the shape.
HRGN createRegion(RegionData data);

}  // namespace omgdi
