#include "platform/src/user/WindowManager.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/Host.h"
#include "platform/host/WindowLayerHooks.h"
#include "platform/src/gdi/DeviceContext.h"
#include "platform/src/user/ButtonControl.h"
#include "platform/src/user/Cursor.h"
#include "platform/src/user/InstanceRegistry.h"
#include "platform/src/user/KeyboardLayout.h"
#include "platform/src/user/ListBox.h"
#include "platform/src/user/Menu.h"
#include "platform/src/user/MessageQueue.h"
#include "platform/src/user/StaticControl.h"
#include "platform/src/user/SystemMetrics.h"

namespace omuser {
namespace {

using omgdi::RegionData;

std::string lowerCase(const char* text)
{
  std::string out(text != nullptr ? text : "");
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

RegionData regionOf(const RECT& r)
{
  return RegionData::rectangle(r.left, r.top, r.right, r.bottom);
}

bool inside(const RECT& r, POINT p)
{
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

LPARAM packPoint(int x, int y)
{
  return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// Internal WINDOWPOS flags: the client area did not change size or place.
constexpr UINT kNoClientSize = 0x0800;
constexpr UINT kNoClientMove = 0x1000;

}  // namespace

WindowManager& WindowManager::instance()
{
  static WindowManager manager;
  return manager;
}

WindowManager::WindowManager()
{
  reset();
}

void WindowManager::reset()
{
  InstanceRegistry::instance().clear();
  windows_.clear();
  graveyard_.clear();
  classes_.clear();
  active_ = lastActive_ = focus_ = capture_ = nullptr;
  appActive_ = false;
  menuKeyPending = 0;
  auto desktop = std::make_unique<Window>();
  desktop->handle = reinterpret_cast<HWND>(nextHandle_);
  nextHandle_ += 2;
  desktop->style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;
  desktop->rect = screenRect();
  desktop_ = desktop.get();
  windows_.emplace(reinterpret_cast<std::uintptr_t>(desktop->handle), std::move(desktop));
  registerSystemClasses();
}

void WindowManager::registerSystemClasses()
{
  // The built-in classes are never published to other processes.
  auto add = [this](const char* name, WNDPROC procedure, UINT style, int extraBytes,
                    HCURSOR cursor) {
    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    c.style = style;
    c.lpfnWndProc = procedure;
    c.cbWndExtra = extraBytes;
    c.hCursor = cursor;
    c.lpszClassName = name;
    registerClass(c);
    findClass(name)->system = true;
  };
  add("LISTBOX", &ListBox::procedure, CS_DBLCLKS | CS_PARENTDC, 0, nullptr);
  const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  add("#32770", &DefDlgProcA, CS_DBLCLKS | CS_SAVEBITS, DLGWINDOWEXTRA, arrow);
  add("Button", &ButtonControl::procedure, CS_DBLCLKS | CS_PARENTDC, 0, arrow);
  add("Static", &StaticControl::procedure, CS_DBLCLKS | CS_PARENTDC, 0, arrow);
}

// ---------------------------------------------------------------- classes

ATOM WindowManager::registerClass(const WNDCLASSEXA& d)
{
  if (d.lpszClassName == nullptr || d.lpfnWndProc == nullptr || d.cbWndExtra < 0 ||
      d.cbClsExtra < 0 || d.cbWndExtra > 40960)
    return 0;
  const std::string key = lowerCase(d.lpszClassName);
  if (key.empty() || classes_.count(key) != 0) return 0;
  auto c = std::make_unique<WindowClass>();
  c->name = d.lpszClassName;
  c->style = d.style;
  c->procedure = d.lpfnWndProc;
  c->classExtraBytes = d.cbClsExtra;
  c->windowExtraBytes = d.cbWndExtra;
  c->instance = d.hInstance;
  c->icon = d.hIcon;
  c->smallIcon = d.hIconSm;
  c->cursor = d.hCursor;
  c->background = d.hbrBackground;
  if (d.lpszMenuName != nullptr && !IS_INTRESOURCE(d.lpszMenuName)) c->menuName = d.lpszMenuName;
  c->atom = nextAtom_++;
  const ATOM atom = c->atom;
  classes_.emplace(key, std::move(c));
  return atom;
}

bool WindowManager::unregisterClass(const char* name)
{
  const auto it = classes_.find(lowerCase(name));
  if (it == classes_.end() || it->second->windowCount > 0) return false;
  classes_.erase(it);
  return true;
}

WindowClass* WindowManager::findClass(const char* name) const
{
  if (name == nullptr) return nullptr;
  if (IS_INTRESOURCE(name)) {
    const ATOM atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
    for (const auto& [key, c] : classes_)
      if (c->atom == atom) return c.get();
    return nullptr;
  }
  const auto it = classes_.find(lowerCase(name));
  return it == classes_.end() ? nullptr : it->second.get();
}

// ---------------------------------------------------------------- windows

Window* WindowManager::find(HWND handle) const
{
  const auto it = windows_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == windows_.end() || it->second->destroyed) return nullptr;
  return it->second.get();
}

Window* WindowManager::create(const CREATESTRUCTA& cs, WindowClass* windowClass)
{
  Window* parent = desktop_;
  Window* owner = nullptr;
  DWORD style = static_cast<DWORD>(cs.style);
  if (style & WS_CHILD) {
    parent = find(cs.hwndParent);
    if (parent == nullptr || parent == desktop_) return nullptr;
  } else if (cs.hwndParent != nullptr) {
    owner = topLevelOf(find(cs.hwndParent));
  }
  // Top-level windows always clip their siblings; overlapped ones always have a caption.
  if (!(style & WS_CHILD)) {
    style |= WS_CLIPSIBLINGS;
    if (!(style & WS_POPUP)) style |= WS_CAPTION;
  }
  auto w = std::make_unique<Window>();
  w->handle = reinterpret_cast<HWND>(nextHandle_);
  nextHandle_ += 2;
  w->windowClass = windowClass;
  w->parent = parent;
  w->owner = owner;
  w->style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  w->exStyle = cs.dwExStyle;
  w->procedure = windowClass->procedure;
  w->extra.assign(static_cast<std::size_t>(windowClass->windowExtraBytes), 0);
  w->instance = cs.hInstance;
  if (style & WS_CHILD)
    w->id = static_cast<LONG_PTR>(reinterpret_cast<std::uintptr_t>(cs.hMenu));
  else
    w->menu = cs.hMenu;
  int x = cs.x, y = cs.y, cx = cs.cx, cy = cs.cy;
  const RECT screen = screenRect();
  if (x == CW_USEDEFAULT) x = y = 0;
  if (cx == CW_USEDEFAULT) {
    cx = (screen.right - screen.left) * 3 / 4;
    cy = (screen.bottom - screen.top) * 3 / 4;
  }
  w->rect = RECT{x, y, x + std::max(cx, 0), y + std::max(cy, 0)};
  w->normalRect = w->rect;
  Window* window = w.get();
  ++windowClass->windowCount;
  windows_.emplace(reinterpret_cast<std::uintptr_t>(window->handle), std::move(w));
  // New child windows go to the bottom of their siblings, new top-level windows to the top.
  if (style & WS_CHILD)
    parent->children.push_back(window);
  else
    parent->children.insert(parent->children.begin(), window);

  CREATESTRUCTA copy = cs;
  copy.style = static_cast<LONG>(window->style);
  const HWND handle = window->handle;
  if (!send(window, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&copy)) || find(handle) == nullptr ||
      send(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&copy)) == -1 ||
      find(handle) == nullptr) {
    if (find(handle) != nullptr) destroy(window);
    return nullptr;
  }
  sendSizeAndMove(window);
  if (find(handle) == nullptr) return nullptr;
  if (!(style & WS_CHILD) && !windowClass->system)
    InstanceRegistry::instance().publish(handle, windowClass->name);
  if (style & WS_VISIBLE) {
    if (style & WS_MAXIMIZE)
      showWindow(window, SW_SHOWMAXIMIZED);
    else if (style & WS_MINIMIZE)
      showWindow(window, SW_SHOWMINIMIZED);
    else
      showWindow(window, SW_SHOW);
  }
  return find(handle);
}

bool WindowManager::destroy(Window* window)
{
  if (window == nullptr || window == desktop_ || window->destroyed) return false;
  const Snapshot before = snapshot();
  const RegionData vacated = visibleRegion(window, false);
  // Windows it owns go first.
  for (Window* other : topLevelWindows())
    if (other->owner == window) destroy(other);
  std::vector<Window*> doomed;
  collect(window, doomed);
  window->style &= ~WS_VISIBLE;
  for (Window* w : doomed) {
    if (w == capture_) releaseCapture();
    if (w == focus_) {
      focus_ = nullptr;
      send(w, WM_KILLFOCUS, 0, 0);
    }
  }
  if (active_ != nullptr && std::find(doomed.begin(), doomed.end(), active_) != doomed.end())
    activateNextAfter(window);
  for (Window* w : doomed)
    send(w, WM_DESTROY, 0, 0);
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it)
    send(*it, WM_NCDESTROY, 0, 0);
  for (Window* w : doomed) {
    if (w->destroyed) continue;
    w->destroyed = true;
    InstanceRegistry::instance().windowGone(w->handle);
    // A window takes its menu bar and its window menu with it.
    if (w->systemMenu != nullptr) MenuTable::instance().destroy(w->systemMenu);
    if (w->menu != nullptr && !w->isChild()) MenuTable::instance().destroy(w->menu);
    MessageQueue::instance().removeMessagesFor(w->handle);
    if (w == lastActive_) lastActive_ = nullptr;
    if (w->windowClass != nullptr) --w->windowClass->windowCount;
  }
  unlink(window);
  for (Window* w : doomed) {
    const auto it = windows_.find(reinterpret_cast<std::uintptr_t>(w->handle));
    if (it != windows_.end()) {
      graveyard_.push_back(std::move(it->second));
      windows_.erase(it);
    }
  }
  // What the window uncovered is erased at once; it is painted at the next WM_PAINT.
  for (const HWND exposed : exposeChanges(before, vacated))
    if (Window* w = find(exposed)) paintNow(w, false, true);
  return true;
}

void WindowManager::unlink(Window* window)
{
  if (window->parent == nullptr) return;
  auto& siblings = window->parent->children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
}

void WindowManager::collectGarbage()
{
  if (sendDepth_ == 0) graveyard_.clear();
}

LRESULT WindowManager::send(Window* window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (window == nullptr || window->destroyed || window->procedure == nullptr) return 0;
  // Every message sent is a lot of numbers: only OM_TRACE=messages asks for them.
  static const bool trace = [] {
    const char* setting = std::getenv("OM_TRACE");
    return setting != nullptr && std::strcmp(setting, "messages") == 0;
  }();
  if (trace)
    std::fprintf(stderr, "om: %*s%p %04x %llx %llx\n", 2 * sendDepth_, "",
                 static_cast<void*>(window->handle), message,
                 static_cast<unsigned long long>(wParam), static_cast<unsigned long long>(lParam));
  ++sendDepth_;
  const LRESULT result = window->procedure(window->handle, message, wParam, lParam);
  --sendDepth_;
  return result;
}

Window* WindowManager::topLevelOf(Window* window) const
{
  while (window != nullptr && window->parent != nullptr && window->parent != desktop_)
    window = window->parent;
  return window == desktop_ ? nullptr : window;
}

std::vector<Window*> WindowManager::topLevelWindows() const
{
  return desktop_->children;
}

Window* WindowManager::mainWindow() const
{
  Window* first = nullptr;
  // Handles are handed out in increasing order: the lowest is the one made first.
  for (Window* w : desktop_->children)
    if (w->owner == nullptr && !w->isChild() && !w->destroyed &&
        (first == nullptr || reinterpret_cast<std::uintptr_t>(w->handle) <
                                 reinterpret_cast<std::uintptr_t>(first->handle)))
      first = w;
  return first;
}

void WindowManager::collect(Window* root, std::vector<Window*>& out) const
{
  out.push_back(root);
  for (Window* child : root->children)
    collect(child, out);
}

bool WindowManager::isDescendant(const Window* ancestor, const Window* window) const
{
  for (; window != nullptr; window = window->parent)
    if (window == ancestor) return true;
  return false;
}

bool WindowManager::isShownOnScreen(const Window* window) const
{
  for (; window != nullptr && window != desktop_; window = window->parent)
    if (!window->isVisible()) return false;
  return window == desktop_;
}

// ---------------------------------------------------------------- geometry

RECT WindowManager::nonClientInsets(DWORD style, DWORD exStyle, bool hasMenu)
{
  (void)exStyle;
  int frame = 0;
  if (style & WS_THICKFRAME)
    frame = metrics::kSizingFrame;
  else if (style & WS_DLGFRAME)
    frame = metrics::kDialogFrame;
  else if (style & WS_BORDER)
    frame = metrics::kBorder;
  RECT insets{frame, frame, frame, frame};
  if ((style & WS_CAPTION) == WS_CAPTION) insets.top += metrics::kCaption;
  if (hasMenu && !(style & WS_CHILD)) insets.top += metrics::kMenuBar;
  return insets;
}

RECT WindowManager::clientRectInWindow(const Window* w) const
{
  const LONG width = w->rect.right - w->rect.left;
  const LONG height = w->rect.bottom - w->rect.top;
  if (w == desktop_) return RECT{0, 0, width, height};
  if (w->isMinimized()) return RECT{0, 0, 0, 0};
  const RECT in = nonClientInsets(w->style, w->exStyle, w->menu != nullptr);
  RECT client{in.left, in.top, width - in.right, height - in.bottom};
  client.right = std::max(client.right, client.left);
  client.bottom = std::max(client.bottom, client.top);
  return client;
}

RECT WindowManager::windowRectOnScreen(const Window* w) const
{
  if (w == desktop_ || w->parent == nullptr) return w->rect;
  const POINT origin = clientOrigin(w->parent);
  return RECT{w->rect.left + origin.x, w->rect.top + origin.y, w->rect.right + origin.x,
              w->rect.bottom + origin.y};
}

RECT WindowManager::clientRectOnScreen(const Window* w) const
{
  const RECT outer = windowRectOnScreen(w);
  const RECT client = clientRectInWindow(w);
  return RECT{outer.left + client.left, outer.top + client.top, outer.left + client.right,
              outer.top + client.bottom};
}

POINT WindowManager::clientOrigin(const Window* w) const
{
  if (w == nullptr || w == desktop_) return POINT{0, 0};
  const RECT client = clientRectOnScreen(w);
  return POINT{client.left, client.top};
}

RECT WindowManager::screenRect() const
{
  const omhost::ScreenBuffer& screen = omhost::host().screen();
  return RECT{0, 0, screen.width, screen.height};
}

int WindowManager::hitTest(const Window* w, POINT p) const
{
  const RECT outer = windowRectOnScreen(w);
  if (!inside(outer, p)) return HTNOWHERE;
  if (w->isMinimized()) return HTCAPTION;
  const RECT client = clientRectOnScreen(w);
  if (inside(client, p)) return HTCLIENT;
  const RECT in = nonClientInsets(w->style, w->exStyle, false);
  const int frame = in.left;
  const bool left = p.x < outer.left + frame, right = p.x >= outer.right - frame;
  const bool top = p.y < outer.top + frame, bottom = p.y >= outer.bottom - frame;
  if (left || right || top || bottom) {
    if (!(w->style & WS_THICKFRAME)) return HTBORDER;
    if (top) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
    if (bottom) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
    return left ? HTLEFT : HTRIGHT;
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION && p.y < outer.top + frame + metrics::kCaption) {
    int buttonRight = outer.right - frame;
    if (w->style & WS_SYSMENU) {
      if (p.x < outer.left + frame + metrics::kCaptionButton) return HTSYSMENU;
      if (p.x >= buttonRight - metrics::kCaptionButton) return HTCLOSE;
      buttonRight -= metrics::kCaptionButton;
      if (w->style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) {
        if (p.x >= buttonRight - metrics::kCaptionButton) return HTMAXBUTTON;
        if (p.x >= buttonRight - 2 * metrics::kCaptionButton) return HTMINBUTTON;
      }
    }
    return HTCAPTION;
  }
  return HTMENU;
}

Window* WindowManager::windowFromPoint(POINT p) const
{
  const Window* parent = desktop_;
  Window* found = nullptr;
  for (;;) {
    Window* hit = nullptr;
    for (Window* child : parent->children) {
      if (!child->isVisible()) continue;
      if (!inside(windowRectOnScreen(child), p)) continue;
      hit = child;
      break;
    }
    if (hit == nullptr) break;
    if ((hit->style & WS_DISABLED) && hit->isChild()) break;
    found = hit;
    if (!inside(clientRectOnScreen(hit), p)) break;
    parent = hit;
  }
  return found;
}

RegionData WindowManager::visibleRegion(const Window* w, bool clientOnly) const
{
  if (!isShownOnScreen(w)) return RegionData();
  RegionData region = regionOf(clientOnly ? clientRectOnScreen(w) : windowRectOnScreen(w));
  region = RegionData::combine(region, regionOf(screenRect()), RGN_AND);
  for (const Window* a = w->parent; a != nullptr && a != desktop_; a = a->parent)
    region = RegionData::combine(region, regionOf(clientRectOnScreen(a)), RGN_AND);
  for (const Window* c = w; c != desktop_ && c->parent != nullptr; c = c->parent) {
    if (c->parent != desktop_ && !(c->style & WS_CLIPSIBLINGS)) continue;
    for (const Window* sibling : c->parent->children) {
      if (sibling == c) break;
      if (sibling->isVisible())
        region = RegionData::combine(region, regionOf(windowRectOnScreen(sibling)), RGN_DIFF);
    }
  }
  if (w->style & WS_CLIPCHILDREN)
    for (const Window* child : w->children)
      if (child->isVisible())
        region = RegionData::combine(region, regionOf(windowRectOnScreen(child)), RGN_DIFF);
  return region;
}

// ---------------------------------------------------------------- changes

WindowManager::Snapshot WindowManager::snapshot() const
{
  std::vector<Window*> all;
  collect(desktop_, all);
  Snapshot shot;
  shot.reserve(all.size());
  for (Window* w : all)
    if (w != desktop_) shot.emplace_back(w, visibleRegion(w, false));
  return shot;
}

// Every window gets what became visible of it, and what another window left, as update
// region to repaint with erasing; an uncovered frame waits for WM_NCPAINT.
std::vector<HWND> WindowManager::exposeChanges(const Snapshot& before, const RegionData& vacated)
{
  std::vector<HWND> exposedWindows;
  std::vector<Window*> all;
  collect(desktop_, all);
  for (Window* w : all) {
    if (w == desktop_ || w->destroyed) continue;
    const RegionData now = visibleRegion(w, false);
    if (now.isEmpty()) continue;
    RegionData exposed = RegionData::combine(now, vacated, RGN_AND);
    const auto old = std::find_if(before.begin(), before.end(),
                                  [w](const auto& entry) { return entry.first == w; });
    exposed = RegionData::combine(
        exposed, old == before.end() ? now : RegionData::combine(now, old->second, RGN_DIFF),
        RGN_OR);
    if (exposed.isEmpty()) continue;
    const RegionData client = visibleRegion(w, true);
    if (hasNonClientArea(w) && !RegionData::combine(exposed, client, RGN_DIFF).isEmpty())
      w->framePending = true;
    exposed = RegionData::combine(exposed, client, RGN_AND);
    if (!exposed.isEmpty()) {
      const POINT origin = clientOrigin(w);
      exposed.offset(-origin.x, -origin.y);
      invalidate(w, &exposed, true, kNoChildren);
    }
    exposedWindows.push_back(w->handle);
  }
  return exposedWindows;
}

void WindowManager::placeInZOrder(Window* w, HWND insertAfter)
{
  auto& siblings = w->parent->children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
  if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
    siblings.insert(siblings.begin(), w);
  } else if (insertAfter == HWND_BOTTOM) {
    siblings.push_back(w);
  } else {
    Window* after = find(insertAfter);
    const auto it = std::find(siblings.begin(), siblings.end(), after);
    siblings.insert(it == siblings.end() ? siblings.begin() : it + 1, w);
  }
  if (w->parent == desktop_) keepOwnedAboveOwners();
}

// An owned window always lies above its owner: an owner that moves up takes the windows it
// owns along (in their order), and an owned window put below its owner comes back over it.
void WindowManager::keepOwnedAboveOwners()
{
  auto& order = desktop_->children;
  for (bool moved = true; moved;) {
    moved = false;
    for (auto it = order.begin(); it != order.end() && !moved; ++it) {
      Window* owner = (*it)->owner;
      if (owner == nullptr) continue;
      const auto ownerAt = std::find(order.begin(), it, owner);
      if (ownerAt == it) continue;  // the owner lies below it, as it should
      Window* owned = *it;
      order.erase(it);
      order.insert(std::find(order.begin(), order.end(), owner), owned);
      moved = true;
    }
  }
}

// Applies one position change after WM_WINDOWPOSCHANGING; answers whether the window still
// exists. The flags get the internal "client did not move / size" marks.
bool WindowManager::applyPosition(Window* w, WINDOWPOS& wp, RegionData& vacated)
{
  const HWND handle = w->handle;
  if (!(wp.flags & SWP_NOSENDCHANGING)) {
    send(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (find(handle) == nullptr) return false;
  }
  const RECT old = w->rect;
  const RECT oldClient = frameChange_.window == w ? frameChange_.client : clientRectOnScreen(w);
  const bool wasShown = isShownOnScreen(w) && !(wp.flags & SWP_NOREDRAW);
  const RegionData oldArea = wasShown ? visibleRegion(w, false) : RegionData();
  RECT r = old;
  if (!(wp.flags & SWP_NOMOVE)) {
    r.right = wp.x + (r.right - r.left);
    r.bottom = wp.y + (r.bottom - r.top);
    r.left = wp.x;
    r.top = wp.y;
  }
  if (!(wp.flags & SWP_NOSIZE)) {
    r.right = r.left + std::max(wp.cx, 0);
    r.bottom = r.top + std::max(wp.cy, 0);
  }
  w->rect = r;
  if (!(wp.flags & SWP_NOZORDER)) placeInZOrder(w, wp.hwndInsertAfter);
  if (wp.flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (wp.flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
  // What the window no longer covers shows what lies below it.
  if (wasShown) {
    const RegionData left =
        isShownOnScreen(w) ? RegionData::combine(oldArea, regionOf(windowRectOnScreen(w)), RGN_DIFF)
                           : oldArea;
    vacated = RegionData::combine(vacated, left, RGN_OR);
  }
  const RECT newClient = clientRectOnScreen(w);
  const bool clientMoved = newClient.left != oldClient.left || newClient.top != oldClient.top;
  const bool clientSized = newClient.right - newClient.left != oldClient.right - oldClient.left ||
                           newClient.bottom - newClient.top != oldClient.bottom - oldClient.top;
  if (!clientMoved) wp.flags |= kNoClientMove;
  if (!clientSized) wp.flags |= kNoClientSize;
  // A moved or resized window is repainted whole (its old pixels are not carried along).
  if ((clientMoved || clientSized) && !(wp.flags & SWP_NOREDRAW))
    invalidate(w, nullptr, true, kAllChildren);
  if ((clientMoved || clientSized || (wp.flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED))) &&
      !(wp.flags & SWP_NOREDRAW) && hasNonClientArea(w))
    w->framePending = true;
  wp.x = r.left;
  wp.y = r.top;
  wp.cx = r.right - r.left;
  wp.cy = r.bottom - r.top;
  return true;
}

bool WindowManager::setWindowPos(Window* w, HWND insertAfter, int x, int y, int cx, int cy,
                                 UINT flags)
{
  if (w == nullptr || w == desktop_) return false;
  WINDOWPOS wp{w->handle, insertAfter, x, y, cx, cy, flags};
  return deferredPositions({wp});
}

bool WindowManager::deferredPositions(const std::vector<WINDOWPOS>& batch)
{
  const Snapshot before = snapshot();
  RegionData vacated;
  std::vector<WINDOWPOS> done;
  for (WINDOWPOS wp : batch) {
    Window* w = find(wp.hwnd);
    if (w == nullptr || w == desktop_) continue;
    if (!applyPosition(w, wp, vacated)) continue;
    done.push_back(wp);
  }
  // Frames and backgrounds are drawn before the change is announced, as Windows does; the
  // client areas are painted at the next WM_PAINT.
  const std::vector<HWND> exposed = exposeChanges(before, vacated);
  for (const WINDOWPOS& wp : done)
    if (Window* w = find(wp.hwnd); w != nullptr && !(wp.flags & SWP_NOREDRAW))
      paintNow(w, true, true);
  for (const HWND handle : exposed)
    if (Window* w = find(handle)) paintNow(w, false, true);
  for (WINDOWPOS& wp : done) {
    Window* w = find(wp.hwnd);
    if (w == nullptr) continue;
    send(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    w = find(wp.hwnd);
    if (w != nullptr && !(wp.flags & SWP_NOACTIVATE) && !w->isChild() && w->isVisible())
      activate(w, WA_ACTIVE);
    if (w != nullptr && (wp.flags & SWP_HIDEWINDOW) && isDescendant(w, active_))
      activateNextAfter(w);
  }
  return true;
}

// After creation WM_SIZE comes before WM_MOVE (the default WM_WINDOWPOSCHANGED sends them the
// other way round).
void WindowManager::sendSizeAndMove(Window* w)
{
  const HWND handle = w->handle;
  const RECT client = clientRectInWindow(w);
  const WPARAM kind = w->isMinimized()   ? SIZE_MINIMIZED
                      : w->isMaximized() ? SIZE_MAXIMIZED
                                         : SIZE_RESTORED;
  send(w, WM_SIZE, kind, packPoint(client.right - client.left, client.bottom - client.top));
  w = find(handle);
  if (w == nullptr) return;
  const POINT origin = clientOrigin(w);
  const POINT parentOrigin = clientOrigin(w->parent);
  send(w, WM_MOVE, 0, packPoint(origin.x - parentOrigin.x, origin.y - parentOrigin.y));
}

bool WindowManager::showWindow(Window* w, int command)
{
  if (w == nullptr || w == desktop_) return false;
  const HWND handle = w->handle;
  const bool wasVisible = w->isVisible();
  const UINT keep = SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE;
  // ShowWindow, unlike SetWindowPos, announces a change of visibility first.
  bool showing = true;
  switch (command) {
    case SW_HIDE:
      showing = false;
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
    case SW_MAXIMIZE:
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
    case SW_SHOW:
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
      break;
    default:
      return wasVisible;
  }
  if (showing != wasVisible) {
    send(w, WM_SHOWWINDOW, showing ? TRUE : FALSE, 0);
    if ((w = find(handle)) == nullptr) return wasVisible;
  }
  switch (command) {
    case SW_HIDE:
      if (wasVisible) setWindowPos(w, nullptr, 0, 0, 0, 0, keep | SWP_NOACTIVATE | SWP_HIDEWINDOW);
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      minimize(w);
      if ((w = find(handle)) == nullptr) break;
      if (!w->isVisible())
        setWindowPos(w, nullptr, 0, 0, 0, 0, keep | SWP_NOACTIVATE | SWP_SHOWWINDOW);
      if (command == SW_MINIMIZE && (w = find(handle)) != nullptr && isDescendant(w, active_))
        activateNextAfter(w);
      break;
    case SW_MAXIMIZE:
      maximize(w);
      if ((w = find(handle)) != nullptr && !w->isVisible())
        setWindowPos(w, nullptr, 0, 0, 0, 0, keep | SWP_SHOWWINDOW);
      else if (w != nullptr && !w->isChild())
        activate(w, WA_ACTIVE);
      break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
      if (w->isMinimized() || w->isMaximized()) restore(w);
      if ((w = find(handle)) == nullptr) break;
      setWindowPos(w, nullptr, 0, 0, 0, 0, keep | (wasVisible ? 0 : SWP_SHOWWINDOW));
      break;
    case SW_SHOW:
      setWindowPos(w, nullptr, 0, 0, 0, 0, keep | (wasVisible ? 0 : SWP_SHOWWINDOW));
      break;
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
      if (command == SW_SHOWNOACTIVATE && (w->isMinimized() || w->isMaximized())) restore(w);
      if ((w = find(handle)) != nullptr && !w->isVisible())
        setWindowPos(w, nullptr, 0, 0, 0, 0, keep | SWP_NOACTIVATE | SWP_SHOWWINDOW);
      break;
    default:
      return wasVisible;
  }
  return wasVisible;
}

void WindowManager::minimize(Window* w)
{
  if (w->isMinimized()) return;
  if (!w->isMaximized()) w->normalRect = w->rect;
  w->restoreToMaximized = w->isMaximized();
  const HWND handle = w->handle;
  if (w == capture_) releaseCapture();
  w->style = (w->style & ~WS_MAXIMIZE) | WS_MINIMIZE;
  InstanceRegistry::instance().setIconic(handle, true);
  POINT place{-32000, -32000};
  if (w->isChild()) {
    const RECT parentClient = clientRectInWindow(w->parent);
    place = POINT{0, parentClient.bottom - parentClient.top - metrics::kMinimizedHeight};
  }
  setWindowPos(w, nullptr, place.x, place.y, metrics::kMinimizedWidth, metrics::kMinimizedHeight,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  if ((w = find(handle)) != nullptr && w->isChild()) arrangeIconicWindows(w->parent);
}

void WindowManager::maximize(Window* w)
{
  const RECT parentClient = clientRectInWindow(w->isChild() ? w->parent : desktop_);
  const RECT in = nonClientInsets(w->style, w->exStyle, false);
  MINMAXINFO info{};
  info.ptMaxSize = POINT{parentClient.right - parentClient.left + in.left + in.right,
                         parentClient.bottom - parentClient.top + in.left + in.right};
  info.ptMaxPosition = POINT{-in.left, -in.left};
  info.ptMinTrackSize = POINT{metrics::kMinimumTrackWidth, metrics::kMinimumTrackHeight};
  info.ptMaxTrackSize = info.ptMaxSize;
  const HWND handle = w->handle;
  send(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  if ((w = find(handle)) == nullptr) return;
  if (!w->isMinimized() && !w->isMaximized()) w->normalRect = w->rect;
  InstanceRegistry::instance().setIconic(handle, false);
  w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE;
  setWindowPos(w, nullptr, info.ptMaxPosition.x, info.ptMaxPosition.y, info.ptMaxSize.x,
               info.ptMaxSize.y, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void WindowManager::restore(Window* w)
{
  InstanceRegistry::instance().setIconic(w->handle, false);
  if (w->isMinimized() && w->restoreToMaximized) {
    // Marked maximised first so that the minimised place is not taken as the normal one.
    w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE;
    w->restoreToMaximized = false;
    maximize(w);
    return;
  }
  w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
  const RECT r = w->normalRect;
  setWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void WindowManager::setMenu(Window* w, HMENU menu)
{
  frameChange_ = FrameChange{w, clientRectOnScreen(w)};
  w->menu = menu;
  setWindowPos(w, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  frameChange_ = FrameChange{};
}

void WindowManager::arrangeIconicWindows(Window* parent)
{
  if (parent == nullptr) return;
  const RECT client = clientRectInWindow(parent);
  int x = 0;
  std::vector<WINDOWPOS> batch;
  for (Window* child : parent->children) {
    if (!child->isMinimized()) continue;
    batch.push_back(WINDOWPOS{child->handle, nullptr, x,
                              client.bottom - client.top - metrics::kMinimizedHeight, 0, 0,
                              SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE});
    x += metrics::kMinimizedWidth;
  }
  deferredPositions(batch);
}

// ---------------------------------------------------------------- painting

void WindowManager::invalidate(Window* w, const RegionData* area, bool erase, int childMode)
{
  if (w == nullptr || w == desktop_) return;
  const RECT client = clientRectInWindow(w);
  RegionData whole =
      RegionData::rectangle(0, 0, client.right - client.left, client.bottom - client.top);
  RegionData add = area != nullptr ? RegionData::combine(whole, *area, RGN_AND) : whole;
  if (!add.isEmpty()) {
    w->update = RegionData::combine(w->update, add, RGN_OR);
    w->erasePending = w->erasePending || erase;
  }
  const bool children =
      childMode == kAllChildren || (childMode == kChildrenByStyle && !(w->style & WS_CLIPCHILDREN));
  if (!children) return;
  const POINT origin = clientOrigin(w);
  for (Window* child : w->children) {
    if (!child->isVisible()) continue;
    const POINT childOrigin = clientOrigin(child);
    RegionData childArea = add;
    childArea.offset(origin.x - childOrigin.x, origin.y - childOrigin.y);
    invalidate(child, &childArea, erase, childMode);
  }
}

void WindowManager::validate(Window* w, const RegionData* area, int childMode)
{
  if (w == nullptr || w == desktop_) return;
  if (area == nullptr) {
    w->update = RegionData();
    w->erasePending = false;
  } else {
    w->update = RegionData::combine(w->update, *area, RGN_DIFF);
    if (w->update.isEmpty()) w->erasePending = false;
  }
  const bool children =
      childMode == kAllChildren || (childMode == kChildrenByStyle && !(w->style & WS_CLIPCHILDREN));
  if (!children) return;
  const POINT origin = clientOrigin(w);
  for (Window* child : w->children) {
    if (area == nullptr) {
      validate(child, nullptr, childMode);
      continue;
    }
    const POINT childOrigin = clientOrigin(child);
    RegionData childArea = *area;
    childArea.offset(origin.x - childOrigin.x, origin.y - childOrigin.y);
    validate(child, &childArea, childMode);
  }
}

bool WindowManager::needsPaint(const Window* w) const
{
  return !w->update.isEmpty() || w->internalPaint || w->framePending;
}

bool WindowManager::hasNonClientArea(const Window* w)
{
  const RECT in = nonClientInsets(w->style, w->exStyle, w->menu != nullptr && !w->isChild());
  return in.left != 0 || in.top != 0 || in.right != 0 || in.bottom != 0;
}

Window* WindowManager::windowToPaint(const Window* filter) const
{
  std::vector<Window*> all;
  collect(desktop_, all);
  for (Window* w : all) {
    if (w == desktop_ || !needsPaint(w) || !isShownOnScreen(w)) continue;
    if (filter != nullptr && !isDescendant(filter, w)) continue;
    return w;
  }
  return nullptr;
}

void WindowManager::paintNow(Window* w, bool children, bool eraseOnly)
{
  if (w == nullptr) return;
  const HWND handle = w->handle;
  if (w != desktop_ && isShownOnScreen(w)) {
    if (eraseOnly) {
      if (w->framePending) {
        w->framePending = false;
        send(w, WM_NCPAINT, 1, 0);
        if ((w = find(handle)) == nullptr) return;
      }
      if (w->erasePending) {
        RegionData area = w->update;
        const POINT origin = clientOrigin(w);
        area.offset(origin.x, origin.y);
        area = RegionData::combine(area, visibleRegion(w, true), RGN_AND);
        const HDC dc = omgdi::createWindowDC(handle, origin, std::move(area), false);
        if (send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) != 0) {
          if ((w = find(handle)) != nullptr) w->erasePending = false;
        }
        omgdi::releaseWindowDC(dc);
      }
    } else if (needsPaint(w)) {
      send(w, WM_PAINT, 0, 0);
    }
  }
  if (!children || (w = find(handle)) == nullptr) return;
  const std::vector<Window*> kids = w->children;
  for (Window* child : kids)
    if (find(child->handle) != nullptr) paintNow(child, true, eraseOnly);
}

// ---------------------------------------------------------------- activation

void WindowManager::activate(Window* w, int how)
{
  w = topLevelOf(w);
  if (w != nullptr && (w->destroyed || !w->isVisible())) return;
  if (w == active_) return;
  Window* old = active_;
  const bool appWasActive = appActive_;
  active_ = w;
  if (old != nullptr) {
    send(old, WM_NCACTIVATE, FALSE, 0);
    send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, old->isMinimized() ? 1 : 0),
         reinterpret_cast<LPARAM>(w != nullptr ? w->handle : nullptr));
  }
  if (w == nullptr) {
    if (appWasActive) {
      appActive_ = false;
      for (Window* top : topLevelWindows())
        send(top, WM_ACTIVATEAPP, FALSE, 0);
    }
    if (focus_ != nullptr) {
      Window* leaving = focus_;
      focus_ = nullptr;
      send(leaving, WM_KILLFOCUS, 0, 0);
    }
    return;
  }
  lastActive_ = w;
  if (w->owner != nullptr) w->owner->lastActivePopup = w->handle;
  const HWND handle = w->handle;
  {
    const Snapshot before = snapshot();
    placeInZOrder(w, HWND_TOP);
    exposeChanges(before, RegionData());
  }
  if (!appWasActive) {
    appActive_ = true;
    for (Window* top : topLevelWindows())
      send(top, WM_ACTIVATEAPP, TRUE, 0);
  }
  if ((w = find(handle)) == nullptr || active_ != w) return;
  send(w, WM_NCACTIVATE, TRUE, 0);
  if ((w = find(handle)) == nullptr || active_ != w) return;
  send(w, WM_ACTIVATE, MAKEWPARAM(how, w->isMinimized() ? 1 : 0),
       reinterpret_cast<LPARAM>(old != nullptr && !old->destroyed ? old->handle : nullptr));
}

namespace {
void (*activationListener)(bool gained) = nullptr;
}

void WindowManager::setHostActivationListener(void (*listener)(bool gained))
{
  activationListener = listener;
}

void WindowManager::hostActivation(bool gained)
{
  if (!gained) {
    if (active_ != nullptr) lastActive_ = active_;
    activate(nullptr, WA_INACTIVE);
    if (activationListener != nullptr) activationListener(false);
    return;
  }
  if (activationListener != nullptr) activationListener(true);
  Window* target = lastActive_;
  if (target == nullptr || target->destroyed || !target->isVisible()) {
    target = nullptr;
    for (Window* top : topLevelWindows())
      if (top->isVisible()) {
        target = top;
        break;
      }
  }
  if (target != nullptr) activate(target, WA_ACTIVE);
}

void WindowManager::activateNextAfter(Window* leaving)
{
  Window* next = nullptr;
  if (leaving->owner != nullptr && leaving->owner->isVisible() && !leaving->owner->destroyed)
    next = leaving->owner;
  for (Window* top : topLevelWindows()) {
    if (next != nullptr) break;
    if (top != leaving && top->isVisible() && !top->destroyed && !top->isMinimized()) next = top;
  }
  if (next == nullptr) {
    // Nothing of ours is left to activate: the program becomes inactive.
    activate(nullptr, WA_INACTIVE);
    return;
  }
  activate(next, WA_ACTIVE);
}

Window* WindowManager::setFocus(Window* w)
{
  Window* previous = focus_;
  if (w == focus_) return previous;
  if (w != nullptr) {
    if (w->destroyed || (w->style & WS_DISABLED)) return nullptr;
    Window* top = topLevelOf(w);
    if (top != active_) activate(top, WA_ACTIVE);
    if (w->destroyed || focus_ == w) return previous;
    previous = focus_;
  }
  focus_ = w;
  if (previous != nullptr && !previous->destroyed)
    send(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(w != nullptr ? w->handle : nullptr), 0);
  if (w != nullptr && focus_ == w)
    send(w, WM_SETFOCUS,
         reinterpret_cast<WPARAM>(previous != nullptr && !previous->destroyed ? previous->handle
                                                                              : nullptr),
         0);
  return previous;
}

Window* WindowManager::setCapture(Window* w)
{
  Window* previous = capture_;
  capture_ = w;
  if (previous != nullptr && previous != w)
    send(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(w->handle));
  return previous;
}

void WindowManager::releaseCapture()
{
  Window* previous = capture_;
  if (previous == nullptr) return;
  capture_ = nullptr;
  send(previous, WM_CAPTURECHANGED, 0, 0);
}

}  // namespace omuser

namespace omuser {
namespace {

// The session reset and key names the hosts use, registered when this layer starts.
void resetSession()
{
  WindowManager::instance().reset();
  MessageQueue::instance().reset();
  resetCursorState();
  // A test's windows stay private to its process unless the test publishes them itself.
  InstanceRegistry::instance().setEnabled(false);
}

const bool hooksRegistered = [] {
  omhost::WindowLayerHooks hooks;
  hooks.resetSession = &resetSession;
  hooks.virtualKeyFromName = &KeyboardLayout::virtualKeyFromName;
  omhost::setWindowLayerHooks(hooks);
  return true;
}();

}  // namespace

}  // namespace omuser
