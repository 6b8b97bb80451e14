// The message loop's calls.
#include <windows.h>

#include "platform/src/user/InstanceRegistry.h"
#include "platform/src/user/KeyboardLayout.h"
#include "platform/src/user/MessageQueue.h"
#include "platform/src/user/WindowManager.h"

using omuser::MessageQueue;
using omuser::WindowManager;

BOOL WINAPI GetMessageA(LPMSG message, HWND window, UINT first, UINT last)
{
  if (message == nullptr) return FALSE;
  return MessageQueue::instance().get(*message, window, first, last) ? TRUE : FALSE;
}

BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT first, UINT last, UINT remove)
{
  MSG ignored;
  return MessageQueue::instance().peek(message != nullptr ? *message : ignored, window, first, last,
                                       (remove & PM_REMOVE) != 0)
             ? TRUE
             : FALSE;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  // Other threads may post too; the window is checked only where the windows live (a message
  // for a window that is gone is dropped when it is dispatched).
  WindowManager& wm = WindowManager::instance();
  if (window != nullptr && wm.onOwnerThread() && wm.find(window) == nullptr) return FALSE;
  MessageQueue::instance().post(window, message, wParam, lParam);
  return TRUE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  // To a window of another process only the restore request goes through.
  if (omuser::InstanceRegistry::instance().isForeign(window)) {
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_RESTORE)
      omuser::InstanceRegistry::instance().ask(window, "RESTORE");
    return 0;
  }
  WindowManager& wm = WindowManager::instance();
  return wm.send(wm.find(window), message, wParam, lParam);
}

LRESULT WINAPI DispatchMessageA(const MSG* message)
{
  if (message == nullptr || message->hwnd == nullptr) return 0;
  WindowManager& wm = WindowManager::instance();
  return wm.send(wm.find(message->hwnd), message->message, message->wParam, message->lParam);
}

// A key press posts the character it types, with the key's own lParam, right behind it.
BOOL WINAPI TranslateMessage(const MSG* message)
{
  if (message == nullptr) return FALSE;
  const UINT m = message->message;
  if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN) return m == WM_KEYUP || m == WM_SYSKEYUP;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool alt = GetKeyState(VK_MENU) < 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0 && !alt;
  const bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
  const int c = omuser::KeyboardLayout::character(static_cast<int>(message->wParam & 0xFF), shift,
                                                  ctrl, caps);
  if (c < 0) return TRUE;
  MessageQueue::instance().post(message->hwnd, m == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR,
                                static_cast<WPARAM>(c), message->lParam);
  return TRUE;
}

void WINAPI PostQuitMessage(int exitCode)
{
  MessageQueue::instance().postQuit(exitCode);
}

DWORD WINAPI GetMessageTime(void)
{
  return MessageQueue::instance().messageTime();
}

DWORD WINAPI GetMessagePos(void)
{
  const POINT p = MessageQueue::instance().messagePosition();
  return static_cast<DWORD>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}
