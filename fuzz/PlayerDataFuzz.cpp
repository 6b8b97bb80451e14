// Loads arbitrary bytes as the player data file, activates every player it names and saves.
// The damage reports on standard error are many: run with -close_fd_mask=2.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "framework/OMEdition.h"
#include "game/RWorldPort.h"
#include "game/WorldPlayer.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

// One folder for the whole run, mapped as drive E:.
const std::string& folder()
{
  static const std::string made = [] {
    char pattern[] = "/tmp/om-fuzz-XXXXXX";
    const char* path = ::mkdtemp(pattern);
    std::string name = path ? path : "/tmp";
    ::setenv("OM_DRIVE_E", name.c_str(), 1);
    return name;
  }();
  return made;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  OMEdition::set(OMEdition::game);
  const std::string path = folder() + "/KORVANIX.DAT";
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  RWorldPort::setDataFilePath("E:\\KORVANIX.DAT");
  RWorldPort::createGlobalFields();
  clearScriptArgs();
  std::unique_ptr<OMScriptableObject> port = createTrinketByName("RWorldPort", scriptArgTerminator);
  const int count = RWorldPort::players().count();
  for (int i = 0; port && i < count; ++i) {
    const std::string position = "#" + std::to_string(i);
    port->callMethod("activatePlayer", position.c_str(), scriptArgTerminator);
    port->getProperty("playerName");
    port->getProperty("currentLevel");
  }
  RWorldPort::saveData();
  port.reset();
  RWorldPort::shutdown();
  return 0;
}
