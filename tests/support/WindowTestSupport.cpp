#include "tests/support/WindowTestSupport.h"

#include <algorithm>

#include "platform/src/user/InstanceRegistry.h"

namespace omtest {
namespace {

MessageLog* activeLog = nullptr;

}  // namespace

MessageLog::MessageLog()
{
  activeLog = this;
}

MessageLog::~MessageLog()
{
  if (activeLog == this) activeLog = nullptr;
}

MessageLog* MessageLog::current()
{
  return activeLog;
}

LRESULT CALLBACK MessageLog::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (activeLog != nullptr) {
    const Seen seen{window, message, wParam, lParam};
    activeLog->seen.push_back(seen);
    if (activeLog->override) {
      bool handled = false;
      const LRESULT answer = activeLog->override(seen, handled);
      if (handled) return answer;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<UINT> MessageLog::only(const std::vector<UINT>& wanted, HWND window) const
{
  std::vector<UINT> out;
  for (const Seen& s : seen)
    if ((window == nullptr || s.window == window) &&
        std::find(wanted.begin(), wanted.end(), s.message) != wanted.end())
      out.push_back(s.message);
  return out;
}

int MessageLog::count(UINT message, HWND window) const
{
  return static_cast<int>(std::count_if(seen.begin(), seen.end(), [&](const Seen& s) {
    return s.message == message && (window == nullptr || s.window == window);
  }));
}

omhost::HeadlessHost& startSession()
{
  omhost::useManualClock(10000);
  omhost::HeadlessHost& host = omhost::startHeadlessSession();
  // Test windows stay private to their process unless a test publishes them itself.
  omuser::InstanceRegistry::instance().setEnabled(false);
  WNDCLASSEXA c{};
  c.cbSize = sizeof c;
  c.style = CS_HREDRAW | CS_VREDRAW;
  c.lpfnWndProc = &MessageLog::procedure;
  c.cbWndExtra = 2 * sizeof(LONG_PTR);
  c.lpszClassName = "OMTestWindow";
  c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  RegisterClassExA(&c);
  c.style |= CS_DBLCLKS;
  c.lpszClassName = "OMTestDblClk";
  RegisterClassExA(&c);
  return host;
}

HWND makeTopLevel(DWORD style, RECT r, const char* title)
{
  return CreateWindowExA(0, "OMTestWindow", title, style, r.left, r.top, r.right - r.left,
                         r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
}

HWND makeChild(HWND parent, DWORD style, RECT r, bool doubleClicks)
{
  return CreateWindowExA(0, doubleClicks ? "OMTestDblClk" : "OMTestWindow", nullptr,
                         style | WS_CHILD, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         parent, nullptr, nullptr, nullptr);
}

int pumpAll()
{
  MSG msg;
  int handled = 0;
  while (handled < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    ++handled;
  }
  return handled;
}

bool sameColor(COLORREF a, COLORREF b)
{
  return (a & 0xF8F8F8) == (b & 0xF8F8F8);
}

COLORREF screenPixel(int x, int y)
{
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return c;
}

int countScreenColor(RECT area, int systemColor)
{
  HDC screen = GetDC(nullptr);
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      n += sameColor(GetPixel(screen, x, y), GetSysColor(systemColor)) ? 1 : 0;
  ReleaseDC(nullptr, screen);
  return n;
}

}  // namespace omtest
