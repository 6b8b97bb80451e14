#include "platform/src/user/ButtonControl.h"

#include <map>

#include "platform/src/user/DialogManager.h"
#include "platform/src/user/WindowManager.h"

namespace omuser {
namespace {

struct ButtonState {
  int check = BST_UNCHECKED;
  bool pressed = false;
  bool focused = false;
  bool tracking = false;  // the left button went down on it and is held
  HFONT font = nullptr;
};

std::map<HWND, ButtonState>& states()
{
  static std::map<HWND, ButtonState> all;
  return all;
}

DWORD typeOf(HWND window)
{
  return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & BS_TYPEMASK;
}

bool isRadio(DWORD type)
{
  return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool isCheck(DWORD type)
{
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
         type == BS_AUTO3STATE;
}

void redraw(HWND window)
{
  InvalidateRect(window, nullptr, TRUE);
}

// The automatic radio buttons of a group: from the group's first control (WS_GROUP) up to the
// next group.
void uncheckGroupOf(HWND window)
{
  WindowManager& wm = WindowManager::instance();
  Window* self = wm.find(window);
  if (self == nullptr || self->parent == nullptr) return;
  const auto& siblings = self->parent->children;
  std::size_t at = 0;
  while (at < siblings.size() && siblings[at] != self)
    ++at;
  std::size_t first = at;
  while (first > 0 && !(siblings[first]->style & WS_GROUP))
    --first;
  std::vector<HWND> group;
  for (std::size_t i = first; i < siblings.size(); ++i) {
    if (i > first && (siblings[i]->style & WS_GROUP)) break;
    if (siblings[i] != self && siblings[i]->windowClass == self->windowClass &&
        (siblings[i]->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
      group.push_back(siblings[i]->handle);
  }
  for (HWND other : group)
    SendMessageA(other, BM_SETCHECK, BST_UNCHECKED, 0);
}

void click(HWND window)
{
  const DWORD type = typeOf(window);
  ButtonState& s = states()[window];
  if (type == BS_AUTOCHECKBOX) {
    SendMessageA(window, BM_SETCHECK, s.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
  } else if (type == BS_AUTO3STATE) {
    SendMessageA(window, BM_SETCHECK, static_cast<WPARAM>((s.check + 1) % 3), 0);
  } else if (type == BS_AUTORADIOBUTTON) {
    SendMessageA(window, BM_SETCHECK, BST_CHECKED, 0);
  }
  const HWND parent = GetParent(window);
  if (parent != nullptr)
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED),
                 reinterpret_cast<LPARAM>(window));
}

void setPressed(HWND window, bool pressed)
{
  ButtonState& s = states()[window];
  if (s.pressed == pressed) return;
  s.pressed = pressed;
  redraw(window);
}

// The caption, greyed and embossed when the button is disabled.
void caption(HDC dc, HWND window, RECT r, UINT format)
{
  char text[256];
  const int length = GetWindowTextA(window, text, sizeof text);
  SetBkMode(dc, TRANSPARENT);
  if (!IsWindowEnabled(window)) {
    RECT shifted{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextA(dc, text, length, &shifted, format);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  }
  DrawTextA(dc, text, length, &r, format);
}

RECT captionBounds(HDC dc, HWND window, RECT r, UINT format)
{
  char text[256];
  const int length = GetWindowTextA(window, text, sizeof text);
  RECT bounds = r;
  DrawTextA(dc, text, length, &bounds, format | DT_CALCRECT);
  const int height = bounds.bottom - bounds.top;
  bounds.top = r.top + (r.bottom - r.top - height) / 2;
  bounds.bottom = bounds.top + height;
  return bounds;
}

void paintPush(HDC dc, HWND window, const ButtonState& s, RECT r)
{
  const bool isDefault = typeOf(window) == BS_DEFPUSHBUTTON;
  if (isDefault || s.pressed) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  if (s.pressed) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
    InflateRect(&r, -1, -1);
  } else {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
  }
  RECT text = r;
  if (s.pressed) OffsetRect(&text, 1, 1);
  caption(dc, window, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (s.focused) {
    RECT client;
    GetClientRect(window, &client);
    InflateRect(&client, -4, -4);
    DrawFocusRect(dc, &client);
  }
}

// The tick of a checked box, three pixels thick, in the box's 9x9 inside.
void tick(HDC dc, int left, int top, COLORREF color)
{
  for (int i = 0; i < 7; ++i) {
    const int y = i <= 2 ? 2 + i : 4 - (i - 2);
    for (int k = 0; k < 3; ++k)
      SetPixel(dc, left + 1 + i, top + y + k, color);
  }
}

void paintMark(HDC dc, HWND window, const ButtonState& s, RECT client)
{
  const DWORD type = typeOf(window);
  const int top = (client.bottom - client.top - ButtonControl::kMark) / 2;
  const bool faceInside = s.pressed || !IsWindowEnabled(window);
  if (isRadio(type)) {
    // A circle by distance from its middle: outer ring shadow over highlight, inner ring dark
    // shadow over light, white inside, a black dot when checked.
    const int size = 12;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const double dx = x - 5.5, dy = y - 5.5;
        const double d = dx * dx + dy * dy;
        const bool upperLeft = x + y < size - 1;
        COLORREF c;
        if (d >= 36.0) continue;
        if (d >= 20.25)
          c = GetSysColor(upperLeft ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
        else if (d >= 12.25)
          c = GetSysColor(upperLeft ? COLOR_3DDKSHADOW : COLOR_3DLIGHT);
        else if (s.check == BST_CHECKED && d < 4.0)
          c = GetSysColor(faceInside && !IsWindowEnabled(window) ? COLOR_BTNSHADOW : COLOR_BTNTEXT);
        else
          c = GetSysColor(faceInside ? COLOR_BTNFACE : COLOR_WINDOW);
        SetPixel(dc, client.left + x, client.top + top + y, c);
      }
  } else {
    RECT box{client.left, client.top + top, client.left + ButtonControl::kMark,
             client.top + top + ButtonControl::kMark};
    DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    const bool grey = s.check == BST_INDETERMINATE;
    FillRect(dc, &box, GetSysColorBrush(faceInside || grey ? COLOR_BTNFACE : COLOR_WINDOW));
    if (s.check != BST_UNCHECKED)
      tick(dc, box.left, box.top,
           GetSysColor(grey || !IsWindowEnabled(window) ? COLOR_BTNSHADOW : COLOR_BTNTEXT));
  }
  RECT text{client.left + ButtonControl::kMark + 4, client.top, client.right, client.bottom};
  caption(dc, window, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  if (s.focused && GetWindowTextLengthA(window) > 0) {
    RECT bounds = captionBounds(dc, window, text, DT_LEFT | DT_SINGLELINE);
    InflateRect(&bounds, 1, 1);
    DrawFocusRect(dc, &bounds);
  }
}

void paintGroup(HDC dc, HWND window, HBRUSH brush, RECT client)
{
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  RECT frame = client;
  frame.top += metrics.tmHeight / 2;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  if (GetWindowTextLengthA(window) == 0) return;
  RECT text{client.left + 8, client.top, client.right - 8, client.top + metrics.tmHeight};
  RECT bounds = captionBounds(dc, window, text, DT_LEFT | DT_SINGLELINE);
  bounds.top = client.top;
  bounds.bottom = client.top + metrics.tmHeight;
  bounds.left -= 1;
  bounds.right += 1;
  FillRect(dc, &bounds, brush);
  caption(dc, window, text, DT_LEFT | DT_TOP | DT_SINGLELINE);
}

void paint(HWND window)
{
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (dc == nullptr) return;
  const ButtonState s = states()[window];
  RECT client;
  GetClientRect(window, &client);
  const HGDIOBJ oldFont = s.font != nullptr ? SelectObject(dc, s.font) : nullptr;
  HBRUSH brush = nullptr;
  if (const HWND parent = GetParent(window))
    brush = reinterpret_cast<HBRUSH>(SendMessageA(
        parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window)));
  if (brush == nullptr) {
    brush = GetSysColorBrush(COLOR_BTNFACE);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  }
  FillRect(dc, &client, brush);
  const DWORD type = typeOf(window);
  if (type == BS_GROUPBOX)
    paintGroup(dc, window, brush, client);
  else if (isCheck(type) || isRadio(type))
    paintMark(dc, window, s, client);
  else
    paintPush(dc, window, s, client);
  if (oldFont != nullptr) SelectObject(dc, oldFont);
  EndPaint(window, &ps);
}

}  // namespace

bool ButtonControl::isPushButton(DWORD style)
{
  const DWORD type = style & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_USERBUTTON ||
         type == BS_OWNERDRAW;
}

LRESULT CALLBACK ButtonControl::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
    case WM_CREATE:
      states()[window] = ButtonState{};
      return 0;
    case WM_NCDESTROY:
      states().erase(window);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_GETDLGCODE: {
      const DWORD type = typeOf(window);
      if (type == BS_GROUPBOX) return DLGC_STATIC;
      if (isRadio(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      if (isCheck(type)) return DLGC_BUTTON;
      return type == BS_DEFPUSHBUTTON ? DLGC_BUTTON | DLGC_DEFPUSHBUTTON
                                      : DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    }
    case BM_GETCHECK:
      return states()[window].check;
    case BM_SETCHECK: {
      const DWORD type = typeOf(window);
      if (!isCheck(type) && !isRadio(type)) return 0;
      int check = static_cast<int>(wParam);
      if (check == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE)
        check = BST_CHECKED;
      if (check < 0 || check > 2) check = BST_CHECKED;
      ButtonState& s = states()[window];
      if (s.check != check) {
        s.check = check;
        redraw(window);
      }
      if (check == BST_CHECKED && type == BS_AUTORADIOBUTTON) uncheckGroupOf(window);
      return 0;
    }
    case BM_GETSTATE: {
      const ButtonState& s = states()[window];
      return s.check | (s.pressed ? BST_PUSHED : 0) | (s.focused ? BST_FOCUS : 0);
    }
    case BM_SETSTATE:
      setPressed(window, wParam != 0);
      return 0;
    case BM_SETSTYLE: {
      const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
      SetWindowLongA(window, GWL_STYLE, static_cast<LONG>((style & 0xFFFF0000u) | LOWORD(wParam)));
      if (lParam != 0) redraw(window);
      return 0;
    }
    case BM_CLICK:
      if (IsWindowEnabled(window)) click(window);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (typeOf(window) == BS_GROUPBOX) return 0;
      SetFocus(window);
      SetCapture(window);
      ButtonState& s = states()[window];
      s.tracking = true;
      setPressed(window, true);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (states()[window].tracking) {
        RECT client;
        GetClientRect(window, &client);
        const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        setPressed(window, PtInRect(&client, p) != FALSE);
      }
      return 0;
    case WM_LBUTTONUP: {
      ButtonState& s = states()[window];
      if (!s.tracking) return 0;
      const bool wasPressed = s.pressed;
      s.tracking = false;
      ReleaseCapture();
      setPressed(window, false);
      if (wasPressed) click(window);
      return 0;
    }
    case WM_CAPTURECHANGED: {
      ButtonState& s = states()[window];
      if (s.tracking) {
        s.tracking = false;
        setPressed(window, false);
      }
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && typeOf(window) != BS_GROUPBOX) setPressed(window, true);
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE && states()[window].pressed && !states()[window].tracking) {
        setPressed(window, false);
        click(window);
      }
      return 0;
    case WM_SETFOCUS:
      states()[window].focused = true;
      redraw(window);
      DialogManager::instance().focusMoved(window);
      return 0;
    case WM_KILLFOCUS: {
      ButtonState& s = states()[window];
      s.focused = false;
      if (!s.tracking) s.pressed = false;
      redraw(window);
      return 0;
    }
    case WM_ENABLE:
      redraw(window);
      return 0;
    case WM_SETTEXT: {
      const LRESULT done = DefWindowProcA(window, message, wParam, lParam);
      redraw(window);
      return done;
    }
    case WM_SETFONT:
      states()[window].font = reinterpret_cast<HFONT>(wParam);
      if (lParam != 0) redraw(window);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(states()[window].font);
    case WM_PAINT:
      paint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint fills the whole button
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace omuser
