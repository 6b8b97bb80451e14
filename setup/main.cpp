// The launcher's entry point on this host: a console program whose arguments form the command
// line that WinMain receives (and ignores).
#include <string>

#include "setup/SetupLauncher.h"

int main(int argc, char** argv)
{
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL);
}
