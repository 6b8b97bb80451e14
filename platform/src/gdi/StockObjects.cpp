#include "platform/src/gdi/StockObjects.h"

#include <array>
#include <cstring>
#include <memory>

#include "platform/src/gdi/GdiBitmap.h"
#include "platform/src/gdi/GdiBrush.h"
#include "platform/src/gdi/GdiFont.h"
#include "platform/src/gdi/GdiPalette.h"
#include "platform/src/gdi/GdiPen.h"
#include "platform/src/gdi/Screen.h"

namespace omgdi {

namespace {

constexpr int stockCount = DEFAULT_GUI_FONT + 1;

std::unique_ptr<GdiObject> makeStockFont(const char* face, LONG height, LONG weight, bool system)
{
  LOGFONTA logFont{};
  logFont.lfHeight = height;
  logFont.lfWeight = weight;
  std::strncpy(logFont.lfFaceName, face, LF_FACESIZE - 1);
  auto font = std::make_unique<GdiFont>(logFont);
  if (system) font->markSystemFont();
  return font;
}

std::unique_ptr<GdiObject> makeDefaultPalette()
{
  std::vector<PALETTEENTRY> entries(20);
  for (int i = 0; i < 20; ++i) {
    const COLORREF color = Screen::staticColor(i);
    entries[i] = PALETTEENTRY{GetRValue(color), GetGValue(color), GetBValue(color), 0};
  }
  return std::make_unique<GdiPalette>(std::move(entries));
}

std::unique_ptr<GdiObject> makeStock(int index)
{
  switch (index) {
    case WHITE_BRUSH:
      return std::make_unique<GdiBrush>(BS_SOLID, RGB(255, 255, 255));
    case LTGRAY_BRUSH:
      return std::make_unique<GdiBrush>(BS_SOLID, RGB(192, 192, 192));
    case GRAY_BRUSH:
      return std::make_unique<GdiBrush>(BS_SOLID, RGB(128, 128, 128));
    case DKGRAY_BRUSH:
      return std::make_unique<GdiBrush>(BS_SOLID, RGB(64, 64, 64));
    case BLACK_BRUSH:
      return std::make_unique<GdiBrush>(BS_SOLID, RGB(0, 0, 0));
    case NULL_BRUSH:
      return std::make_unique<GdiBrush>(BS_NULL, 0);
    case WHITE_PEN:
      return std::make_unique<GdiPen>(PS_SOLID, 1, RGB(255, 255, 255));
    case BLACK_PEN:
      return std::make_unique<GdiPen>(PS_SOLID, 1, RGB(0, 0, 0));
    case NULL_PEN:
      return std::make_unique<GdiPen>(PS_NULL, 1, 0);
    case SYSTEM_FONT:
      return makeStockFont("System", 16, FW_BOLD, true);
    case DEVICE_DEFAULT_FONT:
      return makeStockFont("System", 16, FW_BOLD, true);
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
      return makeStockFont("Courier New", 13, FW_NORMAL, false);
    case ANSI_VAR_FONT:
    case DEFAULT_GUI_FONT:
      return makeStockFont("MS Sans Serif", -11, FW_NORMAL, false);
    case DEFAULT_PALETTE:
      return makeDefaultPalette();
    default:
      return nullptr;
  }
}

}  // namespace

HGDIOBJ stockObject(int index)
{
  static std::array<HGDIOBJ, stockCount> stock{};
  if (index < 0 || index >= stockCount) return nullptr;
  if (stock[index] == nullptr) {
    std::unique_ptr<GdiObject> object = makeStock(index);
    if (!object) return nullptr;
    object->markStock();
    stock[index] = registerObject(std::move(object));
  }
  return stock[index];
}

HGDIOBJ defaultBitmap()
{
  static HGDIOBJ bitmap = nullptr;
  if (bitmap == nullptr) {
    auto surface = std::make_unique<Surface>(1, 1, 1, true);
    surface->setMonochrome(true);
    const RGBQUAD blackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    surface->setColorTable(0, 2, blackWhite);
    auto object = std::make_unique<GdiBitmap>(std::move(surface), false);
    object->markStock();
    bitmap = registerObject(std::move(object));
  }
  return bitmap;
}

}  // namespace omgdi

HGDIOBJ GetStockObject(int index)
{
  return omgdi::stockObject(index);
}
