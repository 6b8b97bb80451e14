#include "assessment/src/ProgressFile.h"

#include <omcrt.h>
#include <windows.h>

#include <algorithm>
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

// The file as far as the header and the 40 records go, or nothing when it does not open.
bool readFileStart(const std::string& path, std::vector<unsigned char>& bytes)
{
  std::FILE* file = om_fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes.resize(ProgressFile::fileSize);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  return true;
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
}

std::string ProgressFile::path()
{
  char folder[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryA(folder, sizeof folder);
  std::string path(folder, length < sizeof folder ? length : 0);
  if (path.empty() || path.back() != '\\') path += '\\';
  return path + "tovik.dat";
}

int ProgressFile::parse(const unsigned char* bytes, std::size_t size,
                        std::array<std::uint8_t, 3>& flags,
                        std::array<Record, recordCount>& records)
{
  if (size < headerSize) return -1;
  for (std::size_t i = 0; i < flags.size(); ++i)
    flags[i] = bytes[i];
  const int whole = static_cast<int>(std::min<std::size_t>((size - headerSize) / recordSize,
                                                           recordCount));
  const unsigned char* field = bytes + headerSize;
  for (int r = 0; r < whole; ++r) {
    for (std::int16_t& value : records[static_cast<std::size_t>(r)]) {
      value = static_cast<std::int16_t>(field[0] | field[1] << 8);
      field += 2;
    }
  }
  return whole;
}

int ProgressFile::readImage(std::array<std::uint8_t, 3>& flags,
                            std::array<Record, recordCount>& records)
{
  std::vector<unsigned char> bytes;
  if (!readFileStart(path(), bytes)) return -1;
  return parse(bytes.data(), bytes.size(), flags, records);
}

ProgressFile::ReadResult ProgressFile::read()
{
  std::array<std::uint8_t, 3> flags{};
  auto records = std::make_unique<std::array<Record, recordCount>>();
  const int whole = readImage(flags, *records);
  if (whole < 0) return ReadResult::missing;
  for (std::size_t i = 0; i < flags.size(); ++i)
    setSoundFlag(headerFlags[i], flags[i]);
  std::copy(records->begin(), records->begin() + whole, records_.begin());
  readThisRun_ = true;
  return ReadResult::read;
}

ProgressFile::ReadResult ProgressFile::readOtherUsers(Record* first)
{
  std::array<std::uint8_t, 3> flags{};
  auto records = std::make_unique<std::array<Record, recordCount>>();
  const int whole = readImage(flags, *records);
  if (whole < 0) return ReadResult::missing;
  if (whole > 1) std::copy(records->begin() + 1, records->begin() + whole, records_.begin() + 1);
  if (first && whole > 0) *first = records->front();
  readThisRun_ = true;
  return ReadResult::read;
}

bool ProgressFile::write()
{
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
