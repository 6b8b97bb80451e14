// Frames and captions as the default window procedure draws them.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "platform/src/gdi/GdiObjectTable.h"
#include "tests/support/WindowTestSupport.h"

namespace {

using omtest::sameColor;
constexpr auto screenAt = omtest::screenPixel;
constexpr auto countColor = omtest::countScreenColor;

enum class Box { None, Enabled, Greyed };

struct FrameCase {
  const char* name;
  DWORD style;
  bool child;
  bool minimized;
  int frame;  // width of the frame: 4 sizing, 3 dialog, 1 border
  bool caption;
  Box minimize, maximize;
};

// The program's frame modes 0 to 2, its child window kinds 1 to 3, a dialog and a minimised
// child, each checked against the look: frame edge, caption colour, title, boxes.
TEST(NonClientLook, FramesAndCaptionsOfTheProgramsWindows)
{
  const FrameCase cases[] = {
      {"frame mode 0", 0x02CF0000, false, false, 4, true, Box::Enabled, Box::Enabled},
      {"frame modes 1 and 2", 0x02CA0000, false, false, 3, true, Box::Enabled, Box::Greyed},
      {"child kind 1", 0x44800000, true, false, 1, false, Box::None, Box::None},
      {"child kind 2", 0x44CA0000, true, false, 3, true, Box::Enabled, Box::Greyed},
      {"child kind 3", 0x44CF0000, true, false, 4, true, Box::Enabled, Box::Enabled},
      {"dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, false, false, 3, true,
       Box::None, Box::None},
      {"minimised child kind 3", 0x44CF0000, true, true, 4, true, Box::Enabled, Box::Enabled},
  };
  for (const FrameCase& c : cases) {
    omtest::startSession();
    HWND top = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
    HWND w = c.child ? omtest::makeChild(top, c.style | WS_VISIBLE, RECT{20, 30, 320, 230})
                     : omtest::makeTopLevel((c.style & ~WS_CHILD) | WS_VISIBLE,
                                            RECT{20, 30, 320, 230}, "Title Text");
    if (c.child) SetWindowTextA(w, "Title Text");
    if (c.minimized) ShowWindow(w, SW_MINIMIZE);
    omtest::pumpAll();
    RECT r;
    GetWindowRect(w, &r);
    const int f = c.frame;
    if (f == 1) {
      EXPECT_TRUE(sameColor(screenAt(r.left, r.top), GetSysColor(COLOR_WINDOWFRAME))) << c.name;
    } else {
      EXPECT_TRUE(sameColor(screenAt(r.left, r.top), GetSysColor(COLOR_3DLIGHT))) << c.name;
      EXPECT_TRUE(sameColor(screenAt(r.left + 1, r.top + 1), GetSysColor(COLOR_3DHILIGHT)))
          << c.name;
      EXPECT_TRUE(sameColor(screenAt(r.right - 1, r.bottom - 1), GetSysColor(COLOR_3DDKSHADOW)))
          << c.name;
      if (!c.minimized) {
        EXPECT_TRUE(sameColor(screenAt(r.left + f - 1, r.top + f + 25), GetSysColor(COLOR_BTNFACE)))
            << c.name;
      }
    }
    if (!c.caption) {
      EXPECT_EQ(
          countColor(RECT{r.left + f, r.top + f, r.right - f, r.top + f + 18}, COLOR_ACTIVECAPTION),
          0)
          << c.name;
      continue;
    }
    // The caption band: caption colour, the title in caption text from x 20 on. A child's
    // caption is inactive until WM_NCACTIVATE says otherwise.
    const bool active = !c.child && GetActiveWindow() == w;
    const int captionColor = active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION;
    const int textColor = active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT;
    EXPECT_TRUE(sameColor(screenAt(r.left + f + 19, r.top + f), GetSysColor(captionColor)))
        << c.name;
    EXPECT_TRUE(sameColor(screenAt(r.left + f + 1, r.top + f + 18), GetSysColor(COLOR_BTNFACE)))
        << c.name;
    EXPECT_GT(
        countColor(RECT{r.left + f + 20, r.top + f, r.left + f + 100, r.top + f + 18}, textColor),
        0)
        << c.name;
    EXPECT_EQ(countColor(RECT{r.left + f, r.top + f, r.left + f + 19, r.top + f + 18}, textColor),
              0)
        << c.name << ": the title starts after the icon's place";
    // Boxes right to left in 18-pixel cells: close, maximise, minimise.
    auto cell = [&](int k) {
      const int right = r.right - f - 18 * k;
      return RECT{right - 17, r.top + f + 2, right - 1, r.top + f + 16};
    };
    auto expectBox = [&](int k, Box box, const char* which) {
      const RECT b = cell(k);
      if (box == Box::None) {
        EXPECT_EQ(countColor(b, COLOR_BTNFACE), 0) << c.name << " " << which;
        return;
      }
      EXPECT_TRUE(sameColor(screenAt(b.left + 1, b.top + 1), GetSysColor(COLOR_3DHILIGHT)))
          << c.name << " " << which;
      // The glyph, inside the edge's two pixels.
      const RECT glyph{b.left + 2, b.top + 2, b.right - 2, b.bottom - 2};
      EXPECT_EQ(countColor(glyph, COLOR_BTNTEXT) > 0, box == Box::Enabled)
          << c.name << " " << which;
      EXPECT_EQ(countColor(glyph, COLOR_GRAYTEXT) > 0, box == Box::Greyed)
          << c.name << " " << which;
    };
    expectBox(0, Box::Enabled, "close");
    expectBox(1, c.maximize, "maximise");
    expectBox(2, c.minimize, "minimise");
  }
}

// As on Windows, a child window's caption follows WM_NCACTIVATE alone: inactive when made,
// though its top-level window is active; then as the message says (answering TRUE), through a
// repaint of its frame and a change of z-order alike.
TEST(NonClientLook, AChildsCaptionFollowsWMNCActivateAlone)
{
  omtest::startSession();
  HWND top = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  HWND child = omtest::makeChild(top, 0x44CF0000 | WS_VISIBLE, RECT{20, 30, 320, 230});
  omtest::pumpAll();
  ASSERT_EQ(GetActiveWindow(), top);
  RECT r;
  GetWindowRect(child, &r);
  const POINT probe{r.left + 4 + 19, r.top + 4 + 1};
  const auto tell = [child](BOOL active) {
    return [child, active] { EXPECT_EQ(SendMessageA(child, WM_NCACTIVATE, active, 0), TRUE); };
  };
  const auto repaintFrame = [child] {
    RedrawWindow(child, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  };
  const auto restack = [child] {
    SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  };
  const struct {
    const char* what;
    std::function<void()> act;
    bool active;
  } steps[] = {
      {"made", [] {}, false},
      {"told active", tell(TRUE), true},
      {"frame repainted", repaintFrame, true},
      {"restacked", restack, true},
      {"told inactive", tell(FALSE), false},
      {"frame repainted again", repaintFrame, false},
  };
  for (const auto& step : steps) {
    step.act();
    omtest::pumpAll();
    const int color = step.active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION;
    EXPECT_TRUE(sameColor(screenAt(probe.x, probe.y), GetSysColor(color))) << step.what;
  }
}

// WM_NCACTIVATE redraws the caption in the inactive colours, and back.
TEST(NonClientLook, ActivationRecoloursTheCaption)
{
  omtest::startSession();
  HWND a = omtest::makeTopLevel(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 200}, "A");
  omtest::pumpAll();
  RECT r;
  GetWindowRect(a, &r);
  const POINT probe{r.left + 4 + 19, r.top + 4 + 1};
  EXPECT_TRUE(sameColor(screenAt(probe.x, probe.y), GetSysColor(COLOR_ACTIVECAPTION)));
  HWND b = omtest::makeTopLevel(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{400, 300, 600, 450}, "B");
  omtest::pumpAll();
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_TRUE(sameColor(screenAt(probe.x, probe.y), GetSysColor(COLOR_INACTIVECAPTION)));
  // Drawing a caption again and again holds on to no drawing object.
  const std::size_t objects = omgdi::GdiObjectTable::instance().size();
  SetActiveWindow(a);
  omtest::pumpAll();
  EXPECT_TRUE(sameColor(screenAt(probe.x, probe.y), GetSysColor(COLOR_ACTIVECAPTION)));
  SetActiveWindow(b);
  SetActiveWindow(a);
  omtest::pumpAll();
  EXPECT_EQ(omgdi::GdiObjectTable::instance().size(), objects);
  // A new title is drawn at once.
  const int before =
      countColor(RECT{r.left + 24, r.top + 4, r.left + 200, r.top + 22}, COLOR_CAPTIONTEXT);
  SetWindowTextA(a, "A much longer title");
  EXPECT_GT(countColor(RECT{r.left + 24, r.top + 4, r.left + 200, r.top + 22}, COLOR_CAPTIONTEXT),
            before);
}

}  // namespace
