#include "game/WorldPlayer.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

#include "game/WorldDataFile.h"
#include "game/WorldIntField.h"
#include "game/WorldLink.h"
#include "game/WorldStringField.h"
#include "trinkets/src/OMSParameter.h"

namespace {

struct WorldName {
  std::int32_t id;
  char name[12];
};

const WorldName worldNames[] = {{11, "SIGNIN"}, {12, "END"}, {0, ""}};

// One row of levelling parameters {A, B, X, Y} per levelling world: only world 1 levels.
constexpr int levellingWorld = 1;
std::int32_t levellingRow[4] = {};

// Indices of the blocks of worlds 3 and 7.
constexpr int enabledIndex = 0;
constexpr int datasetBase = 1;
constexpr int levelIndex = 5;
constexpr int visitedIndex = 6;
constexpr int statusBase = 7;

// Indices of the block of world 1.
constexpr int historyBase = 1;  // entries 1 to 20
constexpr int historyLimit = 20;
constexpr int correctCountIndex = 21;
constexpr int w1DatasetBase = 22;
constexpr int answerCountIndex = 26;
constexpr int w1LevelIndex = 27;
constexpr int entryCountBase = 28;
constexpr int historyLengthIndex = 32;
constexpr int levelCorrectBase = 33;
constexpr int levelAnswersBase = 37;
constexpr int w1VisitedIndex = 41;
constexpr int w1StatusBase = 42;

constexpr int passed = 1;
constexpr int failed = 2;

// The names of field list A after "playerName", in order; the level statuses and the MA1
// datasets follow their patterns.
const char* const leadingNames[] = {"seenChooseActivity",
                                    "seenProgressLevels",
                                    "seenTindlexInGame",
                                    "seenTindlexInPractice",
                                    "isBackgroundMusicOff",
                                    "beenLeveled",
                                    "areBackgroundAnimationsOff",
                                    "isClosedCaptioningOn",
                                    "seenMap",
                                    "currentLocation",
                                    "gameCompleted",
                                    "poweredMode",
                                    "introMoviePlayed",
                                    "seenCut1",
                                    "seenCut2",
                                    "seenCut3",
                                    "seenCut4",
                                    "seenCut5",
                                    "latestActivity",
                                    "bpKeyCount",
                                    "WS1KeysInBPCount",
                                    "WS2KeysInBPCount",
                                    "WS3KeysInBPCount",
                                    "WS4KeysInBPCount",
                                    "WS1KeyCount",
                                    "WS2KeyCount",
                                    "WS3KeyCount",
                                    "WS4KeyCount",
                                    "WS1EntryCount",
                                    "WS1FirstPowerEntry",
                                    "WS2EntryCount",
                                    "WS3EntryCount",
                                    "WS4EntryCount",
                                    "BA1EntryCount",
                                    "BA2EntryCount",
                                    "BA3-1EntryCount",
                                    "BA3-2EntryCount",
                                    "BA3-3EntryCount",
                                    "BA3-4EntryCount",
                                    "MA1EntryCount",
                                    "MA2EntryCount",
                                    "Clue1EntryCount",
                                    "Clue2EntryCount",
                                    "Clue2FirstPowerEntry",
                                    "Clue3EntryCount",
                                    "Clue3FirstPowerEntry",
                                    "Clue4EntryCount",
                                    "Clue4FirstPowerEntry",
                                    "Clue5EntryCount",
                                    "Clue6EntryCount",
                                    "WS1Level",
                                    "WS2Level",
                                    "WS3Level",
                                    "WS4Level",
                                    "BA1Level",
                                    "BA2Level",
                                    "BA3Level",
                                    "MA1Level",
                                    "MA2Level",
                                    "WS1AutoLevelOn",
                                    "WS2AutoLevelOn",
                                    "WS3AutoLevelOn",
                                    "WS4AutoLevelOn",
                                    "BA1AutoLevelOn",
                                    "BA2AutoLevelOn",
                                    "BA3AutoLevelOn",
                                    "MA1AutoLevelOn",
                                    "MA2AutoLevelOn",
                                    "WS1CorrectGuessInARowCount",
                                    "WS1IncorrectGuessInARowCount",
                                    "WS2CorrectInARow",
                                    "WS2IncorrectInARow",
                                    "WS3CorrectGuessInARowCount",
                                    "WS3IncorrectGuessInARowCount",
                                    "WS3LevelTracked",
                                    "WS4ResetsInARow",
                                    "WS4CorrectInARow",
                                    "WS4IncorrectInARow",
                                    "BA2IncorrectInARow",
                                    "BA3IncorrectCount",
                                    "BA3TotalCompleted",
                                    "BA3CompletedAtLevel",
                                    "MA1CorrectGuessInARowCount",
                                    "MA1IncorrectGuessInARowCount",
                                    "MA1LevelTracked"};
const char* const statusPrefixes[] = {"WS1", "WS2", "WS3", "WS4", "BA1",
                                      "BA2", "BA3", "MA1", "MA2"};
const char* const middleNames[] = {"WS2Set",       "WS3Dataset.1",  "WS3Dataset.2", "WS3Dataset.3",
                                   "WS3Dataset.4", "WS4CurrentSet", "BA3currentSet"};
const char* const trailingNames[] = {"MA2CurrentSet",
                                     "WS1Solved",
                                     "WS2State",
                                     "WS4State",
                                     "BA1Layout",
                                     "BA1PanelClick",
                                     "BA3LocationNum",
                                     "BA3-1FirstPuzzle",
                                     "BA3-2FirstPuzzle",
                                     "BA3-3FirstPuzzle",
                                     "BA3-4FirstPuzzle",
                                     "BA3-1State",
                                     "BA3-2State",
                                     "BA3-3State",
                                     "BA3-4State",
                                     "BA3Direction",
                                     "BA3MirelClicks",
                                     "BA3TarnClicks",
                                     "BA3UpPuzzleCompleted",
                                     "BA3DownPuzzleCompleted",
                                     "BA3ARadioClicks",
                                     "BA3BRadioClicks",
                                     "BA3CRadioClicks",
                                     "MA1.1Completed",
                                     "MA1.2Completed",
                                     "MA1.3Completed",
                                     "MA1.4Completed",
                                     "MA2Completed",
                                     "Clue1PictureFound"};
const char currentLocationName[] = "currentLocation";

constexpr int fieldMode = 2;
constexpr int savedFlag = 1;

void addValueField(OMList<WorldField>& fields, const std::string& name)
{
  if (name == currentLocationName)
    fields.add(new WorldStringField(name.c_str(), savedFlag, fieldMode));
  else
    fields.add(new WorldIntField(name.c_str(), savedFlag, fieldMode));
}

// Answers for the world-bound getters.
void writeNumber(OMWord buffer, std::int32_t value)
{
  std::snprintf(reinterpret_cast<char*>(buffer), WorldField::textSize, "%d", value);
}
void writeText(OMWord buffer, const char* text)
{
  copyFieldText(reinterpret_cast<char*>(buffer), text);
}
int numberOf(OMWord text)
{
  return decimalValueOf(reinterpret_cast<const char*>(text));
}

OMWord getSlot(OMWord buffer, const std::int32_t* slot, const char* fallback)
{
  if (slot)
    writeNumber(buffer, *slot);
  else
    writeText(buffer, fallback);
  return 1;
}

OMWord setSlot(std::int32_t* slot, std::int32_t value)
{
  if (!slot) return 0;
  *slot = value;
  return 1;
}

bool isLevel(int level)
{
  return level >= 1 && level <= 4;
}

void encodeBlock(unsigned char*& at, const std::int32_t* values, int count)
{
  for (int i = 0; i < count; ++i, at += 4)
    putLittleEndian(at, values[i]);
}

// Reads one block; the integers a short read does not reach keep their values.
void readBlock(FILE* file, std::int32_t* values, int count)
{
  unsigned char bytes[4 * WorldPlayer::world1Size];
  const std::size_t got = std::fread(bytes, 1, static_cast<std::size_t>(4 * count), file);
  for (std::size_t i = 0; i + 4 <= got; i += 4)
    values[i / 4] = getLittleEndian(bytes + i);
}

const char playerEnd[] = "PLAYER_END";
const char playerNameField[] = "playerName";

}  // namespace

int worldIdFromName(const char* name)
{
  if (!name) return 0;
  for (const WorldName* row = worldNames; row->id != 0; ++row) {
    if (std::strcmp(row->name, name) == 0) return row->id;
  }
  return 0;
}

std::int32_t* levellingRowOf(int world)
{
  return world == levellingWorld ? levellingRow : nullptr;
}

WorldPlayer::WorldPlayer() = default;

WorldPlayer::~WorldPlayer()
{
  emptyFields();
}

void WorldPlayer::emptyFields()
{
  indexA_.clear();
  fieldsA_.deleteAll(1);
  fieldsB_.deleteAll(1);
}

void WorldPlayer::buildSchema()
{
  indexA_.clear();
  using Self = WorldLink<WorldPlayer>;
  const Self nameSetter(this, &WorldPlayer::setNameText);
  const Self nameGetter(this, &WorldPlayer::getName);
  fieldsA_.add(new WorldField(playerNameField, &nameSetter, &nameGetter, savedFlag));
  for (const char* name : leadingNames)
    addValueField(fieldsA_, name);
  for (const char* prefix : statusPrefixes) {
    for (int level = 1; level <= 4; ++level)
      addValueField(fieldsA_, std::string(prefix) + "LevelStatus" + std::to_string(level));
  }
  for (const char* name : middleNames)
    addValueField(fieldsA_, name);
  for (int part = 1; part <= 4; ++part) {
    for (int level = 1; level <= 4; ++level)
      addValueField(fieldsA_, "MA1." + std::to_string(part) + "Dataset." + std::to_string(level));
  }
  for (const char* name : trailingNames)
    addValueField(fieldsA_, name);

  struct Bound {
    const char* name;
    OMWord (WorldPlayer::*getter)(OMWord);
    OMWord (WorldPlayer::*setter)(OMWord);
  };
  const Bound bound[] = {
      {"isAutoLevelingEnabled", &WorldPlayer::getAutoLevelingEnabled,
       &WorldPlayer::setAutoLevelingEnabled},
      {"currentDataset", &WorldPlayer::getCurrentDataset, &WorldPlayer::setCurrentDataset},
      {"currentLevel", &WorldPlayer::getCurrentLevel, &WorldPlayer::setCurrentLevel},
      {"levelColor", &WorldPlayer::getLevelColor, &WorldPlayer::setLevelColor},
      {"visitedCount", &WorldPlayer::getVisitedCount, &WorldPlayer::setVisitedCount},
      {"wsCurrentLevelEntryCount", &WorldPlayer::getEntryCount, &WorldPlayer::setEntryCount},
      {"wsTotalCorrectGuessCount", &WorldPlayer::getTotalCorrect, &WorldPlayer::setTotalCorrect},
      {"wsTotalGuessCount", &WorldPlayer::getTotalGuesses, &WorldPlayer::setTotalGuesses},
  };
  for (const Bound& field : bound) {
    const Self setter(this, field.setter);
    const Self getter(this, field.getter);
    fieldsB_.add(new WorldField(field.name, &setter, &getter, savedFlag));
  }
}

void WorldPlayer::appendTemplates(OMList<WorldField>& templates)
{
  indexA_.clear();
  templates.forEach([this](WorldField* field) { fieldsA_.add(field->clone().release()); });
}

const std::vector<WorldField*>* WorldPlayer::fieldsANamed(const char* name)
{
  if (indexA_.empty()) {
    fieldsA_.forEach([this](WorldField* field) { indexA_[field->name()].push_back(field); });
  }
  const auto found = indexA_.find(name);
  return found == indexA_.end() ? nullptr : &found->second;
}

WorldField* WorldPlayer::fieldANamed(const char* name)
{
  const std::vector<WorldField*>* fields = fieldsANamed(name);
  return fields ? fields->front() : nullptr;
}

void WorldPlayer::initNew()
{
  for (std::int32_t* block : {world3, world7}) {
    std::fill(block, block + blockSize, 0);
    block[enabledIndex] = 1;
    block[levelIndex] = 1;
  }
  std::fill(world1, world1 + world1Size, 0);
  world1[0] = 1;
  world1[w1LevelIndex] = 1;
}

void WorldPlayer::newGame()
{
  world1[w1VisitedIndex] = 0;
  world3[visitedIndex] = 0;
  visited5 = 0;
  world7[visitedIndex] = 0;
  emptyHistory();
  for (int level = 0; level < 4; ++level)
    world1[entryCountBase + level] = 0;
  currentWorld = 0;
}

OMWord WorldPlayer::newGameMethod(OMWord)
{
  newGame();
  return 1;
}

void WorldPlayer::setProperty(const char* name, const char* text)
{
  if (!name) return;
  if (WorldField* field = fieldANamed(name)) {
    field->fromText(text);
  } else if (WorldField* bound = findWorldField(fieldsB_, name)) {
    // These read a world word from the argument stack: none here means the current world.
    clearScriptArgs();
    bound->fromText(text);
  }
}

int WorldPlayer::worldOf(const char* word) const
{
  return word && *word ? worldIdFromName(word) : currentWorld;
}

std::int32_t* WorldPlayer::blockOf(int world)
{
  switch (world) {
    case 1:
      return world1;
    case 3:
      return world3;
    case 7:
      return world7;
    default:
      return nullptr;
  }
}

int WorldPlayer::currentLevelOf(int world)
{
  std::int32_t* block = blockOf(world);
  if (!block) return 0;
  const int level = block[world == 1 ? w1LevelIndex : levelIndex];
  return isLevel(level) ? level : 0;
}

int WorldPlayer::levelOf(int world, const char* word)
{
  if (!word || !*word) return currentLevelOf(world);
  const int level = decimalValueOf(word);
  return isLevel(level) ? level : 0;
}

void WorldPlayer::emptyHistory()
{
  for (int i = 0; i < historyLimit; ++i)
    world1[historyBase + i] = 0;
  world1[historyLengthIndex] = 0;
}

void WorldPlayer::appendAnswer(int correct)
{
  std::int32_t& length = world1[historyLengthIndex];
  if (length < 0 || length > historyLimit) length = 0;  // a damaged length starts over
  if (length < historyLimit) {
    world1[historyBase + length] = correct;
    ++length;
    return;
  }
  for (int i = 1; i < historyLimit; ++i)
    world1[historyBase + i - 1] = world1[historyBase + i];
  world1[historyBase + historyLimit - 1] = correct;
}

OMWord WorldPlayer::autoLevel(OMWord)
{
  const int world = worldOf(popScriptArg());
  std::int32_t* block = blockOf(world);
  const int level = currentLevelOf(world);
  if (!block || !level) return 1;
  if (world != 1) {
    block[statusBase + level - 1] = passed;
    if (block[enabledIndex] && level < 4) block[levelIndex] = level + 1;
    return 1;
  }
  const std::int32_t* row = levellingRowOf(1);
  const int needPaired = row[0], needCorrect = row[1], failBelow = row[2], window = row[3];
  int length = world1[historyLengthIndex];
  if (length < 0 || length > historyLimit) length = 0;
  int correct = 0, paired = 0, examined = 0;
  for (int entry = length; entry >= 1; --entry) {
    if (correct >= needCorrect || examined >= window) break;
    if (world1[historyBase + entry - 1] == 1) {
      ++correct;
      if (entry == 1 || world1[historyBase + entry - 2] == 1) ++paired;
    }
    ++examined;
  }
  if (correct == needCorrect && paired >= needPaired) {
    world1[w1StatusBase + level - 1] = passed;
    if (world1[enabledIndex] && level < 4) world1[w1LevelIndex] = level + 1;
    emptyHistory();
  } else if (examined == window && correct < failBelow) {
    world1[w1StatusBase + level - 1] = failed;
    if (world1[enabledIndex] && level > 1) world1[w1LevelIndex] = level - 1;
    emptyHistory();
  }
  return 1;
}

OMWord WorldPlayer::correctGuess(OMWord)
{
  if (worldOf(popScriptArg()) != 1) return 1;
  ++world1[correctCountIndex];
  ++world1[answerCountIndex];
  if (const int level = currentLevelOf(1)) {
    ++world1[levelCorrectBase + level - 1];
    ++world1[levelAnswersBase + level - 1];
  }
  appendAnswer(1);
  return 1;
}

OMWord WorldPlayer::incorrectGuess(OMWord)
{
  if (worldOf(popScriptArg()) != 1) return 1;
  ++world1[answerCountIndex];
  if (const int level = currentLevelOf(1)) ++world1[levelAnswersBase + level - 1];
  appendAnswer(0);
  return 1;
}

// ---- world-bound fields ----------------------------------------------------------------------

OMWord WorldPlayer::getName(OMWord buffer)
{
  writeText(buffer, name_.c_str());
  return 1;
}

OMWord WorldPlayer::setNameText(OMWord text)
{
  name_ = fieldTextOf(reinterpret_cast<const char*>(text));
  return 1;
}

OMWord WorldPlayer::getAutoLevelingEnabled(OMWord buffer)
{
  std::int32_t* block = blockOf(worldOf(popScriptArg()));
  return getSlot(buffer, block ? &block[enabledIndex] : nullptr, "");
}

OMWord WorldPlayer::setAutoLevelingEnabled(OMWord text)
{
  std::int32_t* block = blockOf(worldOf(popScriptArg()));
  return setSlot(block ? &block[enabledIndex] : nullptr, numberOf(text));
}

std::int32_t* WorldPlayer::datasetSlot()
{
  const int world = worldOf(popScriptArg());
  std::int32_t* block = blockOf(world);
  const int level = levelOf(world, popScriptArg());
  if (!block || !level) return nullptr;
  return &block[(world == 1 ? w1DatasetBase : datasetBase) + level - 1];
}

OMWord WorldPlayer::getCurrentDataset(OMWord buffer)
{
  return getSlot(buffer, datasetSlot(), "");
}

OMWord WorldPlayer::setCurrentDataset(OMWord text)
{
  return setSlot(datasetSlot(), numberOf(text));
}

OMWord WorldPlayer::getCurrentLevel(OMWord buffer)
{
  const int world = worldOf(popScriptArg());
  std::int32_t* block = blockOf(world);
  if (!block) return getSlot(buffer, nullptr, "0");
  const int level = currentLevelOf(world);
  if (!level) return getSlot(buffer, nullptr, "");
  writeNumber(buffer, level);
  return 1;
}

OMWord WorldPlayer::setCurrentLevel(OMWord text)
{
  const int world = worldOf(popScriptArg());
  std::int32_t* block = blockOf(world);
  const int level = static_cast<std::int8_t>(numberOf(text));
  if (!block || !isLevel(level)) return 0;
  std::int32_t& current = block[world == 1 ? w1LevelIndex : levelIndex];
  if (world == 1 && current != level) emptyHistory();
  current = level;
  return 1;
}

std::int32_t* WorldPlayer::levelColorSlot()
{
  const char* word = popScriptArg();
  const int level = *word ? levelOf(0, word) : 0;
  const int world = worldOf(popScriptArg());
  std::int32_t* block = blockOf(world);
  if (!block || !level) return nullptr;
  return &block[(world == 1 ? w1StatusBase : statusBase) + level - 1];
}

OMWord WorldPlayer::getLevelColor(OMWord buffer)
{
  return getSlot(buffer, levelColorSlot(), "");
}

OMWord WorldPlayer::setLevelColor(OMWord text)
{
  return setSlot(levelColorSlot(), numberOf(text));
}

std::int32_t* WorldPlayer::visitedSlot()
{
  const int world = worldOf(popScriptArg());
  if (world == 5) return &visited5;
  std::int32_t* block = blockOf(world);
  if (!block) return nullptr;
  return &block[world == 1 ? w1VisitedIndex : visitedIndex];
}

OMWord WorldPlayer::getVisitedCount(OMWord buffer)
{
  return getSlot(buffer, visitedSlot(), "0");
}

OMWord WorldPlayer::setVisitedCount(OMWord text)
{
  return setSlot(visitedSlot(), numberOf(text));
}

std::int32_t* WorldPlayer::entryCountSlot()
{
  if (worldOf(popScriptArg()) != 1) return nullptr;
  const int level = currentLevelOf(1);
  return level ? &world1[entryCountBase + level - 1] : nullptr;
}

OMWord WorldPlayer::getEntryCount(OMWord buffer)
{
  return getSlot(buffer, entryCountSlot(), "");
}

OMWord WorldPlayer::setEntryCount(OMWord text)
{
  return setSlot(entryCountSlot(), numberOf(text));
}

std::int32_t* WorldPlayer::levelTotalSlot(int base)
{
  if (worldOf(popScriptArg()) != 1) return nullptr;
  const int level = levelOf(1, popScriptArg());
  return level ? &world1[base + level - 1] : nullptr;
}

OMWord WorldPlayer::getTotalCorrect(OMWord buffer)
{
  return getSlot(buffer, levelTotalSlot(levelCorrectBase), "");
}

OMWord WorldPlayer::setTotalCorrect(OMWord text)
{
  return setSlot(levelTotalSlot(levelCorrectBase), static_cast<std::int16_t>(numberOf(text)));
}

OMWord WorldPlayer::getTotalGuesses(OMWord buffer)
{
  return getSlot(buffer, levelTotalSlot(levelAnswersBase), "");
}

OMWord WorldPlayer::setTotalGuesses(OMWord text)
{
  return setSlot(levelTotalSlot(levelAnswersBase), static_cast<std::int16_t>(numberOf(text)));
}

// ---- the data-file record ---------------------------------------------------------------------

bool WorldPlayer::write(FILE* file)
{
  unsigned char raw[rawSize];
  unsigned char* at = raw;
  encodeBlock(at, &currentWorld, 1);
  encodeBlock(at, world3, blockSize);
  encodeBlock(at, &visited5, 1);
  encodeBlock(at, world7, blockSize);
  encodeBlock(at, world1, world1Size);
  bool written = std::fwrite(raw, 1, sizeof raw, file) == sizeof raw;
  char value[WorldField::textSize];
  fieldsA_.forEach([&](WorldField* field) {
    if (!field->saved()) return;
    value[0] = '\0';
    field->toText(value);
    written = writeLine(file, field->name()) && writeLine(file, value) && written;
  });
  return writeLine(file, playerEnd) && written;
}

WorldPlayer::ReadResult WorldPlayer::read(FILE* file)
{
  ReadResult result;
  readBlock(file, &currentWorld, 1);
  readBlock(file, world3, blockSize);
  readBlock(file, &visited5, 1);
  readBlock(file, world7, blockSize);
  readBlock(file, world1, world1Size);
  // Fields are taken by name, in whatever order they stand; a field the record lacks keeps its
  // value (a file written before the field existed), and names this game does not know are
  // passed over. A name that stands twice (a script's field named as one of the schema) gives
  // its values to its fields in order. A line lost or doubled still shows: the lines run out
  // of step up to "PLAYER_END", which is then read as a value, and after it the next record's
  // raw blocks are read as lines, or the file ends. A name line with one byte changed shows
  // as a name one byte away from a field the record lacks.
  std::unordered_map<std::string_view, std::size_t> given;  // values given, by field name
  std::vector<std::string> strays;  // names that found no field of their own
  bool endAsValue = false;          // the last value read was "PLAYER_END"
  char name[WorldField::textSize];
  char value[WorldField::textSize];
  for (;;) {
    bool text = true;
    if (!readLine(file, name, &text)) break;
    if (text && std::strcmp(name, playerEnd) == 0) {
      result.complete = true;
      break;
    }
    // A file cut short ends the record where it is cut.
    if (std::feof(file)) break;
    if (!text || !isFieldName(name)) {
      result.damaged = true;
      break;
    }
    if (!readLine(file, value, &text)) break;
    if (!text) {
      result.damaged = true;
      break;
    }
    endAsValue = std::strcmp(value, playerEnd) == 0;
    const std::vector<WorldField*>* fields = fieldsANamed(name);
    const std::size_t use = fields ? given[fields->front()->name()]++ : 0;
    if (fields && use < fields->size()) {
      (*fields)[use]->fromText(value);
    } else {
      strays.emplace_back(name);
      // A name of list B still reaches it; a name that stands more often than the record has
      // fields of it leaves them the values they took first.
      if (!fields) setProperty(name, value);
    }
  }
  // The end marker read as a value, then the end of the file: the last record ran out of step.
  if (!result.complete && endAsValue) result.damaged = true;
  const bool nameGiven = given.count(playerNameField) > 0;
  if (result.complete) {
    // A record without its name names no one.
    const auto changed = [&](const std::string& stray) { return isChangedName(stray, given); };
    result.damaged = !nameGiven || std::any_of(strays.begin(), strays.end(), changed);
    result.complete = !result.damaged;
  }
  result.named = nameGiven && !result.damaged;
  return result;
}

bool WorldPlayer::isFieldName(const char* name)
{
  // Not empty, no control bytes (the raw blocks of a record read out of step).
  if (*name == '\0') return false;
  return std::none_of(name, name + std::strlen(name), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

bool WorldPlayer::isChangedName(const std::string& stray,
                                const std::unordered_map<std::string_view, std::size_t>& given)
{
  const auto oneByteApart = [&stray](std::string_view name) {
    if (name.size() != stray.size()) return false;
    std::size_t differ = 0;
    for (std::size_t i = 0; i < name.size() && differ < 2; ++i)
      differ += name[i] != stray[i];
    return differ == 1;
  };
  const auto lackedAndNear = [&](WorldField* field) {
    return given.count(field->name()) == 0 && oneByteApart(field->name());
  };
  return fieldsA_.firstThat(lackedAndNear) != nullptr;
}

void WorldPlayer::copyStateFrom(WorldPlayer& other)
{
  currentWorld = other.currentWorld;
  std::copy(other.world3, other.world3 + blockSize, world3);
  visited5 = other.visited5;
  std::copy(other.world7, other.world7 + blockSize, world7);
  std::copy(other.world1, other.world1 + world1Size, world1);
  // Fields of one name take the values of the other's fields of that name in order.
  std::unordered_map<std::string_view, std::size_t> taken;
  char value[WorldField::textSize];
  other.fieldsA_.forEach([&](WorldField* field) {
    const std::vector<WorldField*>* own = fieldsANamed(field->name());
    const std::size_t use = own ? taken[own->front()->name()]++ : 0;
    if (!own || use >= own->size()) return;
    value[0] = '\0';
    field->toText(value);
    (*own)[use]->fromText(value);
  });
}

void WorldPlayer::clearFieldValues()
{
  fieldsA_.forEach([](WorldField* field) { field->fromText(""); });
}
