#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "assessment/src/RData.h"
#include "framework/OMWord.h"
#include "trinkets/src/OMScriptableObject.h"

// A table of named text variables with the times they were set, kept in a data file: read
// at creation, written back whole at destruction and whenever the program may end. The file
// holds the used count (int32) and the used slots, 68 bytes each, in slot order. The same
// object copies the progress records to and from its variables.
class RDatFile : public OMScriptableObject {
 public:
  static constexpr int maxSlots = 1000;

  // A file name of null or "" keeps the table in memory only.
  RDatFile(int slotCount, const char* fileName);
  ~RDatFile() override;
  RDatFile(const RDatFile&) = delete;

  static std::unique_ptr<OMScriptableObject> create();
  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;

  // The value, or "empty" when there is no such variable.
  const char* get(const char* name);
  // Sets the value, making the variable in the first free slot when missing. False when
  // nothing was stored: the name does not fit, or every slot is used.
  bool set(const char* name, const char* value);
  bool remove(const char* name);
  // A new variable from the last free slot found on (wrapping once), existing or not.
  bool newVar(const char* name, const char* value);

  // One character of a value (position 0-31), or null for a missing variable or position.
  const char* subVar(const char* name, int position);
  // Puts c at the position (0-30); a shorter value is padded with blanks first.
  void setSubVar(const char* name, int position, char c);
  // Adds delta to the character's code; a missing variable is made blank first.
  void stepSubVar(const char* name, int position, int delta);
  // size / 30 + 1 variables of 30 fill characters, "name0to29", "name30to59"...; those that
  // exist are kept.
  void createArray(const char* name, int size, char fill);

  // Writes the text dump; false when its file could not be made.
  bool dump();
  void loadMRData();
  bool writeMRData();

  int slotCount() const { return static_cast<int>(slots_.size()); }
  int usedCount() const { return usedCount_; }
  const RData& slot(int index) const { return slots_[static_cast<std::size_t>(index)]; }
  const std::string& fileName() const { return fileName_; }

  // Replaces the data file with the table; false when it could not (reported, the old file
  // kept), when the object has no file, or when the file is not to be written over.
  bool save();
  // Saves every live object that has a file: before the program can end.
  static void saveAll();
  // The data file that "registerUser" chose, or null.
  static RDatFile* registered();

  // Fills the table from a data file's bytes; false when they are damaged: anything a save
  // cannot have written. Every value is a text, whatever its name. Every record in the file
  // is read, as far as it can be, past a wrong count, a damaged record or bytes lost or added
  // before it.
  bool readImage(const unsigned char* bytes, std::size_t size);
  // What was read is damaged (found so before the object first saves): the file is copied
  // beside it as ".BAD" (once), and that is said; when no copy can be made, nothing is saved
  // over the file from then on.
  void keepDamagedFile();
  // Frees one slot, or gives it another name (its value kept): for repairs of a damaged table.
  void removeSlot(int index);
  void renameSlot(int index, const char* name);
  // The file name with its first ".DAT" replaced by the extension, else with it appended.
  std::string siblingName(const char* extension) const;

 private:
  // The slot of a name, or -1; remembers the first free slot met.
  int lookup(const char* name);
  int findFreeSlotFrom(int start) const;
  RData* variable(const char* name);
  void load();
  void dumpSlot(std::FILE* file, int index) const;
  void setNumber(const char* name, int value);
  // Reads a progress number back from its variable as a decimal integer (leading blanks, a
  // sign, the digits up to the first other character); 0 when missing, unchanged when a
  // damaged file lost it.
  void readFieldBack(const char* name, std::int16_t& field);
  void storePrizeFlags(int value);

  OMWord getVar(OMWord buffer);
  OMWord setVar(OMWord text);
  OMWord setNewVar(OMWord text);
  OMWord getSubVar(OMWord buffer);
  OMWord putSubVar(OMWord text);
  OMWord getArrayVar(OMWord buffer);
  OMWord putArrayVar(OMWord text);
  OMWord getVarTime(OMWord buffer);
  OMWord getDeltaTime(OMWord buffer);
  OMWord getTickets(OMWord buffer);
  OMWord setTickets(OMWord text);
  OMWord getBonusTicket(OMWord buffer);
  OMWord setBonusTicket(OMWord text);
  OMWord getSfxFlag(OMWord buffer);
  OMWord getMusicFlag(OMWord buffer);
  OMWord getVoiceFlag(OMWord buffer);
  OMWord dumpMember();
  OMWord incSubVarMember();
  OMWord decSubVarMember();
  OMWord createArrayMember();
  OMWord loadMRDataMember();
  OMWord writeMRDataMember();
  OMWord registerUserMember();

  std::vector<RData> slots_;
  int usedCount_ = 0;
  int firstFree_ = -1;
  std::string fileName_;
  // What was read is damaged; its copy has been kept (or could not be).
  bool damaged_ = false;
  bool damageKept_ = false;
  // A file that exists but could not be read, or a damaged one that could not be copied, is
  // never written over.
  bool saveRefused_ = false;
  // What the one-character getters answer.
  char character_[2] = {};
};
