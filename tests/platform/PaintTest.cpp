// Update regions, WM_PAINT and WM_ERASEBKGND.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/src/gdi/DeviceContext.h"
#include "tests/support/WindowTestSupport.h"

namespace {

using omtest::MessageLog;

class PaintTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    host = &omtest::startSession();
    frame = omtest::makeTopLevel(WS_POPUP | WS_CLIPCHILDREN | WS_VISIBLE, RECT{0, 0, 640, 480});
    child = omtest::makeChild(frame, WS_VISIBLE | WS_CLIPSIBLINGS, RECT{100, 100, 300, 200});
    omtest::pumpAll();  // the first paints
    log.clear();
  }
  omhost::HeadlessHost* host = nullptr;
  HWND frame = nullptr;
  HWND child = nullptr;
  MessageLog log;
};

// WM_PAINT comes only for a window with an update region, and only once nothing else waits
// in the queue; BeginPaint validates, so it comes once.
TEST_F(PaintTest, PaintOnlyWhenInvalidAndTheQueueIsEmpty)
{
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  const RECT dirty{10, 10, 20, 30};
  InvalidateRect(child, &dirty, FALSE);
  PostMessageA(frame, WM_USER, 0, 0);
  host->moveMouse(5, 5);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_MOUSEMOVE));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
  EXPECT_EQ(msg.hwnd, child);
  // Not taken by PM_REMOVE: it stays until the window is validated.
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
  RECT paintRect{};
  log.override = [&](const omtest::Seen& s, bool& handled) -> LRESULT {
    if (s.message != WM_PAINT) return 0;
    PAINTSTRUCT ps;
    BeginPaint(s.window, &ps);
    paintRect = ps.rcPaint;
    EndPaint(s.window, &ps);
    handled = true;
    return 0;
  };
  DispatchMessageA(&msg);
  EXPECT_EQ(paintRect.left, 10);
  EXPECT_EQ(paintRect.bottom, 30);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(log.count(WM_ERASEBKGND), 0);  // invalidated without erasing
}

// BeginPaint sends WM_ERASEBKGND with its DC when an erase is pending; fErase tells whether
// the background still needs erasing. The paint DC may draw only on the update region.
TEST_F(PaintTest, BeginPaintErasesWhenAsked)
{
  const RECT dirty{0, 0, 50, 50};
  InvalidateRect(child, &dirty, TRUE);
  HDC eraseDC = nullptr;
  log.override = [&](const omtest::Seen& s, bool& handled) -> LRESULT {
    if (s.message == WM_ERASEBKGND) {
      eraseDC = reinterpret_cast<HDC>(s.wParam);
      handled = true;
      return 1;
    }
    return 0;
  };
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(child, &ps);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(eraseDC, dc);
  EXPECT_FALSE(ps.fErase);
  const omgdi::DeviceContext* context = omgdi::findDC(dc);
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->origin().x, 100);
  const RECT box = context->visible().box();
  EXPECT_EQ(box.left, 100);
  EXPECT_EQ(box.right, 150);
  EXPECT_FALSE(DeleteObject(dc));  // window DCs end with EndPaint, not DeleteObject
  EndPaint(child, &ps);
  EXPECT_EQ(omgdi::findDC(dc), nullptr);
  // An erase handler that answers 0 leaves fErase set.
  log.override = nullptr;
  InvalidateRect(child, nullptr, TRUE);
  BeginPaint(child, &ps);
  EXPECT_TRUE(ps.fErase);
  EndPaint(child, &ps);
}

// RedrawWindow(0x187) on the frame paints the frame and all its children at once, erasing.
// A frame whose WM_ERASEBKGND invalidates itself without erasing and updates (the way the
// application's frame answers) paints once more from inside the erase, and stops there.
TEST_F(PaintTest, RedrawWindowUpdatesFrameAndChildrenNow)
{
  log.override = [&](const omtest::Seen& s, bool& handled) -> LRESULT {
    if (s.message == WM_ERASEBKGND && s.window == frame) {
      InvalidateRect(frame, nullptr, FALSE);
      UpdateWindow(frame);
      handled = true;
      return 1;
    }
    return 0;
  };
  ASSERT_EQ(RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW,
            0x187);
  RedrawWindow(frame, nullptr, nullptr, 0x187);
  EXPECT_EQ(log.count(WM_PAINT, frame), 2);
  EXPECT_EQ(log.count(WM_ERASEBKGND, frame), 1);
  EXPECT_EQ(log.count(WM_PAINT, child), 1);
  EXPECT_EQ(log.count(WM_ERASEBKGND, child), 1);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

// ValidateRect removes the area from the update region; a validated window gets no WM_PAINT.
TEST_F(PaintTest, ValidateRectRemovesThePaint)
{
  InvalidateRect(child, nullptr, TRUE);
  RECT r;
  EXPECT_TRUE(GetUpdateRect(child, &r, FALSE));
  EXPECT_EQ(r.right, 200);
  const RECT left{0, 0, 100, 100};
  ValidateRect(child, &left);
  GetUpdateRect(child, &r, FALSE);
  EXPECT_EQ(r.left, 100);
  ValidateRect(child, nullptr);
  EXPECT_FALSE(GetUpdateRect(child, &r, FALSE));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  UpdateWindow(child);
  EXPECT_EQ(log.count(WM_PAINT), 0);
}

// Hiding a window, or raising another over part of it, leaves the uncovered parts to be
// repainted with erasing; the frame clips its children, so only the uncovered area is dirty.
TEST_F(PaintTest, UncoveredAreasArePainted)
{
  ShowWindow(child, SW_HIDE);
  RECT r;
  ASSERT_TRUE(GetUpdateRect(frame, &r, FALSE));
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 100);
  EXPECT_EQ(r.right, 300);
  EXPECT_EQ(r.bottom, 200);
  ValidateRect(frame, nullptr);
  ShowWindow(child, SW_SHOWNA);
  EXPECT_FALSE(GetUpdateRect(frame, &r, FALSE));
  EXPECT_TRUE(GetUpdateRect(child, &r, FALSE));
  ValidateRect(child, nullptr);
  // A sibling on top; bringing the lower one up exposes the overlap only.
  HWND other = omtest::makeChild(frame, WS_VISIBLE | WS_CLIPSIBLINGS, RECT{250, 150, 350, 250});
  ValidateRect(other, nullptr);
  SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ValidateRect(other, nullptr);
  SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ASSERT_TRUE(GetUpdateRect(child, &r, FALSE));
  EXPECT_EQ(r.left, 150);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right, 200);
  EXPECT_EQ(r.bottom, 100);
}

// GetDC gives the client area's visible part: the frame's DC leaves out its children.
TEST_F(PaintTest, WindowDCClipsChildrenOfAClipChildrenFrame)
{
  HDC dc = GetDC(frame);
  const omgdi::DeviceContext* context = omgdi::findDC(dc);
  ASSERT_NE(context, nullptr);
  EXPECT_TRUE(context->visible().contains(50, 50));
  EXPECT_FALSE(context->visible().contains(150, 150));
  EXPECT_EQ(ReleaseDC(frame, dc), 1);
  EXPECT_EQ(ReleaseDC(frame, dc), 0);
}

}  // namespace

namespace {

// Invalidating a parent reaches its children only when it does not clip them; RDW_ALLCHILDREN
// and RDW_NOCHILDREN decide it outright. GetUpdateRgn copies the update region.
TEST_F(PaintTest, InvalidationOfChildrenFollowsClipChildren)
{
  RECT r;
  InvalidateRect(frame, nullptr, TRUE);  // the frame clips its children
  EXPECT_FALSE(GetUpdateRect(child, &r, FALSE));
  ValidateRect(frame, nullptr);
  RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  EXPECT_TRUE(GetUpdateRect(child, &r, FALSE));
  ValidateRect(frame, nullptr);
  ValidateRect(child, nullptr);

  HWND plain = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  HWND inner = omtest::makeChild(plain, WS_VISIBLE, RECT{10, 10, 30, 30});
  omtest::pumpAll();
  const RECT corner{0, 0, 15, 15};
  InvalidateRect(plain, &corner, FALSE);
  ASSERT_TRUE(GetUpdateRect(inner, &r, FALSE));
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 5);  // the part of the corner that lies in the child
  ValidateRect(inner, nullptr);
  ValidateRect(plain, nullptr);
  RedrawWindow(plain, nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN);
  EXPECT_FALSE(GetUpdateRect(inner, &r, FALSE));
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetUpdateRgn(plain, region, FALSE), SIMPLEREGION);
  EXPECT_TRUE(PtInRegion(region, 99, 99));
  DeleteObject(region);
}

// With RDW_INTERNALPAINT a window gets one WM_PAINT without an update region.
TEST_F(PaintTest, InternalPaint)
{
  RedrawWindow(child, nullptr, nullptr, RDW_INTERNALPAINT);
  RECT r;
  EXPECT_FALSE(GetUpdateRect(child, &r, FALSE));
  omtest::pumpAll();
  EXPECT_EQ(log.count(WM_PAINT, child), 1);
  omtest::pumpAll();
  EXPECT_EQ(log.count(WM_PAINT, child), 1);
}

}  // namespace
