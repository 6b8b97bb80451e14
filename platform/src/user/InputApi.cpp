// Keyboard and mouse state, system metrics.
#include <windows.h>

#include <algorithm>

#include "platform/host/Host.h"
#include "platform/src/user/KeyboardLayout.h"
#include "platform/src/user/MessageQueue.h"
#include "platform/src/user/SystemMetrics.h"
#include "platform/src/user/WindowManager.h"

using omuser::MessageQueue;
namespace metrics = omuser::metrics;

SHORT WINAPI GetKeyState(int virtualKey)
{
  return MessageQueue::instance().keyState(virtualKey);
}

SHORT WINAPI GetAsyncKeyState(int virtualKey)
{
  MessageQueue::instance().pumpHost(false);
  return MessageQueue::instance().asyncKeyState(virtualKey);
}

SHORT WINAPI VkKeyScanA(CHAR character)
{
  return omuser::KeyboardLayout::keyScan(static_cast<unsigned char>(character));
}

BOOL WINAPI GetCursorPos(LPPOINT point)
{
  if (point == nullptr) return FALSE;
  MessageQueue::instance().pumpHost(false);
  *point = MessageQueue::instance().cursorPosition();
  return TRUE;
}

BOOL WINAPI SetCursorPos(int x, int y)
{
  const RECT screen = omuser::WindowManager::instance().screenRect();
  MessageQueue::instance().setCursorPosition(
      POINT{std::clamp<LONG>(x, 0, screen.right - 1), std::clamp<LONG>(y, 0, screen.bottom - 1)});
  return TRUE;
}

UINT WINAPI GetDoubleClickTime(void)
{
  return metrics::kDoubleClickTime;
}

int WINAPI GetSystemMetrics(int index)
{
  const omhost::ScreenBuffer& screen = omhost::host().screen();
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
      return screen.width;
    case SM_CYSCREEN:
      return screen.height;
    case SM_CYFULLSCREEN:
      return screen.height - metrics::kCaption;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
      return 16;
    case SM_CYCAPTION:
      return metrics::kCaption;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return metrics::kBorder;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return metrics::kDialogFrame;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return metrics::kSizingFrame;
    case SM_CXICON:
    case SM_CYICON:
      return metrics::kIcon;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return metrics::kSmallIcon;
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return metrics::kCursor;
    case SM_CYMENU:
      return metrics::kMenuBar;
    case SM_CXSIZE:
    case SM_CYSIZE:
      return metrics::kCaptionButton;
    case SM_CXMIN:
      return metrics::kMinimumTrackWidth;
    case SM_CYMIN:
      return metrics::kMinimumTrackHeight;
    case SM_CXMINIMIZED:
      return metrics::kMinimizedWidth;
    case SM_CYMINIMIZED:
      return metrics::kMinimizedHeight;
    case SM_CXMAXIMIZED:
      return screen.width + 2 * metrics::kSizingFrame;
    case SM_CYMAXIMIZED:
      return screen.height + 2 * metrics::kSizingFrame;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
      return metrics::kDoubleClickArea;
    case SM_MOUSEPRESENT:
      return 1;
    case SM_CMOUSEBUTTONS:
      return 3;
    default:
      return 0;
  }
}
