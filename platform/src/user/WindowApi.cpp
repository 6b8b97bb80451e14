// Classes, windows, their places and their words.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/src/user/InstanceRegistry.h"
#include "platform/src/user/SystemMetrics.h"
#include "platform/src/user/WindowManager.h"

using omuser::Window;
using omuser::WindowClass;
using omuser::WindowManager;

namespace {

WindowManager& wm()
{
  return WindowManager::instance();
}

Window* windowOf(HWND handle)
{
  return wm().find(handle);
}

int copyText(const std::string& text, LPSTR buffer, int size)
{
  if (buffer == nullptr || size <= 0) return 0;
  const int n = std::min(static_cast<int>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), static_cast<std::size_t>(n));
  buffer[n] = 0;
  return n;
}

// Deferred position batches by handle.
std::map<std::uintptr_t, std::vector<WINDOWPOS>>& batches()
{
  static std::map<std::uintptr_t, std::vector<WINDOWPOS>> all;
  return all;
}
std::uintptr_t nextBatch = 0x20000;

bool readExtra(const Window* w, int index, std::size_t size, LONG_PTR& out)
{
  if (index < 0 || static_cast<std::size_t>(index) + size > w->extra.size()) return false;
  out = 0;
  if (size == sizeof(LONG)) {
    LONG value;
    std::memcpy(&value, w->extra.data() + index, sizeof value);
    out = value;
  } else {
    std::memcpy(&out, w->extra.data() + index, sizeof out);
  }
  return true;
}

bool writeExtra(Window* w, int index, std::size_t size, LONG_PTR value)
{
  if (index < 0 || static_cast<std::size_t>(index) + size > w->extra.size()) return false;
  if (size == sizeof(LONG)) {
    const LONG narrow = static_cast<LONG>(value);
    std::memcpy(w->extra.data() + index, &narrow, sizeof narrow);
  } else {
    std::memcpy(w->extra.data() + index, &value, sizeof value);
  }
  return true;
}

LONG_PTR getWord(HWND handle, int index, std::size_t size)
{
  const Window* w = windowOf(handle);
  if (w == nullptr) return 0;
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
    case GWL_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->procedure);
    case GWL_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w->instance);
    case GWL_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->isChild() ? w->parent->handle
                                        : w->owner   ? w->owner->handle
                                                     : nullptr);
    case GWL_ID:
      return w->id;
    case GWL_USERDATA:
      return w->userData;
    default: {
      LONG_PTR value = 0;
      readExtra(w, index, size, value);
      return value;
    }
  }
}

LONG_PTR setWord(HWND handle, int index, std::size_t size, LONG_PTR value)
{
  Window* w = windowOf(handle);
  if (w == nullptr) return 0;
  LONG_PTR old = getWord(handle, index, size);
  switch (index) {
    case GWL_STYLE:
      // Visibility changes only through ShowWindow and SetWindowPos.
      w->style = (static_cast<DWORD>(value) & ~WS_VISIBLE) | (w->style & WS_VISIBLE);
      break;
    case GWL_EXSTYLE:
      w->exStyle = static_cast<DWORD>(value);
      break;
    case GWL_WNDPROC:
      if (value == 0) return 0;
      w->procedure = reinterpret_cast<WNDPROC>(value);
      break;
    case GWL_HINSTANCE:
      w->instance = reinterpret_cast<HINSTANCE>(value);
      break;
    case GWL_ID:
      w->id = value;
      break;
    case GWL_USERDATA:
      w->userData = value;
      break;
    default:
      if (!writeExtra(w, index, size, value)) return 0;
  }
  return old;
}

}  // namespace

ATOM WINAPI RegisterClassA(const WNDCLASSA* c)
{
  if (c == nullptr) return 0;
  WNDCLASSEXA ex{sizeof(WNDCLASSEXA), c->style,        c->lpfnWndProc,   c->cbClsExtra,
                 c->cbWndExtra,       c->hInstance,    c->hIcon,         c->hCursor,
                 c->hbrBackground,    c->lpszMenuName, c->lpszClassName, nullptr};
  return wm().registerClass(ex);
}

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* c)
{
  if (c == nullptr || c->cbSize != sizeof(WNDCLASSEXA)) return 0;
  return wm().registerClass(*c);
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE)
{
  return wm().unregisterClass(className) ? TRUE : FALSE;
}

BOOL WINAPI GetClassInfoExA(HINSTANCE, LPCSTR className, WNDCLASSEXA* out)
{
  const WindowClass* c = wm().findClass(className);
  if (c == nullptr || out == nullptr) return FALSE;
  *out = WNDCLASSEXA{sizeof(WNDCLASSEXA), c->style,    c->procedure, c->classExtraBytes,
                     c->windowExtraBytes, c->instance, c->icon,      c->cursor,
                     c->background,       nullptr,     className,    c->smallIcon};
  return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param)
{
  WindowClass* c = wm().findClass(className);
  if (c == nullptr) return nullptr;
  CREATESTRUCTA cs{
      param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
      windowName, className, exStyle};
  Window* w = wm().create(cs, c);
  return w != nullptr ? w->handle : nullptr;
}

BOOL WINAPI DestroyWindow(HWND window)
{
  return wm().destroy(windowOf(window)) ? TRUE : FALSE;
}

BOOL WINAPI IsWindow(HWND window)
{
  return windowOf(window) != nullptr ? TRUE : FALSE;
}

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam)
{
  return proc != nullptr ? proc(window, message, wParam, lParam) : 0;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle)
{
  if (rect == nullptr) return FALSE;
  // An overlapped window always has a caption.
  if (!(style & (WS_POPUP | WS_CHILD))) style |= WS_CAPTION;
  const RECT in = WindowManager::nonClientInsets(style, exStyle, menu != FALSE);
  rect->left -= in.left;
  rect->top -= in.top;
  rect->right += in.right;
  rect->bottom += in.bottom;
  return TRUE;
}

BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu)
{
  return AdjustWindowRectEx(rect, style, menu, 0);
}

BOOL WINAPI ShowWindow(HWND window, int command)
{
  return wm().showWindow(windowOf(window), command) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND window)
{
  const Window* w = windowOf(window);
  return w != nullptr && wm().isShownOnScreen(w) ? TRUE : FALSE;
}

BOOL WINAPI IsIconic(HWND window)
{
  if (omuser::InstanceRegistry::instance().isForeign(window))
    return omuser::InstanceRegistry::instance().ask(window, "ICONIC") == "1" ? TRUE : FALSE;
  const Window* w = windowOf(window);
  return w != nullptr && w->isMinimized() ? TRUE : FALSE;
}

BOOL WINAPI IsZoomed(HWND window)
{
  const Window* w = windowOf(window);
  return w != nullptr && w->isMaximized() ? TRUE : FALSE;
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable)
{
  Window* w = windowOf(window);
  if (w == nullptr) return FALSE;
  const BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (enable && wasDisabled) {
    w->style &= ~WS_DISABLED;
    wm().send(w, WM_ENABLE, TRUE, 0);
  } else if (!enable && !wasDisabled) {
    wm().send(w, WM_CANCELMODE, 0, 0);
    if ((w = windowOf(window)) == nullptr) return wasDisabled;
    w->style |= WS_DISABLED;
    if (wm().isDescendant(w, wm().focus())) wm().setFocus(nullptr);
    if (wm().isDescendant(w, wm().capture())) wm().releaseCapture();
    wm().send(w, WM_ENABLE, FALSE, 0);
  }
  return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND window)
{
  const Window* w = windowOf(window);
  return w != nullptr && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint)
{
  return wm().setWindowPos(windowOf(window), nullptr, x, y, width, height,
                           SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW))
             ? TRUE
             : FALSE;
}

BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
  return wm().setWindowPos(windowOf(window), insertAfter, x, y, cx, cy, flags) ? TRUE : FALSE;
}

HDWP WINAPI BeginDeferWindowPos(int count)
{
  if (count < 0) return nullptr;
  const std::uintptr_t key = nextBatch;
  nextBatch += 4;
  batches()[key].reserve(static_cast<std::size_t>(count));
  return reinterpret_cast<HDWP>(key);
}

HDWP WINAPI DeferWindowPos(HDWP batch, HWND window, HWND insertAfter, int x, int y, int cx, int cy,
                           UINT flags)
{
  const auto it = batches().find(reinterpret_cast<std::uintptr_t>(batch));
  if (it == batches().end()) return nullptr;
  if (windowOf(window) == nullptr) {
    batches().erase(it);
    return nullptr;
  }
  it->second.push_back(WINDOWPOS{window, insertAfter, x, y, cx, cy, flags});
  return batch;
}

BOOL WINAPI EndDeferWindowPos(HDWP batch)
{
  const auto it = batches().find(reinterpret_cast<std::uintptr_t>(batch));
  if (it == batches().end()) return FALSE;
  const std::vector<WINDOWPOS> entries = std::move(it->second);
  batches().erase(it);
  return wm().deferredPositions(entries) ? TRUE : FALSE;
}

BOOL WINAPI BringWindowToTop(HWND window)
{
  if (omuser::InstanceRegistry::instance().isForeign(window))
    return omuser::InstanceRegistry::instance().ask(window, "RAISE") == "OK" ? TRUE : FALSE;
  return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL WINAPI SetForegroundWindow(HWND window)
{
  if (omuser::InstanceRegistry::instance().isForeign(window))
    return omuser::InstanceRegistry::instance().ask(window, "RAISE") == "OK" ? TRUE : FALSE;
  Window* w = windowOf(window);
  if (w == nullptr) return FALSE;
  wm().activate(w, WA_ACTIVE);
  return TRUE;
}

HWND WINAPI GetForegroundWindow(void)
{
  const Window* w = wm().active();
  return w != nullptr ? w->handle : nullptr;
}

UINT WINAPI ArrangeIconicWindows(HWND parent)
{
  wm().arrangeIconicWindows(windowOf(parent));
  return omuser::metrics::kMinimizedHeight;
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect)
{
  const Window* w = windowOf(window);
  if (w == nullptr || rect == nullptr) return FALSE;
  *rect = wm().windowRectOnScreen(w);
  return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect)
{
  const Window* w = windowOf(window);
  if (w == nullptr || rect == nullptr) return FALSE;
  const RECT client = wm().clientRectInWindow(w);
  *rect = RECT{0, 0, client.right - client.left, client.bottom - client.top};
  return TRUE;
}

int WINAPI MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count)
{
  const Window* source = from != nullptr ? windowOf(from) : wm().desktop();
  const Window* target = to != nullptr ? windowOf(to) : wm().desktop();
  if (source == nullptr || target == nullptr) return 0;
  const POINT a = wm().clientOrigin(source);
  const POINT b = wm().clientOrigin(target);
  const LONG dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points != nullptr && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

BOOL WINAPI ScreenToClient(HWND window, LPPOINT point)
{
  if (windowOf(window) == nullptr || point == nullptr) return FALSE;
  MapWindowPoints(nullptr, window, point, 1);
  return TRUE;
}

BOOL WINAPI ClientToScreen(HWND window, LPPOINT point)
{
  if (windowOf(window) == nullptr || point == nullptr) return FALSE;
  MapWindowPoints(window, nullptr, point, 1);
  return TRUE;
}

HWND WINAPI WindowFromPoint(POINT point)
{
  const Window* w = wm().windowFromPoint(point);
  return w != nullptr ? w->handle : nullptr;
}

HWND WINAPI ChildWindowFromPoint(HWND parent, POINT point)
{
  const Window* p = windowOf(parent);
  if (p == nullptr) return nullptr;
  POINT screen = point;
  ClientToScreen(parent, &screen);
  const RECT client = wm().clientRectOnScreen(p);
  if (screen.x < client.left || screen.x >= client.right || screen.y < client.top ||
      screen.y >= client.bottom)
    return nullptr;
  for (const Window* child : p->children) {
    const RECT r = wm().windowRectOnScreen(child);
    if (screen.x >= r.left && screen.x < r.right && screen.y >= r.top && screen.y < r.bottom)
      return child->handle;
  }
  return parent;
}

HWND WINAPI GetParent(HWND window)
{
  const Window* w = windowOf(window);
  if (w == nullptr) return nullptr;
  if (w->isChild()) return w->parent->handle;
  return w->owner != nullptr ? w->owner->handle : nullptr;
}

HWND WINAPI GetWindow(HWND window, UINT command)
{
  const Window* w = windowOf(window);
  if (w == nullptr) return nullptr;
  if (command == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->handle;
  if (command == GW_OWNER) return w->owner != nullptr ? w->owner->handle : nullptr;
  if (w->parent == nullptr) return nullptr;
  const auto& siblings = w->parent->children;
  const auto it = std::find(siblings.begin(), siblings.end(), w);
  switch (command) {
    case GW_HWNDFIRST:
      return siblings.front()->handle;
    case GW_HWNDLAST:
      return siblings.back()->handle;
    case GW_HWNDNEXT:
      return it + 1 != siblings.end() ? (*(it + 1))->handle : nullptr;
    case GW_HWNDPREV:
      return it != siblings.begin() ? (*(it - 1))->handle : nullptr;
    default:
      return nullptr;
  }
}

HWND WINAPI GetTopWindow(HWND window)
{
  return GetWindow(window != nullptr ? window : wm().desktop()->handle, GW_CHILD);
}

HWND WINAPI GetDesktopWindow(void)
{
  return wm().desktop()->handle;
}

HWND WINAPI GetLastActivePopup(HWND window)
{
  if (omuser::InstanceRegistry::instance().isForeign(window)) return window;
  const Window* w = windowOf(window);
  if (w == nullptr) return nullptr;
  const Window* popup = windowOf(w->lastActivePopup);
  if (popup != nullptr && popup->owner == w && popup->isVisible() && !(popup->style & WS_DISABLED))
    return popup->handle;
  return window;
}

BOOL WINAPI IsChild(HWND parent, HWND window)
{
  const Window* p = windowOf(parent);
  const Window* w = windowOf(window);
  if (p == nullptr || w == nullptr || p == w) return FALSE;
  for (; w != nullptr && w->isChild(); w = w->parent)
    if (w->parent == p) return TRUE;
  return FALSE;
}

BOOL WINAPI EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam)
{
  Window* p = windowOf(parent);
  if (p == nullptr || proc == nullptr) return FALSE;
  std::vector<Window*> all;
  wm().collect(p, all);
  std::vector<HWND> handles;
  for (const Window* w : all)
    if (w != p) handles.push_back(w->handle);
  for (HWND handle : handles)
    if (windowOf(handle) != nullptr && !proc(handle, lParam)) break;
  return TRUE;
}

LONG WINAPI GetWindowLongA(HWND window, int index)
{
  return static_cast<LONG>(getWord(window, index, sizeof(LONG)));
}

LONG WINAPI SetWindowLongA(HWND window, int index, LONG value)
{
  return static_cast<LONG>(setWord(window, index, sizeof(LONG), value));
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND window, int index)
{
  return getWord(window, index, sizeof(LONG_PTR));
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND window, int index, LONG_PTR value)
{
  return setWord(window, index, sizeof(LONG_PTR), value);
}

ULONG_PTR WINAPI GetClassLongPtrA(HWND window, int index)
{
  const Window* w = windowOf(window);
  if (w == nullptr || w->windowClass == nullptr) return 0;
  const WindowClass* c = w->windowClass;
  switch (index) {
    case GCL_STYLE:
      return c->style;
    case GCLP_HCURSOR:
      return reinterpret_cast<ULONG_PTR>(c->cursor);
    case GCLP_HICON:
      return reinterpret_cast<ULONG_PTR>(c->icon);
    case GCLP_HBRBACKGROUND:
      return reinterpret_cast<ULONG_PTR>(c->background);
    default:
      return 0;
  }
}

DWORD WINAPI GetClassLongA(HWND window, int index)
{
  return static_cast<DWORD>(GetClassLongPtrA(window, index));
}

ULONG_PTR WINAPI SetClassLongPtrA(HWND window, int index, LONG_PTR value)
{
  Window* w = windowOf(window);
  if (w == nullptr || w->windowClass == nullptr) return 0;
  const ULONG_PTR old = GetClassLongPtrA(window, index);
  WindowClass* c = w->windowClass;
  switch (index) {
    case GCL_STYLE:
      c->style = static_cast<UINT>(value);
      break;
    case GCLP_HCURSOR:
      c->cursor = reinterpret_cast<HCURSOR>(value);
      break;
    case GCLP_HICON:
      c->icon = reinterpret_cast<HICON>(value);
      break;
    case GCLP_HBRBACKGROUND:
      c->background = reinterpret_cast<HBRUSH>(value);
      break;
    default:
      return 0;
  }
  return old;
}

int WINAPI GetClassNameA(HWND window, LPSTR buffer, int size)
{
  const Window* w = windowOf(window);
  if (w == nullptr || w->windowClass == nullptr) return 0;
  return copyText(w->windowClass->name, buffer, size);
}

int WINAPI GetDlgCtrlID(HWND window)
{
  const Window* w = windowOf(window);
  return w != nullptr && w->isChild() ? static_cast<int>(w->id) : 0;
}

HWND WINAPI GetDlgItem(HWND dialog, int id)
{
  const Window* d = windowOf(dialog);
  if (d == nullptr) return nullptr;
  for (const Window* child : d->children)
    if (child->id == id) return child->handle;
  return nullptr;
}

int WINAPI GetWindowTextA(HWND window, LPSTR buffer, int size)
{
  if (windowOf(window) == nullptr || buffer == nullptr || size <= 0) return 0;
  buffer[0] = 0;
  return static_cast<int>(SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(size),
                                       reinterpret_cast<LPARAM>(buffer)));
}

int WINAPI GetWindowTextLengthA(HWND window)
{
  if (windowOf(window) == nullptr) return 0;
  return static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text)
{
  if (windowOf(window) == nullptr) return FALSE;
  return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

// Windows of this process first; by class alone also those of other processes.
HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName)
{
  const WindowClass* c = className != nullptr ? wm().findClass(className) : nullptr;
  if (c != nullptr || className == nullptr) {
    for (const Window* top : wm().topLevelWindows()) {
      if (c != nullptr && top->windowClass != c) continue;
      if (windowName != nullptr && top->text != windowName) continue;
      return top->handle;
    }
  }
  if (className == nullptr || windowName != nullptr || IS_INTRESOURCE(className)) return nullptr;
  return omuser::InstanceRegistry::instance().findForeign(className);
}
