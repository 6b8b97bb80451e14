// Frames, captions, menu bars and popups drawn the classic way.
#include "platform/src/user/NonClient.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "platform/src/gdi/DeviceContext.h"
#include "platform/src/user/Cursor.h"
#include "platform/src/user/Menu.h"
#include "platform/src/user/SystemMetrics.h"
#include "platform/src/user/Window.h"
#include "platform/src/user/WindowClass.h"
#include "platform/src/user/WindowManager.h"

namespace omuser {
namespace {

WindowManager& wm()
{
  return WindowManager::instance();
}

std::unordered_map<HWND, int>& barHighlights()
{
  static std::unordered_map<HWND, int> highlights;
  return highlights;
}

HFONT menuFont()
{
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HFONT captionFont()
{
  static HFONT bold = [] {
    LOGFONTA font{};
    GetObjectA(menuFont(), sizeof font, &font);
    font.lfWeight = FW_BOLD;
    return CreateFontIndirectA(&font);
  }();
  return bold;
}

// Text without its "&" marks, as DrawTextA shows it.
int textWidth(HDC dc, const std::string& text)
{
  std::string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  SIZE size{};
  GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
  return size.cx;
}

// A context for measuring text in the menu font.
class MeasuringDC {
 public:
  MeasuringDC() : dc_(GetDC(nullptr)), old_(SelectObject(dc_, menuFont())) {}
  ~MeasuringDC()
  {
    SelectObject(dc_, old_);
    ReleaseDC(nullptr, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A context over the window's non-client area, origin at its top-left corner.
HDC nonClientDC(Window* w)
{
  const RECT outer = wm().windowRectOnScreen(w);
  const RECT client = wm().clientRectOnScreen(w);
  omgdi::RegionData area = omgdi::RegionData::combine(
      wm().visibleRegion(w, false),
      omgdi::RegionData::rectangle(client.left, client.top, client.right, client.bottom), RGN_DIFF);
  return omgdi::createFrameDC(w->handle, POINT{outer.left, outer.top}, std::move(area));
}

void fill(HDC dc, RECT r, int color)
{
  FillRect(dc, &r, GetSysColorBrush(color));
}

void line(HDC dc, int x0, int y0, int x1, int y1, COLORREF color)
{
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  const HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void frame(HDC dc, const RECT& box, COLORREF color)
{
  HBRUSH brush = CreateSolidBrush(color);
  FrameRect(dc, &box, brush);
  DeleteObject(brush);
}

std::pair<std::string, std::string> splitAtTab(const std::string& text)
{
  const std::size_t tab = text.find('\t');
  if (tab == std::string::npos) return {text, std::string()};
  return {text.substr(0, tab), text.substr(tab + 1)};
}

void drawText(HDC dc, const std::string& text, RECT r, UINT format, COLORREF color)
{
  SetTextColor(dc, color);
  SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
            format | DT_SINGLELINE | DT_VCENTER);
}

bool greyed(const MenuItem& item)
{
  return (item.flags & (MF_GRAYED | MF_DISABLED)) != 0;
}

int frameWidth(const Window* w)
{
  return WindowManager::nonClientInsets(w->style, w->exStyle, false).left;
}

bool hasCaption(const Window* w)
{
  return (w->style & WS_CAPTION) == WS_CAPTION;
}

// The caption box glyphs, drawn in the 16x14 button at r.
enum class Glyph { Close, Maximize, Restore, Minimize };

void drawCaptionButton(HDC dc, RECT r, Glyph glyph, bool enabled)
{
  fill(dc, r, COLOR_BTNFACE);
  DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
  const COLORREF ink = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  const int x = r.left + 4, y = r.top + 3;
  switch (glyph) {
    case Glyph::Close:
      for (int i = 0; i < 7; ++i) {
        line(dc, x + i, y + i, x + i + 2, y + i, ink);
        line(dc, x + 6 - i, y + i, x + 8 - i, y + i, ink);
      }
      break;
    case Glyph::Maximize: {
      RECT box{x, y, x + 9, y + 8};
      frame(dc, box, ink);
      line(dc, x, y + 1, x + 9, y + 1, ink);
      break;
    }
    case Glyph::Restore: {
      RECT back{x + 2, y, x + 8, y + 5}, front{x, y + 3, x + 6, y + 8};
      for (const RECT& box : {back, front}) {
        frame(dc, box, ink);
        line(dc, box.left, box.top + 1, box.right, box.top + 1, ink);
      }
      break;
    }
    case Glyph::Minimize:
      line(dc, x + 1, y + 6, x + 7, y + 6, ink);
      line(dc, x + 1, y + 7, x + 7, y + 7, ink);
      break;
  }
}

// The icon scaled to the small icon's size by sampling.
void drawSmallIcon(HDC dc, int x, int y, HICON icon)
{
  const Cursor* image = CursorTable::instance().find(icon);
  if (image == nullptr || image->width <= 0 || image->height <= 0 ||
      image->pixels.size() != static_cast<std::size_t>(image->width) * image->height)
    return;
  const int side = metrics::kSmallIcon;
  for (int row = 0; row < side; ++row)
    for (int column = 0; column < side; ++column) {
      const std::uint32_t argb =
          image->pixels[static_cast<std::size_t>(row * image->height / side) * image->width +
                        column * image->width / side];
      if ((argb >> 24) < 0x80) continue;
      SetPixel(dc, x + column, y + row, RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF));
    }
}

void drawCaption(HDC dc, Window* w, bool active)
{
  const RECT outer = wm().windowRectOnScreen(w);
  const int width = outer.right - outer.left;
  const int f = frameWidth(w);
  RECT band{f, f, width - f, f + look::kCaptionRows};
  fill(dc, band, active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
  fill(dc, RECT{f, band.bottom, width - f, f + metrics::kCaption}, COLOR_BTNFACE);
  int textLeft = band.left + 2;
  int boxesLeft = band.right;
  if (w->style & WS_SYSMENU) {
    const HICON icon = w->windowClass == nullptr              ? nullptr
                       : w->windowClass->smallIcon != nullptr ? w->windowClass->smallIcon
                                                              : w->windowClass->icon;
    if (icon != nullptr) drawSmallIcon(dc, band.left + 1, band.top + 1, icon);
    textLeft = band.left + 20;
    auto cell = [&](Glyph glyph, bool enabled) {
      boxesLeft -= metrics::kCaptionButton;
      drawCaptionButton(dc, RECT{boxesLeft + 1, band.top + 2, boxesLeft + 17, band.top + 16}, glyph,
                        enabled);
    };
    cell(Glyph::Close, true);
    if (w->style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) {
      // A minimised window offers to restore where the minimise box was.
      cell(w->isMaximized() ? Glyph::Restore : Glyph::Maximize, (w->style & WS_MAXIMIZEBOX) != 0);
      cell(w->isMinimized() ? Glyph::Restore : Glyph::Minimize, (w->style & WS_MINIMIZEBOX) != 0);
    }
  }
  const HGDIOBJ old = SelectObject(dc, captionFont());
  drawText(dc, w->text, RECT{textLeft, band.top, boxesLeft - 2, band.bottom}, DT_LEFT | DT_NOPREFIX,
           GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
  SelectObject(dc, old);
}

void drawBar(HDC dc, Window* w)
{
  const Menu* menu = MenuTable::instance().find(w->menu);
  if (menu == nullptr) return;
  fill(dc, menuBarBand(w), COLOR_MENU);
  const std::vector<RECT> rects = menuBarItems(w);
  const int highlight = menuBarHighlight(w->handle);
  const HGDIOBJ old = SelectObject(dc, menuFont());
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const MenuItem& item = menu->items[i];
    const bool tracked = static_cast<int>(i) == highlight;
    if (tracked) fill(dc, rects[i], COLOR_HIGHLIGHT);
    const int color = greyed(item) ? COLOR_GRAYTEXT
                      : tracked    ? COLOR_HIGHLIGHTTEXT
                                   : COLOR_MENUTEXT;
    drawText(dc, item.text, rects[i], DT_CENTER, GetSysColor(color));
  }
  SelectObject(dc, old);
}

}  // namespace

RECT menuBarBand(const Window* w)
{
  const RECT outer = wm().windowRectOnScreen(w);
  const int f = frameWidth(w);
  const int top = f + (hasCaption(w) ? metrics::kCaption : 0);
  return RECT{f, top, outer.right - outer.left - f, top + metrics::kMenuBar};
}

std::vector<RECT> menuBarItems(const Window* w)
{
  std::vector<RECT> out;
  const Menu* menu = MenuTable::instance().find(w->menu);
  if (menu == nullptr || w->isChild()) return out;
  const RECT band = menuBarBand(w);
  const MeasuringDC dc;
  int x = band.left;
  for (const MenuItem& item : menu->items) {
    const int width = textWidth(dc.get(), item.text) + 2 * look::kBarItemPadding;
    out.push_back(RECT{x, band.top, x + width, band.bottom});
    x += width;
  }
  return out;
}

void drawNonClient(Window* w, bool active)
{
  if (!wm().isShownOnScreen(w)) return;
  const RECT outer = wm().windowRectOnScreen(w);
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  const HDC dc = nonClientDC(w);
  RECT all{0, 0, width, height};
  if (w->style & (WS_THICKFRAME | WS_DLGFRAME)) {
    fill(dc, all, COLOR_BTNFACE);
    DrawEdge(dc, &all, EDGE_RAISED, BF_RECT);
  } else if (w->style & WS_BORDER) {
    FrameRect(dc, &all, GetSysColorBrush(COLOR_WINDOWFRAME));
  }
  if (hasCaption(w)) drawCaption(dc, w, active);
  if (w->menu != nullptr && !w->isChild() && !w->isMinimized()) drawBar(dc, w);
  omgdi::releaseWindowDC(dc);
}

void drawMenuBar(Window* w)
{
  if (w->menu == nullptr || w->isChild() || w->isMinimized() || !wm().isShownOnScreen(w)) return;
  const HDC dc = nonClientDC(w);
  drawBar(dc, w);
  omgdi::releaseWindowDC(dc);
}

void setMenuBarHighlight(HWND window, int index)
{
  if (index < 0)
    barHighlights().erase(window);
  else
    barHighlights()[window] = index;
  if (Window* w = wm().find(window)) drawMenuBar(w);
}

int menuBarHighlight(HWND window)
{
  const auto it = barHighlights().find(window);
  return it != barHighlights().end() ? it->second : -1;
}

std::vector<RECT> popupItems(HMENU handle)
{
  std::vector<RECT> out;
  const Menu* menu = MenuTable::instance().find(handle);
  if (menu == nullptr) return out;
  const MeasuringDC dc;
  int left = 0, right = 0;
  for (const MenuItem& item : menu->items) {
    const auto [text, shortcut] = splitAtTab(item.text);
    left = std::max(left, textWidth(dc.get(), text));
    if (!shortcut.empty()) right = std::max(right, textWidth(dc.get(), shortcut));
  }
  const int width =
      look::kCheckColumn + left + (right > 0 ? look::kTabGap + right : 0) + look::kArrowColumn;
  int y = look::kPopupEdge;
  for (const MenuItem& item : menu->items) {
    const int height =
        (item.flags & MF_SEPARATOR) ? look::kSeparatorHeight : look::kPopupItemHeight;
    out.push_back(RECT{look::kPopupEdge, y, look::kPopupEdge + width, y + height});
    y += height;
  }
  return out;
}

SIZE popupSize(HMENU menu)
{
  const std::vector<RECT> items = popupItems(menu);
  if (items.empty()) return SIZE{2 * look::kPopupEdge + look::kCheckColumn, 2 * look::kPopupEdge};
  return SIZE{items.back().right + look::kPopupEdge, items.back().bottom + look::kPopupEdge};
}

void drawPopup(HDC dc, HMENU handle, int selected)
{
  const Menu* menu = MenuTable::instance().find(handle);
  if (menu == nullptr) return;
  const SIZE size = popupSize(handle);
  RECT all{0, 0, size.cx, size.cy};
  fill(dc, all, COLOR_MENU);
  DrawEdge(dc, &all, EDGE_RAISED, BF_RECT);
  const std::vector<RECT> rects = popupItems(handle);
  const HGDIOBJ old = SelectObject(dc, menuFont());
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const MenuItem& item = menu->items[i];
    RECT r = rects[i];
    if (item.flags & MF_SEPARATOR) {
      RECT etch{r.left, r.top + look::kSeparatorHeight / 2, r.right,
                r.top + look::kSeparatorHeight / 2 + 2};
      DrawEdge(dc, &etch, EDGE_ETCHED, BF_TOP);
      continue;
    }
    const bool chosen = static_cast<int>(i) == selected;
    if (chosen) fill(dc, r, COLOR_HIGHLIGHT);
    const COLORREF ink = GetSysColor(greyed(item) ? COLOR_GRAYTEXT
                                     : chosen     ? COLOR_HIGHLIGHTTEXT
                                                  : COLOR_MENUTEXT);
    if (item.flags & MF_CHECKED) {
      // A check mark: a short and a long stroke, three pixels thick.
      const int x = r.left + 4, y = r.top + 8;
      for (int t = 0; t < 3; ++t) {
        line(dc, x, y + t, x + 2, y + 2 + t, ink);
        line(dc, x + 2, y + 2 + t, x + 7, y - 3 + t, ink);
      }
    }
    const auto [text, shortcut] = splitAtTab(item.text);
    drawText(dc, text, RECT{r.left + look::kCheckColumn, r.top, r.right, r.bottom}, DT_LEFT, ink);
    if (!shortcut.empty())
      drawText(dc, shortcut, RECT{r.left, r.top, r.right - look::kArrowColumn, r.bottom}, DT_RIGHT,
               ink);
    if (item.flags & MF_POPUP) {
      // A solid triangle pointing right, 4 wide and 7 tall, centred in the arrow column.
      const int x = r.right - look::kArrowColumn + 6, y = r.top + (r.bottom - r.top) / 2;
      for (int k = 0; k < 4; ++k)
        line(dc, x + k, y - 3 + k, x + k, y + 4 - k, ink);
    }
  }
  SelectObject(dc, old);
}

}  // namespace omuser
