#include "assessment/src/AssessmentMenus.h"

#include <windows.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>

#include "assessment/src/AppMain.h"
#include "assessment/src/GlobalCommands.h"
#include "assessment/src/SoundFlags.h"
#include "framework/OMApp.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMMenubar.h"
#include "framework/OMSystem.h"
#include "framework/OMWaveSound.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/rthread/YThread.h"

namespace {

constexpr int stateCount = 10;
const char helpFile[] = "Tovik.HLP";

// Which items each state enables: File 0-3, then Options 0.
constexpr std::array<std::array<bool, 5>, stateCount> enabledItems = {{
    {false, false, false, true, false},
    {false, false, false, true, false},
    {false, false, true, true, false},
    {true, false, true, true, false},
    {true, true, true, true, true},
    {true, true, true, true, true},
    {true, true, true, true, true},
    {true, false, true, true, false},
    {true, false, true, true, false},
    {true, false, true, true, false},
}};
constexpr std::array<const char*, stateCount> helpItemTexts = {
    "Splash Screen Help", "Signing in", "Main Menu",  "Rides Menu",     "Dizu Rurid",
    "Roller Coaster",     "Log Ride",   "Dizu Rurid", "Roller Coaster", "Log Ride"};
constexpr std::array<const char*, stateCount> helpTopics = {"",
                                                            "Sign-In",
                                                            "Main Menu",
                                                            "Rides Menu",
                                                            "Dizu Rurid Game",
                                                            "Roller Coaster Game",
                                                            "Log Ride Game",
                                                            "Dizu Rurid Game",
                                                            "Roller Coaster Game",
                                                            "Log Ride Game"};

struct Menus {
  std::unique_ptr<OMMenubar> bar;
  OMMenu* file = nullptr;
  OMMenu* options = nullptr;
  OMMenu* help = nullptr;
  int state = 0;
  int openDialogs = 0;
};

Menus& menus()
{
  static Menus state;
  return state;
}

OMWord onMenuItem(OMWord id)
{
  menuCommand(static_cast<int>(id));
  return 0;
}

// The first popup of a MENU resource of the program; each command calls onMenuItem with its id.
OMMenu* loadMenu(int resourceId)
{
  const OMLinkToFct command(&onMenuItem);
  return OMMenu::fromResource(nullptr, resourceId, &command).release();
}

YThread* runningThread()
{
  YThread* thread = assessmentThread();
  return thread;
}

// Stops the script, fades to black and starts the named script in its place. The name is
// a copy: loading forgets the thread's own name before it reads the one given.
void switchScript(std::string name)
{
  YThread* thread = runningThread();
  if (!thread) return;
  thread->stop();
  fadeToBlack(0);
  if (thread->load(name.c_str())) thread->start();
}

// Exactly, case included: "mthRacer.mps" is another script than "mthracer.mps".
bool nameIs(const std::string& name, const char* wanted)
{
  return name == wanted;
}

void centreDialog(HWND dialog)
{
  centreOnScreen(dialog);
}

INT_PTR CALLBACK exitDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  if (message == WM_INITDIALOG) {
    centreDialog(dialog);
    playSoundResource(6094, true);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case 10:
      playSoundResource(std::rand() % 2 == 0 ? 6098 : 6097, false);
      EndDialog(dialog, 1);
      return TRUE;
    case 11:
      playSoundResource(6099, false);
      EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

constexpr std::array<std::pair<SoundFlag, int>, 3> soundButtons = {
    {{SoundFlag::effects, 12}, {SoundFlag::music, 14}, {SoundFlag::voice, 16}}};

INT_PTR CALLBACK soundDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  if (message == WM_INITDIALOG) {
    MSG pending;
    while (PeekMessageA(&pending, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE)) {
    }
    centreDialog(dialog);
    for (const auto& [flag, on] : soundButtons)
      CheckRadioButton(dialog, on, on + 1, soundFlag(flag) == 1 ? on : on + 1);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wParam);
  if (id == IDOK) {
    for (const auto& [flag, on] : soundButtons)
      setSoundFlag(flag, IsDlgButtonChecked(dialog, on) == BST_CHECKED ? 1 : 0);
    EndDialog(dialog, 1);
    return TRUE;
  }
  if (id == IDCANCEL) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  return id >= 12 && id <= 17 ? TRUE : FALSE;
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  if (message == WM_INITDIALOG) {
    centreDialog(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  EndDialog(dialog, LOWORD(wParam));
  return TRUE;
}

HWND stageWindow()
{
  OMTrinketWindow* stage = assessmentStage();
  return stage ? stage->handle() : nullptr;
}

}  // namespace

void installMenus(OMApp* app)
{
  Menus& m = menus();
  m.bar = std::make_unique<OMMenubar>();
  m.file = loadMenu(333);
  m.options = loadMenu(334);
  m.help = loadMenu(335);
  for (OMMenu* menu : {m.file, m.options, m.help})
    if (menu) m.bar->addMenu(menu);
  m.state = 0;
  if (app) app->setMenu(m.bar.get());
}

void removeMenus()
{
  Menus& m = menus();
  if (OMApp* app = OMApp::instance(); app && app->menu() == m.bar.get()) app->resetMenu();
  m.bar.reset();
  m = Menus{};
}

void setMenuState(int state)
{
  Menus& m = menus();
  if (state < 0 || state >= stateCount) return;
  m.state = state;
  const auto& enabled = enabledItems[static_cast<std::size_t>(state)];
  if (m.file)
    for (int i = 0; i < 4; ++i)
      m.file->enable(i, enabled[static_cast<std::size_t>(i)]);
  if (m.options) m.options->enable(0, enabled[4]);
  if (m.help) {
    for (int i : {0, 1, 3, 5})
      m.help->enable(i, true);
    const UINT id = GetMenuItemID(m.help->handle(), 3);
    const UINT grey = GetMenuState(m.help->handle(), 3, MF_BYPOSITION) & MF_GRAYED;
    ModifyMenuA(m.help->handle(), 3, MF_BYPOSITION | MF_STRING | grey, id,
                helpItemTexts[static_cast<std::size_t>(state)]);
  }
  if (OMApp* app = OMApp::instance(); app && app->frameWindow()) DrawMenuBar(app->frameWindow());
}

int menuState()
{
  return menus().state;
}

bool menuCommand(int id)
{
  switch (id) {
    case 101:
      handleEscape();
      return true;
    case 102:
      restartScript();
      return true;
    case 103:
      startNewPlayer();
      return true;
    case 104:
      showExitDialog();
      return true;
    case 203:
      WinHelpA(stageWindow(), helpFile, HELP_CONTENTS, 0);
      return true;
    case 204:
      WinHelpA(stageWindow(), "winhelp.hlp", HELP_CONTENTS, 0);
      return true;
    case 205:
      showContextHelp();
      return true;
    case 206:
      showAbout();
      return true;
    default:
      return false;
  }
}

void handleEscape()
{
  YThread* thread = runningThread();
  if (!thread) return;
  const std::string name = thread->name();
  if (nameIs(name, "mthracer.mps") || nameIs(name, "lf.mps") || nameIs(name, "rc.mps")) {
    switchScript("mainmenu.mps");
  } else if (nameIs(name, "mainmenu.mps")) {
    switchScript("suprmenu.mps");
  } else if (nameIs(name, "suprmenu.mps") || nameIs(name, "signin.mps")) {
    showExitDialog();
  }
}

void restartScript()
{
  if (YThread* thread = runningThread()) switchScript(thread->name());
}

void startNewPlayer()
{
  const int answer = alertBox(
      "You are about to start a new player.  Your current game will be saved. Do you want to "
      "start a new player?",
      0x3004, "Start New Player");
  if (answer == IDYES) switchScript("signin.mps");
}

void showContextHelp()
{
  const int state = menus().state;
  if (state < 0 || state >= stateCount) return;
  WinHelpA(stageWindow(), helpFile, HELP_KEY,
           reinterpret_cast<ULONG_PTR>(helpTopics[static_cast<std::size_t>(state)]));
}

// The program's own modal dialogs, counted while they are up.
INT_PTR runDialog(const char* name, DLGPROC procedure)
{
  struct Open {
    Open() { ++menus().openDialogs; }
    ~Open() { --menus().openDialogs; }
  } open;
  return DialogBoxParamA(OMApp::programInstance(), name, stageWindow(), procedure, 0);
}

bool dialogIsOpen()
{
  return menus().openDialogs > 0;
}

void endOpenDialogs()
{
  // A quit message ends every modal loop; the main loop is left to end as asked.
  if (dialogIsOpen()) PostQuitMessage(0);
}

void showAbout()
{
  runDialog("ABOUT", &aboutDialogProc);
}

int showExitDialog()
{
  pauseSoundOutput();
  closeWaveOut();
  const INT_PTR result = runDialog("EXIT_GAME_DIALOG", &exitDialogProc);
  stopSoundResource();
  if (result == 0) {
    openWaveOut(1);
    resumeSoundOutput();
    return 0;
  }
  if (OMApp* app = assessmentApp()) app->quit();
  return result == 1 ? 1 : -1;
}

bool showSoundDialog()
{
  return runDialog("SOUND_DIALOG", &soundDialogProc) == 1;
}

void centreOnScreen(void* window)
{
  HWND handle = static_cast<HWND>(window);
  RECT rect{};
  if (!GetWindowRect(handle, &rect)) return;
  const OMRect screen = getScreenRect(0);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  SetWindowPos(handle, nullptr, (screen.width() - width) / 2, (screen.height() - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
}
