// Message boxes go to the host.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/host/Host.h"
#include "platform/src/user/WindowManager.h"

namespace {

std::vector<int> buttonsOf(UINT style)
{
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
      return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
      return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
      return {IDYES, IDNO};
    case MB_RETRYCANCEL:
      return {IDRETRY, IDCANCEL};
    default:
      return {IDOK};
  }
}

}  // namespace

// A box owned by a window is modal for it: the owner's top window hears of the mode change
// (WM_CANCELMODE) and loses its activation while the box is up, and gets it back after.
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
  omuser::WindowManager& wm = omuser::WindowManager::instance();
  omuser::Window* top = wm.topLevelOf(wm.find(owner));
  const HWND topHandle = top != nullptr ? top->handle : nullptr;
  const bool wasActive = top != nullptr && wm.active() == top;
  if (top != nullptr) {
    wm.send(top, WM_CANCELMODE, 0, 0);
    if (wasActive && (top = wm.find(topHandle)) != nullptr) {
      wm.send(top, WM_NCACTIVATE, FALSE, 0);
      wm.send(top, WM_ACTIVATE, WA_INACTIVE, 0);
      if (wm.focus() != nullptr && wm.isDescendant(top, wm.focus())) wm.setFocus(nullptr);
    }
  }
  const int answer = omhost::host().messageBox(
      text != nullptr ? text : "", caption != nullptr ? caption : "Error", style, buttonsOf(style));
  if (wasActive && (top = wm.find(topHandle)) != nullptr && wm.active() == top) {
    wm.send(top, WM_NCACTIVATE, TRUE, 0);
    wm.send(top, WM_ACTIVATE, WA_ACTIVE, 0);
  }
  return answer;
}
