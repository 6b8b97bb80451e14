// What a window does with the messages its procedure leaves alone.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/host/Host.h"
#include "platform/src/kernel/Codepage.h"
#include "platform/src/user/Cursor.h"
#include "platform/src/user/InstanceRegistry.h"
#include "platform/src/user/MenuTracking.h"
#include "platform/src/user/NonClient.h"
#include "platform/src/user/WindowManager.h"

using omuser::Cursor;
using omuser::CursorTable;
using omuser::Window;
using omuser::WindowManager;

namespace {

WindowManager& wm()
{
  return WindowManager::instance();
}

LRESULT sendTo(Window* w, UINT message, WPARAM wParam, LPARAM lParam)
{
  return wm().send(w, message, wParam, lParam);
}

Window* topLevel(Window* w)
{
  Window* top = wm().topLevelOf(w);
  return top != nullptr ? top : w;
}

LRESULT systemCommand(Window* w, WPARAM command, LPARAM lParam)
{
  switch (command & 0xFFF0) {
    case SC_CLOSE:
      sendTo(w, WM_CLOSE, 0, 0);
      break;
    case SC_MINIMIZE:
      wm().showWindow(w, SW_MINIMIZE);
      break;
    case SC_MAXIMIZE:
      wm().showWindow(w, SW_MAXIMIZE);
      break;
    case SC_RESTORE:
      wm().showWindow(w, SW_RESTORE);
      break;
    case SC_KEYMENU: {
      // A letter opens the bar's item with that access letter, a blank (or "-" for a child)
      // the window menu, nothing the bar itself.
      omuser::MenuStart start;
      const char letter = static_cast<char>(lParam);
      const bool hasBar = w->menu != nullptr && !w->isChild();
      if (letter == ' ' || (letter == '-' && w->isChild())) {
        if (!(w->style & WS_SYSMENU)) return 0;
        start.kind = omuser::MenuStart::System;
      } else if (hasBar) {
        start.letter = letter;
      } else {
        return 0;  // without a bar Alt alone does nothing here
      }
      omuser::trackMenu(w, start);
      break;
    }
    case SC_MOUSEMENU: {
      omuser::MenuStart start;
      start.kind =
          (command & 0xF) == HTSYSMENU ? omuser::MenuStart::System : omuser::MenuStart::Mouse;
      if (start.kind == omuser::MenuStart::System && !(w->style & WS_SYSMENU)) return 0;
      start.point = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      omuser::trackMenu(w, start);
      break;
    }
    default:
      // Moving and sizing by the keyboard or mouse have no modal loop here.
      break;
  }
  return 0;
}

// A key released: Alt or F10 pressed and released alone opens the window menu.
void keyReleased(Window* w, WPARAM key)
{
  if (wm().menuKeyPending != 0 && static_cast<int>(key) == wm().menuKeyPending) {
    wm().menuKeyPending = 0;
    sendTo(topLevel(w), WM_SYSCOMMAND, SC_KEYMENU, 0);
  }
}

LRESULT nonClientPress(Window* w, WPARAM hit, LPARAM point)
{
  switch (hit) {
    case HTCLOSE:
      return sendTo(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    case HTMENU:
      return sendTo(w, WM_SYSCOMMAND, SC_MOUSEMENU, point);
    case HTSYSMENU:
      return sendTo(w, WM_SYSCOMMAND, SC_MOUSEMENU | HTSYSMENU, point);
    // A caption shows both boxes when it has either; the one its style lacks is greyed.
    case HTMINBUTTON:
      if (!(w->style & WS_MINIMIZEBOX)) return 0;
      return sendTo(w, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    case HTMAXBUTTON:
      if (!(w->style & WS_MAXIMIZEBOX)) return 0;
      return sendTo(w, WM_SYSCOMMAND, w->isMaximized() ? SC_RESTORE : SC_MAXIMIZE, 0);
    default:
      return 0;
  }
}

bool isFrame(const Window* w)
{
  return w == wm().mainWindow();
}

// The frame window's title is the host window's title.
void publishTitle(const Window* w)
{
  if (isFrame(w)) omhost::host().setTitle(omwin::cp1252ToUtf8(w->text));
}

// The host gets the pictures of the frame's class icons, never their handles.
void publishIcons(const Window* w)
{
  if (!isFrame(w) || w->windowClass == nullptr) return;
  const auto picture = [](HICON icon) {
    omhost::CursorShape shape;
    const Cursor* image = CursorTable::instance().find(icon);
    if (image == nullptr || image->pixels.empty()) return shape;
    shape.width = image->width;
    shape.height = image->height;
    shape.pixels = image->pixels;
    return shape;
  };
  omhost::host().setIcon(picture(w->windowClass->icon), picture(w->windowClass->smallIcon));
}

}  // namespace

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  Window* w = wm().find(window);
  if (w == nullptr) return 0;
  switch (message) {
    case WM_NCCREATE: {
      const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      if (cs != nullptr && cs->lpszName != nullptr && !IS_INTRESOURCE(cs->lpszName))
        w->text = cs->lpszName;
      publishTitle(w);
      publishIcons(w);
      return TRUE;
    }
    case WM_NCHITTEST:
      return wm().hitTest(w, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_SETCURSOR:
      // The parent decides first; then the class cursor over the client area.
      if (w->isChild() && sendTo(w->parent, WM_SETCURSOR, wParam, lParam) != 0) return TRUE;
      if (LOWORD(lParam) == HTCLIENT) {
        // The class cursor of the window under the pointer, also when a parent's default
        // procedure answers for its child.
        const Window* under = wm().find(reinterpret_cast<HWND>(wParam));
        if (under == nullptr) under = w;
        if (under->windowClass == nullptr || under->windowClass->cursor == nullptr) return FALSE;
        SetCursor(under->windowClass->cursor);
        return TRUE;
      }
      if (static_cast<SHORT>(LOWORD(lParam)) == HTERROR) return FALSE;
      // Over captions and borders the pointer is the arrow (there are no sizing cursors).
      SetCursor(LoadCursorA(nullptr, IDC_ARROW));
      return TRUE;
    case WM_MOUSEACTIVATE:
      if (w->isChild()) {
        const LRESULT answer = sendTo(w->parent, WM_MOUSEACTIVATE, wParam, lParam);
        if (answer != 0) return answer;
      }
      return MA_ACTIVATE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !w->isMinimized()) SetFocus(window);
      return 0;
    case WM_NCACTIVATE:
      w->frameActive = wParam != 0;
      omuser::drawNonClient(w, w->frameActive);
      return TRUE;
    case WM_NCPAINT:
      omuser::drawNonClient(w, w->frameActive);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_SYSCOMMAND:
      return systemCommand(w, wParam, lParam);
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (lParam & (1 << 29))) sendTo(topLevel(w), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      keyReleased(w, wParam);
      return 0;
    case WM_SYSCHAR:
      if (!(lParam & (1 << 29))) return 0;
      // Alt+"-" opens a child window's own menu, other Alt+characters the top window's.
      if (wParam == '-' && w->isChild())
        sendTo(w, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(wParam));
      else
        sendTo(topLevel(w), WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(wParam));
      return 0;
    case WM_NCLBUTTONDOWN:
      return nonClientPress(w, wParam, lParam);
    case WM_NCLBUTTONDBLCLK:
      // A minimised window is all caption: a double click restores it.
      if (wParam == HTCAPTION && w->isMinimized()) return sendTo(w, WM_SYSCOMMAND, SC_RESTORE, 0);
      if (wParam == HTCAPTION && (w->style & WS_MAXIMIZEBOX))
        return sendTo(w, WM_SYSCOMMAND, w->isMaximized() ? SC_RESTORE : SC_MAXIMIZE, 0);
      if (wParam == HTSYSMENU) return sendTo(w, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND: {
      // The class brush over the client area; without a brush nothing is erased.
      if (w->windowClass == nullptr || w->windowClass->background == nullptr) return 0;
      RECT client{};
      GetClientRect(window, &client);
      return FillRect(reinterpret_cast<HDC>(wParam), &client, w->windowClass->background) != 0 ? 1
                                                                                               : 0;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      // Controls on the 3-D face, entry fields and lists on the window colour.
      const bool field = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
      const HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, GetSysColor(field ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
      SetBkColor(dc, GetSysColor(field ? COLOR_WINDOW : COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(field ? COLOR_WINDOW : COLOR_BTNFACE));
    }
    case WM_CANCELMODE:
      if (wm().capture() == w) ReleaseCapture();
      return 0;
    case WM_WINDOWPOSCHANGED: {
      const auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (wp == nullptr) return 0;
      if (!(wp->flags & 0x1000)) {
        const POINT origin = wm().clientOrigin(w);
        const POINT parentOrigin = wm().clientOrigin(w->parent);
        sendTo(w, WM_MOVE, 0,
               MAKELPARAM(static_cast<WORD>(origin.x - parentOrigin.x),
                          static_cast<WORD>(origin.y - parentOrigin.y)));
      }
      if (!(wp->flags & 0x0800) && (w = wm().find(window)) != nullptr) {
        const RECT client = wm().clientRectInWindow(w);
        sendTo(w, WM_SIZE,
               w->isMinimized()   ? SIZE_MINIMIZED
               : w->isMaximized() ? SIZE_MAXIMIZED
                                  : SIZE_RESTORED,
               MAKELPARAM(static_cast<WORD>(client.right - client.left),
                          static_cast<WORD>(client.bottom - client.top)));
      }
      return 0;
    }
    case WM_SETTEXT:
      w->text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
      publishTitle(w);
      if ((w->style & WS_CAPTION) == WS_CAPTION) omuser::drawNonClient(w, w->frameActive);
      return TRUE;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(lParam);
      if (buffer == nullptr || wParam == 0) return 0;
      const std::size_t n = std::min<std::size_t>(w->text.size(), wParam - 1);
      std::memcpy(buffer, w->text.data(), n);
      buffer[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    case omuser::InstanceRegistry::kRaiseMessage:
      // Another copy of the program asked for this window to come forward.
      BringWindowToTop(window);
      SetForegroundWindow(window);
      omhost::host().raiseWindow();
      return 0;
    default:
      return 0;
  }
}
