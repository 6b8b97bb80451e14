#include "platform/src/user/DialogManager.h"

#include <strings.h>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "platform/src/user/ButtonControl.h"
#include "platform/src/user/StaticControl.h"
#include "platform/src/user/WindowManager.h"

namespace omuser {
namespace {

WindowManager& wm()
{
  return WindowManager::instance();
}

int mulDiv(int value, int numerator, int denominator)
{
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : -((-product + half) / denominator));
}

std::vector<Window*> childrenOf(HWND dialog)
{
  const Window* d = wm().find(dialog);
  return d != nullptr ? d->children : std::vector<Window*>{};
}

bool usable(const Window* w)
{
  return w->isVisible() && !(w->style & WS_DISABLED);
}

UINT dialogCode(HWND control, const MSG* message = nullptr)
{
  return static_cast<UINT>(SendMessageA(control, WM_GETDLGCODE, message ? message->wParam : 0,
                                        reinterpret_cast<LPARAM>(message)));
}

bool isButton(const Window* w)
{
  return w->windowClass != nullptr && strcasecmp(w->windowClass->name.c_str(), "Button") == 0;
}

// The character that follows a single "&" in a text, 0 when none.
char mnemonicOf(const std::string& text)
{
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&') return text[i + 1];
    ++i;
  }
  return 0;
}

std::string controlClass(const DialogItem& item)
{
  if (!item.windowClass.isOrdinal) return item.windowClass.text;
  const char* name = DialogTemplate::classOfOrdinal(item.windowClass.ordinal);
  return name != nullptr ? name : "";
}

// An ordinal title is kept as the text 0xFF, low byte, high byte.
std::string titleText(const NameOrOrdinal& title)
{
  if (!title.isOrdinal) return title.text;
  return std::string{'\xFF', static_cast<char>(title.ordinal & 0xFF),
                     static_cast<char>(title.ordinal >> 8)};
}

}  // namespace

DialogManager& DialogManager::instance()
{
  static DialogManager manager;
  return manager;
}

DialogManager::State* DialogManager::stateOf(HWND dialog)
{
  const auto it = states_.find(dialog);
  return it == states_.end() ? nullptr : &it->second;
}

const DialogManager::State* DialogManager::stateOf(HWND dialog) const
{
  const auto it = states_.find(dialog);
  return it == states_.end() ? nullptr : &it->second;
}

SIZE DialogManager::baseUnits(HFONT font, const char* face, int pointSize)
{
  // The system's own faces in their usual sizes have fixed units, whatever face stands in.
  struct Known {
    const char* face;
    int points;
    SIZE units;
  };
  static constexpr Known known[] = {
      {"MS Sans Serif", 8, {6, 13}}, {"MS Shell Dlg", 8, {6, 13}}, {"System", 10, {8, 16}}};
  if (font == nullptr) return SIZE{8, 16};
  for (const Known& k : known)
    if (face != nullptr && strcasecmp(face, k.face) == 0 && pointSize == k.points) return k.units;
  HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font);
  static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE extent{};
  GetTextExtentPoint32A(dc, letters, 52, &extent);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return SIZE{(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}

HWND DialogManager::create(const DialogTemplate& t, HINSTANCE instance, HWND owner,
                           DLGPROC procedure, LPARAM param, bool modal)
{
  State state;
  state.modal = modal;
  if (t.hasFont) {
    const int height = -mulDiv(t.pointSize, 96, 72);
    state.font = CreateFontA(height, 0, 0, 0, t.weight != 0 ? t.weight : FW_NORMAL, t.italic, 0, 0,
                             t.charset, 0, 0, 0, 0, t.face.c_str());
    state.ownsFont = state.font != nullptr;
  }
  state.units = t.inPixels ? SIZE{4, 8} : baseUnits(state.font, t.face.c_str(), t.pointSize);
  const SIZE units = state.units;
  auto px = [&](int v) { return mulDiv(v, static_cast<int>(units.cx), 4); };
  auto py = [&](int v) { return mulDiv(v, static_cast<int>(units.cy), 8); };

  // A child owner stands for its top-level window.
  Window* ownerWindow = wm().topLevelOf(wm().find(owner));
  const bool child = (t.style & WS_CHILD) != 0;
  DWORD style = t.style;
  if ((style & DS_MODALFRAME) && !(style & WS_CHILD)) style |= WS_DLGFRAME;
  RECT frame{0, 0, px(t.cx), py(t.cy)};
  const bool hasMenu = !t.menu.empty();
  AdjustWindowRectEx(&frame, style, hasMenu ? TRUE : FALSE, t.exStyle);
  // The template places the client area, relative to the owner's (the screen without owner or
  // with DS_ABSALIGN).
  POINT origin{px(t.x), py(t.y)};
  const Window* relative = child ? wm().find(owner) : ownerWindow;
  if (relative != nullptr && (child || !(t.style & DS_ABSALIGN))) {
    if (!child) {
      const POINT o = wm().clientOrigin(relative);
      origin.x += o.x;
      origin.y += o.y;
    }
  }
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  int x = origin.x + frame.left, y = origin.y + frame.top;
  const RECT screen = wm().screenRect();
  if (!child) {
    if (t.style & DS_CENTER) {
      x = (screen.right - width) / 2;
      y = (screen.bottom - height) / 2;
    }
    // A top-level dialog stays on the screen.
    x = std::max(0, std::min(x, static_cast<int>(screen.right) - width));
    y = std::max(0, std::min(y, static_cast<int>(screen.bottom) - height));
  }
  HMENU menu = nullptr;
  if (hasMenu && !child)
    menu = LoadMenuA(instance,
                     t.menu.isOrdinal ? MAKEINTRESOURCEA(t.menu.ordinal) : t.menu.text.c_str());
  const std::string className = t.windowClass.empty() ? std::string("#32770")
                                : t.windowClass.isOrdinal
                                    ? "#" + std::to_string(t.windowClass.ordinal)
                                    : t.windowClass.text;

  pending_ = state;
  creating_ = true;
  const HWND dialog =
      CreateWindowExA(t.exStyle, className.c_str(), t.caption.c_str(), style & ~WS_VISIBLE, x, y,
                      width, height, child ? owner : (ownerWindow ? ownerWindow->handle : nullptr),
                      child ? nullptr : menu, instance, nullptr);
  creating_ = false;
  if (dialog == nullptr) {
    if (state.ownsFont) DeleteObject(state.font);
    if (menu != nullptr) DestroyMenu(menu);
    return nullptr;
  }
  if (stateOf(dialog) == nullptr) states_[dialog] = state;
  SetWindowLongPtrA(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(procedure));
  if (state.font != nullptr)
    SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);
  if (!IsWindow(dialog)) return nullptr;

  for (const DialogItem& item : t.items) {
    const std::string itemClass = controlClass(item);
    const std::string title = titleText(item.title);
    const HWND control =
        itemClass.empty()
            ? nullptr
            : CreateWindowExA(
                  item.exStyle, itemClass.c_str(), title.c_str(),
                  (item.style | WS_CHILD) & ~WS_POPUP, px(item.x), py(item.y), px(item.cx),
                  py(item.cy), dialog,
                  reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(item.id)), instance,
                  item.creationData.empty() ? nullptr
                                            : const_cast<std::uint8_t*>(item.creationData.data()));
    if (control == nullptr) {
      // A control that cannot be made (an unknown class) fails the whole dialog.
      DestroyWindow(dialog);
      return nullptr;
    }
    if (item.title.isOrdinal) {
      if (Window* w = wm().find(control)) w->text = title;
      StaticControl::titleChanged(control);
    }
    if (state.font != nullptr)
      SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);
    State* s = stateOf(dialog);
    if (s == nullptr) return nullptr;
    if (s->defaultId == 0 && strcasecmp(itemClass.c_str(), "Button") == 0 &&
        (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
      s->defaultId = static_cast<WORD>(item.id);
  }
  const HWND first = nextTabItem(dialog, nullptr, false);
  const LRESULT setFocus =
      SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
  State* s = stateOf(dialog);
  if (s == nullptr || !IsWindow(dialog)) return nullptr;
  if (setFocus && first != nullptr) s->savedFocus = first;
  if ((t.style & WS_VISIBLE) && !modal && !s->ended) ShowWindow(dialog, SW_SHOWNORMAL);
  return IsWindow(dialog) ? dialog : nullptr;
}

bool DialogManager::end(HWND dialog, INT_PTR result)
{
  State* s = stateOf(dialog);
  if (s == nullptr) return false;
  s->ended = true;
  s->result = result;
  if (!s->modal) ShowWindow(dialog, SW_HIDE);
  return true;
}

omhost::DialogRecord DialogManager::recordOf(HWND dialog) const
{
  const State* s = stateOf(dialog);
  omhost::DialogRecord record = s != nullptr && s->box ? *s->box : omhost::DialogRecord{};
  char text[256];
  GetWindowTextA(dialog, text, sizeof text);
  record.caption = text;
  if (!record.messageBox) {
    record.style = static_cast<unsigned>(GetWindowLongA(dialog, GWL_STYLE));
    for (const Window* child : childrenOf(dialog))
      record.controls.emplace_back(static_cast<int>(static_cast<short>(child->id)), child->text);
  }
  record.defaultId = enterChoice(dialog);
  return record;
}

// What Enter chooses: the push button with the focus, else the default id, else IDOK.
int DialogManager::enterChoice(HWND dialog) const
{
  const HWND focus = GetFocus();
  if (focus != nullptr && IsChild(dialog, focus) &&
      (dialogCode(focus) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
    return GetDlgCtrlID(focus);
  const LRESULT id = SendMessageA(dialog, DM_GETDEFID, 0, 0);
  if (HIWORD(id) == DC_HASDEFID) return LOWORD(id);
  return IDOK;
}

// Clicks the button of that id as the user would; an id without a button is sent as its
// command.
void DialogManager::clickForHost(HWND dialog, int id)
{
  const HWND control = GetDlgItem(dialog, id);
  const Window* w = wm().find(control);
  if (w != nullptr && isButton(w) && usable(w))
    SendMessageA(control, BM_CLICK, 0, 0);
  else
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

INT_PTR DialogManager::runModal(const DialogTemplate& t, HINSTANCE instance, HWND owner,
                                DLGPROC procedure, LPARAM param, const omhost::DialogRecord* box)
{
  Window* top = wm().topLevelOf(wm().find(owner));
  const HWND ownerTop = top != nullptr ? top->handle : nullptr;
  // The owner is disabled first, so the dialog's own set-up already runs modal.
  const bool disableOwner = ownerTop != nullptr && IsWindowEnabled(ownerTop);
  if (disableOwner) EnableWindow(ownerTop, FALSE);
  const HWND dialog = create(t, instance, ownerTop, procedure, param, true);
  if (dialog == nullptr) {
    if (disableOwner && IsWindow(ownerTop)) EnableWindow(ownerTop, TRUE);
    return -1;
  }
  if (box != nullptr) stateOf(dialog)->box = *box;
  bool shown = false;
  bool quit = false;
  int quitCode = 0;
  int hostAnswers = 0;
  int lastAnswer = 0;
  // A dialog that ignores the backend's click twice ends with the answer.
  const auto answerForHost = [&](int answer) {
    if (hostAnswers++ > 0 && answer == lastAnswer) {
      end(dialog, answer);
      return;
    }
    lastAnswer = answer;
    clickForHost(dialog, answer);
  };
  MSG msg{};
  for (;;) {
    State* s = stateOf(dialog);
    if (s == nullptr || s->ended || !IsWindow(dialog)) break;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      // Shown when the queue first goes idle, so that its first paint has all it needs.
      if (!shown) {
        shown = true;
        ShowWindow(dialog, SW_SHOWNORMAL);
        continue;
      }
      if (ownerTop != nullptr && !(GetWindowLongA(dialog, GWL_STYLE) & DS_NOIDLEMSG))
        SendMessageA(ownerTop, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(dialog));
      if ((s = stateOf(dialog)) == nullptr || s->ended) continue;
      // An unattended run's answer goes before the input its script holds for later.
      if (const int preset = omhost::host().presetDialogAnswer(recordOf(dialog))) {
        answerForHost(preset);
        continue;
      }
    }
    if (!GetMessageA(&msg, nullptr, 0, 0)) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    if (msg.message == WM_NULL && msg.hwnd == nullptr) {
      // Nothing is left to come: a backend that answers for the user clicks a button.
      if (!shown || PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) continue;
      const int answer = omhost::host().answerWaitingDialog(recordOf(dialog));
      if (answer != 0) answerForHost(answer);
      continue;
    }
    if (!isDialogMessage(dialog, msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  INT_PTR result = 0;
  if (const State* s = stateOf(dialog)) result = s->ended ? s->result : 0;
  // The owner comes back before the dialog goes, so activation returns to it.
  if (disableOwner && IsWindow(ownerTop)) EnableWindow(ownerTop, TRUE);
  if (IsWindow(dialog)) {
    omhost::DialogRecord record = recordOf(dialog);
    record.answer = static_cast<int>(result);
    omhost::host().dialogEnded(record);
    ShowWindow(dialog, SW_HIDE);
    DestroyWindow(dialog);
  }
  // A quit message ends the dialog and is left for the program's own loop.
  if (quit) PostQuitMessage(quitCode);
  return result;
}

LRESULT DialogManager::defaultProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (stateOf(dialog) == nullptr && creating_ && message == WM_NCCREATE) states_[dialog] = pending_;
  if (stateOf(dialog) == nullptr) return DefWindowProcA(dialog, message, wParam, lParam);
  const auto procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(dialog, DWLP_DLGPROC));
  if (procedure != nullptr) {
    const INT_PTR handled = procedure(dialog, message, wParam, lParam);
    if (!IsWindow(dialog)) return handled;
    if (handled) {
      switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
          return handled;
        default:
          return GetWindowLongPtrA(dialog, DWLP_MSGRESULT);
      }
    }
  }
  State* s = stateOf(dialog);
  if (s == nullptr) return DefWindowProcA(dialog, message, wParam, lParam);
  switch (message) {
    case WM_ERASEBKGND: {
      const HDC dc = reinterpret_cast<HDC>(wParam);
      auto brush = reinterpret_cast<HBRUSH>(
          SendMessageA(dialog, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(dialog)));
      if (brush == nullptr) brush = GetSysColorBrush(COLOR_BTNFACE);
      RECT client;
      GetClientRect(dialog, &client);
      FillRect(dc, &client, brush);
      return 1;
    }
    case WM_CLOSE: {
      // The close box is Cancel, unless a Cancel button is there and disabled.
      const HWND cancel = GetDlgItem(dialog, IDCANCEL);
      if (cancel == nullptr || IsWindowEnabled(cancel))
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case DM_GETDEFID:
      return s->defaultId != 0 ? MAKELONG(s->defaultId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
      s->defaultId = static_cast<WORD>(wParam);
      focusMoved(GetFocus());
      return TRUE;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(dialog, focus)) s->savedFocus = focus;
      } else {
        const HWND target =
            IsWindow(s->savedFocus) ? s->savedFocus : nextTabItem(dialog, nullptr, false);
        SetFocus(target != nullptr ? target : dialog);
      }
      return 0;
    case WM_SETFOCUS: {
      const HWND target =
          IsWindow(s->savedFocus) ? s->savedFocus : nextTabItem(dialog, nullptr, false);
      if (target != nullptr) SetFocus(target);
      return 0;
    }
    case WM_NEXTDLGCTL: {
      const HWND target = LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam)
                                              : nextTabItem(dialog, GetFocus(), wParam != 0);
      if (target != nullptr) SetFocus(target);
      return 0;
    }
    case WM_NCDESTROY:
      if (s->ownsFont) DeleteObject(s->font);
      states_.erase(dialog);
      return DefWindowProcA(dialog, message, wParam, lParam);
    default:
      return DefWindowProcA(dialog, message, wParam, lParam);
  }
}

HWND DialogManager::nextTabItem(HWND dialog, HWND control, bool previous) const
{
  const std::vector<Window*> kids = childrenOf(dialog);
  const int n = static_cast<int>(kids.size());
  if (n == 0) return nullptr;
  int at = -1;
  for (int i = 0; i < n; ++i)
    if (kids[static_cast<std::size_t>(i)]->handle == control) at = i;
  const int step = previous ? -1 : 1;
  int i = at >= 0 ? at : (previous ? 0 : n - 1);
  for (int k = 0; k < n; ++k) {
    i = (i + step + n) % n;
    const Window* w = kids[static_cast<std::size_t>(i)];
    if ((w->style & WS_TABSTOP) && usable(w)) return w->handle;
  }
  return nullptr;
}

HWND DialogManager::nextGroupItem(HWND dialog, HWND control, bool previous) const
{
  const std::vector<Window*> kids = childrenOf(dialog);
  const int n = static_cast<int>(kids.size());
  int at = -1;
  for (int i = 0; i < n; ++i)
    if (kids[static_cast<std::size_t>(i)]->handle == control) at = i;
  if (at < 0) return n > 0 ? kids.front()->handle : nullptr;
  int first = at;
  while (first > 0 && !(kids[static_cast<std::size_t>(first)]->style & WS_GROUP))
    --first;
  int last = at + 1;
  while (last < n && !(kids[static_cast<std::size_t>(last)]->style & WS_GROUP))
    ++last;
  const int size = last - first;
  int i = at - first;
  for (int k = 1; k < size; ++k) {
    i = (i + (previous ? -1 : 1) + size) % size;
    const Window* w = kids[static_cast<std::size_t>(first + i)];
    if (usable(w)) return w->handle;
  }
  return control;
}

bool DialogManager::mapRect(HWND dialog, RECT& r) const
{
  const State* s = stateOf(dialog);
  if (s == nullptr) return false;
  const int bx = static_cast<int>(s->units.cx), by = static_cast<int>(s->units.cy);
  r = RECT{mulDiv(r.left, bx, 4), mulDiv(r.top, by, 8), mulDiv(r.right, bx, 4),
           mulDiv(r.bottom, by, 8)};
  return true;
}

void DialogManager::focusMoved(HWND control)
{
  const HWND dialog = GetParent(control);
  State* s = stateOf(dialog);
  if (s == nullptr) return;
  s->savedFocus = control;
  const Window* focused = wm().find(control);
  const bool pushFocused =
      focused != nullptr && isButton(focused) && ButtonControl::isPushButton(focused->style);
  std::vector<HWND> buttons;
  for (const Window* child : childrenOf(dialog))
    if (isButton(child) && ButtonControl::isPushButton(child->style) &&
        (child->style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON)
      buttons.push_back(child->handle);
  const WORD defaultId = s->defaultId;
  for (HWND button : buttons) {
    const bool wanted =
        pushFocused ? button == control : GetDlgCtrlID(button) == defaultId && defaultId != 0;
    const DWORD type = static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE)) & BS_TYPEMASK;
    if ((type == BS_DEFPUSHBUTTON) != wanted)
      SendMessageA(button, BM_SETSTYLE, wanted ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
}

bool DialogManager::mnemonic(HWND dialog, char key)
{
  const int wanted = std::toupper(static_cast<unsigned char>(key));
  const std::vector<Window*> kids = childrenOf(dialog);
  for (std::size_t i = 0; i < kids.size(); ++i) {
    const Window* w = kids[i];
    if (!usable(w)) continue;
    const UINT code = dialogCode(w->handle);
    if ((code & DLGC_STATIC) && (w->style & SS_NOPREFIX) && !isButton(w)) continue;
    const char m = mnemonicOf(w->text);
    if (m == 0 || std::toupper(static_cast<unsigned char>(m)) != wanted) continue;
    const HWND handle = w->handle;
    if (code & DLGC_STATIC) {
      // A label's letter goes to the control after it.
      for (std::size_t k = i + 1; k < kids.size(); ++k)
        if ((kids[k]->style & WS_TABSTOP) && usable(kids[k])) {
          SetFocus(kids[k]->handle);
          break;
        }
      return true;
    }
    if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
      SendMessageA(handle, BM_CLICK, 0, 0);
      return true;
    }
    SetFocus(handle);
    if (code & DLGC_BUTTON) SendMessageA(handle, BM_CLICK, 0, 0);
    return true;
  }
  return false;
}

bool DialogManager::isDialogMessage(HWND dialog, MSG& msg)
{
  if (!IsWindow(dialog) || (msg.hwnd != dialog && !IsChild(dialog, msg.hwnd))) return false;
  const UINT code = dialogCode(msg.hwnd, &msg);
  const HWND focus = GetFocus();
  auto command = [&](int id) {
    const HWND control = GetDlgItem(dialog, id);
    if (control != nullptr && !IsWindowEnabled(control)) return;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
  };
  switch (msg.message) {
    case WM_KEYDOWN:
      if (code & DLGC_WANTMESSAGE) break;
      switch (msg.wParam) {
        case VK_TAB:
          if (code & DLGC_WANTTAB) break;
          if (const HWND next = nextTabItem(dialog, focus, GetKeyState(VK_SHIFT) < 0))
            SetFocus(next);
          return true;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
          if (code & DLGC_WANTARROWS) break;
          const bool back = msg.wParam == VK_LEFT || msg.wParam == VK_UP;
          const HWND next = nextGroupItem(dialog, focus, back);
          if (next != nullptr && next != focus) {
            SetFocus(next);
            // Automatic radio buttons follow the focus.
            if ((dialogCode(next) & DLGC_RADIOBUTTON) &&
                (GetWindowLongA(next, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
              SendMessageA(next, BM_CLICK, 0, 0);
          }
          return true;
        }
        case VK_RETURN:
          command(enterChoice(dialog));
          return true;
        case VK_ESCAPE:
          command(IDCANCEL);
          return true;
        default:
          break;
      }
      break;
    case WM_CHAR:
      if (code & (DLGC_WANTCHARS | DLGC_WANTMESSAGE)) break;
      if (mnemonic(dialog, static_cast<char>(msg.wParam))) return true;
      break;
    case WM_SYSCHAR:
      if (mnemonic(dialog, static_cast<char>(msg.wParam))) return true;
      break;
    default:
      break;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

}  // namespace omuser
