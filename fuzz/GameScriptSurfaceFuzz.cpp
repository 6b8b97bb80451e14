// Generated scripts over everything the game's registries offer, run in the game as its main
// runs it: its resources, stage, global functions and world port, on a headless session with
// the stepping clock, for a bounded number of passes, then taken down again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/OMEdition.h"
#include "framework/OMProgramEnd.h"
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/SurfaceContent.h"
#include "fuzz/support/SurfaceRun.h"
#include "game/AppShell.h"
#include "game/GameMain.h"
#include "game/MachineChecks.h"
#include "game/OMStageWindow.h"
#include "game/RWorldPort.h"
#include "platform/src/gdi/Printer.h"

namespace {

const std::string cdFolder = "cd";

std::vector<surfacecontent::File> files()
{
  return {// The resource files are the CD's, as the game looks for them.
          {cdFolder + "/RSC/game.rsc", surfacecontent::resourceFile()},
          // With its settings file the game keeps its data file in the current folder.
          surfacecontent::textFile("korvanix.INI", "[Velmora Trasko Adventures - CD]\r\n"),
          // The script a switch goes to: it comes back to the first one.
          surfacecontent::textFile("other.mps", "say other\rexit\r")};
}

// The game main's steps, up to its main loop and after it, but for the machine check.
bool start()
{
  installPaletteShiftHook(&paletteColourShift);
  RWorldPort::setDataFilePath(getDataFilePath());
  RWorldPort::createGlobalFields();
  OMProgramEnd::setPreExitCall([] { RWorldPort::saveData(); });
  return startGame(3);
}

void end()
{
  endGame();
  RWorldPort::shutdown();
  OMProgramEnd::setPreExitCall(nullptr);
  installPaletteShiftHook(nullptr);
}

const SurfaceRun::Program& game()
{
  static const SurfaceRun::Program program = [] {
    ::setenv("OM_DRIVE_D", (omfuzz::workFolder() + "/" + cdFolder).c_str(), 1);
    // Pages of a coarse printer: a script may print many, and each is drawn pixel by pixel.
    omgdi::PrinterModel printer;
    printer.name = "Fuzz Printer";
    printer.dotsPerInch = 20;
    printer.physicalWidth = 170;
    printer.physicalHeight = 220;
    printer.offsetX = printer.offsetY = 5;
    omgdi::PrinterTable::instance().add(printer);
    ::setenv("OM_PRINTER", printer.name.c_str(), 1);
    return SurfaceRun::Program{
        files(),
        "Startup.mps",
        &start,
        &runGame,
        &end,
        surfacecontent::scriptContent({"\"Startup.mps\"", "\"other.mps\"", "\"game.rsc\""}),
        surfacecontent::idWords()};
  }();
  return program;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  OMEdition::set(OMEdition::game);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  SurfaceRun::run(game(), data, size);
  return 0;
}
