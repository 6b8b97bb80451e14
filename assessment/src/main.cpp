// The assessment program's entry point on this host: its edition is set before any module
// starts, then the engine's shared entry runs the program's main.
#include <omcrt.h>

#include <string>

#include "assessment/src/AppMain.h"
#include "framework/OMEdition.h"
#include "framework/OMProgramEntry.h"

int main(int argc, char** argv)
{
  OMEdition::set(OMEdition::assessment);
  // The first signal asks as the close box does; a second one saves and ends the program.
  om_catchExitSignals();
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return runProgramEntry(GetModuleHandleA(nullptr), commandLine.data(), &appMain);
}
