#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/OMList.h"
#include "framework/OMWord.h"
#include "game/WorldField.h"

// World ids that scripts can name; 0 for a name the table lacks.
int worldIdFromName(const char* name);
// The levelling parameters {A, B, X, Y} of a world, or null for a world without a row.
std::int32_t* levellingRowOf(int world);

// One player: its progress in the worlds (raw blocks, stored as they are in the data file),
// its name, and while it is the active player its fields.
class WorldPlayer {
 public:
  static constexpr int blockSize = 11;
  static constexpr int world1Size = 46;
  // The bytes of the raw blocks at the head of a data-file record.
  static constexpr int rawSize = 4 * (1 + blockSize + 1 + blockSize + world1Size);

  WorldPlayer();
  virtual ~WorldPlayer();
  WorldPlayer(const WorldPlayer&) = delete;
  WorldPlayer& operator=(const WorldPlayer&) = delete;

  // The 182 fields of the schema; the caller empties the lists first.
  void buildSchema();
  // Appends clones of the templates to field list A.
  void appendTemplates(OMList<WorldField>& templates);
  void emptyFields();
  // Progress of a new player: initNew then newGame.
  void initNew();
  void newGame();
  void giveNewPlayerValues()
  {
    initNew();
    newGame();
  }
  // Field list A, then list B; a name no field has is ignored.
  void setProperty(const char* name, const char* text);

  // Script methods; each takes the world word from the argument stack.
  OMWord autoLevel(OMWord unused = 0);
  OMWord correctGuess(OMWord unused = 0);
  OMWord incorrectGuess(OMWord unused = 0);
  OMWord newGameMethod(OMWord unused = 0);

  // The data-file record: raw blocks, then the saved fields of list A, then "PLAYER_END".
  bool write(FILE* file);
  struct ReadResult {
    bool complete = false;  // "PLAYER_END" ended an undamaged record
    bool named = false;     // an undamaged record held its "playerName" value
    bool damaged = false;   // the lines are out of step, or a name line was changed
  };
  ReadResult read(FILE* file);
  // Takes the blocks and field values of another record with the same schema.
  void copyStateFrom(WorldPlayer& other);
  // Puts every field of list A back to its initial value, the name included.
  void clearFieldValues();

  const std::string& name() const { return name_; }
  void setName(const std::string& name) { name_ = name; }
  // The name the player's record has in the data file, or none while the file holds no record
  // of it. It differs from the name after a rename until the next save.
  const std::optional<std::string>& filedName() const { return filedName_; }
  void setFiledName(const std::string& name) { filedName_ = name; }
  OMList<WorldField>& fieldsA() { return fieldsA_; }
  OMList<WorldField>& fieldsB() { return fieldsB_; }

  std::int32_t currentWorld = 0;
  std::int32_t world3[blockSize] = {};
  std::int32_t visited5 = 0;
  std::int32_t world7[blockSize] = {};
  std::int32_t world1[world1Size] = {};

 private:
  // The world a word names, or the current world for an absent or empty word.
  int worldOf(const char* word) const;
  // The block of world 1, 3 or 7 (null for another world).
  std::int32_t* blockOf(int world);
  // The level a word names (the current level when absent), or 0 when it is not 1 to 4.
  int levelOf(int world, const char* word);
  int currentLevelOf(int world);
  void emptyHistory();
  void appendAnswer(int correct);

  OMWord getName(OMWord buffer);
  OMWord setNameText(OMWord text);
  OMWord getAutoLevelingEnabled(OMWord buffer);
  OMWord setAutoLevelingEnabled(OMWord text);
  OMWord getCurrentDataset(OMWord buffer);
  OMWord setCurrentDataset(OMWord text);
  OMWord getCurrentLevel(OMWord buffer);
  OMWord setCurrentLevel(OMWord text);
  OMWord getLevelColor(OMWord buffer);
  OMWord setLevelColor(OMWord text);
  OMWord getVisitedCount(OMWord buffer);
  OMWord setVisitedCount(OMWord text);
  OMWord getEntryCount(OMWord buffer);
  OMWord setEntryCount(OMWord text);
  OMWord getTotalCorrect(OMWord buffer);
  OMWord setTotalCorrect(OMWord text);
  OMWord getTotalGuesses(OMWord buffer);
  OMWord setTotalGuesses(OMWord text);

  // The integer a world-bound field reaches, or null (the field gives its fallback).
  std::int32_t* datasetSlot();
  std::int32_t* levelColorSlot();
  std::int32_t* visitedSlot();
  std::int32_t* entryCountSlot();
  std::int32_t* levelTotalSlot(int base);

  // The fields of list A of each name, in list order: records are read line by line by name,
  // and a name that a script gave a field of the schema too stands in a record twice.
  const std::vector<WorldField*>* fieldsANamed(const char* name);
  WorldField* fieldANamed(const char* name);
  // Whether a line may be a field's name: raw bytes read out of step are not.
  static bool isFieldName(const char* name);
  // Whether a name that found no field of its own is a name of a field the record lacks with
  // one byte changed.
  bool isChangedName(const std::string& stray,
                     const std::unordered_map<std::string_view, std::size_t>& given);

  std::string name_;
  std::optional<std::string> filedName_;
  OMList<WorldField> fieldsB_;
  OMList<WorldField> fieldsA_;
  std::unordered_map<std::string_view, std::vector<WorldField*>> indexA_;
};
