#include "platform/src/user/StaticControl.h"

#include <map>
#include <string>

namespace omuser {
namespace {

struct StaticState {
  HFONT font = nullptr;
  HICON icon = nullptr;
};

std::map<HWND, StaticState>& states()
{
  static std::map<HWND, StaticState> all;
  return all;
}

DWORD typeOf(HWND window)
{
  return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & SS_TYPEMASK;
}

// A title "\xFF" low high names a resource by number, as templates store an ordinal title.
LPCSTR resourceName(const std::string& title)
{
  if (title.size() == 3 && static_cast<unsigned char>(title[0]) == 0xFF)
    return MAKEINTRESOURCEA(static_cast<unsigned char>(title[1]) |
                            (static_cast<unsigned char>(title[2]) << 8));
  return title.c_str();
}

void loadIcon(HWND window)
{
  std::string title(static_cast<std::size_t>(GetWindowTextLengthA(window)), '\0');
  if (!title.empty()) GetWindowTextA(window, title.data(), static_cast<int>(title.size()) + 1);
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  StaticState& s = states()[window];
  s.icon = title.empty() ? nullptr : LoadIconA(instance, resourceName(title));
  // An icon control takes the icon's size.
  if (s.icon != nullptr)
    SetWindowPos(window, nullptr, 0, 0, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UINT textFormat(DWORD style)
{
  UINT format = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER:
      return format | DT_CENTER | DT_WORDBREAK;
    case SS_RIGHT:
      return format | DT_RIGHT | DT_WORDBREAK;
    case SS_LEFTNOWORDWRAP:
      return format | DT_LEFT;
    case SS_SIMPLE:
      return format | DT_LEFT | DT_SINGLELINE;
    default:
      return format | DT_LEFT | DT_WORDBREAK;
  }
}

void frame(HDC dc, const RECT& r, int color)
{
  FrameRect(dc, &r, GetSysColorBrush(color));
}

void paint(HWND window)
{
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (dc == nullptr) return;
  const StaticState s = states()[window];
  const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  RECT client;
  GetClientRect(window, &client);
  const HGDIOBJ oldFont = s.font != nullptr ? SelectObject(dc, s.font) : nullptr;
  switch (style & SS_TYPEMASK) {
    case SS_BLACKRECT:
      FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
      break;
    case SS_GRAYRECT:
      FillRect(dc, &client, GetSysColorBrush(COLOR_BTNSHADOW));
      break;
    case SS_WHITERECT:
      FillRect(dc, &client, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
      break;
    case SS_BLACKFRAME:
      frame(dc, client, COLOR_WINDOWFRAME);
      break;
    case SS_GRAYFRAME:
      frame(dc, client, COLOR_BTNSHADOW);
      break;
    case SS_WHITEFRAME:
      frame(dc, client, COLOR_BTNHIGHLIGHT);
      break;
    case SS_ETCHEDHORZ:
      DrawEdge(dc, &client, EDGE_ETCHED, BF_TOP);
      break;
    case SS_ETCHEDVERT:
      DrawEdge(dc, &client, EDGE_ETCHED, BF_LEFT);
      break;
    case SS_ETCHEDFRAME:
      DrawEdge(dc, &client, EDGE_ETCHED, BF_RECT);
      break;
    default: {
      HBRUSH brush = nullptr;
      if (const HWND parent = GetParent(window))
        brush = reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLORSTATIC,
                                                      reinterpret_cast<WPARAM>(dc),
                                                      reinterpret_cast<LPARAM>(window)));
      if (brush == nullptr) {
        brush = GetSysColorBrush(COLOR_BTNFACE);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      }
      FillRect(dc, &client, brush);
      const DWORD type = style & SS_TYPEMASK;
      if (type == SS_ICON) {
        if (s.icon != nullptr) DrawIcon(dc, 0, 0, s.icon);
      } else if (type == SS_BITMAP) {
        // Bitmap statics keep their place; nothing of the program draws them.
      } else {
        char text[1024];
        const int length = GetWindowTextA(window, text, sizeof text);
        SetBkMode(dc, TRANSPARENT);
        if (!IsWindowEnabled(window)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextA(dc, text, length, &client, textFormat(style));
      }
    }
  }
  if (oldFont != nullptr) SelectObject(dc, oldFont);
  EndPaint(window, &ps);
}

}  // namespace

void StaticControl::titleChanged(HWND window)
{
  if (states().count(window) != 0 && typeOf(window) == SS_ICON) loadIcon(window);
}

LRESULT CALLBACK StaticControl::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
    case WM_CREATE:
      states()[window] = StaticState{};
      if (typeOf(window) == SS_ICON) loadIcon(window);
      return 0;
    case WM_NCDESTROY:
      states().erase(window);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_SETTEXT: {
      const LRESULT done = DefWindowProcA(window, message, wParam, lParam);
      if (typeOf(window) == SS_ICON) loadIcon(window);
      InvalidateRect(window, nullptr, TRUE);
      return done;
    }
    case WM_ENABLE:
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_SETFONT:
      states()[window].font = reinterpret_cast<HFONT>(wParam);
      if (lParam != 0) InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(states()[window].font);
    case WM_PAINT:
      paint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace omuser
