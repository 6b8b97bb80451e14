#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "framework/OMList.h"
#include "trinkets/src/OMScriptableObject.h"

class WorldField;
class WorldPlayer;

// The script view of the game's persistent state: the players, the active player's fields and
// progress, and the global fields. The state exists once per program; every RWorldPort object
// shows it, and all of them show the same active player.
class RWorldPort : public OMScriptableObject {
 public:
  RWorldPort();
  ~RWorldPort() override;

  static std::unique_ptr<OMScriptableObject> create();
  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;

  // The game main's steps: the path, then the global fields (which loads the data file), and
  // at the end shutdown (which saves it and frees everything).
  static void setDataFilePath(const char* path);
  static void createGlobalFields();
  static void shutdown();

  // The data file: read at start-up, one record re-read when a player is selected, rewritten
  // whole at each save. saveData answers whether the new file is in place.
  static void loadData();
  static void reloadPlayer(WorldPlayer* player);
  static bool saveData();

  // Global field access by name for the machine checks.
  static void getGlobalFieldText(const char* name, char* buffer);
  static void setGlobalFieldText(const char* name, const char* text);

  // The module state, for the data file and the tests.
  static const std::string& dataFilePath();
  static OMList<WorldPlayer>& players();
  static WorldPlayer* activePlayer();
  static OMList<WorldField>& globalFields();
  static OMList<WorldField>& playerTemplates();
  static const OMList<RWorldPort>& ports();

 private:
  void bindPlayer(WorldPlayer* player);
  void unbindPlayer(WorldPlayer* player);
  static void bindEveryPort(WorldPlayer* player);
  static void unbindEveryPort(WorldPlayer* player);
  static void selectPlayer(const std::string& name);

  OMWord isDebugOn(OMWord buffer);
  OMWord playersName(OMWord buffer);
  OMWord playersCount(OMWord buffer);
  template <int column>
  OMWord getLeveling(OMWord buffer);
  template <int column>
  OMWord setLeveling(OMWord text);
  OMWord addGlobalInt(OMWord unused);
  OMWord addGlobalString(OMWord unused);
  OMWord addInt(OMWord unused);
  OMWord addString(OMWord unused);
  OMWord activatePlayer(OMWord unused);
  OMWord removePlayer(OMWord unused);
};
