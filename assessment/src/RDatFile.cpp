#include "assessment/src/RDatFile.h"

#include <io.h>
#include <omcrt.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "assessment/src/AppMain.h"
#include "assessment/src/DescriptorFile.h"
#include "assessment/src/FileReport.h"
#include "assessment/src/ProgressFile.h"
#include "assessment/src/SoundFlags.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMProgramEnd.h"
#include "framework/OMSafeSave.h"
#include "framework/OMSystem.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/YThread.h"

namespace {

TrinketRecord record("RDatFile", &RDatFile::create, TrinketRecord::assessmentEditionOnly);

constexpr std::size_t countSize = 4;
constexpr int arrayRow = 30;
constexpr int bonusTicketBit = 0x4000;

std::vector<RDatFile*>& liveFiles()
{
  static std::vector<RDatFile*> files;
  return files;
}

RDatFile*& registeredFile()
{
  static RDatFile* file = nullptr;
  return file;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::int32_t readInt32(const unsigned char* bytes)
{
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[0]) | bytes[1] << 8 |
                                   bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
}

void writeInt32(unsigned char* bytes, std::int32_t value)
{
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<unsigned char>(static_cast<std::uint32_t>(value) >> 8 * i);
}

std::string arrayVariable(const char* name, int row)
{
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, "%dto%d", row * arrayRow, row * arrayRow + arrayRow - 1);
  return std::string(name) + suffix;
}

// How many whole, named records follow one another from a place in a file's bytes.
int wholeRecordsFrom(const unsigned char* bytes, std::size_t size, std::size_t at)
{
  int count = 0;
  for (RData record; at + RData::recordSize <= size; at += RData::recordSize, ++count) {
    if (record.readFrom(bytes + at) != RData::Reading::whole || record.name()[0] == '\0') break;
  }
  return count;
}

// Where the records of a file go on after a damaged one at a place out of step with the end
// of the file: bytes lost or added there put the next record at the first place in step with
// the end, when more whole records follow from it than in the old step. 0 when they go on in
// their step.
std::size_t recordsResumeAt(const unsigned char* bytes, std::size_t size, std::size_t at)
{
  const std::size_t offset = (size - at) % RData::recordSize;
  if (offset == 0) return 0;
  const int inStep = wholeRecordsFrom(bytes, size, at + RData::recordSize);
  return wholeRecordsFrom(bytes, size, at + offset) > inStep ? at + offset : 0;
}

// Where the first record lies: after the count, or at the start of a file that lost its count.
std::size_t firstRecordAt(const unsigned char* bytes, std::size_t size)
{
  const bool countLost = (size - countSize) % RData::recordSize != 0 && size % RData::recordSize == 0;
  return countLost && wholeRecordsFrom(bytes, size, 0) > wholeRecordsFrom(bytes, size, countSize)
             ? 0
             : countSize;
}

int textNumber(OMWord text)
{
  return std::atoi(reinterpret_cast<const char*>(text));
}

const char* textOf(OMWord text)
{
  return text ? reinterpret_cast<const char*>(text) : "";
}

}  // namespace

RDatFile::RDatFile(int slotCount, const char* fileName)
    : slots_(static_cast<std::size_t>(std::clamp(slotCount, 0, maxSlots)))
{
  for (const char* c = fileName ? fileName : ""; *c; ++c)
    fileName_ += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
  load();
  liveFiles().push_back(this);
}

RDatFile::~RDatFile()
{
  save();
  std::erase(liveFiles(), this);
  if (registeredFile() == this) registeredFile() = nullptr;
}

std::unique_ptr<OMScriptableObject> RDatFile::create()
{
  const int slotCount = std::atoi(popScriptArg());
  const std::string fileName = popScriptArg();
  return std::make_unique<RDatFile>(slotCount, fileName.c_str());
}

void RDatFile::registerMembers()
{
  using Link = OMLinkToObj<RDatFile>;
  using X = RDatFile;
  const auto property = [this](const char* name, Link::MemberFnWithArg set,
                               Link::MemberFnWithArg get) {
    const Link setter(this, set, 0), getter(this, get, 0);
    addProperty(name, set ? &setter : nullptr, get ? &getter : nullptr);
  };
  property("var", &X::setVar, &X::getVar);
  property("newVar", &X::setNewVar, nullptr);
  property("subVar", &X::putSubVar, &X::getSubVar);
  property("arrayVar", &X::putArrayVar, &X::getArrayVar);
  property("varTime", nullptr, &X::getVarTime);
  property("deltaTime", nullptr, &X::getDeltaTime);
  property("tickets", &X::setTickets, &X::getTickets);
  property("bonusTicket", &X::setBonusTicket, &X::getBonusTicket);
  property("sfxFlag", nullptr, &X::getSfxFlag);
  property("musicFlag", nullptr, &X::getMusicFlag);
  property("voiceFlag", nullptr, &X::getVoiceFlag);
  addMethod("dump", Link(this, &X::dumpMember));
  addMethod("incSubVar", Link(this, &X::incSubVarMember));
  addMethod("decSubVar", Link(this, &X::decSubVarMember));
  addMethod("createArray", Link(this, &X::createArrayMember));
  addMethod("loadMRData", Link(this, &X::loadMRDataMember));
  addMethod("writeMRData", Link(this, &X::writeMRDataMember));
  addMethod("registerUser", Link(this, &X::registerUserMember));
}

int RDatFile::lookup(const char* name)
{
  firstFree_ = -1;
  int passed = 0;
  for (int i = 0; i < slotCount() && passed < usedCount_; ++i) {
    const RData& data = slots_[static_cast<std::size_t>(i)];
    if (data.isFree()) {
      if (firstFree_ < 0) firstFree_ = i;
      continue;
    }
    if (std::strcmp(data.name(), name) == 0) return i;
    ++passed;
  }
  if (firstFree_ < 0) firstFree_ = findFreeSlotFrom(0);
  return -1;
}

int RDatFile::findFreeSlotFrom(int start) const
{
  for (int i = std::max(start, 0); i < slotCount(); ++i)
    if (slots_[static_cast<std::size_t>(i)].isFree()) return i;
  return -1;
}

RData* RDatFile::variable(const char* name)
{
  const int index = name ? lookup(name) : -1;
  return index < 0 ? nullptr : &slots_[static_cast<std::size_t>(index)];
}

const char* RDatFile::get(const char* name)
{
  const RData* data = variable(name);
  return data ? data->value() : "empty";
}

bool RDatFile::set(const char* name, const char* value)
{
  if (RData* data = variable(name)) {
    data->setValue(value);
    return true;
  }
  return newVar(name, value);
}

bool RDatFile::newVar(const char* name, const char* value)
{
  // A name that does not fit, or one that reads as a free slot, is never stored.
  if (!name || std::strlen(name) >= RData::textSize || std::strcmp(name, "empty") == 0)
    return false;
  int index = findFreeSlotFrom(firstFree_);
  if (index < 0) index = findFreeSlotFrom(0);
  if (index < 0) {
    std::fprintf(stderr, "%s: all %d variables are used; \"%s\" is not stored\n",
                 fileName_.empty() ? "RDatFile" : fileName_.c_str(), slotCount(), name);
    return false;
  }
  RData& data = slots_[static_cast<std::size_t>(index)];
  data.setName(name);
  data.setValue(value);
  ++usedCount_;
  firstFree_ = findFreeSlotFrom(index);
  return true;
}

bool RDatFile::remove(const char* name)
{
  RData* data = variable(name);
  if (!data) return false;
  data->clear();
  --usedCount_;
  return true;
}

const char* RDatFile::subVar(const char* name, int position)
{
  const RData* data = variable(name);
  if (!data || position < 0 || position >= static_cast<int>(RData::textSize)) return nullptr;
  character_[0] = data->characterAt(static_cast<std::size_t>(position));
  character_[1] = '\0';
  return character_;
}

void RDatFile::setSubVar(const char* name, int position, char c)
{
  RData* data = variable(name);
  if (!data || position < 0 || position >= static_cast<int>(RData::textSize) - 1) return;
  if (std::strlen(data->value()) < static_cast<std::size_t>(position)) data->padWithBlanks();
  data->setCharacterAt(static_cast<std::size_t>(position), c);
}

void RDatFile::stepSubVar(const char* name, int position, int delta)
{
  if (position < 0 || position >= static_cast<int>(RData::textSize) - 1) return;
  RData* data = variable(name);
  if (!data) {
    if (!set(name, "")) return;
    data = variable(name);
    data->padWithBlanks();
  }
  const auto at = static_cast<std::size_t>(position);
  setSubVar(name, position, static_cast<char>(data->characterAt(at) + delta));
}

void RDatFile::createArray(const char* name, int size, char fill)
{
  const std::string value(arrayRow, fill);
  for (int row = 0; row <= std::max(size, 0) / arrayRow; ++row) {
    const std::string rowName = arrayVariable(name, row);
    if (lookup(rowName.c_str()) < 0) newVar(rowName.c_str(), value.c_str());
  }
}

std::string RDatFile::siblingName(const char* extension) const
{
  std::string name = fileName_;
  const std::size_t at = name.find(".DAT");
  if (at == std::string::npos) return name + extension;
  return name.replace(at, 4, extension);
}

void RDatFile::dumpSlot(std::FILE* file, int index) const
{
  const RData& data = slots_[static_cast<std::size_t>(index)];
  const std::time_t modified = data.modified();
  char when[64] = "\n";
  if (const std::tm* local = std::localtime(&modified))
    std::strftime(when, sizeof when, "%a %b %d %H:%M:%S %Y\n", local);
  std::fprintf(file, " %3d) %-32s", index, data.name());
  std::fprintf(file, " = %-32s", data.value());
  std::fprintf(file, " modified %s", when);
}

bool RDatFile::dump()
{
  // Text mode, as the Windows C library writes it: the lines end CR LF.
  File file(om_fopen_text(siblingName(".TXT").c_str(), "wt"));
  if (!file) {
    alertBox("Unable to open dump file", 0x3000, "Alert");
    // The program ends with status 0 through its main loop: nothing more of the script runs.
    if (YThread* thread = assessmentThread()) thread->stop();
    OMProgramEnd::request(0);
    return false;
  }
  std::fprintf(file.get(), "# of used variables = %4d \n", usedCount_);
  for (int i = 0; i < slotCount(); ++i)
    dumpSlot(file.get(), i);
  return true;
}

void RDatFile::setNumber(const char* name, int value)
{
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  set(name, text);
}

void RDatFile::loadMRData()
{
  ProgressFile& progress = ProgressFile::instance();
  if (progress.read() != ProgressFile::ReadResult::read) return;
  setNumber("sfxFlag", soundFlag(SoundFlag::effects));
  setNumber("musicFlag", soundFlag(SoundFlag::music));
  setNumber("voiceFlag", soundFlag(SoundFlag::voice));
  setNumber("totalUsers", progress.totalUsers());
  const ProgressFile::Record& record = progress.record(0);
  for (int field = 0; field < ProgressFile::fieldCount; ++field) {
    const std::string name = ProgressFile::fieldVariable(field);
    if (!name.empty()) setNumber(name.c_str(), record[static_cast<std::size_t>(field)]);
  }
  set("uName", ProgressFile::nameOf(record).c_str());
}

bool RDatFile::writeMRData()
{
  ProgressFile& progress = ProgressFile::instance();
  ProgressFile::Record& record = progress.record(0);
  // Records of the other users come from the file, never as zeros over it; so does what of
  // record 0 no variable gives.
  if (!progress.readThisRun()) progress.readOtherUsers(&record);
  setNumber("sfxFlag", soundFlag(SoundFlag::effects));
  setNumber("musicFlag", soundFlag(SoundFlag::music));
  setNumber("voiceFlag", soundFlag(SoundFlag::voice));
  for (int field = 0; field < ProgressFile::fieldCount; ++field) {
    const std::string name = ProgressFile::fieldVariable(field);
    if (!name.empty()) readFieldBack(name.c_str(), record[static_cast<std::size_t>(field)]);
  }
  if (variable("uName") || !damaged_) ProgressFile::setName(record, get("uName"));
  std::int16_t flags[] = {soundFlag(SoundFlag::effects), soundFlag(SoundFlag::music),
                          soundFlag(SoundFlag::voice)};
  readFieldBack("sfxFlag", flags[0]);
  readFieldBack("musicFlag", flags[1]);
  readFieldBack("voiceFlag", flags[2]);
  setSoundFlag(SoundFlag::effects, flags[0]);
  setSoundFlag(SoundFlag::music, flags[1]);
  setSoundFlag(SoundFlag::voice, flags[2]);
  std::int16_t users = progress.totalUsers();
  readFieldBack("totalUsers", users);
  progress.setTotalUsers(users);
  return progress.write();
}

void RDatFile::readFieldBack(const char* name, std::int16_t& field)
{
  const RData* data = variable(name);
  if (!data) {
    // A damaged file may have lost the variable: the field keeps what it holds.
    if (!damaged_) field = 0;
    return;
  }
  // The field takes the low 16 bits.
  field = static_cast<std::int16_t>(DescriptorFile::toInt(data->value()));
}

void RDatFile::storePrizeFlags(int value)
{
  std::int16_t& flags = ProgressFile::instance().record(0)[ProgressFile::prizeFlagsField];
  flags = static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
  setNumber("uPrizeFlags", flags);
}

bool RDatFile::readImage(const unsigned char* bytes, std::size_t size)
{
  std::fill(slots_.begin(), slots_.end(), RData());
  usedCount_ = 0;
  firstFree_ = -1;
  damaged_ = true;
  if (size < countSize) return false;
  std::size_t at = firstRecordAt(bytes, size);
  bool whole = at == countSize;
  std::int64_t records = 0;
  while (at < size && usedCount_ < slotCount()) {
    RData& data = slots_[static_cast<std::size_t>(usedCount_)];
    const RData::Reading reading = data.readFrom(bytes + at, size - at);
    if (reading != RData::Reading::whole) {
      whole = false;
      if (const std::size_t resumed = recordsResumeAt(bytes, size, at)) {
        data = RData();
        at = resumed;
        continue;
      }
    }
    if (reading != RData::Reading::unreadable) ++usedCount_;
    ++records;
    at += RData::recordSize;
  }
  whole = whole && at == size && records == readInt32(bytes);
  damaged_ = !whole;
  return whole;
}

void RDatFile::load()
{
  if (fileName_.empty()) return;
  File file(om_fopen(fileName_.c_str(), "rb"));
  if (!file) {
    struct _stat status;
    if (_stat(fileName_.c_str(), &status) == 0) {
      filereport::report(fileName_,
                         "it cannot be read, so it is not used and nothing is saved over it",
                         "Make it a file the program may read, then start the program again");
      saveRefused_ = true;
    }
    return;
  }
  // Room for twice what the table holds: damage may have doubled what it holds.
  std::vector<unsigned char> bytes(2 * (countSize + slots_.size() * RData::recordSize) + 1);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
  file.reset();
  if (!readImage(bytes.data(), bytes.size())) keepDamagedFile();
}

void RDatFile::keepDamagedFile()
{
  damaged_ = true;
  if (fileName_.empty() || damageKept_) return;
  damageKept_ = true;
  const std::string kept = siblingName(".BAD");
  errno = 0;
  const bool copied = copyFileBytes(fileName_, kept);
  const int error = errno;
  if (copied) {
    filereport::report(fileName_,
                       "it is damaged; what could be read of it is used, and the file as it "
                       "was is kept as " + filereport::named(kept),
                       "Keep that copy: it holds whatever is missing");
    return;
  }
  saveRefused_ = true;
  filereport::report(fileName_,
                     "it is damaged, and no copy of it could be kept (" +
                         std::string(error != 0 ? std::strerror(error) : "the disk refused it") +
                         "); what could be read of it is used, and nothing is saved over it "
                         "until the program starts again",
                     "Make room on the disk or make its folder writable, then start the "
                     "program again");
}

void RDatFile::removeSlot(int index)
{
  RData& data = slots_[static_cast<std::size_t>(index)];
  if (data.isFree()) return;
  data.clear();
  --usedCount_;
}

void RDatFile::renameSlot(int index, const char* name)
{
  RData& data = slots_[static_cast<std::size_t>(index)];
  const std::string value = data.value();
  data.setName(name);
  data.setValue(value.c_str());
  if (data.isFree()) --usedCount_;
}

bool RDatFile::save()
{
  if (fileName_.empty() || saveRefused_) return false;
  std::vector<unsigned char> bytes(countSize);
  writeInt32(bytes.data(), usedCount_);
  for (const RData& data : slots_) {
    if (data.isFree()) continue;
    unsigned char record[RData::recordSize];
    data.writeTo(record);
    bytes.insert(bytes.end(), record, record + sizeof record);
  }
  std::string whyNot;
  const bool saved = saveFileSafely(fileName_, siblingName(".TMP"), [&](std::FILE* out) {
    return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  }, &whyNot);
  if (!saved)
    filereport::report(fileName_,
                       "it could not be saved (" + whyNot +
                           "), so it keeps its previous contents, without what changed since",
                       "Make room on the disk or make the file and its folder writable; the "
                       "program saves it again at its next change and when it ends");
  return saved;
}

void RDatFile::saveAll()
{
  for (RDatFile* file : liveFiles())
    file->save();
}

RDatFile* RDatFile::registered()
{
  return registeredFile();
}

OMWord RDatFile::getVar(OMWord buffer)
{
  return writeText(buffer, get(popScriptArg()));
}

OMWord RDatFile::setVar(OMWord text)
{
  const std::string name = popScriptArg();
  return set(name.c_str(), textOf(text)) ? 1 : 0;
}

OMWord RDatFile::setNewVar(OMWord text)
{
  const std::string name = popScriptArg();
  return newVar(name.c_str(), textOf(text)) ? 1 : 0;
}

OMWord RDatFile::getSubVar(OMWord buffer)
{
  const std::string name = popScriptArg();
  const char* c = subVar(name.c_str(), std::atoi(popScriptArg()));
  return writeText(buffer, c ? c : "empty");
}

OMWord RDatFile::putSubVar(OMWord text)
{
  const std::string name = popScriptArg();
  setSubVar(name.c_str(), std::atoi(popScriptArg()), textOf(text)[0]);
  return 1;
}

OMWord RDatFile::getArrayVar(OMWord buffer)
{
  const std::string name = popScriptArg();
  const int index = std::atoi(popScriptArg());
  const char* c =
      index < 0 ? nullptr
                : subVar(arrayVariable(name.c_str(), index / arrayRow).c_str(), index % arrayRow);
  return writeText(buffer, c ? c : "empty");
}

OMWord RDatFile::putArrayVar(OMWord text)
{
  const std::string name = popScriptArg();
  const int index = std::atoi(popScriptArg());
  if (index >= 0)
    setSubVar(arrayVariable(name.c_str(), index / arrayRow).c_str(), index % arrayRow,
              textOf(text)[0]);
  return 1;
}

OMWord RDatFile::getVarTime(OMWord buffer)
{
  const RData* data = variable(popScriptArg());
  if (!data) return writeText(buffer, "");
  const std::time_t modified = data->modified();
  const std::tm* local = std::localtime(&modified);
  char text[16] = "";
  if (local) std::snprintf(text, sizeof text, "%d/%d", local->tm_mon + 1, local->tm_mday);
  return writeText(buffer, text);
}

OMWord RDatFile::getDeltaTime(OMWord buffer)
{
  const RData* data = variable(popScriptArg());
  return writeNumber(buffer, data ? static_cast<int>(om_time(nullptr) - data->modified()) : 0);
}

OMWord RDatFile::getTickets(OMWord buffer)
{
  return writeNumber(buffer,
                     ProgressFile::instance().record(0)[ProgressFile::prizeFlagsField] & 0xFF);
}

OMWord RDatFile::setTickets(OMWord text)
{
  const int flags = ProgressFile::instance().record(0)[ProgressFile::prizeFlagsField];
  storePrizeFlags((flags & ~0xFF) | (textNumber(text) & 0xFF));
  return 1;
}

OMWord RDatFile::getBonusTicket(OMWord buffer)
{
  return writeNumber(
      buffer, ProgressFile::instance().record(0)[ProgressFile::prizeFlagsField] & bonusTicketBit);
}

OMWord RDatFile::setBonusTicket(OMWord)
{
  storePrizeFlags(ProgressFile::instance().record(0)[ProgressFile::prizeFlagsField] |
                  bonusTicketBit);
  return 1;
}

OMWord RDatFile::getSfxFlag(OMWord buffer)
{
  return writeNumber(buffer, soundFlag(SoundFlag::effects));
}

OMWord RDatFile::getMusicFlag(OMWord buffer)
{
  return writeNumber(buffer, soundFlag(SoundFlag::music));
}

OMWord RDatFile::getVoiceFlag(OMWord buffer)
{
  return writeNumber(buffer, soundFlag(SoundFlag::voice));
}

OMWord RDatFile::dumpMember()
{
  dump();
  return 1;
}

OMWord RDatFile::incSubVarMember()
{
  const std::string name = popScriptArg();
  stepSubVar(name.c_str(), std::atoi(popScriptArg()), 1);
  return 1;
}

OMWord RDatFile::decSubVarMember()
{
  const std::string name = popScriptArg();
  stepSubVar(name.c_str(), std::atoi(popScriptArg()), -1);
  return 1;
}

OMWord RDatFile::createArrayMember()
{
  const std::string name = popScriptArg();
  const int size = std::atoi(popScriptArg());
  createArray(name.c_str(), size, popScriptArg()[0]);
  return 1;
}

OMWord RDatFile::loadMRDataMember()
{
  loadMRData();
  return 1;
}

OMWord RDatFile::writeMRDataMember()
{
  writeMRData();
  return 1;
}

OMWord RDatFile::registerUserMember()
{
  registeredFile() = this;
  return 1;
}
