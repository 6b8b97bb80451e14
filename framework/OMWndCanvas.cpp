#include "framework/OMWndCanvas.h"

#include "framework/OMApp.h"
#include "framework/OMCursor.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMSystem.h"
#include "framework/OMWindow.h"

namespace {

OMList<OMWndCanvas>& canvases()
{
  static OMList<OMWndCanvas>& list = *new OMList<OMWndCanvas>;
  return list;
}

bool fullScreenFlipping()
{
  OMApp* app = OMApp::instance();
  return app && app->directDraw2() && app->frameMode() == 5;
}

}  // namespace

const OMList<OMWndCanvas>& OMWndCanvas::all()
{
  return canvases();
}

OMWndCanvas::OMWndCanvas(OMWindow* window) : OMCanvas(getScreenDepth()), window_(window)
{
  OMApp* app = OMApp::instance();
  if (app && app->directDraw2()) {
    makePrimary(0);
    if (surface_ && depth_ == 8 && ddPalette_) surface_->SetPalette(ddPalette_);
  }
  canvases().add(this);
}

OMWndCanvas::~OMWndCanvas()
{
  canvases().remove(this);
  backBuffers_.removeAll();
}

bool OMWndCanvas::makePrimary(int backBuffers)
{
  DDSURFACEDESC description = surfaceDescription(DDSD_CAPS);
  description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_3DDEVICE;
  if (backBuffers > 0) {
    description.dwFlags |= DDSD_BACKBUFFERCOUNT;
    description.dwBackBufferCount = static_cast<DWORD>(backBuffers);
    description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  }
  return createSurface(description);
}

int OMWndCanvas::height() const
{
  RECT client{};
  if (window_) GetClientRect(window_->handle(), &client);
  return client.bottom;
}

int OMWndCanvas::width() const
{
  RECT client{};
  if (window_) GetClientRect(window_->handle(), &client);
  return client.right;
}

void OMWndCanvas::setBackground(const OMRGBColor& color)
{
  background_ = color;
  if (!window_ || IsIconic(window_->handle())) return;
  if (!color.isNone() && beginDraw()) {
    fillWith(color, RECT{0, 0, width(), height()});
    endDraw();
  }
  InvalidateRect(window_->handle(), nullptr, FALSE);
  UpdateWindow(window_->handle());
}

bool OMWndCanvas::beginDraw()
{
  return beginDrawClipped(clip_, true);
}

void OMWndCanvas::endDraw()
{
  endDrawClipped();
}

bool OMWndCanvas::surfaceUsable()
{
  return restoreSurface();
}

bool OMWndCanvas::beginDrawClipped(HRGN region, bool selectPalette)
{
  if (!window_ || !window_->handle()) return false;
  if (surface_) {
    if (!restoreSurface()) return false;
    HDC dc = nullptr;
    if (retryWhileDrawing([&] { return surface_->GetDC(&dc); }) != DD_OK) return false;
    dc_ = dc;
  } else {
    dcWindow_ = window_->handle();
    dc_ = GetDC(dcWindow_);
  }
  if (!dc_) return false;
  if (IsIconic(window_->handle())) {
    HRGN nothing = CreateRectRgn(0, 0, 0, 0);
    SelectClipRgn(dc_, nothing);
    DeleteObject(nothing);
  } else {
    SelectClipRgn(dc_, region);
  }
  if (selectPalette && palette_) previousPalette_ = SelectPalette(dc_, palette_, FALSE);
  return true;
}

void OMWndCanvas::endDrawClipped()
{
  if (!dc_) return;
  if (previousPalette_) SelectPalette(dc_, previousPalette_, FALSE);
  previousPalette_ = nullptr;
  SelectClipRgn(dc_, nullptr);
  if (surface_)
    surface_->ReleaseDC(dc_);
  else
    ReleaseDC(dcWindow_, dc_);
  dc_ = nullptr;
  dcWindow_ = nullptr;
}

void OMWndCanvas::setColorTable(const PALETTEENTRY* entries, int first, int count)
{
  if (entries && first >= 0 && count > 0 && first + count <= paletteSize) {
    if (ddPalette_ && depth_ == 8)
      ddPalette_->SetEntries(0, static_cast<DWORD>(first), static_cast<DWORD>(count),
                             const_cast<PALETTEENTRY*>(entries));
  }
  realizePalette();
}

void OMWndCanvas::realizePalette()
{
  if (fullScreenFlipping() || !window_ || !window_->handle() || !palette_) return;
  HDC dc = GetDC(window_->handle());
  HPALETTE previous = SelectPalette(dc, palette_, FALSE);
  RealizePalette(dc);
  SelectPalette(dc, previous, FALSE);
  ReleaseDC(window_->handle(), dc);
}

void OMWndCanvas::releasePalette()
{
  if (palette_) UnrealizeObject(palette_);
}

void OMWndCanvas::setCursor(OMCursor* cursor)
{
  if (!cursor) {
    cursor_ = nullptr;
    if (window_ && OMWindow::activeWindow() == window_) OMCursor::selectNone();
    return;
  }
  cursor_ = cursor;
  cursor->makeCurrent(this);
}

namespace {

struct HandOut {
  OMList<OMMemCanvas>* list;
  LPDIRECTDRAWSURFACE found;
};

HRESULT WINAPI firstAttached(LPDIRECTDRAWSURFACE surface, LPDDSURFACEDESC, LPVOID context)
{
  static_cast<HandOut*>(context)->found = surface;
  return DDENUMRET_CANCEL;
}

}  // namespace

void OMWndCanvas::handOutBackBuffers()
{
  LPDIRECTDRAWSURFACE previous = surface_;
  backBuffers_.forEach([&previous](OMMemCanvas* canvas) {
    HandOut handOut{nullptr, nullptr};
    if (previous) previous->EnumAttachedSurfaces(&handOut, &firstAttached);
    canvas->takeSurface(handOut.found);
    previous = handOut.found;
  });
}

bool OMWndCanvas::attachBackBuffer(OMMemCanvas* canvas)
{
  if (!fullScreenFlipping() || !canvas) return false;
  if (!restoreSurface() || !canvas->restoreSurface()) return false;
  if (surface_ && canvas->surface() &&
      retryWhileDrawing([&] { return surface_->AddAttachedSurface(canvas->surface()); }) == DD_OK)
    return true;
  if (!(canvas->surfaceFlags() & 2)) return false;
  if (canvas->surface()) canvas->surface()->Release();
  canvas->takeSurface(nullptr);
  const bool made = makePrimary(backBuffers_.count() + 1);
  if (made) {
    backBuffers_.add(canvas);
  } else {
    makePrimary(backBuffers_.count());
    canvas->makeSurface();
  }
  handOutBackBuffers();
  return made;
}

void OMWndCanvas::detachBackBuffer(OMMemCanvas* canvas)
{
  if (!fullScreenFlipping() || !canvas) return;
  if (!restoreSurface() || !canvas->restoreSurface()) return;
  if (backBuffers_.contains(canvas)) {
    backBuffers_.remove(canvas);
    if (makePrimary(backBuffers_.count())) handOutBackBuffers();
    canvas->makeSurface();
  } else if (surface_ && canvas->surface()) {
    surface_->DeleteAttachedSurface(0, canvas->surface());
  }
}

void OMWndCanvas::flip()
{
  if (!fullScreenFlipping() || !surface_ || !restoreSurface()) return;
  retryWhileDrawing([&] { return surface_->Flip(nullptr, 0); });
}
