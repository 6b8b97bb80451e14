// Keyboard focus, mouse capture and activation.
#include <windows.h>

#include "platform/src/user/WindowManager.h"

using omuser::Window;
using omuser::WindowManager;

namespace {

HWND handleOf(const Window* w)
{
  return w != nullptr ? w->handle : nullptr;
}

}  // namespace

HWND WINAPI SetFocus(HWND window)
{
  WindowManager& wm = WindowManager::instance();
  Window* w = nullptr;
  if (window != nullptr && (w = wm.find(window)) == nullptr) return nullptr;
  return handleOf(wm.setFocus(w));
}

HWND WINAPI GetFocus(void)
{
  return handleOf(WindowManager::instance().focus());
}

HWND WINAPI SetActiveWindow(HWND window)
{
  WindowManager& wm = WindowManager::instance();
  Window* w = wm.find(window);
  if (w == nullptr || w->isChild()) return nullptr;
  const HWND previous = handleOf(wm.active());
  wm.activate(w, WA_ACTIVE);
  return previous;
}

HWND WINAPI GetActiveWindow(void)
{
  return handleOf(WindowManager::instance().active());
}

HWND WINAPI SetCapture(HWND window)
{
  WindowManager& wm = WindowManager::instance();
  Window* w = wm.find(window);
  if (w == nullptr) return nullptr;
  return handleOf(wm.setCapture(w));
}

// Harmless without a capture.
BOOL WINAPI ReleaseCapture(void)
{
  WindowManager::instance().releaseCapture();
  return TRUE;
}

HWND WINAPI GetCapture(void)
{
  return handleOf(WindowManager::instance().capture());
}
