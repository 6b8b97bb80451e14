#include "platform/src/ddraw/DirectDrawPalette.h"

#include "platform/src/ddraw/DirectDrawSurface.h"
#include "platform/src/ddraw/DirectDrawWorld.h"
#include "platform/src/gdi/Screen.h"

namespace omddraw {

DirectDrawPalette::DirectDrawPalette(DWORD caps, const PALETTEENTRY* entries) : caps_(caps)
{
  for (std::size_t i = 0; i < entries_.size(); ++i)
    entries_[i] = PALETTEENTRY{entries[i].peRed, entries[i].peGreen, entries[i].peBlue, 0};
}

HRESULT WINAPI DirectDrawPalette::GetCaps(LPDWORD caps)
{
  if (!caps) return DDERR_INVALIDPARAMS;
  *caps = caps_;
  return DD_OK;
}

HRESULT WINAPI DirectDrawPalette::GetEntries(DWORD, DWORD start, DWORD count,
                                             LPPALETTEENTRY entries)
{
  if (!entries || start >= 256 || count > 256 - start) return DDERR_INVALIDPARAMS;
  for (DWORD i = 0; i < count; ++i)
    entries[i] = entries_[start + i];
  return DD_OK;
}

HRESULT WINAPI DirectDrawPalette::Initialize(LPDIRECTDRAW, DWORD, LPPALETTEENTRY)
{
  return DDERR_ALREADYINITIALIZED;
}

HRESULT WINAPI DirectDrawPalette::SetEntries(DWORD, DWORD start, DWORD count,
                                             LPPALETTEENTRY entries)
{
  if (!entries || start >= 256 || count > 256 - start) return DDERR_INVALIDPARAMS;
  for (DWORD i = 0; i < count; ++i)
    entries_[start + i] = PALETTEENTRY{entries[i].peRed, entries[i].peGreen, entries[i].peBlue, 0};
  for (DirectDrawSurface* surface : DirectDrawWorld::instance().surfaces())
    if (surface->isPrimary() && surface->palette() == this) showOnScreen();
  return DD_OK;
}

void DirectDrawPalette::showOnScreen() const
{
  omgdi::Screen& screen = omgdi::Screen::instance();
  if (screen.isPalettized()) screen.setSystemPaletteEntries(0, 256, entries_.data());
}

}  // namespace omddraw
