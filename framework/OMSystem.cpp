#include "framework/OMSystem.h"

#include <mmsystem.h>
#include <winver.h>

#include <cstdio>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMAppInitTerm.h"
#include "framework/OMDirectDraw.h"
#include "framework/OMResModule.h"
#include "framework/OMSystemCalls.h"
#include "framework/OMWindow.h"

namespace omkey {

// Enter stands twice, as the table always had it; the first matching row counts.
const KeyCodeEntry keyCodeTable[] = {
    {0xE800, VK_BACK},
    {0xE801, VK_TAB},
    {0xE802, VK_RETURN},
    {0xE802, VK_RETURN},
    {0xE803, VK_PAUSE},
    {0xE804, VK_ESCAPE},
    {0xE805, VK_PRIOR},
    {0xE806, VK_NEXT},
    {0xE807, VK_END},
    {0xE808, VK_HOME},
    {0xE809, VK_LEFT},
    {0xE80A, VK_UP},
    {0xE80B, VK_RIGHT},
    {0xE80C, VK_DOWN},
    {0xE80D, VK_INSERT},
    {0xE80E, VK_DELETE},
    {0xE80F, VK_F1},
    {0xE810, VK_F2},
    {0xE811, VK_F3},
    {0xE812, VK_F4},
    {0xE813, VK_F5},
    {0xE814, VK_F6},
    {0xE815, VK_F7},
    {0xE816, VK_F8},
    {0xE817, VK_F9},
    {0xE818, VK_F10},
    {0xE819, VK_F11},
    {0xE81A, VK_F12},
    {0, 0},
};

std::uint32_t codeOfVirtualKey(int virtualKey)
{
  if (virtualKey == VK_PAUSE) return pause;
  if (virtualKey >= VK_PRIOR && virtualKey <= VK_DOWN)
    return pageUp + static_cast<std::uint32_t>(virtualKey - VK_PRIOR);
  if (virtualKey == VK_INSERT) return insert;
  if (virtualKey == VK_DELETE) return del;
  if (virtualKey >= VK_F1 && virtualKey <= VK_F12)
    return 0xE79F + static_cast<std::uint32_t>(virtualKey);
  return 0;
}

std::uint32_t codeOfCharacter(std::uint32_t character)
{
  switch (character) {
    case 8:
      return backspace;
    case 9:
      return tab;
    case 13:
      return enter;
    case 27:
      return escape;
    default:
      return character;
  }
}

}  // namespace omkey

namespace {

MSG current{};
OMMousePointFilter pointFilter = nullptr;
HGLOBAL playedSound = nullptr;

bool isMouseMessage(UINT message)
{
  return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST;
}

void stopResourceSound()
{
  sndPlaySoundA(nullptr, 0);
  if (playedSound) omsys::freeResource(playedSound);
  playedSound = nullptr;
}

OMAppInitTerm helpersModule(nullptr, &stopResourceSound);

bool held(int virtualKey)
{
  return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

}  // namespace

MSG& currentEvent()
{
  return current;
}

WPARAM currentEventWParam()
{
  return current.wParam;
}

OMPoint currentEventMousePoint()
{
  OMPoint point;
  if (isMouseMessage(current.message))
    point = OMPoint(GET_X_LPARAM(current.lParam), GET_Y_LPARAM(current.lParam));
  filterMousePoint(point);
  return point;
}

OMMousePointFilter setMousePointFilter(OMMousePointFilter filter)
{
  const OMMousePointFilter previous = pointFilter;
  pointFilter = filter;
  return previous;
}

OMMousePointFilter mousePointFilter()
{
  return pointFilter;
}

void filterMousePoint(OMPoint& point)
{
  if (pointFilter) pointFilter(point);
}

int alertBox(const char* text, unsigned flags, const char* title)
{
  OMApp* app = OMApp::instance();
  return MessageBoxA(app ? app->frameWindow() : nullptr, text ? text : "", title ? title : "Alert",
                     flags);
}

OMRect getScreenRect(int displayIndex)
{
  if (displayIndex >= 1) return OMRect();
  return OMRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

namespace {

int depthOf(HDC dc)
{
  if (!dc) return 0;
  const int planes = GetDeviceCaps(dc, PLANES);
  const int bits = GetDeviceCaps(dc, BITSPIXEL);
  if (planes == 1) return bits;
  if (planes == 4 && bits == 1) return 4;
  return 0;
}

}  // namespace

int getScreenDepth()
{
  HDC screen = GetDC(nullptr);
  const int depth = depthOf(screen);
  ReleaseDC(nullptr, screen);
  return depth;
}

int getScreenDepth(int displayIndex)
{
  char name[32];
  std::snprintf(name, sizeof name, "\\\\.\\Display%d", displayIndex + 1);
  HDC display = CreateDCA(nullptr, name, nullptr, nullptr);
  if (!display) return getScreenDepth();
  const int depth = depthOf(display);
  DeleteDC(display);
  return depth;
}

std::uint32_t getTicks()
{
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(timeGetTime()) * 6 / 100);
}

OMPoint getMouseState(int* buttons)
{
  POINT point{};
  GetCursorPos(&point);
  if (buttons) {
    *buttons = (held(VK_RBUTTON) ? 1 : 0) | (held(VK_MBUTTON) ? 2 : 0) | (held(VK_LBUTTON) ? 4 : 0);
  }
  return OMPoint(point.x, point.y);
}

bool isKeyDown(std::uint32_t character)
{
  for (const omkey::KeyCodeEntry* entry = omkey::keyCodeTable; entry->code; ++entry) {
    if (entry->code == character) return held(entry->virtualKey);
  }
  if (character > 0xFF) return false;
  const SHORT scan = VkKeyScanA(static_cast<CHAR>(character));
  if (scan == -1) return false;
  const bool shift = (scan & 0x100) != 0;
  const bool control = (scan & 0x200) != 0;
  return held(scan & 0xFF) && held(VK_SHIFT) == shift && held(VK_CONTROL) == control;
}

bool isControlKeyDown()
{
  return held(VK_CONTROL);
}

void flushInputMessages()
{
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE | PM_NOYIELD)) {
  }
  while (
      PeekMessageA(&message, nullptr, WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK, PM_REMOVE | PM_NOYIELD)) {
  }
  while (PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE | PM_NOYIELD)) {
  }
  OMWindow::releaseMouseCapture();
}

void getVersionStrings(HMODULE module, std::string& productName, std::string& productVersion)
{
  productName.clear();
  productVersion.clear();
  char path[MAX_PATH] = {};
  if (GetModuleFileNameA(module, path, sizeof path) == 0) return;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &handle);
  if (size == 0) return;
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path, handle, size, block.data())) return;
  auto read = [&block](const char* key, std::string& out) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), key, &value, &length) || !value) return false;
    out = static_cast<const char*>(value);
    return true;
  };
  std::string name;
  std::string version;
  if (!read("\\StringFileInfo\\040904E4\\ProductName", name) ||
      !read("\\StringFileInfo\\040904E4\\ProductVersion", version))
    return;
  productName = name;
  productVersion = version;
}

namespace {

struct ModeMatch {
  int width;
  int height;
  int depth;
  bool found;
};

HRESULT WINAPI matchMode(LPDDSURFACEDESC mode, LPVOID context)
{
  auto* match = static_cast<ModeMatch*>(context);
  if (static_cast<int>(mode->dwWidth) == match->width &&
      static_cast<int>(mode->dwHeight) == match->height &&
      static_cast<int>(mode->ddpfPixelFormat.dwRGBBitCount) == match->depth) {
    match->found = true;
    return DDENUMRET_CANCEL;
  }
  return DDENUMRET_OK;
}

}  // namespace

bool probeDirectDraw(int width, int height, int depth)
{
  const OMDirectDrawLibrary& library = loadDirectDrawLibrary();
  if (!library.usable()) return false;
  ModeMatch match{width, height, depth, false};
  OMApp* app = OMApp::instance();
  if (app && app->directDraw2()) {
    app->directDraw2()->EnumDisplayModes(0, nullptr, &match, &matchMode);
    return match.found;
  }
  LPDIRECTDRAW first = nullptr;
  if (library.create(nullptr, &first, nullptr) != DD_OK || !first) return false;
  LPDIRECTDRAW2 second = nullptr;
  if (first->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&second)) == DD_OK &&
      second) {
    if (second->SetCooperativeLevel(app ? app->frameWindow() : nullptr, DDSCL_NORMAL) == DD_OK) {
      DDSURFACEDESC description{};
      description.dwSize = sizeof description;
      description.dwFlags = DDSD_CAPS;
      description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
      LPDIRECTDRAWSURFACE primary = nullptr;
      if (second->CreateSurface(&description, &primary, nullptr) == DD_OK && primary) {
        primary->Release();
        second->EnumDisplayModes(0, nullptr, &match, &matchMode);
      }
    }
    second->Release();
  }
  first->Release();
  return match.found;
}

void beep(unsigned type)
{
  MessageBeep(type);
}

bool playSoundResource(int resourceId, bool asynchronous)
{
  stopResourceSound();
  HMODULE module = OMResModule::defaultModule().instance();
  HRSRC found = omsys::findResource(module, resourceId, "WAVE");
  if (!found) return false;
  playedSound = omsys::loadResource(module, found);
  const void* bytes = omsys::lockResource(playedSound);
  if (!bytes) return false;
  return sndPlaySoundA(static_cast<LPCSTR>(bytes),
                       SND_MEMORY | SND_NODEFAULT | (asynchronous ? SND_ASYNC : SND_SYNC)) != 0;
}

void stopSoundResource()
{
  stopResourceSound();
}
