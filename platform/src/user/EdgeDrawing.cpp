// The window system's 3-D edges and focus rectangles.
#include <windows.h>

namespace {

// One pixel wide, both ends drawn, in a system colour: filled as a rectangle rather than
// pixel by pixel, as a window's frame is drawn at every move and activation.
void line(HDC dc, int x1, int y1, int x2, int y2, int colorIndex)
{
  const RECT pixels{x1, y1, x2 + 1, y2 + 1};
  FillRect(dc, &pixels, GetSysColorBrush(colorIndex));
}

// One ring of an edge: the top-left colour on the left and top sides, the other on the right
// and bottom sides (which own the corners they share).
void ring(HDC dc, RECT& r, UINT flags, int topLeft, int bottomRight)
{
  if (r.right - r.left <= 0 || r.bottom - r.top <= 0) return;
  if (flags & BF_LEFT) line(dc, r.left, r.top, r.left, r.bottom - 1, topLeft);
  if (flags & BF_TOP) line(dc, r.left, r.top, r.right - 1, r.top, topLeft);
  if (flags & BF_RIGHT) line(dc, r.right - 1, r.top, r.right - 1, r.bottom - 1, bottomRight);
  if (flags & BF_BOTTOM) line(dc, r.left, r.bottom - 1, r.right - 1, r.bottom - 1, bottomRight);
  if (flags & BF_LEFT) ++r.left;
  if (flags & BF_TOP) ++r.top;
  if (flags & BF_RIGHT) --r.right;
  if (flags & BF_BOTTOM) --r.bottom;
}

}  // namespace

// Raised: the outer ring light over dark shadow, the inner one highlight over shadow. Sunken:
// the outer ring shadow over highlight, the inner one dark shadow over light.
BOOL WINAPI DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags)
{
  if (rect == nullptr) return FALSE;
  RECT r = *rect;
  if (edge & BDR_RAISEDOUTER)
    ring(dc, r, flags, COLOR_3DLIGHT, COLOR_3DDKSHADOW);
  else if (edge & BDR_SUNKENOUTER)
    ring(dc, r, flags, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
  if (edge & BDR_RAISEDINNER)
    ring(dc, r, flags, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
  else if (edge & BDR_SUNKENINNER)
    ring(dc, r, flags, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
  if ((flags & BF_MIDDLE) && r.right > r.left && r.bottom > r.top)
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

// Every other pixel of the outline is inverted, so drawing it twice takes it away again.
BOOL WINAPI DrawFocusRect(HDC dc, const RECT* rect)
{
  if (rect == nullptr || rect->right <= rect->left || rect->bottom <= rect->top) return FALSE;
  auto invert = [dc](int x, int y) {
    const COLORREF c = GetPixel(dc, x, y);
    if (c != CLR_INVALID) SetPixel(dc, x, y, c ^ 0x00FFFFFF);
  };
  const RECT& r = *rect;
  auto dot = [&](int x, int y) {
    if ((x - r.left + y - r.top) % 2 == 0) invert(x, y);
  };
  for (int x = r.left; x < r.right; ++x) {
    dot(x, r.top);
    if (r.bottom - 1 > r.top) dot(x, r.bottom - 1);
  }
  for (int y = r.top + 1; y < r.bottom - 1; ++y) {
    dot(r.left, y);
    if (r.right - 1 > r.left) dot(r.right - 1, y);
  }
  return TRUE;
}
