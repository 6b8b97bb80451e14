#pragma once

class OMApp;

// The frame's three menus from the program's MENU resources, the menu states that scripts
// choose, the operations the items and the Escape key serve, help, and the three dialogs.

// Puts the File, Options and Help menus on the frame's menu bar; removeMenus takes them away.
void installMenus(OMApp* app);
void removeMenus();

// Enables the items of that state (0 to 9; others do nothing) and names Help item 3.
void setMenuState(int state);
int menuState();

// The Escape key, by the running script's name.
void handleEscape();
// The menu items' operations.
void restartScript();
void startNewPlayer();
void showContextHelp();
void showAbout();
// Answers the dialog's result: 1 leave (the application quits), 0 stay, -1 not made (quits).
int showExitDialog();
// Answers whether OK stored the choices.
bool showSoundDialog();
// Whether one of the dialogs above is up, and ending them all (the program is ending).
bool dialogIsOpen();
void endOpenDialogs();

// The command of a menu item by its id; false when no operation serves it.
bool menuCommand(int id);

// Centres a window on the screen without repainting it.
void centreOnScreen(void* window);
