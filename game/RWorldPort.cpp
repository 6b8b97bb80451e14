#include "game/RWorldPort.h"

#include <cstdio>
#include <string>

#include "framework/OMLinkToObj.h"
#include "game/WorldIntField.h"
#include "game/WorldLink.h"
#include "game/WorldPlayer.h"
#include "game/WorldStringField.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

struct WorldState {
  std::string dataFilePath;
  bool pathSet = false;
  OMList<WorldPlayer> players;
  WorldPlayer* active = nullptr;
  OMList<WorldField> globals;
  OMList<WorldField> templates;
  // Every world-port object, so that all of them show the same active player.
  OMList<RWorldPort> ports;
};

WorldState& state()
{
  static WorldState world;
  return world;
}

TrinketRecord worldPortRecord("RWorldPort", &RWorldPort::create, TrinketRecord::gameEditionOnly);

const char* const playerMethods[] = {"autoLevel", "correctGuess", "incorrectGuess", "newGame"};

struct GlobalDefinition {
  const char* name;
  bool text;
  int saved;
  const char* initial;
};
const GlobalDefinition globalDefinitions[] = {
    {"informResolutionWarning", false, 1, "1"},
    {"informColorsWarning", false, 1, "1"},
    {"informWinGWarning", false, 1, "1"},
    {"informDirectDrawSwitchFailedWarning", false, 1, "1"},
    {"informDirectDrawVersionWarning", false, 1, "1"},
    {"informDirectDrawNotFoundWarning", false, 1, "1"},
    {"inGame", false, 0, nullptr},
    {"SIEnterViaTindlex", false, 0, nullptr},
    {"inPracticeMode", false, 0, nullptr},
    {"previousLocation", true, 0, nullptr},
};

constexpr int readWriteMode = 2;

void addFieldProperty(OMScriptableObject* port, WorldField* field)
{
  port->addProperty(field->name(), field->setter(), field->getter());
}

// A field that a script adds: the name, then the saved flag (1 when absent or empty).
void addScriptField(OMList<WorldField>& list, bool text)
{
  const std::string name = popScriptArg();
  const char* savedWord = popScriptArg();
  const int saved = *savedWord ? decimalValueOf(savedWord) : 1;
  if (name.empty()) return;
  if (text)
    list.add(new WorldStringField(name.c_str(), saved, readWriteMode));
  else
    list.add(new WorldIntField(name.c_str(), saved, readWriteMode));
}

WorldPlayer* playerAt(int position)
{
  int index = 0;
  return state().players.firstThat([&](WorldPlayer*) { return index++ == position; });
}

WorldPlayer* playerNamed(const std::string& name)
{
  return state().players.firstThat([&](WorldPlayer* player) { return player->name() == name; });
}

}  // namespace

RWorldPort::RWorldPort()
{
  state().ports.add(this);
}

RWorldPort::~RWorldPort()
{
  state().ports.remove(this);
}

std::unique_ptr<OMScriptableObject> RWorldPort::create()
{
  return std::make_unique<RWorldPort>();
}

std::unique_ptr<OMScriptableObject> RWorldPort::clone() const
{
  auto copy = std::make_unique<RWorldPort>();
  copyMembers(copy.get());
  return copy;
}

void RWorldPort::registerMembers()
{
  using Own = OMLinkToObj<RWorldPort>;
  addProperty("isDebugOn", nullptr, Own(this, &RWorldPort::isDebugOn, 0));
  addProperty("playersName", nullptr, Own(this, &RWorldPort::playersName, 0));
  addProperty("playersCount", nullptr, Own(this, &RWorldPort::playersCount, 0));
  addProperty("wsAutoLevelingA", Own(this, &RWorldPort::setLeveling<0>, 0),
              Own(this, &RWorldPort::getLeveling<0>, 0));
  addProperty("wsAutoLevelingB", Own(this, &RWorldPort::setLeveling<1>, 0),
              Own(this, &RWorldPort::getLeveling<1>, 0));
  addProperty("wsAutoLevelingX", Own(this, &RWorldPort::setLeveling<2>, 0),
              Own(this, &RWorldPort::getLeveling<2>, 0));
  addProperty("wsAutoLevelingY", Own(this, &RWorldPort::setLeveling<3>, 0),
              Own(this, &RWorldPort::getLeveling<3>, 0));
  state().globals.forEach([this](WorldField* field) { addFieldProperty(this, field); });
  addMethod("addGlobalIntProperty", Own(this, &RWorldPort::addGlobalInt, 0));
  addMethod("addGlobalStringProperty", Own(this, &RWorldPort::addGlobalString, 0));
  addMethod("addIntProperty", Own(this, &RWorldPort::addInt, 0));
  addMethod("addStringProperty", Own(this, &RWorldPort::addString, 0));
  if (state().active) bindPlayer(state().active);
  addMethod("activatePlayer", Own(this, &RWorldPort::activatePlayer, 0));
  addMethod("removePlayer", Own(this, &RWorldPort::removePlayer, 0));
}

void RWorldPort::bindPlayer(WorldPlayer* player)
{
  player->fieldsB().forEach([this](WorldField* field) { addFieldProperty(this, field); });
  player->fieldsA().forEach([this](WorldField* field) { addFieldProperty(this, field); });
  using Player = WorldLink<WorldPlayer>;
  addMethod("autoLevel", Player(player, &WorldPlayer::autoLevel));
  addMethod("correctGuess", Player(player, &WorldPlayer::correctGuess));
  addMethod("incorrectGuess", Player(player, &WorldPlayer::incorrectGuess));
  addMethod("newGame", Player(player, &WorldPlayer::newGameMethod));
}

void RWorldPort::unbindPlayer(WorldPlayer* player)
{
  player->fieldsB().forEach([this](WorldField* field) { removeMember(field->name()); });
  player->fieldsA().forEach([this](WorldField* field) { removeMember(field->name()); });
  for (const char* method : playerMethods)
    removeMember(method);
}

void RWorldPort::bindEveryPort(WorldPlayer* player)
{
  state().ports.forEach([player](RWorldPort* port) { port->bindPlayer(player); });
}

void RWorldPort::unbindEveryPort(WorldPlayer* player)
{
  state().ports.forEach([player](RWorldPort* port) { port->unbindPlayer(player); });
}

// ---- module operations -------------------------------------------------------------------------

void RWorldPort::setDataFilePath(const char* path)
{
  state().dataFilePath = path ? path : "";
  state().pathSet = true;
}

void RWorldPort::createGlobalFields()
{
  WorldState& world = state();
  for (const GlobalDefinition& definition : globalDefinitions) {
    WorldField* field = definition.text
                            ? static_cast<WorldField*>(new WorldStringField(
                                  definition.name, definition.saved, readWriteMode))
                            : new WorldIntField(definition.name, definition.saved, readWriteMode);
    if (definition.initial) field->fromText(definition.initial);
    world.globals.add(field);
  }
  if (!world.pathSet) setDataFilePath("");
  loadData();
  std::int32_t* row = levellingRowOf(1);
  row[0] = 5;
  row[1] = 6;
  row[2] = 4;
  row[3] = 10;
}

void RWorldPort::shutdown()
{
  WorldState& world = state();
  saveData();
  world.dataFilePath.clear();
  world.pathSet = false;
  // Ports that outlive the state must not reach its fields.
  if (world.active) unbindEveryPort(world.active);
  world.ports.forEach([&world](RWorldPort* port) {
    world.globals.forEach([port](WorldField* field) { port->removeMember(field->name()); });
  });
  world.active = nullptr;
  world.players.deleteAll(1);
  world.templates.deleteAll(1);
  world.globals.deleteAll(1);
}

void RWorldPort::selectPlayer(const std::string& name)
{
  WorldState& world = state();
  if (world.active) saveData();
  WorldPlayer* found = nullptr;
  if (!name.empty() && name[0] == '#') {
    const int position = decimalValueOf(name.c_str() + 1);
    found = playerAt(position < 0 ? 0 : position);
  } else {
    found = playerNamed(name);
  }
  if (world.active) world.active->emptyFields();
  if (found) {
    found->emptyFields();
    found->buildSchema();
    found->appendTemplates(world.templates);
    reloadPlayer(found);
  } else {
    found = new WorldPlayer;
    found->buildSchema();
    world.players.add(found);
    found->appendTemplates(world.templates);
    found->giveNewPlayerValues();
    found->setProperty("playerName", name.c_str());
  }
  world.active = found;
}

void RWorldPort::getGlobalFieldText(const char* name, char* buffer)
{
  if (WorldField* field = findWorldField(state().globals, name)) field->toText(buffer);
}

void RWorldPort::setGlobalFieldText(const char* name, const char* text)
{
  if (WorldField* field = findWorldField(state().globals, name)) field->fromText(text);
}

const std::string& RWorldPort::dataFilePath()
{
  return state().dataFilePath;
}

OMList<WorldPlayer>& RWorldPort::players()
{
  return state().players;
}

WorldPlayer* RWorldPort::activePlayer()
{
  return state().active;
}

OMList<WorldField>& RWorldPort::globalFields()
{
  return state().globals;
}

OMList<WorldField>& RWorldPort::playerTemplates()
{
  return state().templates;
}

const OMList<RWorldPort>& RWorldPort::ports()
{
  return state().ports;
}

// ---- script members ----------------------------------------------------------------------------

OMWord RWorldPort::isDebugOn(OMWord buffer)
{
  copyFieldText(reinterpret_cast<char*>(buffer), "0");
  return 1;
}

OMWord RWorldPort::playersName(OMWord buffer)
{
  const WorldPlayer* player = playerAt(decimalValueOf(popScriptArg()));
  copyFieldText(reinterpret_cast<char*>(buffer), player ? player->name().c_str() : "");
  return 1;
}

OMWord RWorldPort::playersCount(OMWord buffer)
{
  std::snprintf(reinterpret_cast<char*>(buffer), WorldField::textSize, "%d",
                state().players.count());
  return 1;
}

template <int column>
OMWord RWorldPort::getLeveling(OMWord buffer)
{
  const std::int32_t* row = levellingRowOf(worldIdFromName(popScriptArg()));
  if (row)
    std::snprintf(reinterpret_cast<char*>(buffer), WorldField::textSize, "%d", row[column]);
  else
    copyFieldText(reinterpret_cast<char*>(buffer), "");
  return 1;
}

template <int column>
OMWord RWorldPort::setLeveling(OMWord text)
{
  std::int32_t* row = levellingRowOf(worldIdFromName(popScriptArg()));
  if (!row) return 0;
  row[column] = decimalValueOf(reinterpret_cast<const char*>(text));
  return 1;
}

OMWord RWorldPort::addGlobalInt(OMWord)
{
  addScriptField(state().globals, false);
  return 1;
}

OMWord RWorldPort::addGlobalString(OMWord)
{
  addScriptField(state().globals, true);
  return 1;
}

OMWord RWorldPort::addInt(OMWord)
{
  addScriptField(state().templates, false);
  return 1;
}

OMWord RWorldPort::addString(OMWord)
{
  addScriptField(state().templates, true);
  return 1;
}

OMWord RWorldPort::activatePlayer(OMWord)
{
  // A copy: the argument stack is reused by what follows. It is cut as the name field cuts it,
  // so that a long name finds the player it made.
  const std::string name = fieldTextOf(popScriptArg());
  WorldPlayer* active = state().active;
  if (active && active->name() == name) return 1;
  if (active) unbindEveryPort(active);
  selectPlayer(name);
  if (state().active) bindEveryPort(state().active);
  return 1;
}

OMWord RWorldPort::removePlayer(OMWord)
{
  const std::string word = fieldTextOf(popScriptArg());
  WorldPlayer* player = playerNamed(word);
  if (!player && !word.empty() && word[0] >= '0' && word[0] <= '9')
    player = playerAt(decimalValueOf(word.c_str()));
  if (!player) return 1;
  WorldState& world = state();
  if (player == world.active) {
    unbindEveryPort(player);
    world.active = nullptr;
  }
  world.players.remove(player);
  delete player;
  saveData();
  return 1;
}
