#pragma once

#include <windows.h>

// A font as canvases draw with it. The system font is the one every canvas starts with.
class OMFont {
 public:
  virtual ~OMFont() = default;
  virtual HFONT handle() const = 0;
  // Pixels above the baseline.
  virtual int ascent() const;
};

class OMSysFont : public OMFont {
 public:
  HFONT handle() const override { return static_cast<HFONT>(GetStockObject(SYSTEM_FONT)); }
};
