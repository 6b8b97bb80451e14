#pragma once

#include "framework/OMCanvas.h"
#include "framework/OMList.h"

class OMCursor;
class OMMemCanvas;
class OMWindow;

// A canvas that draws into a window: through its device context, or the DirectDraw primary
// surface in full-screen mode.
class OMWndCanvas : public OMCanvas {
 public:
  explicit OMWndCanvas(OMWindow* window);
  ~OMWndCanvas() override;

  const char* descriptor() const override { return "OMWndCanvas"; }
  int height() const override;
  int width() const override;
  void setBackground(const OMRGBColor& color) override;
  bool beginDraw() override;
  void endDraw() override;
  bool beginDrawClipped(HRGN region, bool selectPalette) override;
  void endDrawClipped() override;
  void setColorTable(const PALETTEENTRY* entries, int first, int count) override;
  void releasePalette() override;

  // Selects and realizes the canvas palette in the window (not in full-screen DirectDraw).
  void realizePalette();
  bool surfaceUsable();

  OMWindow* window() const { return window_; }
  OMCursor* cursor() const { return cursor_; }
  // Stores the cursor: null stops a custom cursor (the default one is selected when this is
  // the active window); another one is selected for the window.
  void setCursor(OMCursor* cursor);
  bool cursorHidden() const { return hideCursor_; }
  void setCursorHidden(bool hidden) { hideCursor_ = hidden; }

  bool attachBackBuffer(OMMemCanvas* canvas);
  void detachBackBuffer(OMMemCanvas* canvas);
  void flip();

  static const OMList<OMWndCanvas>& all();

 private:
  bool makePrimary(int backBuffers);
  void handOutBackBuffers();

  OMWindow* window_;
  OMCursor* cursor_ = nullptr;
  bool hideCursor_ = false;
  OMList<OMMemCanvas> backBuffers_;
  HWND dcWindow_ = nullptr;
};
