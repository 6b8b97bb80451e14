#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/src/gdi/GdiHandles.h"
#include "platform/src/gdi/RegionData.h"
#include "platform/src/gdi/Surface.h"

namespace omgdi {

// What SaveDC keeps and RestoreDC puts back.
struct DcState {
  HGDIOBJ bitmap = nullptr;
  HGDIOBJ pen = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ font = nullptr;
  HGDIOBJ palette = nullptr;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  UINT textAlign = TA_LEFT | TA_TOP;
  POINT position{0, 0};
  // The clip region as rectangles in the context's own coordinates; none = no clipping.
  std::optional<std::vector<RECT>> clip;
};

// A device context: a memory context drawing into its selected bitmap, or a screen or window
// context drawing into the virtual screen at an origin, inside what is visible.
class DeviceContext : public GdiObject {
 public:
  enum class Kind { memory, window };

  DeviceContext(Kind kind, HWND window);
  // A window context: the screen point of its (0, 0) and the part of the screen it may draw
  // on (screen coordinates).
  DeviceContext(HWND window, POINT origin, RegionData visible, bool forPaint);
  ~DeviceContext() override;

  // Contexts end with DeleteDC, ReleaseDC or EndPaint, never with DeleteObject.
  bool canDelete() const override { return ending_; }
  void markEnding() { ending_ = true; }

  Kind contextKind() const { return kind_; }
  HDC handle() const { return handle_; }
  void setHandle(HDC handle) { handle_ = handle; }
  HWND window() const { return window_; }
  // Held by BeginPaint until EndPaint.
  bool isPainting() const { return painting_; }
  void setPainting(bool painting) { painting_ = painting; }
  // A CS_OWNDC window's context, which ReleaseDC and EndPaint keep.
  bool isOwned() const { return owned_; }
  void setOwned(bool owned) { owned_ = owned; }
  const RegionData& visible() const { return visibleRegion_; }
  DcState& state() { return state_; }
  const DcState& state() const { return state_; }

  // The pixels drawn into (null for a memory context whose bitmap is gone).
  Surface* surface();
  POINT origin() const { return origin_; }
  void setOrigin(POINT origin) { origin_ = origin; }
  // Where the context may draw, in surface coordinates, before its own clip region.
  void setVisible(RegionData visible);
  // The rectangles drawing is clipped to, in surface coordinates.
  std::vector<RECT> clipRects();

  // Replaces the selected object of the state slot; answers the old one.
  HGDIOBJ select(HGDIOBJ DcState::*slot, HGDIOBJ object);

  // SelectPalette's forceBackground: RealizePalette then only takes what is left.
  void setBackgroundPalette(bool background) { backgroundPalette_ = background; }
  bool isBackgroundPalette() const { return backgroundPalette_; }

  int save();
  bool restore(int level);

  // The raw pixel value a colour reference draws with; false for the invalid colour.
  bool resolveColor(COLORREF color, std::uint32_t& raw);
  // The colour reference as plain RGB (palette references looked up).
  COLORREF plainColor(COLORREF color);

 private:
  Kind kind_;
  HDC handle_ = nullptr;
  HWND window_;
  bool painting_ = false;
  bool ending_ = false;
  bool owned_ = false;
  RegionData visibleRegion_;
  DcState state_;
  std::vector<DcState> saved_;
  POINT origin_{0, 0};
  std::optional<std::vector<RECT>> visible_;
  bool backgroundPalette_ = false;
};

DeviceContext* lookupDC(HDC hdc);
// Puts a new context into the handle table.
HDC registerDC(std::unique_ptr<DeviceContext> dc);
// Ends a context of any kind.
bool destroyDC(HDC hdc);

// What the window system uses for GetDC and BeginPaint. A CS_OWNDC window has one context:
// BeginPaint narrows it to what is being painted, and until EndPaint GetDC hands it out so
// narrowed, as Windows does.
HDC createWindowDC(HWND window, POINT origin, RegionData visible, bool forPaint);
// A context of its own for drawing a window's frame, whatever the window's class keeps.
HDC createFrameDC(HWND window, POINT origin, RegionData visible);
DeviceContext* findDC(HDC dc);
// Ends a window DC; false when the handle is no window DC.
bool releaseWindowDC(HDC dc);
// Ends BeginPaint's hold on its context, then releases it.
bool endPaintDC(HDC dc);

// Rectangle lists.
bool intersectRect(const RECT& a, const RECT& b, RECT& out);
std::vector<RECT> intersectRects(const std::vector<RECT>& a, const std::vector<RECT>& b);
// The smallest rectangle that holds every rectangle of the list; (0, 0, 0, 0) for none.
RECT boundsOf(const std::vector<RECT>& rects);

}  // namespace omgdi
