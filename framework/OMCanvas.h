#pragma once

#include <array>
#include <memory>

#include <ddraw.h>
#include <windows.h>

#include "framework/OMRGBColor.h"
#include "framework/OMRect.h"

class OMBitmap;
class OMFont;
class OMNFNTFont;
class OMRegion;
class OMSysFont;

// A drawing surface with its own palette, colours, font, clip region and device context.
class OMCanvas {
 public:
  static constexpr int paletteSize = 256;

  explicit OMCanvas(int depth);
  virtual const char* descriptor() const = 0;
  virtual int height() const = 0;
  virtual int width() const = 0;
  virtual void setBackground(const OMRGBColor& color) = 0;
  virtual ~OMCanvas();
  virtual bool beginDraw() = 0;
  virtual void endDraw() = 0;
  virtual bool beginDrawClipped(HRGN region, bool selectPalette) = 0;
  virtual void endDrawClipped() = 0;
  virtual void setColorTable(const PALETTEENTRY* entries, int first, int count) = 0;
  virtual void releasePalette() = 0;

  OMCanvas(const OMCanvas&) = delete;
  OMCanvas& operator=(const OMCanvas&) = delete;

  // mode: a raster operation in the low 24 bits; negative asks for a transparent copy.
  void copyBits(OMCanvas* source, int srcX, int srcY, int width, int height, int dstX, int dstY,
                long mode, const OMRegion* region);
  void drawDIB(int x, int y, OMBitmap* bitmap);
  void drawText(int x, int y, const char* text);
  void drawRegion(const OMRegion& region);
  void drawRect(const OMRect& rect);
  void drawLine(int x1, int y1, int x2, int y2);

  void getPalette(OMRGBColor* colors) const;
  OMRGBColor getPaletteEntry(int index) const;
  void setPalette(const OMRGBColor* colors);
  void setTransparentColor(const OMRGBColor& color);
  const OMRGBColor& transparentColor() const { return transparent_; }
  COLORREF transparentValue() const { return transparentValue_; }

  void setFillColor(const OMRGBColor& color) { fillColor_ = color; }
  void setFrameColor(const OMRGBColor& color) { frameColor_ = color; }
  void setTextColor(const OMRGBColor& color) { textColor_ = color; }
  void setFill(bool on) { fill_ = on; }
  void setFrame(bool on) { frame_ = on; }
  void setPenWidth(int width) { penWidth_ = width; }
  void setMaskDrawing(bool on) { mask_ = on; }
  const OMRGBColor& fillColor() const { return fillColor_; }
  const OMRGBColor& frameColor() const { return frameColor_; }
  const OMRGBColor& textColor() const { return textColor_; }
  bool isFilling() const { return fill_; }
  bool isFraming() const { return frame_; }
  int penWidth() const { return penWidth_; }
  bool maskDrawing() const { return mask_; }
  // Null goes back to the canvas's own system font.
  void setFont(OMFont* font);
  OMFont* font() const;
  void setClipRegion(const OMRegion* region);
  HRGN clipRegion() const { return clip_; }

  int depth() const { return depth_; }
  const OMRGBColor& background() const { return background_; }
  HPALETTE palette() const { return palette_; }
  HDC deviceContext() const { return dc_; }
  // The colour as this canvas's device takes it; CLR_INVALID for no colour.
  COLORREF deviceColor(const OMRGBColor& color) const;
  // Channel layout of the pixels: masks, shifts, bit counts and red·256 + green·16 + blue.
  int formatCode() const { return formatCode_; }
  DWORD redMask() const { return masks_[0]; }
  DWORD greenMask() const { return masks_[1]; }
  DWORD blueMask() const { return masks_[2]; }
  int redShift() const { return shifts_[0]; }
  int greenShift() const { return shifts_[1]; }
  int blueShift() const { return shifts_[2]; }
  LPDIRECTDRAWSURFACE surface() const { return surface_; }
  // Restores a lost surface; false when it stays lost. Always true without one.
  bool restoreSurface();

  // The 20 colours every palette keeps at 0-9 and 246-255.
  static const std::array<PALETTEENTRY, 20>& staticColors();

 protected:
  void drawBitmapText(const OMNFNTFont& font, int x, int y, const char* text);
  void setPixelFormat(DWORD red, DWORD green, DWORD blue);
  // A surface description of the given fields, its size filled in.
  static DDSURFACEDESC surfaceDescription(DWORD fields);
  // Releases the surface and, while DirectDraw is in use, makes it again as described.
  void releaseSurface();
  bool createSurface(DDSURFACEDESC& description);
  DWORD surfaceColorValue(const OMRGBColor& color);
  void fillWith(const OMRGBColor& color, const RECT& area);

  HRGN clip_ = nullptr;
  int depth_;
  OMRGBColor fillColor_;
  OMRGBColor frameColor_;
  OMRGBColor background_ = OMRGBColor(0xFF00, 0xFF00, 0xFF00);
  OMRGBColor textColor_;
  OMFont* font_ = nullptr;
  std::unique_ptr<OMSysFont> defaultFont_;
  bool fill_ = true;
  bool frame_ = true;
  int penWidth_ = 1;
  bool mask_ = false;
  HDC dc_ = nullptr;
  HPALETTE palette_ = nullptr;
  HPALETTE previousPalette_ = nullptr;
  OMRGBColor transparent_;
  COLORREF transparentValue_ = 0;
  LPDIRECTDRAWSURFACE surface_ = nullptr;
  LPDIRECTDRAWCLIPPER clipper_ = nullptr;
  LPDIRECTDRAWPALETTE ddPalette_ = nullptr;
  bool clipListSet_ = false;
  DWORD masks_[3] = {0, 0, 0};
  int shifts_[3] = {0, 0, 0};
  int bitCounts_[3] = {0, 0, 0};
  int formatCode_ = 0;
};

// Repeats a DirectDraw call while the surface is still drawing.
template <typename Call>
HRESULT retryWhileDrawing(Call&& call)
{
  HRESULT answer;
  do {
    answer = call();
  } while (answer == DDERR_WASSTILLDRAWING);
  return answer;
}
