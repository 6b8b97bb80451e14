#pragma once

#include <cstdint>

#include "framework/OMCanvas.h"

// An offscreen canvas whose pixels live in memory (a DIB section, or a DirectDraw surface in
// full-screen mode) and can be reached directly, rows top first.
class OMMemCanvas : public OMCanvas {
 public:
  // surfaceFlags (DirectDraw only): 2 video memory first, 1 system memory.
  OMMemCanvas(int width, int height, int depth, int surfaceFlags);
  ~OMMemCanvas() override;

  const char* descriptor() const override { return "OMMemCanvas"; }
  int height() const override { return height_; }
  int width() const override { return width_; }
  void setBackground(const OMRGBColor& color) override;
  bool beginDraw() override;
  void endDraw() override;
  bool beginDrawClipped(HRGN region, bool selectPalette) override;
  void endDrawClipped() override;
  void setColorTable(const PALETTEENTRY* entries, int first, int count) override;
  void releasePalette() override {}

  bool lockBits(void** bits, int* pitch);
  void unlockBits();
  int surfaceFlags() const { return surfaceFlags_; }
  // Makes the canvas's own off-screen surface again (after it left a flipping chain).
  bool makeSurface();
  void takeSurface(LPDIRECTDRAWSURFACE surface);

 private:
  int height_;
  int width_;
  std::uint8_t* bits_ = nullptr;
  HBITMAP section_ = nullptr;
  HGDIOBJ previousBitmap_ = nullptr;
  BITMAPINFOHEADER header_{};
  int surfaceFlags_;
  HDC surfaceDc_ = nullptr;
};
