// Logical palettes, the system palette and their realization.
#include <algorithm>
#include <memory>

#include "platform/src/gdi/DeviceContext.h"
#include "platform/src/gdi/GdiBrush.h"
#include "platform/src/gdi/GdiPalette.h"
#include "platform/src/gdi/Screen.h"

using namespace omgdi;

HPALETTE CreatePalette(const LOGPALETTE* palette)
{
  if (palette == nullptr || palette->palNumEntries == 0 || palette->palNumEntries > 256) {
    return nullptr;
  }
  std::vector<PALETTEENTRY> entries(palette->palPalEntry,
                                    palette->palPalEntry + palette->palNumEntries);
  return registerObject(std::make_unique<GdiPalette>(std::move(entries)));
}

UINT SetPaletteEntries(HPALETTE handle, UINT start, UINT count, const PALETTEENTRY* entries)
{
  GdiPalette* palette = lookup<GdiPalette>(handle, OBJ_PAL);
  if (palette == nullptr || entries == nullptr || palette->isStock()) return 0;
  auto& own = palette->entries();
  if (start >= own.size()) return 0;
  count = std::min<UINT>(count, static_cast<UINT>(own.size()) - start);
  std::copy_n(entries, count, own.begin() + start);
  return count;
}

UINT GetPaletteEntries(HPALETTE handle, UINT start, UINT count, LPPALETTEENTRY entries)
{
  GdiPalette* palette = lookup<GdiPalette>(handle, OBJ_PAL);
  if (palette == nullptr) return 0;
  const auto& own = palette->entries();
  if (entries == nullptr) return static_cast<UINT>(own.size());
  if (start >= own.size()) return 0;
  count = std::min<UINT>(count, static_cast<UINT>(own.size()) - start);
  std::copy_n(own.begin() + start, count, entries);
  return count;
}

UINT GetSystemPaletteEntries(HDC, UINT start, UINT count, LPPALETTEENTRY entries)
{
  Screen& screen = Screen::instance();
  if (!screen.isPalettized()) return 0;
  if (entries == nullptr) return 256;
  if (start >= 256) return 0;
  count = std::min<UINT>(count, 256 - start);
  std::copy_n(screen.systemPalette().begin() + start, count, entries);
  return count;
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground)
{
  DeviceContext* dc = lookupDC(hdc);
  GdiPalette* object = lookup<GdiPalette>(palette, OBJ_PAL);
  if (dc == nullptr || object == nullptr) return nullptr;
  dc->setBackgroundPalette(forceBackground != FALSE);
  return dc->select(&DcState::palette, palette);
}

UINT RealizePalette(HDC hdc)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr) return GDI_ERROR;
  GdiPalette* palette = lookup<GdiPalette>(dc->state().palette, OBJ_PAL);
  if (palette == nullptr) return GDI_ERROR;
  // Only the screen has a system palette; memory bitmaps keep their own colour tables.
  if (dc->contextKind() == DeviceContext::Kind::memory) return 0;
  return Screen::instance().realize(*palette, dc->isBackgroundPalette());
}

BOOL UnrealizeObject(HGDIOBJ object)
{
  GdiObject* target = lookupObject(object);
  if (target == nullptr) return FALSE;
  if (target->kind() == OBJ_PAL) static_cast<GdiPalette*>(target)->unrealize();
  return target->kind() == OBJ_PAL || target->kind() == OBJ_BRUSH ? TRUE : FALSE;
}

UINT GetNearestPaletteIndex(HPALETTE handle, COLORREF color)
{
  GdiPalette* palette = lookup<GdiPalette>(handle, OBJ_PAL);
  if (palette == nullptr || palette->entries().empty()) return CLR_INVALID;
  return palette->nearestIndex(color & 0xFFFFFF);
}

COLORREF GetNearestColor(HDC hdc, COLORREF color)
{
  DeviceContext* dc = lookupDC(hdc);
  std::uint32_t raw = 0;
  if (dc == nullptr || !dc->resolveColor(color, raw)) return CLR_INVALID;
  return dc->surface()->colorOf(raw);
}
