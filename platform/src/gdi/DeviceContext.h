#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/src/gdi/GdiObject.h"
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
  enum class Kind { memory, screen, window };

  DeviceContext(Kind kind, HWND window);
  ~DeviceContext() override;

  Kind kind() const { return kind_; }
  HWND window() const { return window_; }
  DcState& state() { return state_; }
  const DcState& state() const { return state_; }

  // The pixels drawn into (null for a memory context whose bitmap is gone).
  Surface* surface();
  POINT origin() const { return origin_; }
  void setOrigin(POINT origin) { origin_ = origin; }
  // Where the context may draw, in surface coordinates, before its own clip region; none =
  // the whole surface.
  void setVisibleRects(std::optional<std::vector<RECT>> visible) { visible_ = std::move(visible); }
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
  void retainState(const DcState& state);
  void releaseState(const DcState& state);

  Kind kind_;
  HWND window_;
  DcState state_;
  std::vector<DcState> saved_;
  POINT origin_{0, 0};
  std::optional<std::vector<RECT>> visible_;
  bool backgroundPalette_ = false;
};

DeviceContext* lookupDC(HDC hdc);
HDC handleOfDC(DeviceContext* dc);

// Rectangle lists.
bool intersectRect(const RECT& a, const RECT& b, RECT& out);
std::vector<RECT> intersectRects(const std::vector<RECT>& a, const std::vector<RECT>& b);

}  // namespace omgdi
