#pragma once

#include <ddraw.h>

#include <optional>
#include <vector>

#include "platform/src/ddraw/ComObject.h"

namespace omddraw {

// What a blit may touch: a window's visible part as it is at blit time, or a list of
// rectangles the program set. Both are in the coordinates of the surface it is attached to
// (the primary surface's are the screen's).
class DirectDrawClipper final
    : public ComObject<DirectDrawClipper, IDirectDrawClipper, IID_IDirectDrawClipper> {
 public:
  DirectDrawClipper() = default;

  HRESULT WINAPI GetClipList(LPRECT rect, LPRGNDATA list, LPDWORD size) override;
  HRESULT WINAPI GetHWnd(HWND* window) override;
  HRESULT WINAPI Initialize(LPDIRECTDRAW directDraw, DWORD flags) override;
  HRESULT WINAPI IsClipListChanged(BOOL* changed) override;
  HRESULT WINAPI SetClipList(LPRGNDATA list, DWORD flags) override;
  HRESULT WINAPI SetHWnd(DWORD flags, HWND window) override;

  // The rectangles blits may draw in, or none when the clipper has neither a window nor a
  // list (then it does not clip).
  std::optional<std::vector<RECT>> clipRects() const;

 private:
  friend class ComObject<DirectDrawClipper, IDirectDrawClipper, IID_IDirectDrawClipper>;
  ~DirectDrawClipper() = default;

  HWND window_ = nullptr;
  std::optional<std::vector<RECT>> list_;
};

}  // namespace omddraw
