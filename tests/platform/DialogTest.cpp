// Dialogs from templates, their controls, the modal loop, dialog keys and message boxes.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/src/gdi/GdiObjectTable.h"
#include "platform/src/user/Cursor.h"
#include "platform/src/user/DialogTemplate.h"
#include "tests/support/WindowTestSupport.h"
#include "tools/rc/ResourceScript.h"

namespace {

using omtest::MessageLog;
using Bytes = std::vector<std::uint8_t>;
using Action = std::function<void()>;

Bytes templateBytes(const std::string& name)
{
  std::ifstream in(std::string(OM_DIALOG_TEMPLATES) + "/" + name + ".dlg", std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes compileDialog(const std::string& script)
{
  omrc::ResourceScript compiler({});
  EXPECT_TRUE(compiler.compile(script)) << compiler.error();
  return compiler.resources().empty() ? Bytes{} : compiler.resources().front().bytes;
}

const DLGTEMPLATE* asTemplate(const Bytes& bytes)
{
  return reinterpret_cast<const DLGTEMPLATE*>(bytes.data());
}

RECT screenRectOf(HWND dialog, int id)
{
  RECT r{};
  GetWindowRect(GetDlgItem(dialog, id), &r);
  return r;
}

// The screen keeps 5 bits a channel.
bool sameColor(COLORREF a, COLORREF b)
{
  return (a & 0xF8F8F8) == (b & 0xF8F8F8);
}

std::string textOf(HWND window)
{
  char buffer[256];
  const int n = GetWindowTextA(window, buffer, sizeof buffer);
  return std::string(buffer, static_cast<std::size_t>(n));
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    host = &omtest::startSession();
    host->setIdleHandler([this] {
      if (next < actions.size()) actions[next++]();
    });
  }
  void TearDown() override { host->setIdleHandler(nullptr); }

  // One step each time the program waits for input; then the host answers for the user.
  void play(std::vector<Action> steps)
  {
    actions = std::move(steps);
    next = 0;
  }
  Action click(int id)
  {
    return [this, id] {
      const RECT r = screenRectOf(GetActiveWindow(), id);
      host->click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
  }
  Action key(int vk)
  {
    return [this, vk] { host->typeKey(vk); };
  }
  Action altKey(int vk)
  {
    return [this, vk] {
      host->pressKey(VK_MENU);
      host->typeKey(vk);
      host->releaseKey(VK_MENU);
    };
  }
  Action closeBox()
  {
    return [this] {
      RECT r;
      GetWindowRect(GetActiveWindow(), &r);
      host->click(r.right - 8, r.top + 8);
    };
  }

  omhost::HeadlessHost* host = nullptr;
  std::vector<Action> actions;
  std::size_t next = 0;
  MessageLog log;
};

// ---------------------------------------------------------------- templates

// Both template forms read into the same dialog; every cut of a template, and a control count
// past the end, is refused.
TEST_F(DialogTest, TemplatesOfBothFormsAndDamagedOnes)
{
  const std::string body =
      "  STYLE 0x80C80080 CAPTION \"Caf\xC3\xA9\" FONT 8, \"MS Sans Serif\"\n"
      "{ CONTROL \"&Go\", 7, BUTTON, 0x50010001, 1, 2, 30, 14\n"
      "  CONTROL 300, 8, \"Static\", 0x5000000E, 3, 4, 20, 10 }\n";
  const Bytes plain = compileDialog("DIALOG 1 10, 20, 100, 50\n" + body);
  const Bytes extended = compileDialog("DIALOG 1 10, 20, 100, 50 EXTENDED\n" + body);
  for (const Bytes* bytes : {&plain, &extended}) {
    omuser::DialogTemplate t;
    ASSERT_TRUE(omuser::DialogTemplate::parse(bytes->data(), bytes->size(), t, nullptr));
    EXPECT_EQ(t.extended, bytes == &extended);
    EXPECT_EQ(t.caption, "Caf\xE9");
    EXPECT_EQ(t.face, "MS Sans Serif");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.cx, 100);
    ASSERT_EQ(t.items.size(), 2u);
    EXPECT_EQ(t.items[0].id, 7u);
    EXPECT_EQ(t.items[0].title.text, "&Go");
    EXPECT_TRUE(t.items[0].windowClass.isOrdinal);
    EXPECT_EQ(t.items[1].windowClass.text, "Static");
    EXPECT_TRUE(t.items[1].title.isOrdinal);
    EXPECT_EQ(t.items[1].title.ordinal, 300);
    for (std::size_t cut = 0; cut < bytes->size(); ++cut) {
      std::string why;
      EXPECT_FALSE(omuser::DialogTemplate::parse(bytes->data(), cut, t, &why)) << cut;
      EXPECT_FALSE(why.empty());
    }
  }
  Bytes tooMany = plain;
  tooMany[8] = 3;  // the control count
  omuser::DialogTemplate t;
  EXPECT_FALSE(omuser::DialogTemplate::parse(tooMany.data(), tooMany.size(), t, nullptr));
}

// A damaged template or a control of an unknown class fails the call and leaves no window and
// no GDI object behind.
TEST_F(DialogTest, DamagedTemplatesFailCleanly)
{
  const Bytes unknown = compileDialog(
      "DIALOG 1 0, 0, 100, 50 STYLE 0x80C80080 FONT 8, \"MS Sans Serif\"\n"
      "{ CONTROL \"OK\", 1, BUTTON, 0x50010000, 1, 1, 30, 14\n"
      "  CONTROL \"x\", 5, \"NoSuchClass\", 0x50000000, 1, 20, 10, 10 }\n");
  Bytes tooMany(0x10000, 0);  // room for what the count claims, all zero
  const Bytes good = templateBytes("129");
  std::copy(good.begin(), good.end(), tooMany.begin());
  tooMany[8] = 200;
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(4321), nullptr, nullptr, 0), -1);
  // The program's own template by name and number; left alone, its default button answers.
  // (The first one also makes the system colours' brushes, which stay.)
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(129), nullptr, nullptr, 0), IDOK);
  omtest::pumpAll();
  const std::size_t objects = omgdi::GdiObjectTable::instance().size();
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(129), nullptr, nullptr, 0), IDOK);
  HWND modeless = CreateDialogParamA(nullptr, "ABOUT", nullptr, nullptr, 0);
  ASSERT_NE(modeless, nullptr);
  EXPECT_EQ(textOf(GetDlgItem(modeless, 2)), "Close");
  DestroyWindow(modeless);
  for (const Bytes* bytes : {&unknown, static_cast<const Bytes*>(&tooMany)}) {
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, asTemplate(*bytes), nullptr, nullptr, 0), -1);
    EXPECT_EQ(CreateDialogIndirectParamA(nullptr, asTemplate(*bytes), nullptr, nullptr, 0),
              nullptr);
    EXPECT_EQ(GetTopWindow(nullptr), nullptr);
  }
  omtest::pumpAll();
  EXPECT_EQ(omgdi::GdiObjectTable::instance().size(), objects);
}

// ---------------------------------------------------------------- the start-up warning

int boxTicked = -1;
SIZE warningClient{};

INT_PTR CALLBACK warningProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  if (message == WM_INITDIALOG) {
    SetDlgItemTextA(dialog, 101, "The screen is larger than 640 by 480.");
    SetDlgItemTextA(dialog, 103, "Check here to keep this message from reappearing.");
    RECT client;
    GetClientRect(dialog, &client);
    warningClient = SIZE{client.right, client.bottom};
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == 1 || LOWORD(wParam) == 2)) {
    boxTicked = static_cast<int>(IsDlgButtonChecked(dialog, 102));
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

TEST_F(DialogTest, StartUpWarningAnswers)
{
  const Bytes bytes = templateBytes("129");
  struct Case {
    const char* what;
    std::vector<Action> steps;
    const char* environment;
    INT_PTR result;
    int ticked;
    // Input that an input script holds for later: the setting answers before it comes.
    const char* script = nullptr;
  };
  const std::vector<Case> cases = {
      {"tick the box, then Continue", {click(102), click(1)}, nullptr, 1, 1},
      {"Space ticks the box it tabbed to",
       {key(VK_TAB), key(VK_TAB), key(VK_SPACE), key(VK_RETURN)},
       nullptr,
       1,
       1},
      {"Esc", {key(VK_ESCAPE)}, nullptr, 2, 0},
      {"the close box", {closeBox()}, nullptr, 2, 0},
      {"Enter", {key(VK_RETURN)}, nullptr, 1, 0},
      {"Tab to Quit, Enter", {key(VK_TAB), key(VK_RETURN)}, nullptr, 2, 0},
      {"no input: the default button", {}, nullptr, 1, 0},
      {"no input: the answer setting", {}, "2", 2, 0},
      {"no input: the setting ticks the box, then quits", {}, "2+102", 2, 1},
      {"without the setting the script's Esc comes", {}, nullptr, 2, 0, "at 300000 key Esc\n"},
      {"the setting goes before the script's later Esc", {}, "1+102", 1, 1, "at 600000 key Esc\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.environment != nullptr) setenv("OM_DIALOG_ANSWER", c.environment, 1);
    play(c.steps);
    std::string error;
    if (c.script != nullptr) {
      ASSERT_TRUE(host->parseInputScript(c.script, error)) << error;
    }
    boxTicked = -1;
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, asTemplate(bytes), nullptr, &warningProcedure, 0),
              c.result);
    unsetenv("OM_DIALOG_ANSWER");
    // The script's Esc is still to come when the setting answered.
    EXPECT_EQ(host->scriptFinished(), c.script == nullptr || c.result == 2);
    EXPECT_EQ(boxTicked, c.ticked);
    EXPECT_EQ(warningClient.cx, 360);
    EXPECT_EQ(warningClient.cy, 195);
    ASSERT_FALSE(host->dialogs().empty());
    EXPECT_EQ(host->dialogs().back().caption, "Velmora Trasko Adventures");
    EXPECT_EQ(host->dialogs().back().answer, c.result);
  }
}

// ---------------------------------------------------------------- the hidden layout copy

int fontHeight = 0;

INT_PTR CALLBACK layoutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  if (message != WM_SETFONT) return FALSE;
  HDC dc = GetDC(dialog);
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(wParam));
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  fontHeight = metrics.tmHeight;
  SelectObject(dc, old);
  ReleaseDC(dialog, dc);
  return TRUE;
}

struct ChildSeen {
  std::string className;
  int id;
  unsigned style;
  std::string text;
  RECT rect;
};

BOOL CALLBACK collectChild(HWND child, LPARAM param)
{
  char name[127];
  GetClassNameA(child, name, sizeof name);
  RECT r;
  GetWindowRect(child, &r);
  reinterpret_cast<std::vector<ChildSeen>*>(param)->push_back(ChildSeen{
      name, GetDlgCtrlID(child), static_cast<unsigned>(GetWindowLongA(child, GWL_STYLE)) & 0xFFFF,
      textOf(child), r});
  return TRUE;
}

// A hidden, disabled copy lays the template out in dialog units of "MS Sans Serif" 8 (6 by
// 13): places relative to the screen, rounded as MulDiv rounds.
TEST_F(DialogTest, HiddenCopyReportsTheLayout)
{
  Bytes copy = templateBytes("129");
  DWORD style;
  std::memcpy(&style, copy.data(), 4);
  style = (style & ~WS_VISIBLE) | WS_DISABLED;
  std::memcpy(copy.data(), &style, 4);
  fontHeight = 0;
  HWND dialog = CreateDialogIndirectParamA(nullptr, asTemplate(copy), nullptr, &layoutProcedure, 0);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(fontHeight, 13);
  EXPECT_FALSE(IsWindowVisible(dialog));
  std::vector<ChildSeen> seen;
  EnumChildWindows(dialog, &collectChild, reinterpret_cast<LPARAM>(&seen));
  const std::vector<ChildSeen> wanted = {
      {"Button", 1, 0x0000, "Continue", {306, 302, 381, 325}},
      {"Button", 2, 0x0000, "Quit", {408, 302, 483, 325}},
      {"Static", 101, 0x0000, "", {201, 153, 504, 249}},
      {"Button", 102, 0x0003, "", {167, 258, 185, 282}},
      {"Static", 103, 0x0000, "", {186, 263, 498, 294}},
  };
  ASSERT_EQ(seen.size(), wanted.size());
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    SCOPED_TRACE(wanted[i].id);
    EXPECT_EQ(seen[i].className, wanted[i].className);
    EXPECT_EQ(seen[i].id, wanted[i].id);
    EXPECT_EQ(seen[i].style, wanted[i].style);
    EXPECT_EQ(seen[i].text, wanted[i].text);
    EXPECT_EQ(seen[i].rect.left, wanted[i].rect.left);
    EXPECT_EQ(seen[i].rect.top, wanted[i].rect.top);
    EXPECT_EQ(seen[i].rect.right, wanted[i].rect.right);
    EXPECT_EQ(seen[i].rect.bottom, wanted[i].rect.bottom);
  }
  RECT units{0, 0, 4, 8};
  EXPECT_TRUE(MapDialogRect(dialog, &units));
  EXPECT_EQ(units.right, 6);
  EXPECT_EQ(units.bottom, 13);
  EXPECT_EQ(GetDialogBaseUnits(), MAKELONG(8, 16));
  EXPECT_TRUE(DestroyWindow(dialog));

  // An ordinal title keeps 0xFF, low, high: the bitmap id is in its second and third bytes.
  HWND looks =
      CreateDialogIndirectParamA(nullptr, asTemplate(templateBytes("LOOKS")), nullptr, nullptr, 0);
  ASSERT_NE(looks, nullptr);
  EXPECT_EQ(textOf(GetDlgItem(looks, 31)), std::string("\xFF\x2C\x01", 3));
  DestroyWindow(looks);
}

// ---------------------------------------------------------------- the assessment dialogs

struct ExitSeen {
  bool ownerEnabledAtFont = true;
  bool fontBeforeInit = false;
  bool initSeen = false;
} exitSeen;

INT_PTR CALLBACK exitProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  switch (message) {
    case WM_SETFONT:
      exitSeen.ownerEnabledAtFont = IsWindowEnabled(GetParent(dialog)) != FALSE;
      exitSeen.fontBeforeInit = !exitSeen.initSeen;
      return TRUE;
    case WM_INITDIALOG: {
      exitSeen.initSeen = true;
      RECT r;
      GetWindowRect(dialog, &r);
      SetWindowPos(dialog, nullptr, (640 - (r.right - r.left)) / 2, (480 - (r.bottom - r.top)) / 2,
                   0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == 10) EndDialog(dialog, 1);
      if (LOWORD(wParam) == 11) EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

// Owned by the stage: the stage is disabled before the dialog is made and comes back, active,
// before the dialog goes. The order of the stage's messages is the one a Win32 program shows:
// WM_CANCELMODE, WM_KILLFOCUS, WM_ENABLE(FALSE); deactivation when the dialog shows;
// WM_ENTERIDLE while it waits; WM_ENABLE(TRUE), activation and the focus back at the end.
TEST_F(DialogTest, ExitDialogOwnedByTheStage)
{
  HWND stage = omtest::makeTopLevel(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 640, 480});
  omtest::pumpAll();
  const Bytes bytes = templateBytes("EXIT_GAME_DIALOG");
  struct Case {
    const char* what;
    std::vector<Action> steps;
    INT_PTR result;
  };
  const std::vector<Case> cases = {
      {"Y", {key('Y')}, 1},
      {"Alt+Y", {altKey('Y')}, 1},
      {"n", {key('N')}, 0},
      {"click No", {click(11)}, 0},
      {"Tab, Space", {key(VK_TAB), key(VK_SPACE)}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool dialogAliveAtEnable = false;
    log.clear();
    log.override = [&](const omtest::Seen& seen, bool&) -> LRESULT {
      if (seen.message == WM_ENABLE && seen.wParam == TRUE)
        dialogAliveAtEnable =
            IsWindow(GetLastActivePopup(stage)) && GetLastActivePopup(stage) != stage;
      return 0;
    };
    exitSeen = ExitSeen{};
    std::vector<Action> steps = c.steps;
    steps.insert(steps.begin(), [&] {
      EXPECT_FALSE(IsWindowEnabled(stage));
      EXPECT_NE(GetActiveWindow(), stage);
    });
    play(steps);
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, asTemplate(bytes), stage, &exitProcedure, 0),
              c.result);
    log.override = nullptr;
    EXPECT_FALSE(exitSeen.ownerEnabledAtFont);
    EXPECT_TRUE(exitSeen.fontBeforeInit);
    EXPECT_TRUE(dialogAliveAtEnable);
    EXPECT_TRUE(IsWindowEnabled(stage));
    EXPECT_EQ(GetActiveWindow(), stage);
    EXPECT_EQ(GetFocus(), stage);
    std::vector<UINT> order = log.only(
        {WM_CANCELMODE, WM_KILLFOCUS, WM_ENABLE, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS}, stage);
    EXPECT_EQ(order,
              (std::vector<UINT>{WM_CANCELMODE, WM_KILLFOCUS, WM_ENABLE, WM_NCACTIVATE, WM_ACTIVATE,
                                 WM_ENABLE, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS}));
    EXPECT_GE(log.count(WM_ENTERIDLE, stage), 1);
  }
}

int effects = 1, music = 1, voice = 1;

INT_PTR CALLBACK soundProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  if (message == WM_INITDIALOG) {
    CheckRadioButton(dialog, 12, 13, effects == 1 ? 12 : 13);
    CheckRadioButton(dialog, 14, 15, music == 1 ? 14 : 15);
    CheckRadioButton(dialog, 16, 17, voice == 1 ? 16 : 17);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case 1:
      effects = IsDlgButtonChecked(dialog, 12) == BST_CHECKED ? 1 : 0;
      music = IsDlgButtonChecked(dialog, 14) == BST_CHECKED ? 1 : 0;
      voice = IsDlgButtonChecked(dialog, 16) == BST_CHECKED ? 1 : 0;
      EndDialog(dialog, 1);
      return TRUE;
    case 2:
      EndDialog(dialog, 2);
      return TRUE;
    default:
      return TRUE;  // the radio buttons' clicks
  }
}

// Radio pairs by arrows (automatic radios follow the focus) and by clicks; OK stores, Cancel
// does not.
TEST_F(DialogTest, SoundDialogRadios)
{
  HWND stage = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  const Bytes bytes = templateBytes("SOUND_DIALOG");
  struct Case {
    const char* what;
    std::vector<Action> steps;
    std::array<int, 3> flags;
  };
  const std::vector<Case> cases = {
      {"arrow to Off, OK", {key(VK_RIGHT), click(1)}, {0, 1, 1}},
      {"arrow there and back, Enter", {key(VK_DOWN), key(VK_UP), key(VK_RETURN)}, {1, 1, 1}},
      {"clicks, OK", {click(15), click(17), click(1)}, {1, 0, 0}},
      {"Tab to music, arrow, Enter", {key(VK_TAB), key(VK_RIGHT), key(VK_RETURN)}, {1, 0, 1}},
      {"clicks, Cancel", {click(13), click(15), click(2)}, {1, 1, 1}},
      {"clicks, Esc", {click(13), key(VK_ESCAPE)}, {1, 1, 1}},
      {"click, Alt+O", {click(17), altKey('O')}, {1, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    effects = music = voice = 1;
    play(c.steps);
    DialogBoxIndirectParamA(nullptr, asTemplate(bytes), stage, &soundProcedure, 0);
    EXPECT_EQ((std::array<int, 3>{effects, music, voice}), c.flags);
  }
}

std::unique_ptr<omuser::Cursor> appIconLoader(HINSTANCE, LPCSTR name, bool icon)
{
  if (IS_INTRESOURCE(name) || std::string(name) != "OM_APP_ICON" || !icon) return nullptr;
  auto made = std::make_unique<omuser::Cursor>();
  made->width = made->height = 32;
  made->pixels.assign(32 * 32, 0xFF00FF00u);
  return made;
}

INT_PTR CALLBACK aboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

// The About dialog shows the program's icon "OM_APP_ICON" at the icon's size; left alone it is
// answered by its default button, and recorded.
TEST_F(DialogTest, AboutShowsTheApplicationIcon)
{
  omuser::setCursorResourceLoader(&appIconLoader);
  HWND stage = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  HWND iconControl = nullptr;
  COLORREF iconPixel = 0;
  play({[&] {
    iconControl = GetWindow(GetActiveWindow(), GW_CHILD);
    RECT r;
    GetWindowRect(iconControl, &r);
    EXPECT_EQ(r.right - r.left, 32);
    EXPECT_EQ(r.bottom - r.top, 32);
    HDC screen = GetDC(nullptr);
    iconPixel = GetPixel(screen, r.left + 10, r.top + 10);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(textOf(iconControl), "OM_APP_ICON");
  }});
  const HINSTANCE module = reinterpret_cast<HINSTANCE>(0x400000);
  EXPECT_EQ(DialogBoxIndirectParamA(module, asTemplate(templateBytes("ABOUT")), stage,
                                    &aboutProcedure, 0),
            1);
  omuser::setCursorResourceLoader(nullptr);
  EXPECT_NE(iconControl, nullptr);
  EXPECT_EQ(GetGValue(iconPixel), 255);
  EXPECT_EQ(GetRValue(iconPixel), 0);
  ASSERT_EQ(host->dialogs().size(), 1u);
  EXPECT_EQ(host->dialogs()[0].defaultId, 1);
  EXPECT_EQ(host->dialogs()[0].controls.size(), 4u);
}

// ---------------------------------------------------------------- message boxes

// A message box is a dialog in the screen: the buttons of its style, Enter for its default
// button, Esc for Cancel (or OK when that is all it has), mnemonics; a quit message ends it
// and stays queued.
TEST_F(DialogTest, MessageBoxKeysAndLook)
{
  HWND stage = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  struct Case {
    UINT style;
    std::vector<Action> steps;
    int answer;
    std::vector<int> buttons;
  };
  const Action quit = [] { PostQuitMessage(3); };
  const std::vector<Case> cases = {
      {MB_OK, {key(VK_ESCAPE)}, IDOK, {IDOK}},
      {MB_OKCANCEL, {key(VK_ESCAPE)}, IDCANCEL, {IDOK, IDCANCEL}},
      {MB_OKCANCEL | MB_DEFBUTTON2, {key(VK_RETURN)}, IDCANCEL, {IDOK, IDCANCEL}},
      {MB_YESNO | MB_ICONQUESTION, {key(VK_ESCAPE), key('N')}, IDNO, {IDYES, IDNO}},
      {MB_YESNOCANCEL, {click(IDNO)}, IDNO, {IDCANCEL, IDYES, IDNO}},
      {MB_ABORTRETRYIGNORE | MB_ICONHAND, {altKey('I')}, IDIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
      {MB_RETRYCANCEL, {quit}, 0, {IDCANCEL, IDRETRY}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    std::vector<int> seenButtons;
    COLORREF face = 0;
    std::string shown;
    std::vector<Action> steps = c.steps;
    steps.insert(steps.begin(), [&] {
      HWND box = GetActiveWindow();
      for (int id = IDOK; id <= IDNO; ++id)  // in the order of their ids
        if (GetDlgItem(box, id) != nullptr) seenButtons.push_back(id);
      for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == 0xFFFF) shown += textOf(child);
      POINT corner{2, 2};
      ClientToScreen(box, &corner);
      HDC screen = GetDC(nullptr);
      face = GetPixel(screen, corner.x, corner.y);
      ReleaseDC(nullptr, screen);
    });
    play(steps);
    EXPECT_EQ(MessageBoxA(stage, "Do you want to start a new player?", "Start New Player", c.style),
              c.answer);
    EXPECT_EQ(seenButtons, c.buttons);
    EXPECT_NE(shown.find("Do you want to start a new player?"), std::string::npos);
    EXPECT_TRUE(sameColor(face, GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(host->messageBoxes().back().answer, c.answer);
  }
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
}

// ---------------------------------------------------------------- looks

COLORREF screenPixel(HWND control, int x, int y)
{
  RECT client;
  GetClientRect(control, &client);
  POINT p{x < 0 ? client.right + x : x, y < 0 ? client.bottom + y : y};
  ClientToScreen(control, &p);
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  return c;
}

// Every control state against the look rules: push buttons raised (light and highlight over
// dark shadow and shadow), the default one framed in black, a pressed one black over shadow;
// check boxes and radio buttons sunken with a white inside and a black mark (grey for the
// third state, face inside while pressed); group boxes and statics etched, framed or filled.
TEST_F(DialogTest, ControlLooks)
{
  HWND dialog =
      CreateDialogIndirectParamA(nullptr, asTemplate(templateBytes("LOOKS")), nullptr, nullptr, 0);
  ASSERT_NE(dialog, nullptr);
  ShowWindow(dialog, SW_SHOW);
  omtest::pumpAll();
  struct Case {
    const char* what;
    int id;
    std::function<void(HWND)> setUp;
    std::vector<std::array<int, 3>> pixels;  // x, y (negative: from the far edge), colour
  };
  auto none = [](HWND) {};
  auto check = [](int state) {
    return [state](HWND c) { SendMessageA(c, BM_SETCHECK, state, 0); };
  };
  auto press = [](HWND c) { SendMessageA(c, BM_SETSTATE, TRUE, 0); };
  const std::vector<Case> cases = {
      {"push",
       20,
       none,
       {{0, 0, COLOR_3DLIGHT},
        {-1, -1, COLOR_3DDKSHADOW},
        {1, 1, COLOR_BTNHIGHLIGHT},
        {-2, -2, COLOR_BTNSHADOW},
        {2, 2, COLOR_BTNFACE}}},
      {"default",
       21,
       none,
       {{0, 0, COLOR_WINDOWFRAME},
        {-1, -1, COLOR_WINDOWFRAME},
        {1, 1, COLOR_3DLIGHT},
        {2, 2, COLOR_BTNHIGHLIGHT},
        {-2, -2, COLOR_3DDKSHADOW}}},
      {"pressed",
       20,
       press,
       {{0, 0, COLOR_WINDOWFRAME},
        {1, 1, COLOR_BTNSHADOW},
        {-2, -2, COLOR_BTNSHADOW},
        {2, 2, COLOR_BTNFACE}}},
      {"check box",
       22,
       none,
       {{0, 3, COLOR_BTNSHADOW},
        {1, 4, COLOR_3DDKSHADOW},
        {12, 15, COLOR_BTNHIGHLIGHT},
        {11, 14, COLOR_3DLIGHT},
        {6, 9, COLOR_WINDOW}}},
      {"checked", 22, check(BST_CHECKED), {{6, 9, COLOR_BTNTEXT}, {3, 6, COLOR_WINDOW}}},
      {"check box pressed", 22, press, {{6, 9, COLOR_BTNFACE}}},
      {"third state",
       23,
       check(BST_INDETERMINATE),
       {{3, 6, COLOR_BTNFACE}, {6, 9, COLOR_BTNSHADOW}}},
      {"radio",
       24,
       none,
       {{5, 8, COLOR_WINDOW}, {0, 8, COLOR_BTNSHADOW}, {11, 8, COLOR_BTNHIGHLIGHT}}},
      {"radio checked", 24, check(BST_CHECKED), {{5, 8, COLOR_BTNTEXT}, {4, 7, COLOR_WINDOW}}},
      {"group box",
       25,
       none,
       {{0, 6, COLOR_BTNSHADOW}, {1, 7, COLOR_BTNHIGHLIGHT}, {0, 0, COLOR_BTNFACE}}},
      {"black frame", 29, none, {{0, 0, COLOR_WINDOWFRAME}, {-1, -1, COLOR_WINDOWFRAME}}},
      {"white rectangle", 30, none, {{5, 5, COLOR_BTNHIGHLIGHT}}},
      {"focus moves the default look",
       20,
       [](HWND c) { SetFocus(c); },
       {{0, 0, COLOR_WINDOWFRAME}, {2, 2, COLOR_BTNHIGHLIGHT}}},
  };
  // The focus starts on a check box: the default button keeps its look.
  SetFocus(GetDlgItem(dialog, 22));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HWND control = GetDlgItem(dialog, c.id);
    c.setUp(control);
    omtest::pumpAll();
    for (const auto& [x, y, color] : c.pixels) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      EXPECT_TRUE(sameColor(screenPixel(control, x, y), GetSysColor(color)));
    }
    SendMessageA(control, BM_SETSTATE, FALSE, 0);
    SendMessageA(control, BM_SETCHECK, BST_UNCHECKED, 0);
  }
  // With the focus on a plain button, the default one looks plain, and the focus rectangle
  // inverts the face.
  EXPECT_TRUE(
      sameColor(screenPixel(GetDlgItem(dialog, 21), 1, 1), GetSysColor(COLOR_BTNHIGHLIGHT)));
  EXPECT_LT(GetRValue(screenPixel(GetDlgItem(dialog, 20), 4, 4)), 80);
  // An automatic three-state box clicks through its states.
  HWND three = GetDlgItem(dialog, 23);
  std::vector<LRESULT> states;
  for (int i = 0; i < 3; ++i) {
    SendMessageA(three, BM_CLICK, 0, 0);
    states.push_back(SendMessageA(three, BM_GETCHECK, 0, 0));
  }
  EXPECT_EQ(states, (std::vector<LRESULT>{BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}));
  DestroyWindow(dialog);
}

// Static texts show exactly what DrawTextA draws in the same rectangle with the same font.
TEST_F(DialogTest, StaticTextsAsDrawText)
{
  HWND dialog =
      CreateDialogIndirectParamA(nullptr, asTemplate(templateBytes("LOOKS")), nullptr, nullptr, 0);
  ASSERT_NE(dialog, nullptr);
  ShowWindow(dialog, SW_SHOW);
  omtest::pumpAll();
  const std::vector<std::pair<int, UINT>> cases = {
      {26, DT_LEFT | DT_WORDBREAK},
      {27, DT_CENTER | DT_WORDBREAK},
      {28, DT_RIGHT | DT_WORDBREAK | DT_NOPREFIX},
  };
  HDC screen = GetDC(nullptr);
  for (const auto& [id, format] : cases) {
    SCOPED_TRACE(id);
    HWND control = GetDlgItem(dialog, id);
    RECT r;
    GetClientRect(control, &r);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    const HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    FillRect(memory, &r, GetSysColorBrush(COLOR_BTNFACE));
    const HGDIOBJ oldFont =
        SelectObject(memory, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, GetSysColor(COLOR_WINDOWTEXT));
    const std::string text = textOf(control);
    RECT measured = r;
    DrawTextA(memory, text.c_str(), -1, &measured, format | DT_CALCRECT);
    DrawTextA(memory, text.c_str(), -1, &r, format);
    POINT origin{0, 0};
    ClientToScreen(control, &origin);
    int differing = 0, inked = 0;
    for (int y = 0; y < r.bottom; ++y)
      for (int x = 0; x < r.right; ++x) {
        const COLORREF wanted = GetPixel(memory, x, y);
        differing += wanted != GetPixel(screen, origin.x + x, origin.y + y);
        inked += !sameColor(wanted, GetSysColor(COLOR_BTNFACE));
      }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(inked, 20);
    if (id == 26) {
      EXPECT_GT(measured.bottom - measured.top, 13);  // wrapped over lines
    }
    SelectObject(memory, oldFont);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
  }
  ReleaseDC(nullptr, screen);
  DestroyWindow(dialog);
}

// DrawTextA: the lines of a word break, one line, and an "&" that underlines the letter after
// it ("&&" is an ampersand).
TEST_F(DialogTest, DrawTextLinesAndUnderlines)
{
  HDC screen = GetDC(nullptr);
  HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
  SelectObject(screen, font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen, &metrics);
  SIZE word{};
  GetTextExtentPoint32A(screen, "three", 5, &word);
  struct Case {
    const char* text;
    UINT format;
    int width;
    int lines;
  };
  const std::vector<Case> cases = {
      {"one two three", DT_WORDBREAK, static_cast<int>(word.cx) + 2, 3},
      {"one two three", DT_SINGLELINE, 10, 1},
      {"one\ntwo\r\nthree", 0, 500, 3},
      {"averyveryverylongword", DT_WORDBREAK, 10, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    RECT r{0, 0, c.width, 0};
    EXPECT_EQ(DrawTextA(screen, c.text, -1, &r, c.format | DT_CALCRECT),
              c.lines * metrics.tmHeight);
    EXPECT_EQ(r.bottom, c.lines * metrics.tmHeight);
  }
  // The underline lies one pixel under the base line, under the marked letter only.
  RECT area{0, 0, 200, 40};
  FillRect(screen, &area, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(screen, TRANSPARENT);
  SetTextColor(screen, RGB(0, 0, 0));
  RECT line = area;
  DrawTextA(screen, "A&&B &Yes", -1, &line, DT_LEFT | DT_SINGLELINE);
  SIZE before{}, letter{};
  GetTextExtentPoint32A(screen, "A&B ", 4, &before);
  GetTextExtentPoint32A(screen, "A&B Y", 5, &letter);
  const int row = metrics.tmAscent + 1;
  int underlined = 0;
  for (int x = 0; x < 200; ++x)
    if (GetPixel(screen, x, row) == RGB(0, 0, 0)) {
      ++underlined;
      EXPECT_GE(x, before.cx);
      EXPECT_LT(x, letter.cx);
    }
  EXPECT_EQ(underlined, letter.cx - before.cx);
  SelectObject(screen, GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
}

}  // namespace
