#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/host/HostClock.h"
#include "platform/host/headless/HeadlessHost.h"

namespace omtest {

// A message as a window procedure saw it.
struct Seen {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Records the messages that windows of the "OMTestWindow" (and "OMTestDblClk", with
// CS_DBLCLKS) class receive, and lets a test answer some of them itself.
class MessageLog {
 public:
  MessageLog();
  ~MessageLog();

  static MessageLog* current();
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::vector<Seen> seen;
  // Called first; when it sets handled, its answer is the procedure's answer.
  std::function<LRESULT(const Seen&, bool& handled)> override;

  // The messages seen, among those listed, in order ("window:message" pairs are compared).
  std::vector<UINT> only(const std::vector<UINT>& wanted, HWND window = nullptr) const;
  int count(UINT message, HWND window = nullptr) const;
  void clear() { seen.clear(); }
};

// A fresh headless session on a manual clock with the test classes registered.
omhost::HeadlessHost& startSession();
HWND makeTopLevel(DWORD style, RECT rect, const char* title = "top");
HWND makeChild(HWND parent, DWORD style, RECT rect, bool doubleClicks = false);
// Takes and dispatches (with translation) every message until the queue is empty, paint
// messages included; answers how many were handled.
int pumpAll();

// Screen pixels, compared at the precision of a 16-bit screen.
bool sameColor(COLORREF a, COLORREF b);
COLORREF screenPixel(int x, int y);
// How many pixels of the area show the system colour.
int countScreenColor(RECT area, int systemColor);

}  // namespace omtest
