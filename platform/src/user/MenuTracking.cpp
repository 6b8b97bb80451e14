// The modal menu loop: the bar, the window menu and popups tracked by keyboard and mouse.
#include "platform/src/user/MenuTracking.h"

#include <cctype>
#include <unordered_map>
#include <vector>

#include "platform/src/user/Menu.h"
#include "platform/src/user/NonClient.h"
#include "platform/src/user/SystemMetrics.h"
#include "platform/src/user/Window.h"
#include "platform/src/user/WindowManager.h"

namespace omuser {
namespace {

WindowManager& wm()
{
  return WindowManager::instance();
}

constexpr char kPopupClass[] = "#32768";

struct PopupState {
  HMENU menu = nullptr;
  int selected = -1;
};

std::unordered_map<HWND, PopupState>& popupStates()
{
  static std::unordered_map<HWND, PopupState> states;
  return states;
}

LRESULT CALLBACK popupProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    const auto it = popupStates().find(window);
    if (it != popupStates().end()) drawPopup(dc, it->second.menu, it->second.selected);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return DefWindowProcA(window, message, wParam, lParam);
}

// Registered on each use: a new session starts with no classes (a second registration fails
// harmlessly).
void registerPopupClass()
{
  WNDCLASSA wc{};
  wc.style = CS_SAVEBITS;
  wc.lpfnWndProc = popupProcedure;
  wc.lpszClassName = kPopupClass;
  RegisterClassA(&wc);
}

bool selectable(const MenuItem& item)
{
  return !(item.flags & MF_SEPARATOR);
}

bool usable(const MenuItem& item)
{
  return !(item.flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR));
}

char accessLetter(const std::string& text)
{
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&')
      return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    ++i;
  }
  return 0;
}

bool inside(const RECT& r, POINT p)
{
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

class MenuLoop {
 public:
  MenuLoop(Window* owner, const MenuStart& start)
      : owner_(owner->handle), start_(start), popupMode_(start.kind == MenuStart::Popup)
  {
    if (start.kind == MenuStart::Keyboard || start.kind == MenuStart::Mouse) bar_ = owner->menu;
    if (start.kind == MenuStart::System) systemMenu_ = GetSystemMenu(owner_, FALSE);
  }

  UINT run()
  {
    const HMENU first = popupMode_ ? start_.popup : bar_ != nullptr ? bar_ : systemMenu_;
    if (first == nullptr || MenuTable::instance().find(first) == nullptr) return 0;
    const bool notify = !(start_.flags & TPM_NONOTIFY);
    if (notify) send(WM_ENTERMENULOOP, popupMode_ ? TRUE : FALSE, 0);
    if (notify) send(WM_INITMENU, reinterpret_cast<WPARAM>(first), 0);
    begin();
    while (!done_ && IsWindow(owner_))
      step();
    finish(notify);
    return command_;
  }

 private:
  struct Level {
    HMENU menu = nullptr;
    HWND window = nullptr;
    RECT rect{};  // on the screen
  };

  LRESULT send(UINT message, WPARAM wParam, LPARAM lParam)
  {
    return SendMessageA(owner_, message, wParam, lParam);
  }

  Window* owner() const { return wm().find(owner_); }
  bool fromSystemMenu() const { return systemMenu_ != nullptr; }
  UINT systemFlag() const { return fromSystemMenu() ? MF_SYSMENU : 0; }

  void begin()
  {
    switch (start_.kind) {
      case MenuStart::Popup:
        openPopup(start_.popup, 0, start_.point, false);
        break;
      case MenuStart::System: {
        Window* w = owner();
        const RECT outer = wm().windowRectOnScreen(w);
        const RECT in = WindowManager::nonClientInsets(w->style, w->exStyle, false);
        send(WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP | MF_HILITE | MF_SYSMENU),
             reinterpret_cast<LPARAM>(systemMenu_));
        openPopup(systemMenu_, 0,
                  POINT{outer.left + in.left, outer.top + in.left + metrics::kCaption}, true);
        break;
      }
      case MenuStart::Keyboard:
        if (start_.letter != 0) {
          if (!chooseByLetter(start_.letter)) done_ = true;
        } else {
          selectBar(0);
        }
        break;
      case MenuStart::Mouse:
        pointer(WM_LBUTTONDOWN, start_.point);
        break;
    }
  }

  void finish(bool notify)
  {
    while (!levels_.empty())
      closeLevel();
    if (barSelected_ >= 0) setMenuBarHighlight(owner_, -1);
    if (notify && IsWindow(owner_)) {
      send(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
      send(WM_EXITMENULOOP, popupMode_ ? TRUE : FALSE, 0);
    }
    if (command_ == 0 || (start_.flags & TPM_RETURNCMD) || !IsWindow(owner_)) return;
    PostMessageA(owner_, commandFromSystem_ ? WM_SYSCOMMAND : WM_COMMAND, command_, 0);
  }

  // ---- the bar

  std::vector<MenuItem>* barItems() const
  {
    Menu* menu = bar_ != nullptr ? MenuTable::instance().find(bar_) : nullptr;
    return menu != nullptr ? &menu->items : nullptr;
  }

  void selectBar(int index)
  {
    std::vector<MenuItem>* items = barItems();
    if (items == nullptr || index < 0 || index >= static_cast<int>(items->size())) return;
    if (barSelected_ == index) return;
    barSelected_ = index;
    setMenuBarHighlight(owner_, index);
    const MenuItem& item = (*items)[index];
    const UINT flags = (item.flags & 0xFFFF) | MF_HILITE;
    const WPARAM what =
        item.flags & MF_POPUP ? MAKEWPARAM(index, flags) : MAKEWPARAM(item.id, flags);
    send(WM_MENUSELECT, what, reinterpret_cast<LPARAM>(bar_));
  }

  void openBarPopup(bool selectFirst)
  {
    std::vector<MenuItem>* items = barItems();
    if (items == nullptr || barSelected_ < 0) return;
    const MenuItem& item = (*items)[barSelected_];
    if (!(item.flags & MF_POPUP) || item.submenu == nullptr) return;
    Window* w = owner();
    const std::vector<RECT> rects = menuBarItems(w);
    const RECT outer = wm().windowRectOnScreen(w);
    const RECT r = rects[barSelected_];
    openPopup(item.submenu, barSelected_, POINT{outer.left + r.left, outer.top + r.bottom},
              selectFirst);
  }

  void moveBar(int delta)
  {
    std::vector<MenuItem>* items = barItems();
    if (items == nullptr || items->empty()) return;
    const bool wasOpen = !levels_.empty();
    while (!levels_.empty())
      closeLevel();
    const int n = static_cast<int>(items->size());
    selectBar(((barSelected_ < 0 ? 0 : barSelected_) + delta + n) % n);
    if (wasOpen) openBarPopup(true);
  }

  // ---- popups

  void openPopup(HMENU menu, int position, POINT at, bool selectFirst)
  {
    registerPopupClass();
    send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
         MAKELPARAM(position, fromSystemMenu() && levels_.empty() ? 1 : 0));
    if (MenuTable::instance().find(menu) == nullptr) return;
    const SIZE size = popupSize(menu);
    // Kept on the screen: moved left or up when it would run off.
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (at.x + size.cx > screenWidth) at.x = std::max(0, screenWidth - size.cx);
    if (at.y + size.cy > screenHeight) at.y = std::max(0, screenHeight - size.cy);
    const HWND window = CreateWindowExA(WS_EX_TOPMOST, kPopupClass, "", WS_POPUP, at.x, at.y,
                                        size.cx, size.cy, owner_, nullptr, nullptr, nullptr);
    popupStates()[window] = PopupState{menu, -1};
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(window);
    levels_.push_back(Level{menu, window, RECT{at.x, at.y, at.x + size.cx, at.y + size.cy}});
    if (selectFirst) moveInPopup(1);
  }

  void closeLevel()
  {
    const Level level = levels_.back();
    levels_.pop_back();
    popupStates().erase(level.window);
    DestroyWindow(level.window);
    if (IsWindow(owner_)) send(WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(level.menu), 0);
  }

  std::vector<MenuItem>* itemsOf(const Level& level) const
  {
    Menu* menu = MenuTable::instance().find(level.menu);
    return menu != nullptr ? &menu->items : nullptr;
  }

  int& selectedOf(const Level& level) { return popupStates()[level.window].selected; }

  void selectInPopup(std::size_t depth, int index)
  {
    Level& level = levels_[depth];
    std::vector<MenuItem>* items = itemsOf(level);
    if (items == nullptr || selectedOf(level) == index) return;
    selectedOf(level) = index;
    // Redrawn at once; the loop pumps no paint messages of its own windows first.
    const HDC dc = GetDC(level.window);
    drawPopup(dc, level.menu, index);
    ReleaseDC(level.window, dc);
    if (index < 0) return;
    const MenuItem& item = (*items)[index];
    const UINT flags = (item.flags & 0xFFFF) | MF_HILITE | systemFlag();
    const WPARAM what =
        item.flags & MF_POPUP ? MAKEWPARAM(index, flags) : MAKEWPARAM(item.id, flags);
    send(WM_MENUSELECT, what, reinterpret_cast<LPARAM>(level.menu));
  }

  void moveInPopup(int delta)
  {
    if (levels_.empty()) return;
    std::vector<MenuItem>* items = itemsOf(levels_.back());
    if (items == nullptr || items->empty()) return;
    const int n = static_cast<int>(items->size());
    int index = selectedOf(levels_.back());
    if (index < 0) index = delta > 0 ? -1 : n;
    for (int tries = 0; tries < n; ++tries) {
      index = (index + delta + n) % n;
      if (selectable((*items)[index])) {
        selectInPopup(levels_.size() - 1, index);
        return;
      }
    }
  }

  void openSubmenu(bool selectFirst)
  {
    const Level& level = levels_.back();
    std::vector<MenuItem>* items = itemsOf(level);
    const int index = selectedOf(level);
    if (items == nullptr || index < 0) return;
    const MenuItem& item = (*items)[index];
    if (!(item.flags & MF_POPUP) || item.submenu == nullptr) return;
    const RECT r = popupItems(level.menu)[index];
    openPopup(item.submenu, index, POINT{level.rect.left + r.right, level.rect.top + r.top},
              selectFirst);
  }

  // ---- choosing

  void choose(const MenuItem& item)
  {
    if (!usable(item)) return;
    if (item.flags & MF_POPUP) return;
    command_ = static_cast<UINT>(item.id);
    commandFromSystem_ = fromSystemMenu();
    done_ = true;
  }

  bool chooseByLetter(char letter)
  {
    letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    if (!levels_.empty()) {
      std::vector<MenuItem>* items = itemsOf(levels_.back());
      if (items == nullptr) return false;
      for (std::size_t i = 0; i < items->size(); ++i) {
        if (accessLetter((*items)[i].text) != letter || !selectable((*items)[i])) continue;
        selectInPopup(levels_.size() - 1, static_cast<int>(i));
        if ((*items)[i].flags & MF_POPUP)
          openSubmenu(true);
        else
          choose((*items)[i]);
        return true;
      }
      return false;
    }
    std::vector<MenuItem>* items = barItems();
    if (items == nullptr) return false;
    for (std::size_t i = 0; i < items->size(); ++i) {
      if (accessLetter((*items)[i].text) != letter) continue;
      selectBar(static_cast<int>(i));
      if ((*items)[i].flags & MF_POPUP)
        openBarPopup(true);
      else
        choose((*items)[i]);
      return true;
    }
    return false;
  }

  // ---- input

  void key(WPARAM vk)
  {
    const bool inBar = bar_ != nullptr;
    switch (vk) {
      case VK_ESCAPE:
        if (levels_.empty() || (levels_.size() == 1 && !inBar)) {
          done_ = true;
        } else {
          closeLevel();
        }
        break;
      case VK_LEFT:
        if (levels_.size() > 1)
          closeLevel();
        else if (inBar)
          moveBar(-1);
        break;
      case VK_RIGHT: {
        if (!levels_.empty()) {
          std::vector<MenuItem>* items = itemsOf(levels_.back());
          const int index = selectedOf(levels_.back());
          if (items != nullptr && index >= 0 && ((*items)[index].flags & MF_POPUP)) {
            openSubmenu(true);
            break;
          }
        }
        if (inBar) moveBar(1);
        break;
      }
      case VK_UP:
      case VK_DOWN:
        if (levels_.empty())
          openBarPopup(true);
        else
          moveInPopup(vk == VK_DOWN ? 1 : -1);
        break;
      case VK_RETURN:
        if (levels_.empty()) {
          std::vector<MenuItem>* items = barItems();
          if (items == nullptr || barSelected_ < 0) break;
          if ((*items)[barSelected_].flags & MF_POPUP)
            openBarPopup(true);
          else
            choose((*items)[barSelected_]);
        } else {
          std::vector<MenuItem>* items = itemsOf(levels_.back());
          const int index = selectedOf(levels_.back());
          if (items == nullptr || index < 0) {
            done_ = true;  // nothing selected: the menu closes without a command
          } else if ((*items)[index].flags & MF_POPUP) {
            openSubmenu(true);
          } else {
            choose((*items)[index]);
          }
        }
        break;
      case VK_MENU:
      case VK_F10:
        menuKeyDown_ = static_cast<int>(vk);
        break;
      default:
        break;
    }
  }

  // Mouse messages by their screen point.
  void pointer(UINT message, POINT p)
  {
    const bool down = message == WM_LBUTTONDOWN || message == WM_NCLBUTTONDOWN ||
                      ((start_.flags & TPM_RIGHTBUTTON) &&
                       (message == WM_RBUTTONDOWN || message == WM_NCRBUTTONDOWN));
    const bool up = message == WM_LBUTTONUP || message == WM_NCLBUTTONUP ||
                    ((start_.flags & TPM_RIGHTBUTTON) &&
                     (message == WM_RBUTTONUP || message == WM_NCRBUTTONUP));
    const bool move = message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE;
    for (std::size_t depth = levels_.size(); depth-- > 0;) {
      const Level& level = levels_[depth];
      if (!inside(level.rect, p)) continue;
      const std::vector<RECT> rects = popupItems(level.menu);
      std::vector<MenuItem>* items = itemsOf(level);
      if (items == nullptr) return;
      const POINT local{p.x - level.rect.left, p.y - level.rect.top};
      for (std::size_t i = 0; i < rects.size(); ++i) {
        if (!inside(rects[i], local) || !selectable((*items)[i])) continue;
        if (selectedOf(level) != static_cast<int>(i)) {
          while (levels_.size() > depth + 1)
            closeLevel();
          selectInPopup(depth, static_cast<int>(i));
          if ((*items)[i].flags & MF_POPUP) openSubmenu(false);
        }
        if (up) choose((*items)[i]);
        return;
      }
      return;
    }
    if (bar_ != nullptr) {
      Window* w = owner();
      const RECT outer = wm().windowRectOnScreen(w);
      const std::vector<RECT> rects = menuBarItems(w);
      for (std::size_t i = 0; i < rects.size(); ++i) {
        const RECT r{outer.left + rects[i].left, outer.top + rects[i].top,
                     outer.left + rects[i].right, outer.top + rects[i].bottom};
        if (!inside(r, p)) continue;
        const int index = static_cast<int>(i);
        if (down && index == barSelected_ && !levels_.empty() && !freshPress_) {
          done_ = true;  // a second click on the open item closes the menu
          return;
        }
        if (down || (move && !levels_.empty() && index != barSelected_)) {
          while (!levels_.empty())
            closeLevel();
          selectBar(index);
          openBarPopup(false);
          if (levels_.empty() && down) freshPress_ = true;
        }
        if (up && levels_.empty() && index == barSelected_) {
          std::vector<MenuItem>* items = barItems();
          if (items != nullptr) choose((*items)[i]);
        }
        if (up) freshPress_ = false;
        return;
      }
    }
    if (down) done_ = true;  // a press outside every menu cancels
  }

  void step()
  {
    MSG msg;
    if (!GetMessageA(&msg, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      done_ = true;
      return;
    }
    if (msg.message == WM_NULL && msg.hwnd == nullptr) {
      // Nothing is left to come: the menu closes.
      if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) done_ = true;
      return;
    }
    switch (msg.message) {
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        TranslateMessage(&msg);
        key(msg.wParam);
        return;
      case WM_KEYUP:
      case WM_SYSKEYUP:
        // Alt or F10 pressed and released in the loop closes the menu.
        if (menuKeyDown_ != 0 && static_cast<int>(msg.wParam) == menuKeyDown_) done_ = true;
        menuKeyDown_ = 0;
        return;
      case WM_CHAR:
      case WM_SYSCHAR:
        if (msg.wParam > ' ') chooseByLetter(static_cast<char>(msg.wParam));
        menuKeyDown_ = 0;
        return;
      case WM_MOUSEMOVE:
      case WM_NCMOUSEMOVE:
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_NCLBUTTONDOWN:
      case WM_NCLBUTTONUP:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_NCRBUTTONDOWN:
      case WM_NCRBUTTONUP:
      case WM_LBUTTONDBLCLK:
      case WM_NCLBUTTONDBLCLK:
        pointer(msg.message == WM_LBUTTONDBLCLK     ? WM_LBUTTONDOWN
                : msg.message == WM_NCLBUTTONDBLCLK ? WM_NCLBUTTONDOWN
                                                    : msg.message,
                msg.pt);
        return;
      default:
        DispatchMessageA(&msg);
    }
  }

  HWND owner_;
  MenuStart start_;
  bool popupMode_;
  HMENU bar_ = nullptr;
  HMENU systemMenu_ = nullptr;
  int barSelected_ = -1;
  std::vector<Level> levels_;
  bool done_ = false;
  UINT command_ = 0;
  bool commandFromSystem_ = false;
  int menuKeyDown_ = 0;
  bool freshPress_ = false;
};

}  // namespace

UINT trackMenu(Window* owner, const MenuStart& start)
{
  if (owner == nullptr) return 0;
  MenuLoop loop(owner, start);
  return loop.run();
}

}  // namespace omuser

BOOL WINAPI TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*)
{
  omuser::Window* w = omuser::WindowManager::instance().find(owner);
  if (w == nullptr || omuser::MenuTable::instance().find(menu) == nullptr) return FALSE;
  omuser::MenuStart start;
  start.kind = omuser::MenuStart::Popup;
  start.popup = menu;
  start.point = POINT{x, y};
  start.flags = flags;
  const UINT command = omuser::trackMenu(w, start);
  return (flags & TPM_RETURNCMD) ? static_cast<BOOL>(command) : TRUE;
}
