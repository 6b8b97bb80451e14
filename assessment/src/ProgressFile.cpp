#include "assessment/src/ProgressFile.h"

#include <omcrt.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "assessment/src/FileReport.h"
#include "assessment/src/SoundFlags.h"
#include "framework/OMSafeSave.h"

namespace {

constexpr SoundFlag headerFlags[] = {SoundFlag::effects, SoundFlag::music, SoundFlag::voice};

std::string besideProgressFile(const char* name)
{
  const std::string path = ProgressFile::path();
  return path.substr(0, path.size() - std::strlen("tovik.dat")) + name;
}

// The whole file, or nothing when it does not open; a file past the right size is read only
// far enough to know it.
bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes)
{
  std::FILE* file = om_fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes.resize(ProgressFile::fileSize + 1);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  return true;
}

// Copies the damaged file aside and says so; false when no copy could be made.
bool keepDamagedCopy()
{
  const std::string kept = besideProgressFile("TOVIK.BAD");
  errno = 0;
  if (copyFileBytes(ProgressFile::path(), kept)) {
    filereport::report(ProgressFile::path(),
                       "it is damaged, so none of it is used; the file as it was is kept as " +
                           filereport::named(kept),
                       "Keep that copy: it holds the progress of every user");
    return true;
  }
  const int error = errno;
  filereport::report(ProgressFile::path(),
                     "it is damaged, so none of it is used, and no copy of it could be kept (" +
                         std::string(error != 0 ? std::strerror(error) : "the disk refused it") +
                         "); nothing is saved over it until the program starts again",
                     "Make room on the disk or make the Windows folder writable, then start "
                     "the program again");
  return false;
}

}  // namespace

ProgressFile& ProgressFile::instance()
{
  static ProgressFile records;
  return records;
}

void ProgressFile::reset()
{
  resetSoundFlags();
  totalUsers_ = 0;
  records_ = {};
  readThisRun_ = false;
  damaged_.clear();
  writeRefused_ = false;
}

std::string ProgressFile::path()
{
  char folder[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryA(folder, sizeof folder);
  std::string path(folder, length < sizeof folder ? length : 0);
  if (path.empty() || path.back() != '\\') path += '\\';
  return path + "tovik.dat";
}

bool ProgressFile::parse(const unsigned char* bytes, std::size_t size,
                         std::array<std::uint8_t, 3>& flags,
                         std::array<Record, recordCount>& records)
{
  if (size != fileSize) return false;
  for (std::size_t i = 0; i < flags.size(); ++i)
    flags[i] = bytes[i];
  const unsigned char* field = bytes + headerSize;
  for (Record& record : records) {
    for (std::int16_t& value : record) {
      value = static_cast<std::int16_t>(field[0] | field[1] << 8);
      field += 2;
    }
  }
  return true;
}

ProgressFile::ReadResult ProgressFile::readImage(std::array<std::uint8_t, 3>& flags,
                                                 std::array<Record, recordCount>& records)
{
  std::vector<unsigned char> bytes;
  if (!readWholeFile(path(), bytes)) return ReadResult::missing;
  if (parse(bytes.data(), bytes.size(), flags, records)) return ReadResult::read;
  // Read again before a write, the same damaged file is copied and told of once.
  if (bytes != damaged_) {
    damaged_ = std::move(bytes);
    writeRefused_ = !keepDamagedCopy() || writeRefused_;
  }
  return ReadResult::damaged;
}

ProgressFile::ReadResult ProgressFile::read()
{
  std::array<std::uint8_t, 3> flags{};
  auto records = std::make_unique<std::array<Record, recordCount>>();
  const ReadResult result = readImage(flags, *records);
  if (result != ReadResult::read) return result;
  for (std::size_t i = 0; i < flags.size(); ++i)
    setSoundFlag(headerFlags[i], flags[i]);
  records_ = *records;
  readThisRun_ = true;
  return result;
}

ProgressFile::ReadResult ProgressFile::readOtherUsers(Record* first)
{
  std::array<std::uint8_t, 3> flags{};
  auto records = std::make_unique<std::array<Record, recordCount>>();
  const ReadResult result = readImage(flags, *records);
  if (result != ReadResult::read) return result;
  std::copy(records->begin() + 1, records->end(), records_.begin() + 1);
  if (first) *first = records->front();
  readThisRun_ = true;
  return result;
}

bool ProgressFile::write()
{
  if (writeRefused_) return false;
  std::vector<unsigned char> bytes(fileSize);
  for (std::size_t i = 0; i < 3; ++i)
    bytes[i] = static_cast<unsigned char>(soundFlag(headerFlags[i]));
  bytes[3] = static_cast<unsigned char>(totalUsers_);
  unsigned char* field = bytes.data() + headerSize;
  for (const Record& record : records_) {
    for (const std::int16_t value : record) {
      field[0] = static_cast<unsigned char>(value);
      field[1] = static_cast<unsigned char>(static_cast<std::uint16_t>(value) >> 8);
      field += 2;
    }
  }
  std::string whyNot;
  const bool saved = saveFileSafely(path(), besideProgressFile("TOVIK.TMP"), [&](std::FILE* out) {
    return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  }, &whyNot);
  if (!saved)
    filereport::report(path(),
                       "it could not be saved (" + whyNot +
                           "), so it keeps its previous contents, without this session's "
                           "progress",
                       "Make room on the disk or make the Windows folder writable; the program "
                       "saves it again when the progress is next written");
  return saved;
}

std::string ProgressFile::fieldVariable(int field)
{
  static const char* const fixed[] = {"uHippoFlag1",   "uHippoFlag2", "uHippoFlag3", "uHippoFlag4",
                                      "uSealFlag1",    "uSealFlag2",  "uSealFlag3",  "uSealFlag4",
                                      "uBalloonFlags", "uPrizeFlags"};
  if (field >= 0 && field < 10) return fixed[field];
  if (field >= 10 && field < nameField) {
    char name[32];
    std::snprintf(name, sizeof name, field % 2 == 0 ? "uPrizeAnimLevel%d" : "uPrizeAnimPrize%d",
                  (field - 10) / 2 + 1);
    return name;
  }
  if (field == 89) return "uNumSeen";
  if (field == 90) return "uSayHooray";
  return "";
}

std::string ProgressFile::nameOf(const Record& record)
{
  char name[nameSize];
  for (std::size_t i = 0; i < nameSize; i += 2) {
    const auto value = static_cast<std::uint16_t>(record[nameField + i / 2]);
    name[i] = static_cast<char>(value & 0xFF);
    name[i + 1] = static_cast<char>(value >> 8);
  }
  name[nameSize - 1] = '\0';
  return name;
}

void ProgressFile::setName(Record& record, const char* name)
{
  unsigned char bytes[nameSize] = {};
  const std::size_t length = name ? std::strlen(name) : 0;
  std::memcpy(bytes, name, std::min(length, nameSize - 1));
  for (std::size_t i = 0; i < nameSize; i += 2)
    record[nameField + i / 2] = static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8);
}
