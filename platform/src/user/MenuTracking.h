#pragma once

#include <windows.h>

namespace omuser {

struct Window;

// How a menu loop starts.
struct MenuStart {
  enum Kind {
    Keyboard,  // the bar with its first item tracked, or the item of an access letter
    Mouse,     // the bar item under a point, opened
    System,    // the window menu, opened under its box
    Popup,     // TrackPopupMenu
  } kind = Keyboard;
  char letter = 0;
  POINT point{};   // screen coordinates (Mouse, Popup)
  UINT flags = 0;  // TPM_* (Popup)
  HMENU popup = nullptr;
};

// Runs the modal menu loop for the window's bar, window menu or a popup, sending the menu
// messages in Windows' order; answers the chosen command id (0 when none). The command is
// posted (WM_COMMAND, or WM_SYSCOMMAND from the window menu) unless TPM_RETURNCMD was asked.
UINT trackMenu(Window* owner, const MenuStart& start);

}  // namespace omuser
