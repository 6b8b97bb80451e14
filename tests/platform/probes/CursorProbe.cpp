// Records how the default window procedure picks the pointer. Built apart from the project
// with mingw-w64 and run under Wine; what it printed is kept in CursorProbe.txt.
#include <windows.h>
#include <cstdio>

static const char* name(HCURSOR c)
{
  if (c == nullptr) return "none";
  if (c == LoadCursorA(nullptr, IDC_ARROW)) return "arrow";
  if (c == LoadCursorA(nullptr, IDC_CROSS)) return "cross";
  if (c == LoadCursorA(nullptr, IDC_WAIT)) return "wait";
  if (c == LoadCursorA(nullptr, IDC_IBEAM)) return "ibeam";
  return "other";
}

static HWND make(const char* cls, HCURSOR cursor, DWORD style, HWND parent)
{
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = cursor;
  wc.lpszClassName = cls;
  RegisterClassA(&wc);
  return CreateWindowExA(0, cls, cls, style, 0, 0, 200, 200, parent, nullptr, wc.hInstance,
                         nullptr);
}

static void ask(const char* what, HWND to, HWND under, int hit)
{
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  LRESULT r = DefWindowProcA(to, WM_SETCURSOR, (WPARAM)under, MAKELPARAM(hit, WM_MOUSEMOVE));
  std::printf("%s answer=%d cursor=%s\n", what, (int)r, name(GetCursor()));
}

int main()
{
  std::printf("start cursor=%s\n", name(GetCursor()));
  HWND frame =
      make("Frame", LoadCursorA(nullptr, IDC_ARROW), WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  HWND bare = make("Bare", nullptr, WS_CHILD | WS_VISIBLE, frame);
  HWND cross = make("Cross", LoadCursorA(nullptr, IDC_CROSS), WS_CHILD | WS_VISIBLE, frame);
  HWND bareTop = make("BareTop", nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  ask("frame-own-client", frame, frame, HTCLIENT);
  ask("frame-for-bare-child", frame, bare, HTCLIENT);
  ask("frame-for-cross-child", frame, cross, HTCLIENT);
  ask("bare-child-client", bare, bare, HTCLIENT);
  ask("cross-child-client", cross, cross, HTCLIENT);
  ask("bare-top-client", bareTop, bareTop, HTCLIENT);
  ask("frame-caption", frame, frame, HTCAPTION);
  ask("frame-nowhere", frame, frame, HTNOWHERE);
  HCURSOR before = SetCursor(nullptr);
  std::printf("setcursor-null previous=%s cursor=%s\n", name(before), name(GetCursor()));
  return 0;
}
