#pragma once

#include <ddraw.h>

#include <array>

#include "platform/src/ddraw/ComObject.h"

namespace omddraw {

// An 8-bit palette of 256 entries. Set on the primary surface, it is the screen's palette.
class DirectDrawPalette final
    : public ComObject<DirectDrawPalette, IDirectDrawPalette, IID_IDirectDrawPalette> {
 public:
  DirectDrawPalette(DWORD caps, const PALETTEENTRY* entries);

  HRESULT WINAPI GetCaps(LPDWORD caps) override;
  HRESULT WINAPI GetEntries(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries) override;
  HRESULT WINAPI Initialize(LPDIRECTDRAW directDraw, DWORD flags, LPPALETTEENTRY entries) override;
  HRESULT WINAPI SetEntries(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries) override;

  const std::array<PALETTEENTRY, 256>& entries() const { return entries_; }
  // Makes the entries the screen's palette.
  void showOnScreen() const;

 private:
  friend class ComObject<DirectDrawPalette, IDirectDrawPalette, IID_IDirectDrawPalette>;
  ~DirectDrawPalette() = default;

  DWORD caps_;
  std::array<PALETTEENTRY, 256> entries_{};
};

}  // namespace omddraw
