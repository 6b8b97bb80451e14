#include "framework/OMWindow.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "framework/OMApp.h"
#include "framework/OMCursor.h"
#include "framework/OMEdition.h"
#include "framework/OMMenubar.h"
#include "framework/OMNControl.h"
#include "framework/OMSystem.h"
#include "framework/OMWndCanvas.h"

namespace {

std::vector<OMWindow*> allWindows;
OMWindow* active = nullptr;
bool captured = false;
// A maximize, restore, move or size command in progress, and one that started minimized.
bool systemCommand = false;
bool fromMinimized = false;
HICON questionIcon = nullptr;

constexpr DWORD kindStyles[4] = {0x44000000, 0x44800000, 0x44CA0000, 0x44CF0000};
constexpr int objectWord = 0;
constexpr int markerWord = static_cast<int>(sizeof(LONG_PTR));

LONG_PTR classMarker()
{
  LONG_PTR marker = 0;
  std::memcpy(&marker, OMWindow::childClassName(), 4);
  return marker;
}

void registerChildClass()
{
  questionIcon = LoadIconA(nullptr, IDI_QUESTION);
  WNDCLASSEXA c{};
  c.cbSize = sizeof c;
  c.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | CS_OWNDC;
  c.lpfnWndProc = &OMWindow::windowProc;
  c.cbWndExtra = 2 * sizeof(LONG_PTR);
  c.hInstance = OMApp::programInstance();
  c.hCursor = nullptr;
  c.lpszClassName = OMWindow::childClassName();
  RegisterClassExA(&c);
}

bool isUsingDirectDraw()
{
  return OMApp::instance() && OMApp::instance()->directDraw2();
}

}  // namespace

const char* OMWindow::childClassName()
{
  return OMEdition::isGame() ? "OM++OMWindowChildClass" : "OMWindowChildClass";
}

OMWindow* OMWindow::activeWindow()
{
  return active;
}

const std::vector<OMWindow*>& OMWindow::windows()
{
  return allWindows;
}

bool OMWindow::isMouseCaptured()
{
  return captured;
}

void OMWindow::releaseMouseCapture()
{
  if (!captured) return;
  captured = false;
  ReleaseCapture();
}

OMWindow* OMWindow::fromHandle(HWND window)
{
  if (!window || GetWindowLongPtrA(window, markerWord) != classMarker()) return nullptr;
  return reinterpret_cast<OMWindow*>(GetWindowLongPtrA(window, objectWord));
}

OMWindow::OMWindow(const OMRect& rect, int kind, int adjust, Placement placement)
    : onScreen_(placement == Placement::onScreen)
{
  OMApp* app = OMApp::instance();
  if (allWindows.empty()) registerChildClass();
  const bool directDraw = isUsingDirectDraw();
  kind_ = directDraw ? 0 : std::clamp(kind, 0, 3);
  // A window of its own on the screen is a popup: a child needs a parent.
  const DWORD style = onScreen_ ? (kindStyles[kind_] & ~WS_CHILD) | WS_POPUP : kindStyles[kind_];
  RECT area{rect.left(), rect.top(), rect.right(), rect.bottom()};
  if (directDraw) {
    area = RECT{0, 0, app->frameRect().width(), app->frameRect().height()};
    AdjustWindowRect(&area, style, FALSE);
  } else if (adjust == 1) {
    AdjustWindowRect(&area, style, FALSE);
  }
  HWND parent = app && !onScreen_ ? app->frameWindow() : nullptr;
  window_ = CreateWindowExA(0, childClassName(), nullptr, style, area.left, area.top,
                            area.right - area.left, area.bottom - area.top, parent, nullptr,
                            OMApp::programInstance(), nullptr);
  if (window_) {
    SetWindowLongPtrA(window_, objectWord, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_, markerWord, classMarker());
  }
  if (window_ && kind_ >= 2) {
    HMENU menu = GetSystemMenu(window_, FALSE);
    if (menu) {
      while (GetMenuItemCount(menu) > 0)
        DeleteMenu(menu, 0, MF_BYPOSITION);
      const UINT grey = kind_ == 2 ? MF_GRAYED : MF_ENABLED;
      AppendMenuA(menu, MF_STRING | MF_GRAYED, SC_RESTORE, "&Restore");
      AppendMenuA(menu, MF_STRING | grey, SC_MOVE, "&Move");
      AppendMenuA(menu, MF_STRING | grey, SC_SIZE, "&Size");
      AppendMenuA(menu, MF_STRING, SC_MINIMIZE, "Mi&nimize");
      AppendMenuA(menu, MF_STRING | grey, SC_MAXIMIZE, "Ma&ximize");
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(menu, MF_STRING, SC_CLOSE, "&Close           Ctrl-F4");
    }
  }
  canvas_ = std::make_unique<OMWndCanvas>(this);
  allWindows.push_back(this);
}

OMWindow::~OMWindow()
{
  for (OMNControl* control : std::exchange(controls_, {}))
    control->ownerDestroyed();
  for (const Subclassed& entry : subclassed_)
    if (IsWindow(entry.control))
      SetWindowLongPtrA(entry.control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry.original));
  subclassed_.clear();
  std::erase(allWindows, this);
  canvas_.reset();
  const bool wasActive = active == this;
  if (wasActive) active = nullptr;
  if (window_) {
    SetWindowLongPtrA(window_, markerWord, 0);
    DestroyWindow(window_);
  }
  window_ = nullptr;
  if (wasActive) {
    OMApp* app = OMApp::instance();
    HWND next = app ? GetWindow(app->frameWindow(), GW_CHILD) : nullptr;
    while (next && !IsWindowVisible(next))
      next = GetWindow(next, GW_HWNDNEXT);
    if (OMWindow* window = fromHandle(next))
      window->activate();
    else
      restack();
  }
  for (auto& link : links_)
    link.reset();
  if (allWindows.empty()) UnregisterClassA(childClassName(), OMApp::programInstance());
}

void OMWindow::callLink(Slot slot)
{
  if (!links_[slot]) return;
  // The link may be replaced while it runs (its owner let go of in the event it raised).
  const std::unique_ptr<OMLink> link = links_[slot]->clone();
  link->call();
}

void OMWindow::setLink(Slot slot, const OMLink* link)
{
  links_[slot] = cloneLink(link);
}

void OMWindow::activated()
{
  callLink(activatedSlot);
}
void OMWindow::close()
{
  callLink(closeSlot);
}
void OMWindow::deactivated()
{
  callLink(deactivatedSlot);
}
void OMWindow::paint()
{
  callLink(paintSlot);
}
void OMWindow::keyDown()
{
  callLink(keyDownSlot);
}
void OMWindow::keyUp()
{
  callLink(keyUpSlot);
}
void OMWindow::maximizedCommand()
{
  callLink(maximizedSlot);
}
void OMWindow::minimizedCommand()
{
  callLink(minimizedSlot);
}
void OMWindow::doubleClick()
{
  callLink(doubleClickSlot);
}
void OMWindow::mouseDown()
{
  callLink(mouseDownSlot);
}
void OMWindow::mouseMove()
{
  callLink(mouseMoveSlot);
}
void OMWindow::mouseUp()
{
  callLink(mouseUpSlot);
}
void OMWindow::moved()
{
  callLink(movedSlot);
}
void OMWindow::restored()
{
  callLink(restoredSlot);
}
void OMWindow::resized()
{
  callLink(resizedSlot);
}

void OMWindow::setPaintLink(const OMLink* link)
{
  setLink(paintSlot, link);
}
void OMWindow::setKeyDownLink(const OMLink* link)
{
  setLink(keyDownSlot, link);
}
void OMWindow::setKeyUpLink(const OMLink* link)
{
  setLink(keyUpSlot, link);
}
void OMWindow::setMouseDownLink(const OMLink* link)
{
  setLink(mouseDownSlot, link);
}
void OMWindow::setMouseMoveLink(const OMLink* link)
{
  setLink(mouseMoveSlot, link);
}

void OMWindow::addControl(OMNControl* control)
{
  if (control && std::find(controls_.begin(), controls_.end(), control) == controls_.end())
    controls_.push_back(control);
}

void OMWindow::removeControl(OMNControl* control)
{
  std::erase(controls_, control);
}

OMNControl* OMWindow::controlOf(LPARAM window) const
{
  const auto found = std::find_if(controls_.begin(), controls_.end(), [window](OMNControl* c) {
    return c->handle() && reinterpret_cast<LPARAM>(c->handle()) == window;
  });
  return found == controls_.end() ? nullptr : *found;
}

bool OMWindow::routeControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& answer)
{
  OMNControl* control = lParam ? controlOf(lParam) : nullptr;
  if (!control) return false;
  switch (message) {
    case WM_COMMAND:
      control->commanded(HIWORD(wParam));
      answer = 0;
      return true;
    case WM_HSCROLL:
    case WM_VSCROLL:
      control->scrolled(LOWORD(wParam));
      answer = 0;
      return true;
    default: {
      // A colour request: the control's own colours, or the default ones without a brush.
      HBRUSH brush = control->color(reinterpret_cast<HDC>(wParam));
      answer = reinterpret_cast<LRESULT>(brush);
      return brush != nullptr;
    }
  }
}

void OMWindow::activate()
{
  activationPending_ = false;
  if (active && active != this) active->deactivate();
  active = this;
  if (IsIconic(window_)) ShowWindow(window_, SW_SHOWNA);
  canvas_->realizePalette();
  ShowWindow(window_, SW_SHOWNA);
  auto it = std::find(allWindows.begin(), allWindows.end(), this);
  if (it != allWindows.end()) std::rotate(it, it + 1, allWindows.end());
  canvas_->realizePalette();
  if (!active_ && IsWindowVisible(window_)) {
    if (!(systemCommand && fromMinimized)) {
      OMCursor::effective().appActivated();
      activated();
    }
    active_ = true;
    // The window's own cursor comes back with it.
    if (OMCursor* cursor = canvas_->cursor()) cursor->makeCurrent(canvas_.get());
  }
  restack();
  SendMessageA(window_, WM_NCACTIVATE, TRUE, 0);
}

void OMWindow::deactivate()
{
  canvas_->releasePalette();
  if (active_) {
    if (!(systemCommand && fromMinimized)) {
      deactivated();
      OMCursor::effective().appDeactivated();
    }
    active_ = false;
  }
  restack();
}

void OMWindow::restack()
{
  if (allWindows.empty()) return;
  // Child windows draw no caption of their own accord: we say which one is active.
  for (OMWindow* window : allWindows)
    if (window->window_) SendMessageA(window->window_, WM_NCACTIVATE, FALSE, 0);
  HDWP batch = BeginDeferWindowPos(static_cast<int>(allWindows.size()));
  HWND after = HWND_TOP;
  // The last in the list is the most recently activated: it goes on top.
  for (auto it = allWindows.rbegin(); it != allWindows.rend(); ++it) {
    if (!(*it)->window_) continue;
    batch = DeferWindowPos(batch, (*it)->window_, after, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = (*it)->window_;
  }
  EndDeferWindowPos(batch);
}

OMPoint OMWindow::getMousePoint(int* buttons) const
{
  const OMPoint screen = getMouseState(buttons);
  POINT point{screen.x, screen.y};
  ScreenToClient(window_, &point);
  OMPoint result(point.x, point.y);
  filterMousePoint(result);
  return result;
}

OMRect OMWindow::getFrameRect() const
{
  RECT r;
  GetWindowRect(window_, &r);
  POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
  OMApp* app = OMApp::instance();
  MapWindowPoints(nullptr, app ? app->frameWindow() : nullptr, corners, 2);
  return OMRect(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
}

void OMWindow::setCursor(OMCursor* cursor)
{
  canvas_->setCursor(cursor);
}

OMWindow* OMWindow::nextVisibleInZOrder(const OMWindow* above)
{
  OMApp* app = OMApp::instance();
  HWND next = nullptr;
  if (above)
    next = above->window_ ? GetWindow(above->window_, GW_HWNDNEXT) : nullptr;
  else if (app && app->frameWindow())
    next = GetWindow(app->frameWindow(), GW_CHILD);
  for (; next; next = GetWindow(next, GW_HWNDNEXT))
    if (OMWindow* window = fromHandle(next); window && IsWindowVisible(next)) return window;
  return nullptr;
}

void OMWindow::setTitle(const char* text)
{
  SetWindowTextA(window_, text ? text : "");
}

std::string OMWindow::title() const
{
  char text[256] = "";
  GetWindowTextA(window_, text, sizeof text);
  return text;
}

void OMWindow::zoom()
{
  OMApp* app = OMApp::instance();
  if (zoomed_ || !app || !app->frameWindow()) return;
  restoreRect_ = getFrameRect();
  RECT client{};
  GetClientRect(app->frameWindow(), &client);
  zoomed_ = true;
  moveInFrame(OMRect(0, 0, client.right, client.bottom));
}

void OMWindow::restore()
{
  if (!zoomed_) return;
  zoomed_ = false;
  moveInFrame(restoreRect_);
}

void OMWindow::moveInFrame(const OMRect& rect)
{
  POINT corner{rect.left(), rect.top()};
  OMApp* app = OMApp::instance();
  if (onScreen_ && app) ClientToScreen(app->frameWindow(), &corner);
  MoveWindow(window_, corner.x, corner.y, rect.width(), rect.height(), TRUE);
}

WNDPROC OMWindow::subclassControl(HWND control, WNDPROC procedure)
{
  if (!control || !procedure) return nullptr;
  const auto original = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
  // A control subclassed twice gets its first procedure back.
  const bool known = std::any_of(subclassed_.begin(), subclassed_.end(),
                                 [control](const Subclassed& e) { return e.control == control; });
  if (!known) subclassed_.push_back(Subclassed{control, original});
  return original;
}

void OMWindow::routeMouseMessage(OMWindow* window, OMWindow* activeWindow,
                                 void (OMWindow::*operation)(), UINT message, WPARAM wParam,
                                 LPARAM lParam)
{
  OMApp* app = OMApp::instance();
  if (!app || !app->isActive() || !activeWindow || !activeWindow->active_) return;
  if (window != activeWindow) {
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    MapWindowPoints(window->window_, activeWindow->window_, &point, 1);
    PostMessageA(activeWindow->window_, message, wParam, MAKELPARAM(point.x, point.y));
    return;
  }
  switch (message) {
    case WM_MOUSEMOVE:
      (activeWindow->*operation)();
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      captured = true;
      SetCapture(activeWindow->window_);
      (activeWindow->*operation)();
      break;
    case WM_LBUTTONUP:
      if (!captured) break;
      // The operation may destroy the window: nothing of it is touched afterwards.
      (activeWindow->*operation)();
      releaseMouseCapture();
      break;
    default:
      break;
  }
}

void OMWindow::fillBackground(HDC dc)
{
  RECT client;
  GetClientRect(window_, &client);
  OMRGBColor color = IsIconic(window_) ? iconColor_ : canvas_->background();
  if (color.isNone()) return;
  OMWndCanvas* paletteSource = active ? active->canvas_.get() : canvas_.get();
  HPALETTE previous = nullptr;
  if (paletteSource->palette()) previous = SelectPalette(dc, paletteSource->palette(), TRUE);
  HBRUSH brush = CreateSolidBrush(canvas_->deviceColor(color));
  FillRect(dc, &client, brush);
  DeleteObject(brush);
  if (previous) SelectPalette(dc, previous, TRUE);
}

LRESULT CALLBACK OMWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  OMWindow* self = OMApp::instance() ? fromHandle(window) : nullptr;
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  return self->handle(message, wParam, lParam);
}

LRESULT OMWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
  OMApp* app = OMApp::instance();
  HWND window = window_;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      routeMouseMessage(this, active, &OMWindow::mouseDown, message, wParam, lParam);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      routeMouseMessage(this, active, &OMWindow::mouseUp, message, wParam, lParam);
      return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      routeMouseMessage(this, active, &OMWindow::doubleClick, message, wParam, lParam);
      return 0;
    case WM_MOUSEMOVE:
      routeMouseMessage(this, active, &OMWindow::mouseMove, message, wParam, lParam);
      return 0;
    case WM_NCMOUSEMOVE:
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONUP: {
      POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(window, &point);
      PostMessageA(window, message + 352, wParam, MAKELPARAM(point.x, point.y));
      return 0;
    }
    case WM_NCLBUTTONDOWN: {
      app->suspend();
      if (active != this) activate();
      const LRESULT answer = DefWindowProcA(window, message, wParam, lParam);
      app->resume();
      return answer;
    }
    case WM_MOUSEACTIVATE: {
      if (!app->isActive()) break;
      int buttons = 0;
      getMouseState(&buttons);
      if (buttons & 4) activate();
      // The frame is the active window and keeps the keyboard (and its menu bar with it); a
      // window on the screen taking the activation would only hand it back, the frame
      // coming up over it on the way.
      return onScreen_ ? MA_NOACTIVATE : MA_ACTIVATE;
    }
    case WM_MOVE: {
      const LRESULT answer = DefWindowProcA(window, message, wParam, lParam);
      moved();
      return answer;
    }
    case WM_SIZE: {
      const LRESULT answer = DefWindowProcA(window, message, wParam, lParam);
      resized();
      return answer;
    }
    case WM_SETFOCUS:
      activate();
      if (app->frameWindow()) SetFocus(app->frameWindow());
      return 0;
    case WM_CLOSE:
      if (kind_ >= 2) close();
      return 0;
    case WM_SYSCOMMAND: {
      const UINT command = static_cast<UINT>(wParam & 0xFFF0);
      if (command == SC_KEYMENU && lParam == '-' && kind_ <= 1) return 0;
      app->suspend();
      const bool tracked = command == SC_MAXIMIZE || command == SC_RESTORE || command == SC_MOVE ||
                           command == SC_SIZE;
      if (tracked) {
        systemCommand = true;
        fromMinimized = IsIconic(window) && (command == SC_RESTORE || command == SC_MAXIMIZE);
      }
      if (command == SC_MAXIMIZE) maximizedCommand();
      if (command == SC_RESTORE) restored();
      const LRESULT answer = DefWindowProcA(window, message, wParam, lParam);
      if (command == SC_MINIMIZE) {
        minimizedCommand();
        if (app->frameWindow()) ArrangeIconicWindows(app->frameWindow());
      }
      systemCommand = false;
      fromMinimized = false;
      app->resume();
      return answer;
    }
    case WM_PAINT: {
      if (app->directDraw2()) {
        ValidateRect(window, nullptr);
        if (canvas_->surfaceUsable()) paint();
        return 0;
      }
      // Drawing inside the paint reaches only what is being painted (the window's own context
      // stays narrowed to it until EndPaint).
      PAINTSTRUCT paintRecord;
      HDC dc = BeginPaint(window, &paintRecord);
      if (IsIconic(window))
        DrawIcon(dc, 0, 0, icon_ ? icon_ : questionIcon);
      else
        paint();
      EndPaint(window, &paintRecord);
      return 0;
    }
    case WM_ERASEBKGND:
      fillBackground(reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_SETCURSOR: {
      if (LOWORD(lParam) == HTCLIENT && !IsIconic(window)) {
        if (canvas_->cursorHidden()) {
          SetCursor(nullptr);
          return TRUE;
        }
        OMCursor* cursor = active ? active->canvas_->cursor() : nullptr;
        SetCursor(cursor ? cursor->handle() : LoadCursorA(nullptr, IDC_ARROW));
        return TRUE;
      }
      break;
    }
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      RECT client{};
      if (app->frameWindow()) GetClientRect(app->frameWindow(), &client);
      DefWindowProcA(window, message, wParam, lParam);
      info->ptMaxSize.x = client.right - 2 * info->ptMaxPosition.x;
      info->ptMaxSize.y = client.bottom - 2 * info->ptMaxPosition.y;
      return 0;
    }
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(icon_ ? icon_ : questionIcon);
    case WM_WINDOWPOSCHANGING: {
      auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
      if (position && systemCommand) position->flags |= SWP_NOZORDER;
      break;
    }
    case WM_PARENTNOTIFY: {
      const UINT event = LOWORD(wParam);
      if (event == WM_LBUTTONDOWN || event == WM_RBUTTONDOWN || event == WM_MBUTTONDOWN) {
        const OMPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        const auto hit = std::find_if(controls_.begin(), controls_.end(), [&](OMNControl* c) {
          return !c->bounds().isEmpty() && c->bounds().containsPoint(point);
        });
        if (hit != controls_.end() && (*hit)->isEnabled()) (*hit)->clicked();
      }
      return 0;
    }
    case WM_COMMAND:
      if (lParam == 0) {
        dispatchMenuCommand(LOWORD(wParam));
        return 0;
      }
      [[fallthrough]];
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      LRESULT answer = 0;
      if (routeControlMessage(message, wParam, lParam, answer)) return answer;
      break;
    }
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
