// The game's entry point on this host: a console program whose arguments form the command
// line that WinMain receives (and ignores). The game's edition is set before any module starts.
#include <string>

#include "framework/OMEdition.h"
#include "game/GameMain.h"

int main(int argc, char** argv)
{
  OMEdition::set(OMEdition::game);
  om_catchExitSignals();
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL);
}
