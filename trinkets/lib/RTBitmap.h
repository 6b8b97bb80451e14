#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMRect.h"
#include "trinkets/src/OMTrinket.h"

class OMBitmap;

// A "BITMAP" resource of the program shown as a still picture, cut to a given rectangle. It
// stays where it was made: only "place" moves it.
class RTBitmap : public OMTrinket {
 public:
  RTBitmap(const OMRect& rect, int resourceId, OMTrinketWindow* host);
  ~RTBitmap() override;

  // Arguments: left, top, right, bottom, resource id; no object without such a picture.
  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void stateText(char* buffer, std::size_t size) const override;
  void reorder() override {}
  void offset(int& /*dx*/, int& /*dy*/) override {}
  void paint() override;

  int resourceId() const { return resourceId_; }
  bool hasPicture() const;
  bool isClipped() const { return clipped_ != 0; }

 private:
  std::int16_t resourceId_;
  std::unique_ptr<OMBitmap> bitmap_;
  std::int32_t clipped_ = 0;
};
