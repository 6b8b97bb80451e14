#include "assessment/src/StartupChecks.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "framework/OMSystem.h"

namespace {

constexpr unsigned long long minimumVirtualBytes = 8000000;
constexpr int diskTestBytes = 100000;
constexpr unsigned alertStyle = 0x3000;

StartupFacts platformFacts()
{
  StartupFacts facts;
  facts.availableVirtualBytes = [] {
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    return static_cast<unsigned long long>(status.dwAvailVirtual);
  };
  facts.waveDeviceCount = [] { return static_cast<unsigned>(waveOutGetNumDevs()); };
  facts.winGLoads = [] {
    HMODULE library = LoadLibraryA("WING32.DLL");
    if (reinterpret_cast<std::uintptr_t>(library) < 32) return false;
    FreeLibrary(library);
    return true;
  };
  facts.diskTest = &diskTest;
  facts.screenDepth = [] { return getScreenDepth(0); };
  facts.screenRect = [] { return getScreenRect(0); };
  return facts;
}

StartupFacts& facts()
{
  static StartupFacts current = platformFacts();
  return current;
}

// The first failed check's message, or null.
const char* failedCheckMessage()
{
  StartupFacts& f = facts();
  if (f.availableVirtualBytes() < minimumVirtualBytes)
    return "Not enough memory to run this application.";
  if (f.waveDeviceCount() == 0) return "This application requires .WAV driver to run.";
  if (!f.winGLoads()) return "This application requires Wing to run.";
  if (!f.diskTest(diskTestBytes))
    return "There is not enough disk space free to run this product. Please make some room on "
           "your hard drive and start again.";
  if (f.screenDepth() < 8)
    return "This product requires a 256-color display.\nPlease set your display to 256-color "
           "mode and start again.";
  const OMRect screen = f.screenRect();
  if (screen.width() < 640 || screen.height() < 480)
    return "This product requires at least a 640 x 480 256-color display. Please set your "
           "display to 640 x 480 256-color and start again.";
  return nullptr;
}

}  // namespace

StartupFacts& startupFacts()
{
  return facts();
}

void resetStartupFacts()
{
  facts() = platformFacts();
}

bool passStartupChecks()
{
  const char* message = failedCheckMessage();
  if (!message) return true;
  alertBox(message, alertStyle, "Alert");
  return false;
}

bool diskTest(int bytes)
{
  std::FILE* file = std::tmpfile();
  if (!file) return false;
  bool written = true;
  for (std::int32_t i = 0; i < bytes / 4 && written; ++i)
    written = std::fwrite(&i, sizeof i, 1, file) == 1;
  // A full disk may only show when the buffer goes out.
  if (std::fflush(file) != 0) written = false;
  std::fclose(file);
  return written;
}
