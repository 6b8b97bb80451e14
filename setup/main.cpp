// The launcher's entry point on this host: a console program whose arguments form the command
// line that WinMain receives (and ignores). It shows nothing, so no display is needed.
#include <omcrt.h>

#include <string>

#include "setup/SetupLauncher.h"

int main(int argc, char** argv)
{
  om_runWithoutWindow();
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL);
}
