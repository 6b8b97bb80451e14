#include "framework/OMCanvas.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMBitmap.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMNFNTFont.h"
#include "framework/OMRegion.h"
#include "framework/OMSysFont.h"
#include "framework/OMSystem.h"
#include "framework/OMWindow.h"
#include "framework/OMWndCanvas.h"

namespace {

PALETTEENTRY entry(BYTE red, BYTE green, BYTE blue)
{
  return PALETTEENTRY{red, green, blue, 0};
}

struct Deleter {
  void operator()(HGDIOBJ object) const
  {
    if (object) DeleteObject(object);
  }
};

// A source and destination rectangle clipped together against bounds on one side. Computed
// wide: scripts can place rectangles anywhere in the coordinate range.
void clipTogether(RECT& clipped, RECT& other, const RECT& bounds)
{
  const auto shift = [](LONG& value, long long by) {
    value = static_cast<LONG>(std::clamp<long long>(value + by, INT32_MIN, INT32_MAX));
  };
  const long long left = std::max(0LL + bounds.left - clipped.left, 0LL);
  const long long top = std::max(0LL + bounds.top - clipped.top, 0LL);
  const long long right = std::max(0LL + clipped.right - bounds.right, 0LL);
  const long long bottom = std::max(0LL + clipped.bottom - bounds.bottom, 0LL);
  shift(clipped.left, left);
  shift(other.left, left);
  shift(clipped.top, top);
  shift(other.top, top);
  shift(clipped.right, -right);
  shift(other.right, -right);
  shift(clipped.bottom, -bottom);
  shift(other.bottom, -bottom);
}

bool hasArea(const RECT& r)
{
  return r.right > r.left && r.bottom > r.top;
}

// A screen rectangle in the client coordinates of a window.
RECT toClient(RECT rect, HWND window)
{
  POINT origin{0, 0};
  if (window) ClientToScreen(window, &origin);
  OffsetRect(&rect, -origin.x, -origin.y);
  return rect;
}

// What a window canvas can be read from: where its window shows, that is inside the frame's
// client area and on the screen (elsewhere the screen holds other windows' pixels).
void clipToVisiblePart(RECT& from, RECT& to, const OMWndCanvas& source)
{
  const HWND window = source.window() ? source.window()->handle() : nullptr;
  const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  clipTogether(from, to, toClient(screen, window));
  OMApp* app = OMApp::instance();
  if (!app || !app->frameWindow()) return;
  RECT frameClient{};
  GetClientRect(app->frameWindow(), &frameClient);
  POINT corner{0, 0};
  ClientToScreen(app->frameWindow(), &corner);
  OffsetRect(&frameClient, corner.x, corner.y);
  clipTogether(from, to, toClient(frameClient, window));
}

}  // namespace

const std::array<PALETTEENTRY, 20>& OMCanvas::staticColors()
{
  static const std::array<PALETTEENTRY, 20> colors = {
      entry(0, 0, 0),       entry(128, 0, 0),     entry(0, 128, 0),     entry(128, 128, 0),
      entry(0, 0, 128),     entry(128, 0, 128),   entry(0, 128, 128),   entry(192, 192, 192),
      entry(192, 220, 192), entry(166, 202, 240), entry(255, 251, 240), entry(160, 160, 164),
      entry(128, 128, 128), entry(255, 0, 0),     entry(0, 255, 0),     entry(255, 255, 0),
      entry(0, 0, 255),     entry(255, 0, 255),   entry(0, 255, 255),   entry(255, 255, 255),
  };
  return colors;
}

OMCanvas::OMCanvas(int depth) : depth_(depth), defaultFont_(std::make_unique<OMSysFont>())
{
  std::vector<std::uint8_t> storage(sizeof(LOGPALETTE) + paletteSize * sizeof(PALETTEENTRY));
  auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = paletteSize;
  PALETTEENTRY* entries = logical->palPalEntry;
  for (int i = 10; i < 246; ++i)
    entries[i] = PALETTEENTRY{0, 0, 0, PC_RESERVED};
  if (getScreenDepth() == 8) {
    HDC screen = GetDC(nullptr);
    GetSystemPaletteEntries(screen, 0, 10, entries);
    GetSystemPaletteEntries(screen, 246, 10, entries + 246);
    ReleaseDC(nullptr, screen);
  } else {
    for (int i = 0; i < 10; ++i) {
      entries[i] = staticColors()[static_cast<std::size_t>(i)];
      entries[246 + i] = staticColors()[static_cast<std::size_t>(10 + i)];
    }
  }
  palette_ = CreatePalette(logical);
  OMApp* app = OMApp::instance();
  if (OMApp::canvasesUseDirectDraw() && app) {
    IDirectDraw2* directDraw = app->directDraw2();
    if (depth_ == 8)
      directDraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &ddPalette_, nullptr);
    directDraw->CreateClipper(0, &clipper_, nullptr);
  }
}

OMCanvas::~OMCanvas()
{
  defaultFont_.reset();
  if (palette_) DeleteObject(palette_);
  if (ddPalette_) ddPalette_->Release();
  if (clipper_) clipper_->Release();
  if (surface_) surface_->Release();
  if (clip_) DeleteObject(clip_);
}

void OMCanvas::setFont(OMFont* font)
{
  font_ = font;
}

OMFont* OMCanvas::font() const
{
  return font_ ? font_ : defaultFont_.get();
}

void OMCanvas::setClipRegion(const OMRegion* region)
{
  if (clip_) DeleteObject(clip_);
  clip_ = nullptr;
  if (region && !region->isEmpty()) {
    clip_ = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(clip_, region->handle(), nullptr, RGN_COPY);
  }
}

bool OMCanvas::restoreSurface()
{
  if (!surface_) return true;
  if (surface_->IsLost() != DDERR_SURFACELOST) return true;
  return surface_->Restore() == DD_OK;
}

COLORREF OMCanvas::deviceColor(const OMRGBColor& color) const
{
  if (color.index == OMRGBColor::byChannels)
    return PALETTERGB(color.redByte(), color.greenByte(), color.blueByte());
  if (color.isPaletteIndex()) {
    if (depth_ <= 8) return PALETTEINDEX(color.index);
    PALETTEENTRY e{};
    GetPaletteEntries(palette_, static_cast<UINT>(color.index), 1, &e);
    return RGB(e.peRed, e.peGreen, e.peBlue);
  }
  return CLR_INVALID;
}

void OMCanvas::getPalette(OMRGBColor* colors) const
{
  PALETTEENTRY entries[paletteSize] = {};
  GetPaletteEntries(palette_, 0, paletteSize, entries);
  for (int i = 0; i < paletteSize; ++i)
    colors[i] = OMRGBColor::fromBytes(entries[i].peRed, entries[i].peGreen, entries[i].peBlue);
}

OMRGBColor OMCanvas::getPaletteEntry(int index) const
{
  if (index < 0 || index >= paletteSize) return OMRGBColor();
  PALETTEENTRY e{};
  GetPaletteEntries(palette_, static_cast<UINT>(index), 1, &e);
  return OMRGBColor::fromBytes(e.peRed, e.peGreen, e.peBlue);
}

void OMCanvas::setPalette(const OMRGBColor* colors)
{
  PALETTEENTRY entries[paletteSize];
  PALETTEENTRY old[paletteSize] = {};
  GetPaletteEntries(palette_, 0, paletteSize, old);
  for (int i = 0; i < paletteSize; ++i)
    entries[i] = PALETTEENTRY{colors[i].redByte(), colors[i].greenByte(), colors[i].blueByte(),
                              old[i].peFlags};
  SetPaletteEntries(palette_, 0, paletteSize, entries);
  setColorTable(entries, 0, paletteSize);
}

void OMCanvas::setPixelFormat(DWORD red, DWORD green, DWORD blue)
{
  const DWORD masks[3] = {red, green, blue};
  for (int i = 0; i < 3; ++i) {
    masks_[i] = masks[i];
    int shift = 1000;
    int count = 0;
    for (int bit = 31; bit >= 0; --bit) {
      if (masks[i] & (1u << bit)) {
        shift = bit;
        ++count;
      }
    }
    shifts_[i] = shift;
    bitCounts_[i] = count;
  }
  formatCode_ = bitCounts_[0] * 256 + bitCounts_[1] * 16 + bitCounts_[2];
}

DDSURFACEDESC OMCanvas::surfaceDescription(DWORD fields)
{
  DDSURFACEDESC description{};
  description.dwSize = sizeof description;
  description.dwFlags = fields;
  return description;
}

void OMCanvas::releaseSurface()
{
  if (surface_) surface_->Release();
  surface_ = nullptr;
}

bool OMCanvas::createSurface(DDSURFACEDESC& description)
{
  releaseSurface();
  OMApp* app = OMApp::instance();
  if (!app || !app->directDraw2()) return false;
  if (app->directDraw2()->CreateSurface(&description, &surface_, nullptr) == DD_OK && surface_)
    return true;
  surface_ = nullptr;
  return false;
}

DWORD OMCanvas::surfaceColorValue(const OMRGBColor& color)
{
  if (!surface_ || !restoreSurface()) return 0;
  HDC dc = nullptr;
  if (surface_->GetDC(&dc) != DD_OK) return 0;
  const COLORREF old = GetPixel(dc, 0, 0);
  SetPixel(dc, 0, 0, deviceColor(color));
  surface_->ReleaseDC(dc);
  DDSURFACEDESC description{};
  description.dwSize = sizeof description;
  DWORD value = 0;
  if (retryWhileDrawing([&] { return surface_->Lock(nullptr, &description, 0, nullptr); }) ==
      DD_OK) {
    std::memcpy(&value, description.lpSurface, 4);
    const DWORD bits = description.ddpfPixelFormat.dwRGBBitCount;
    if (bits < 32) value &= (1u << bits) - 1;
    surface_->Unlock(nullptr);
  }
  if (surface_->GetDC(&dc) == DD_OK) {
    SetPixel(dc, 0, 0, old);
    surface_->ReleaseDC(dc);
  }
  return value;
}

void OMCanvas::setTransparentColor(const OMRGBColor& color)
{
  transparent_ = color;
  if (surface_) {
    transparentValue_ = surfaceColorValue(color);
    DDCOLORKEY key{transparentValue_, transparentValue_};
    surface_->SetColorKey(DDCKEY_SRCBLT, &key);
  } else {
    transparentValue_ = CLR_INVALID;
  }
}

void OMCanvas::fillWith(const OMRGBColor& color, const RECT& area)
{
  const COLORREF value = deviceColor(color);
  if (value == CLR_INVALID || !dc_) return;
  std::unique_ptr<void, Deleter> brush(CreateSolidBrush(value));
  FillRect(dc_, &area, static_cast<HBRUSH>(brush.get()));
}

void OMCanvas::copyBits(OMCanvas* source, int srcX, int srcY, int width, int height, int dstX,
                        int dstY, long mode, const OMRegion* region)
{
  if (!source) return;
  if (!(depth_ > 8 || (depth_ == 8 && source->depth_ == 8))) return;
  RECT from{srcX, srcY, srcX + width, srcY + height};
  RECT to{dstX, dstY, dstX + width, dstY + height};
  clipTogether(from, to, RECT{0, 0, source->width(), source->height()});
  if (std::strcmp(source->descriptor(), "OMWndCanvas") == 0)
    clipToVisiblePart(from, to, *static_cast<OMWndCanvas*>(source));
  clipTogether(to, from, RECT{0, 0, this->width(), this->height()});
  if (!hasArea(from) || !hasArea(to)) return;
  const int w = from.right - from.left;
  const int h = from.bottom - from.top;

  if (!source->beginDrawClipped(nullptr, false)) return;
  HRGN destinationRegion = nullptr;
  if (clip_ || (region && !region->isEmpty())) {
    destinationRegion = CreateRectRgn(0, 0, 0, 0);
    if (clip_ && region && !region->isEmpty())
      CombineRgn(destinationRegion, clip_, region->handle(), RGN_AND);
    else
      CombineRgn(destinationRegion, clip_ ? clip_ : region->handle(), nullptr, RGN_COPY);
  }
  if (!beginDrawClipped(destinationRegion, true)) {
    source->endDrawClipped();
    if (destinationRegion) DeleteObject(destinationRegion);
    return;
  }
  const bool transparent = mode < 0;
  const DWORD rop = static_cast<DWORD>(mode) & 0x00FFFFFFu;
  const bool bothMemory = std::strcmp(descriptor(), "OMMemCanvas") == 0 &&
                          std::strcmp(source->descriptor(), "OMMemCanvas") == 0;
  const bool directDraw = surface_ && source->surface_;
  if (bothMemory && !destinationRegion) {
    if (depth_ == source->depth_) {
      if (directDraw) {
        retryWhileDrawing([&] {
          return surface_->BltFast(static_cast<DWORD>(to.left), static_cast<DWORD>(to.top),
                                   source->surface_, &from,
                                   transparent ? DDBLTFAST_SRCCOLORKEY : DDBLTFAST_NOCOLORKEY);
        });
      } else {
        auto* target = static_cast<OMMemCanvas*>(this);
        auto* origin = static_cast<OMMemCanvas*>(source);
        void* dstBits = nullptr;
        void* srcBits = nullptr;
        int dstPitch = 0;
        int srcPitch = 0;
        if (target->lockBits(&dstBits, &dstPitch)) {
          if (origin->lockBits(&srcBits, &srcPitch)) {
            const int bytes = depth_ / 8;
            for (int row = 0; row < h; ++row) {
              std::memcpy(
                  static_cast<std::uint8_t*>(dstBits) + (to.top + row) * dstPitch + to.left * bytes,
                  static_cast<const std::uint8_t*>(srcBits) + (from.top + row) * srcPitch +
                      from.left * bytes,
                  static_cast<std::size_t>(w * bytes));
            }
            origin->unlockBits();
          }
          target->unlockBits();
        }
      }
    }
  } else if (directDraw) {
    if (destinationRegion) {
      DDBLTFX effects{};
      effects.dwSize = 100;
      effects.dwROP = rop;
      retryWhileDrawing([&] {
        return surface_->Blt(&to, source->surface_, &from,
                             DDBLT_ROP | (transparent ? DDBLT_KEYSRC : 0), &effects);
      });
    } else {
      retryWhileDrawing([&] {
        return surface_->BltFast(static_cast<DWORD>(to.left), static_cast<DWORD>(to.top),
                                 source->surface_, &from,
                                 transparent ? DDBLTFAST_SRCCOLORKEY : DDBLTFAST_NOCOLORKEY);
      });
    }
  } else {
    BitBlt(dc_, to.left, to.top, w, h, source->dc_, from.left, from.top, rop);
  }
  endDrawClipped();
  source->endDrawClipped();
  if (destinationRegion) DeleteObject(destinationRegion);
}

void OMCanvas::drawDIB(int x, int y, OMBitmap* bitmap)
{
  if (!bitmap || !bitmap->hasBits()) return;
  if (!(depth_ > 8 || bitmap->bitCount() == 8)) return;
  HBITMAP image = bitmap->dib();
  if (!image || !beginDraw()) return;
  HDC memory = CreateCompatibleDC(dc_);
  HGDIOBJ previous = SelectObject(memory, image);
  const int w = bitmap->width();
  // A top-down picture stores its height negated.
  const int h = std::abs(bitmap->height());
  HBITMAP maskImage = mask_ ? bitmap->maskDib() : nullptr;
  if (maskImage) {
    BitBlt(dc_, x, y, w, h, memory, 0, 0, SRCINVERT);
    SelectObject(memory, maskImage);
    BitBlt(dc_, x, y, w, h, memory, 0, 0, SRCAND);
    SelectObject(memory, image);
    BitBlt(dc_, x, y, w, h, memory, 0, 0, SRCINVERT);
  } else {
    BitBlt(dc_, x, y, w, h, memory, 0, 0, SRCCOPY);
  }
  SelectObject(memory, previous);
  DeleteDC(memory);
  endDraw();
}

void OMCanvas::drawText(int x, int y, const char* text)
{
  if (!text || !beginDraw()) return;
  OMFont* current = font();
  if (current->is(OMNFNTFont::classDescriptor)) {
    drawBitmapText(static_cast<OMNFNTFont&>(*current), x, y, text);
    endDraw();
    return;
  }
  HGDIOBJ previous = SelectObject(dc_, current->handle());
  SetBkMode(dc_, TRANSPARENT);
  SetTextColor(dc_, deviceColor(textColor_));
  TextOutA(dc_, x, y - current->ascent(), text, static_cast<int>(std::strlen(text)));
  SelectObject(dc_, previous);
  endDraw();
}

void OMCanvas::drawBitmapText(const OMNFNTFont& font, int x, int y, const char* text)
{
  HDC strike = font.strikeContext();
  if (!strike) return;
  // Each glyph goes through its mask: the ink is cut out of the picture, then filled with
  // the text colour. The 1-bit strike takes the text colour for 0 and the background for 1.
  const COLORREF ink = deviceColor(textColor_);
  const COLORREF oldText = SetTextColor(dc_, RGB(255, 255, 255));
  const COLORREF oldBack = SetBkColor(dc_, RGB(0, 0, 0));
  const int top = y - font.ascent();
  const int height = font.strikeHeight();
  int pen = x + font.field(OMNFNTFont::kernMax);
  for (const char* p = text; *p; ++p) {
    const OMNFNTFont::Glyph g = font.glyph(static_cast<unsigned char>(*p));
    if (g.strikeWidth > 0) {
      SetTextColor(dc_, RGB(255, 255, 255));
      SetBkColor(dc_, RGB(0, 0, 0));
      BitBlt(dc_, pen + g.offset, top, g.strikeWidth, height, strike, g.strikeLeft, 0, SRCAND);
      SetTextColor(dc_, RGB(0, 0, 0));
      SetBkColor(dc_, ink);
      BitBlt(dc_, pen + g.offset, top, g.strikeWidth, height, strike, g.strikeLeft, 0, SRCPAINT);
    }
    pen += g.width;
  }
  SetTextColor(dc_, oldText);
  SetBkColor(dc_, oldBack);
}

void OMCanvas::drawRegion(const OMRegion& region)
{
  if (region.isEmpty() || !beginDraw()) return;
  if (fill_ && deviceColor(fillColor_) != CLR_INVALID) {
    std::unique_ptr<void, Deleter> brush(CreateSolidBrush(deviceColor(fillColor_)));
    FillRgn(dc_, region.handle(), static_cast<HBRUSH>(brush.get()));
  }
  if (frame_ && deviceColor(frameColor_) != CLR_INVALID) {
    std::unique_ptr<void, Deleter> brush(CreateSolidBrush(deviceColor(frameColor_)));
    FrameRgn(dc_, region.handle(), static_cast<HBRUSH>(brush.get()), penWidth_, penWidth_);
  }
  endDraw();
}

void OMCanvas::drawRect(const OMRect& rect)
{
  if (!beginDraw()) return;
  std::unique_ptr<void, Deleter> brush(fill_ ? CreateSolidBrush(deviceColor(fillColor_)) : nullptr);
  std::unique_ptr<void, Deleter> pen(frame_
                                         ? CreatePen(PS_SOLID, penWidth_, deviceColor(frameColor_))
                                     : fill_ ? CreatePen(PS_SOLID, 1, deviceColor(fillColor_))
                                             : nullptr);
  HGDIOBJ oldBrush =
      SelectObject(dc_, brush ? static_cast<HGDIOBJ>(brush.get()) : GetStockObject(NULL_BRUSH));
  HGDIOBJ oldPen =
      SelectObject(dc_, pen ? static_cast<HGDIOBJ>(pen.get()) : GetStockObject(NULL_PEN));
  Rectangle(dc_, rect.left(), rect.top(), rect.right(), rect.bottom());
  SelectObject(dc_, oldBrush);
  SelectObject(dc_, oldPen);
  endDraw();
}

void OMCanvas::drawLine(int x1, int y1, int x2, int y2)
{
  if (!beginDraw()) return;
  std::unique_ptr<void, Deleter> pen(CreatePen(PS_SOLID, penWidth_, deviceColor(frameColor_)));
  HGDIOBJ oldPen = SelectObject(dc_, pen.get());
  MoveToEx(dc_, x1, y1, nullptr);
  LineTo(dc_, x2, y2);
  // The end point is drawn too.
  LineTo(dc_, x2 + 1, y2);
  SelectObject(dc_, oldPen);
  endDraw();
}
