#include "game/GlobalScriptFunctions.h"

#include <sstream>
#include <string>
#include <vector>

#include "framework/OMIStreamFile.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMSystem.h"
#include "game/EverythingPause.h"
#include "game/GlobalSoundFunctions.h"
#include "game/NumberFunctions.h"
#include "game/PathFinder.h"
#include "game/PointerFunctions.h"
#include "game/ScreenFunctions.h"
#include "game/ScriptFileFunctions.h"
#include "game/SettingFunctions.h"
#include "game/TransitionSound.h"
#include "trinkets/lib/RAnswer.h"
#include "trinkets/src/OMStreamBytes.h"
#include "trinkets/src/rthread/YNativeFunction.h"
#include "trinkets/src/rthread/YScriptEngine.h"
#include "trinkets/src/rthread/YThread.h"

namespace {

YThread* theStartupThread = nullptr;

struct GlobalFunction {
  const char* name;
  OMLinkToFct::Function function;
};

// The shell's own functions, in the order of their registration; the path finder's three
// follow "OR".
constexpr GlobalFunction shellFunctions[] = {
    {"CloseFile", &scriptfn::closeFile},
    {"DisplayScreen", &scriptfn::displayScreen},
    {"EndTransition", &scriptfn::endTransition},
    {"FreezeScreen", &scriptfn::freezeScreen},
    {"GoToBlack", &scriptfn::goToBlack},
    {"IntersectTest", &scriptfn::intersectTest},
    {"MessageBox", &scriptfn::messageBox},
    {"OpenFile", &scriptfn::openFile},
    {"DeleteFile", &scriptfn::deleteFile},
    {"RandomNumber", &scriptfn::randomNumber},
    {"randomList", &scriptfn::randomList},
    {"RestorePalette", &scriptfn::restorePalette},
    {"Scene", &scriptfn::scene},
    {"SetCorralTrinketNormalization", &scriptfn::setCorralTrinketNormalization},
    {"SetDoubleClicksEnabled", &scriptfn::setDoubleClicksEnabled},
    {"SetUseEmbeddedAnimationCoordinates", &scriptfn::setUseEmbeddedAnimationCoordinates},
    {"StartTransition", &scriptfn::startTransition},
    {"WriteToFile", &scriptfn::writeToFile},
    {"PageTurn", &scriptfn::pageTurn},
    {"PlayTransitionSound", &scriptfn::playTransitionSound},
    {"StopTransitionSound", &scriptfn::stopTransitionSound},
    {"PauseEverything", &scriptfn::pauseEverything},
    {"ResumeEverything", &scriptfn::resumeEverything},
    {"PrintScreen", &scriptfn::printScreen},
    {"CursorHide", &scriptfn::cursorHide},
    {"CursorShow", &scriptfn::cursorShow},
    {"GetCursorX", &scriptfn::getCursorX},
    {"GetCursorY", &scriptfn::getCursorY},
    {"ReadPLSData", &scriptfn::readPLSData},
    {"SubstituteFont", &scriptfn::substituteFont},
    {"readINI", &scriptfn::readINI},
    {"isMouseDown", &scriptfn::isMouseDown},
    {"AND", &scriptfn::bitwiseAnd},
    {"OR", &scriptfn::bitwiseOr},
    {"isTileValid", &scriptfn::isTileValid},
    {"pathFinderInit", &scriptfn::pathFinderInit},
    {"pathFinder", &scriptfn::pathFinder},
};

// Input given before the scripts run (clicks on the black screen of start-up) is dropped.
OMWord flushInputOnStart(OMWord)
{
  flushInputMessages();
  return 0;
}

}  // namespace

std::unique_ptr<std::istream> openScriptFile(const char* name)
{
  if (name == nullptr) return nullptr;
  const std::optional<std::string> path = findFileOnSearchPath(name);
  if (!path) return nullptr;
  OMIStreamFile file(path->c_str(), -1, nullptr);
  std::vector<std::uint8_t> bytes;
  if (!readStreamBytes(file, bytes)) return nullptr;
  return std::make_unique<std::istringstream>(std::string(bytes.begin(), bytes.end()));
}

void registerShellFunctions()
{
  for (const GlobalFunction& function : shellFunctions) {
    const OMLinkToFct link(function.function);
    registerScriptFunction(function.name, &link);
  }
}

void registerGlobalScriptFunctions()
{
  registerShellFunctions();
  // The answers' functions come before the sound functions.
  RAnswer::registerGlobalFunctions();
  registerSoundFunctions();
  setScriptStepMode(1);
  theStartupThread = new YThread("Startup.mps", &openScriptFile);
  const OMLinkToFct flush(&flushInputOnStart);
  theStartupThread->setStartedHook(&flush);
  theStartupThread->start();
}

void stopStartupThread()
{
  delete theStartupThread;
  theStartupThread = nullptr;
}

void shutdownGlobalScriptFunctions()
{
  shutdownTransitionSound();
  deleteRandomList();
}

YThread* startupThread()
{
  return theStartupThread;
}
