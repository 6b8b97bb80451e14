#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "game/RWorldPort.h"
#include "game/WorldField.h"
#include "game/WorldPlayer.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TempFolder.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace worldtest {

// A folder on a memory file system where there is one: the data file is put on the disk at
// every save, and the tests that save thousands of times must not wait for a disk.
inline std::string quickFolderBase()
{
  std::error_code error;
  return std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : "";
}

inline void pushArguments(const std::vector<std::string>& arguments)
{
  clearScriptArgs();
  for (const std::string& argument : arguments)
    pushScriptArg(argument.c_str());
}

inline void call(OMScriptableObject* object, const char* method,
                 const std::vector<std::string>& arguments = {})
{
  pushArguments(arguments);
  object->callMethod(method, scriptArgTerminator);
}

// The property's text, or "<none>" when there is no such property.
inline std::string get(OMScriptableObject* object, const char* name,
                       const std::vector<std::string>& arguments = {})
{
  pushArguments(arguments);
  const char* text = object->getProperty(name);
  return text ? text : "<none>";
}

inline int set(OMScriptableObject* object, const char* name, const std::string& value,
               const std::vector<std::string>& arguments = {})
{
  pushArguments(arguments);
  return object->setProperty(name, value.c_str());
}

inline std::vector<std::string> playerNames()
{
  std::vector<std::string> names;
  RWorldPort::players().forEach([&](WorldPlayer* player) { names.push_back(player->name()); });
  return names;
}

// The world state of a game start with its data file as E:\KORVANIX.DAT in a fresh folder;
// the state is shut down (and so saved) when the session ends.
class WorldSession {
 public:
  explicit WorldSession(const std::string& base = "")
      : tmpdir_("TMPDIR", base.empty() ? std::filesystem::temp_directory_path().string() : base)
  {
    start();
  }
  ~WorldSession() { stop(); }
  WorldSession(const WorldSession&) = delete;
  WorldSession& operator=(const WorldSession&) = delete;

  // Start-up as the game main does it, on whatever the folder holds.
  void start()
  {
    RWorldPort::setDataFilePath("E:\\KORVANIX.DAT");
    RWorldPort::createGlobalFields();
  }
  void stop()
  {
    ports_.clear();
    RWorldPort::shutdown();
  }
  void restart()
  {
    stop();
    start();
  }

  std::string dataFile() const { return folder.read("KORVANIX.DAT"); }
  bool exists(const std::string& name) const { return std::filesystem::exists(folder / name); }

  // A port made as a script makes it.
  RWorldPort* port()
  {
    clearScriptArgs();
    std::unique_ptr<OMScriptableObject> made =
        createTrinketByName("RWorldPort", scriptArgTerminator);
    auto* world = dynamic_cast<RWorldPort*>(made.get());
    if (world) ports_.emplace_back(made.release());
    return world;
  }

 private:
  ScopedEnv tmpdir_;

 public:
  TempFolder folder;

 private:
  ScopedEnv driveE_{"OM_DRIVE_E", folder.path()};
  ScopedEdition edition_{OMEdition::game};
  std::vector<std::unique_ptr<OMScriptableObject>> ports_;
};

class WorldTest : public ::testing::Test {
 protected:
  explicit WorldTest(const std::string& base = "") : session(base) {}
  RWorldPort* port() { return session.port(); }
  WorldSession session;
};

}  // namespace worldtest
