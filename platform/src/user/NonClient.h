#pragma once

#include <windows.h>

#include <vector>

namespace omuser {

struct Window;

// The look of the non-client area and of menus; every size is in pixels.
//
// Frame: a sizing or dialog frame is a raised 3-D edge (light grey and white outside, grey and
// dark grey inside) filled with the face colour; a thin border is one line of the window-frame
// colour. Caption: 18 rows of the active or inactive caption colour across the frame's inside,
// then one row of face colour; the small icon (when the window has a window menu) at 1,1 of
// the caption; the title in bold caption-text colour from x 20 (2 without icon); the close,
// maximise and minimise boxes right to left in 18-pixel cells, each a 16x14 raised button 2
// rows down, its glyph in button-text colour or, when the style lacks the box, grey text.
// Menu bar: 19 rows of the menu colour under the caption; items left to right from the
// frame's inside, each its text's width plus 8 on either side; greyed items in grey text;
// the tracked item in highlight colours.
// Popup: a raised 3-D edge around the menu colour; items from 3,3: 18 rows each, separators
// 9 rows with an etched line across their middle; a 16-pixel check column on the left, the
// text after it, the text after "\t" right-aligned 16 pixels before the right edge, where a
// submenu shows its arrow; the selected item in highlight colours (greyed text stays grey).
namespace look {
constexpr int kCaptionRows = 18;
constexpr int kBarItemPadding = 8;
constexpr int kPopupEdge = 3;
constexpr int kPopupItemHeight = 18;
constexpr int kSeparatorHeight = 9;
constexpr int kCheckColumn = 16;
constexpr int kArrowColumn = 16;
constexpr int kTabGap = 16;
}  // namespace look

// The menu bar's band and its items' rectangles, in window coordinates.
RECT menuBarBand(const Window* w);
std::vector<RECT> menuBarItems(const Window* w);

// Draws the whole non-client area: frame, caption (active or not) and menu bar.
void drawNonClient(Window* w, bool active);
// Redraws only the menu bar, with the item at index tracked (-1 none).
void drawMenuBar(Window* w);
void setMenuBarHighlight(HWND window, int index);
int menuBarHighlight(HWND window);

// A popup's size and its items' rectangles in the popup's client coordinates.
SIZE popupSize(HMENU menu);
std::vector<RECT> popupItems(HMENU menu);
void drawPopup(HDC dc, HMENU menu, int selected);

}  // namespace omuser
