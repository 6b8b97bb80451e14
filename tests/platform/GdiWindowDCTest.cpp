#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <functional>

#include "platform/host/Host.h"
#include "platform/src/gdi/Screen.h"
#include "tests/platform/GdiTestCanvas.h"
#include "tests/support/WindowTestSupport.h"

// Window contexts draw into the virtual screen at the client origin, clipped to what of the
// window shows: children cut out with WS_CLIPCHILDREN, siblings above with WS_CLIPSIBLINGS.
namespace {

bool inRect(const RECT& r, int x, int y)
{
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

void fillClient(HWND window, COLORREF color, const RECT& rect)
{
  HDC dc = GetDC(window);
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
  ReleaseDC(window, dc);
}

std::vector<COLORREF> screenPixels(int width, int height)
{
  HDC screen = GetDC(nullptr);
  std::vector<COLORREF> out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      out.push_back(GetPixel(screen, x, y));
  }
  ReleaseDC(nullptr, screen);
  return out;
}

}  // namespace

TEST(GdiWindowDCTest, WindowContextsDrawOnlyWhereTheWindowShows)
{
  omtest::startSession();
  const COLORREF black = RGB(0, 0, 0), red = RGB(255, 0, 0), green = RGB(0, 255, 0),
                 blue = RGB(0, 0, 255);
  HWND top = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, RECT{20, 10, 120, 90});
  HWND a = omtest::makeChild(top, WS_CHILD | WS_VISIBLE, RECT{10, 10, 50, 50});
  HWND b = omtest::makeChild(top, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, RECT{30, 30, 70, 60});
  omtest::pumpAll();
  fillClient(nullptr, black, RECT{0, 0, 640, 480});
  fillClient(top, red, RECT{0, 0, 100, 80});
  fillClient(a, green, RECT{-5, -5, 100, 100});
  fillClient(b, blue, RECT{0, 0, 40, 30});
  const bool aAboveB = GetWindow(b, GW_HWNDPREV) == a;
  const RECT topOnScreen{20, 10, 120, 90}, aOnScreen{30, 20, 70, 60}, bOnScreen{50, 40, 90, 70};
  omtest::expectPicture("window-dcs", 140, 100, screenPixels(140, 100),
                        omtest::pictureOf(140, 100, [&](int x, int y) {
                          if (inRect(bOnScreen, x, y) && !(aAboveB && inRect(aOnScreen, x, y))) {
                            return blue;
                          }
                          if (inRect(aOnScreen, x, y)) return green;
                          if (inRect(topOnScreen, x, y)) return red;
                          return black;
                        }));
  // A clip region of the context is in its own coordinates and cuts further.
  HDC dc = GetDC(top);
  IntersectClipRect(dc, 0, 0, 5, 5);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  const RECT all{0, 0, 100, 80};
  FillRect(dc, &all, white);
  DeleteObject(white);
  EXPECT_EQ(GetPixel(dc, 4, 4), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 5, 5), CLR_INVALID);
  ReleaseDC(top, dc);
  // A minimized window shows nothing, so its context draws nothing.
  ShowWindow(top, SW_MINIMIZE);
  omtest::pumpAll();
  fillClient(nullptr, black, RECT{0, 0, 640, 480});
  fillClient(top, red, RECT{0, 0, 100, 80});
  omtest::expectPicture("minimized", 140, 100, screenPixels(140, 100),
                        std::vector<COLORREF>(140 * 100, black));
  DestroyWindow(top);
}

TEST(GdiWindowDCTest, WindowContextIsASourceAndTargetForBlits)
{
  omtest::startSession();
  HWND top = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{100, 100, 200, 150});
  omtest::pumpAll();
  omtest::GdiTestCanvas offscreen(100, 50, 16);
  offscreen.fill(RGB(0, 0, 255));
  HDC dc = GetDC(top);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), omgdi::Screen::instance().bitsPerPixel());
  BitBlt(dc, 0, 0, 100, 50, offscreen.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetPixel(screen, 100, 100), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(screen, 99, 100), RGB(0, 0, 0));
  // Back from the window into memory, from the window's own coordinates.
  offscreen.fill(RGB(0, 0, 0));
  BitBlt(offscreen.dc(), 0, 0, 10, 10, dc, 90, 40, SRCCOPY);
  EXPECT_EQ(GetPixel(offscreen.dc(), 9, 9), RGB(0, 0, 255));
  ReleaseDC(nullptr, screen);
  ReleaseDC(top, dc);
  DestroyWindow(top);
}

// As on Windows, GetDC between BeginPaint and EndPaint hands out the same own context, still
// narrowed to the update region: what the window draws then lands only there. Drawing the
// window's frame meanwhile moves it nowhere.
TEST(GdiWindowDCTest, OwnContextKeepsItsStateBetweenGetDCCallsAndThePaintsClipUntilEndPaint)
{
  omtest::startSession();
  WNDCLASSEXA own{};
  own.cbSize = sizeof own;
  own.style = CS_OWNDC;
  own.lpfnWndProc = DefWindowProcA;
  own.lpszClassName = "OMTestOwnDC";
  ASSERT_NE(RegisterClassExA(&own), 0);
  HWND window = CreateWindowExA(0, "OMTestOwnDC", "own", WS_POPUP | WS_BORDER | WS_VISIBLE, 10,
                                10, 40, 30, nullptr, nullptr, nullptr, nullptr);
  omtest::pumpAll();
  HDC first = GetDC(window);
  SetTextColor(first, RGB(1, 2, 3));
  EXPECT_EQ(ReleaseDC(window, first), 1);
  // Moved: the same context, now drawing at the new place.
  MoveWindow(window, 50, 60, 40, 30, TRUE);
  omtest::pumpAll();
  HDC second = GetDC(window);
  EXPECT_EQ(second, first);
  EXPECT_EQ(GetTextColor(second), RGB(1, 2, 3));
  EXPECT_EQ(SetPixel(second, 0, 0, RGB(255, 0, 0)), RGB(255, 0, 0));
  POINT o{0, 0};  // the client area's corner, inside the border
  ClientToScreen(window, &o);
  EXPECT_EQ(o.x, 51);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetPixel(screen, o.x, o.y), RGB(255, 0, 0));
  ReleaseDC(window, second);
  const RECT dirty{10, 10, 20, 20}, client{0, 0, 38, 28};
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  InvalidateRect(window, &dirty, FALSE);
  PAINTSTRUCT paint;
  HDC painting = BeginPaint(window, &paint);
  EXPECT_EQ(painting, first);
  HDC during = GetDC(window);
  EXPECT_EQ(during, painting);
  RECT box{};
  GetClipBox(during, &box);
  EXPECT_EQ((std::array{box.left, box.top, box.right, box.bottom}),
            (std::array{dirty.left, dirty.top, dirty.right, dirty.bottom}));
  FillRect(during, &client, blue);
  SendMessageA(window, WM_NCACTIVATE, TRUE, 0);
  SetPixel(during, 19, 19, RGB(0, 255, 0));
  ReleaseDC(window, during);
  EndPaint(window, &paint);
  EXPECT_EQ(GetPixel(screen, o.x + 10, o.y + 18), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(screen, o.x + 19, o.y + 19), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(screen, o.x + 20, o.y + 20), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(screen, o.x, o.y), RGB(255, 0, 0));
  // After EndPaint the whole client area again.
  HDC after = GetDC(window);
  FillRect(after, &client, green);
  ReleaseDC(window, after);
  EXPECT_EQ(GetPixel(screen, o.x, o.y), RGB(0, 255, 0));
  ReleaseDC(nullptr, screen);
  DeleteObject(blue);
  DeleteObject(green);
  DestroyWindow(window);
  // An ordinary window gets a fresh context each time.
  HWND plain = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 10, 10});
  HDC a = GetDC(plain);
  SetTextColor(a, RGB(1, 2, 3));
  ReleaseDC(plain, a);
  HDC b = GetDC(plain);
  EXPECT_EQ(GetTextColor(b), RGB(0, 0, 0));
  ReleaseDC(plain, b);
  DestroyWindow(plain);
}

TEST(GdiWindowDCTest, ClassBrushErasesTheBackgroundOnPaint)
{
  omtest::startSession();
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  WNDCLASSEXA filled{};
  filled.cbSize = sizeof filled;
  filled.lpfnWndProc = DefWindowProcA;
  filled.hbrBackground = green;
  filled.lpszClassName = "OMTestFilled";
  ASSERT_NE(RegisterClassExA(&filled), 0);
  HWND window = CreateWindowExA(0, "OMTestFilled", "filled", WS_POPUP | WS_VISIBLE, 5, 6, 20, 10,
                                nullptr, nullptr, nullptr, nullptr);
  omtest::pumpAll();
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetPixel(screen, 5, 6), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(screen, 24, 15), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(screen, 25, 15), RGB(0, 0, 0));
  ReleaseDC(nullptr, screen);
  DestroyWindow(window);
  UnregisterClassA("OMTestFilled", nullptr);
  DeleteObject(green);
}

// A window backend looks at the screen's pixels only when its draw count has moved: every kind
// of drawing on the screen moves it (a picture that did not reach the display would stay
// stale), drawing in memory does not (a still screen would be compared for nothing).
TEST(GdiWindowDCTest, DrawingOnTheScreenIsCountedAndDrawingInMemoryIsNot)
{
  omtest::startSession();
  HWND top = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 50});
  omtest::pumpAll();
  omtest::GdiTestCanvas offscreen(100, 50, 16);
  omtest::GdiTestCanvas other(100, 50, 16);
  HDC dc = GetDC(top);
  HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
  const RECT r{0, 0, 10, 10};
  struct Case {
    const char* what;
    std::function<void()> draw;
    bool counts;
  };
  const Case cases[] = {
      {"a fill in memory", [&] { FillRect(offscreen.dc(), &r, brush); }, false},
      {"a blit in memory", [&] { BitBlt(other.dc(), 0, 0, 10, 10, offscreen.dc(), 0, 0, SRCCOPY); },
       false},
      {"a fill on the window", [&] { FillRect(dc, &r, brush); }, true},
      {"a blit to the window", [&] { BitBlt(dc, 0, 0, 10, 10, offscreen.dc(), 0, 0, SRCCOPY); },
       true},
      {"a line on the window",
       [&] {
         MoveToEx(dc, 0, 0, nullptr);
         LineTo(dc, 20, 20);
       },
       true},
      {"text on the window", [&] { TextOutA(dc, 0, 0, "x", 1); }, true},
      {"a pixel on the window", [&] { SetPixel(dc, 1, 1, RGB(0, 255, 0)); }, true},
  };
  for (const Case& c : cases) {
    const std::uint64_t before = omhost::host().screen().drawCount;
    c.draw();
    EXPECT_EQ(omhost::host().screen().drawCount != before, c.counts) << c.what;
  }
  DeleteObject(brush);
  ReleaseDC(top, dc);
  DestroyWindow(top);
}
