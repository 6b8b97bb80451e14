#include "game/GlobalScriptFunctions.h"

#include <sstream>
#include <string>
#include <vector>

#include "framework/OMIStreamFile.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMSystem.h"
#include "game/GlobalSoundFunctions.h"
#include "trinkets/src/OMStreamBytes.h"
#include "trinkets/src/rthread/YScriptEngine.h"
#include "trinkets/src/rthread/YThread.h"

namespace {

YThread* theStartupThread = nullptr;

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

void registerGlobalScriptFunctions()
{
  // The shell's own global functions and the answers' come with the scene's functions.
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

YThread* startupThread()
{
  return theStartupThread;
}
