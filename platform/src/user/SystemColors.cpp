// The colours of the window system's parts: the classic 3-D scheme.
#include <windows.h>

#include <array>
#include <memory>

#include "platform/src/gdi/GdiBrush.h"
#include "platform/src/gdi/GdiHandles.h"

namespace {

constexpr int kColorCount = COLOR_INFOBK + 1;

constexpr std::array<COLORREF, kColorCount> kScheme = {
    RGB(192, 192, 192),  // scroll bar
    RGB(0, 128, 128),    // desktop
    RGB(0, 0, 128),      // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(192, 192, 192),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(192, 192, 192),  // active border
    RGB(192, 192, 192),  // inactive border
    RGB(128, 128, 128),  // application workspace
    RGB(0, 0, 128),      // highlight
    RGB(255, 255, 255),  // highlighted text
    RGB(192, 192, 192),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(192, 192, 192),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(0, 0, 0),        // 3-D dark shadow
    RGB(192, 192, 192),  // 3-D light
    RGB(0, 0, 0),        // tooltip text
    RGB(255, 255, 225),  // tooltip background
};

}  // namespace

DWORD WINAPI GetSysColor(int index)
{
  return index >= 0 && index < kColorCount ? kScheme[static_cast<std::size_t>(index)] : 0;
}

// One brush per colour, made on first use and never deleted (DeleteObject leaves it).
HBRUSH WINAPI GetSysColorBrush(int index)
{
  static std::array<HBRUSH, kColorCount> brushes{};
  if (index < 0 || index >= kColorCount) return nullptr;
  HBRUSH& brush = brushes[static_cast<std::size_t>(index)];
  if (brush == nullptr) {
    auto made =
        std::make_unique<omgdi::GdiBrush>(BS_SOLID, kScheme[static_cast<std::size_t>(index)]);
    made->markStock();
    brush = static_cast<HBRUSH>(omgdi::registerObject(std::move(made)));
  }
  return brush;
}
