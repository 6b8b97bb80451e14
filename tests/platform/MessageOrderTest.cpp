// Message orders as Windows sends them, recorded on the real thing and pinned here.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/WindowTestSupport.h"

namespace {

using omtest::MessageLog;

struct Step {
  char window;  // 'F' the frame, 'C' its child, '-' the moment the call returned
  UINT message;
  bool operator==(const Step&) const = default;
  friend void PrintTo(const Step& s, std::ostream* out) { *out << s.window << ":" << s.message; }
};

struct OrderCase {
  const char* name;
  std::function<void(HWND frame, HWND& child)> act;
  std::vector<UINT> watched;
  std::vector<Step> expected;
};

constexpr UINT kReturned = 0;

TEST(MessageOrder, CallsSendTheirMessagesInWindowsOrder)
{
  const OrderCase cases[] = {
      {"SetWindowPos moving and sizing: WM_MOVE before WM_SIZE",
       [](HWND frame, HWND&) {
         SetWindowPos(frame, nullptr, 20, 30, 320, 220, SWP_NOZORDER | SWP_NOACTIVATE);
       },
       {WM_NCPAINT, WM_ERASEBKGND, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE, WM_PAINT},
       {{'F', WM_NCPAINT},
        {'F', WM_ERASEBKGND},
        {'C', WM_ERASEBKGND},
        {'F', WM_WINDOWPOSCHANGED},
        {'F', WM_MOVE},
        {'F', WM_SIZE},
        {'-', kReturned},
        {'F', WM_PAINT},
        {'C', WM_PAINT}}},
      {"SetWindowPos hiding and showing sends no WM_SHOWWINDOW",
       [](HWND frame, HWND&) {
         const UINT keep = SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE;
         SetWindowPos(frame, nullptr, 0, 0, 0, 0, keep | SWP_HIDEWINDOW);
         SetWindowPos(frame, nullptr, 0, 0, 0, 0, keep | SWP_SHOWWINDOW);
       },
       {WM_SHOWWINDOW, WM_NCPAINT, WM_ERASEBKGND, WM_WINDOWPOSCHANGED},
       {{'F', WM_WINDOWPOSCHANGED},
        {'F', WM_NCPAINT},
        {'F', WM_ERASEBKGND},
        {'C', WM_ERASEBKGND},
        {'F', WM_WINDOWPOSCHANGED}}},
      {"RedrawWindow of the frame draws it and erases before it returns",
       [](HWND frame, HWND&) {
         RedrawWindow(frame, nullptr, nullptr,
                      RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ERASENOW);
       },
       {WM_NCPAINT, WM_ERASEBKGND, WM_PAINT},
       {{'F', WM_NCPAINT}, {'F', WM_ERASEBKGND}, {'-', kReturned}, {'F', WM_PAINT}}},
      {"a child made visible draws its frame and background before it is announced",
       [](HWND frame, HWND& child) {
         child = omtest::makeChild(frame, WS_VISIBLE | WS_BORDER, RECT{100, 10, 150, 60});
       },
       {WM_NCPAINT, WM_ERASEBKGND, WM_WINDOWPOSCHANGED, WM_PAINT},
       {{'C', WM_NCPAINT},
        {'C', WM_ERASEBKGND},
        {'C', WM_WINDOWPOSCHANGED},
        {'-', kReturned},
        {'C', WM_PAINT}}},
      {"ShowWindow announces first",
       [](HWND frame, HWND&) {
         ShowWindow(frame, SW_HIDE);
         ShowWindow(frame, SW_SHOW);
         ShowWindow(frame, SW_SHOW);  // already shown: nothing to announce
       },
       {WM_SHOWWINDOW, WM_WINDOWPOSCHANGED},
       {{'F', WM_SHOWWINDOW},
        {'F', WM_WINDOWPOSCHANGED},
        {'F', WM_SHOWWINDOW},
        {'F', WM_WINDOWPOSCHANGED},
        {'F', WM_WINDOWPOSCHANGED}}},
      {"RedrawWindow with RDW_ERASENOW erases before it returns, paints later",
       [](HWND frame, HWND&) {
         InvalidateRect(frame, nullptr, TRUE);
         RedrawWindow(frame, nullptr, nullptr, RDW_ERASENOW);
       },
       {WM_ERASEBKGND, WM_PAINT},
       {{'F', WM_ERASEBKGND}, {'-', kReturned}, {'F', WM_PAINT}}},
      {"DestroyWindow erases what it uncovers at once, paints later",
       [](HWND, HWND& child) { DestroyWindow(child); },
       {WM_DESTROY, WM_NCDESTROY, WM_ERASEBKGND, WM_PAINT},
       {{'C', WM_DESTROY},
        {'C', WM_NCDESTROY},
        {'F', WM_ERASEBKGND},
        {'-', kReturned},
        {'F', WM_PAINT}}},
  };
  for (const OrderCase& c : cases) {
    omtest::startSession();
    MessageLog log;
    // As a class with a background brush would: the background is erased.
    log.override = [](const omtest::Seen& s, bool& handled) -> LRESULT {
      handled = s.message == WM_ERASEBKGND;
      return 1;
    };
    HWND frame = omtest::makeTopLevel(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                                      RECT{10, 10, 310, 210});
    HWND child = omtest::makeChild(frame, WS_VISIBLE, RECT{10, 10, 60, 60});
    omtest::pumpAll();
    log.clear();
    c.act(frame, child);
    const std::size_t atReturn = log.seen.size();
    omtest::pumpAll();
    std::vector<Step> got;
    for (std::size_t i = 0; i <= log.seen.size(); ++i) {
      if (i == atReturn) got.push_back({'-', kReturned});
      if (i == log.seen.size()) break;
      const omtest::Seen& s = log.seen[i];
      const bool watched =
          std::find(c.watched.begin(), c.watched.end(), s.message) != c.watched.end();
      if (watched && (s.window == frame || s.window == child))
        got.push_back({s.window == frame ? 'F' : 'C', s.message});
    }
    std::vector<Step> expected = c.expected;
    // Cases that do not pin the return point have it at the end of what the call sent.
    if (std::none_of(expected.begin(), expected.end(),
                     [](const Step& s) { return s.window == '-'; }))
      got.erase(
          std::remove_if(got.begin(), got.end(), [](const Step& s) { return s.window == '-'; }),
          got.end());
    EXPECT_EQ(got, expected) << c.name;
  }
}

}  // namespace
