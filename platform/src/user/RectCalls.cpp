// Small rectangle helpers.
#include <windows.h>

BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
  if (rect == nullptr) return FALSE;
  *rect = RECT{left, top, right, bottom};
  return TRUE;
}

BOOL WINAPI InflateRect(LPRECT rect, int dx, int dy)
{
  if (rect == nullptr) return FALSE;
  rect->left -= dx;
  rect->top -= dy;
  rect->right += dx;
  rect->bottom += dy;
  return TRUE;
}

BOOL WINAPI OffsetRect(LPRECT rect, int dx, int dy)
{
  if (rect == nullptr) return FALSE;
  rect->left += dx;
  rect->right += dx;
  rect->top += dy;
  rect->bottom += dy;
  return TRUE;
}

// The right and bottom edges are outside.
BOOL WINAPI PtInRect(const RECT* rect, POINT p)
{
  return rect != nullptr && p.x >= rect->left && p.x < rect->right && p.y >= rect->top &&
                 p.y < rect->bottom
             ? TRUE
             : FALSE;
}
