// The variable data file: its script members, its file (read strictly, saved whole), the dump,
// and the progress file "tovik.dat" it carries.
#include <gtest/gtest.h>

#include <omcrt.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "assessment/src/AppMain.h"
#include "assessment/src/DescriptorFile.h"
#include "assessment/src/FileReport.h"
#include "assessment/src/ProgressFile.h"
#include "assessment/src/RDatFile.h"
#include "assessment/src/ResultFile.h"
#include "assessment/src/SoundFlags.h"
#include "platform/host/HostClock.h"
#include "tests/assessment/AssessmentProgram.h"
#include "tests/assessment/DamagedFiles.h"
#include "tests/support/KilledWriter.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TempFolder.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

constexpr std::int32_t startTime = 1000000000;  // the manual clock's epoch: 2001-09-09 UTC

// A data file's bytes as a save must write them, made without the class.
std::string slotBytes(const std::string& name, const std::string& value, std::int32_t time)
{
  std::string slot(68, '\0');
  slot.replace(0, name.size(), name);
  slot.replace(32, value.size(), value);
  for (int i = 0; i < 4; ++i)
    slot[64 + i] = static_cast<char>(time >> 8 * i);
  return slot;
}

std::string dataFileBytes(const std::vector<std::pair<std::string, std::string>>& slots,
                          std::int32_t time = startTime)
{
  std::string bytes(4, '\0');
  bytes[0] = static_cast<char>(slots.size());
  for (const auto& [name, value] : slots)
    bytes += slotBytes(name, value, time);
  return bytes;
}

// A working folder in memory, for the tests that read and save thousands of files.
class QuickFolder {
 public:
  const TempFolder& folder() const { return folder_; }

 private:
  ScopedEnv inMemory_{"TMPDIR", std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp"};
  TempFolder folder_;
  ScopedCurrentFolder inFolder_{folder_.path()};
};

// Whether standard error told of a damaged file by its name, and of the copy beside it.
bool toldDamaged(const std::string& said, const std::string& file, const std::string& copy)
{
  return said.rfind(file + " (", 0) == 0 && said.find("it is damaged") != std::string::npos &&
         said.find(copy + " (") != std::string::npos;
}

class DataFileTest : public ::testing::Test {
 protected:
  DataFileTest()
  {
    tzset();
    omhost::useManualClock(0);
    ProgressFile::instance().reset();
    filereport::forgetReports();
  }
  ~DataFileTest() override
  {
    omhost::useRealClock();
    ProgressFile::instance().reset();
  }

  std::unique_ptr<RDatFile> open(const char* name, int slots = 10)
  {
    const std::string count = std::to_string(slots);
    std::unique_ptr<OMScriptableObject> object =
        createTrinketByName("RDatFile", count.c_str(), name, scriptArgTerminator);
    return std::unique_ptr<RDatFile>(static_cast<RDatFile*>(object.release()));
  }
  static void pushArgs(std::initializer_list<const char*> args)
  {
    clearScriptArgs();
    for (const char* arg : args)
      pushScriptArg(arg);
  }
  static std::string get(RDatFile& file, const char* member,
                         std::initializer_list<const char*> args)
  {
    pushArgs(args);
    const char* value = file.getProperty(member);
    return value ? value : "(none)";
  }
  static void set(RDatFile& file, const char* member, std::initializer_list<const char*> args,
                  const char* value)
  {
    pushArgs(args);
    file.setProperty(member, value);
  }
  static void call(RDatFile& file, const char* method, std::initializer_list<const char*> args)
  {
    pushArgs(args);
    file.callMethod(method, scriptArgTerminator);
  }

  TempFolder work, windows;
  ScopedCurrentFolder inWork{work.path()};
  ScopedEnv windowsFolder{"OM_WINDOWS_DIR", windows.path()};
  ScopedEnv zone{"TZ", "UTC"};
  ScopedEdition edition{OMEdition::assessment};
};

TEST_F(DataFileTest, ScriptMembersFollowTheirRules)
{
  std::unique_ptr<RDatFile> file = open("");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(get(*file, "var", {"missing"}), "empty");
  set(*file, "var", {"a"}, "ab");
  set(*file, "subVar", {"a", "5"}, "xyz");
  EXPECT_EQ(get(*file, "var", {"a"}), "ab   x" + std::string(25, ' '));
  set(*file, "subVar", {"a", "31"}, "q");  // the NUL at 31 stays
  EXPECT_EQ(get(*file, "var", {"a"}).size(), 31u);
  EXPECT_EQ(get(*file, "subVar", {"a", "5"}), "x");
  EXPECT_EQ(get(*file, "subVar", {"a", "32"}), "empty");
  EXPECT_EQ(get(*file, "subVar", {"nothing", "0"}), "empty");

  call(*file, "incSubVar", {"fresh", "2"});
  EXPECT_EQ(get(*file, "var", {"fresh"}), "  !" + std::string(28, ' '));
  call(*file, "decSubVar", {"fresh", "2"});
  call(*file, "decSubVar", {"fresh", "2"});
  EXPECT_EQ(get(*file, "subVar", {"fresh", "2"}), "\x1f");

  // Arrays: size 60 makes three rows; a second call makes none.
  call(*file, "createArray", {"arr", "60", "."});
  call(*file, "createArray", {"arr", "60", "-"});
  EXPECT_EQ(file->usedCount(), 5);
  for (const char* row : {"arr0to29", "arr30to59", "arr60to89"})
    EXPECT_EQ(get(*file, "var", {row}), std::string(30, '.')) << row;
  set(*file, "arrayVar", {"arr", "35"}, "Z");
  EXPECT_EQ(get(*file, "subVar", {"arr30to59", "5"}), "Z");
  EXPECT_EQ(get(*file, "arrayVar", {"arr", "35"}), "Z");

  // Names and values that do not fit; a full table; a freed slot is used again.
  set(*file, "var", {std::string(32, 'n').c_str()}, "v");
  EXPECT_EQ(file->usedCount(), 5);
  set(*file, "var", {std::string(31, 'n').c_str()}, std::string(32, 'v').c_str());
  EXPECT_EQ(get(*file, "var", {std::string(31, 'n').c_str()}), " ");
  for (const char* name : {"f1", "f2", "f3", "f4", "f5"})
    set(*file, "var", {name}, "1");
  EXPECT_EQ(file->usedCount(), 10);
  EXPECT_EQ(get(*file, "var", {"f5"}), "empty");
  EXPECT_TRUE(file->remove("a"));
  EXPECT_EQ(file->usedCount(), 9);
  set(*file, "var", {"f5"}, "again");
  EXPECT_STREQ(file->slot(0).name(), "f5");

  // Times: month/day of the stamp, and the seconds since it.
  omhost::advanceClock(7000);
  EXPECT_EQ(get(*file, "varTime", {"f5"}), "9/9");
  EXPECT_EQ(get(*file, "deltaTime", {"f5"}), "7");
  EXPECT_EQ(get(*file, "deltaTime", {"missing"}), "0");
  EXPECT_EQ(get(*file, "varTime", {"missing"}), "");

  // The game's edition has no such class.
  ScopedEdition game(OMEdition::game);
  EXPECT_EQ(createTrinketByName("RDatFile", "1", "", scriptArgTerminator), nullptr);
}

TEST_F(DataFileTest, SavesAtTheEndAndReadsBackWhenMadeAgain)
{
  {
    std::unique_ptr<RDatFile> file = open("Users.dat");
    set(*file, "var", {"one"}, "1");
    set(*file, "var", {"two"}, "2");
    set(*file, "var", {"three"}, "3");
    file->remove("two");
    EXPECT_FALSE(std::filesystem::exists(work / "USERS.DAT"));
    runPreExit();  // any end of the program saves first
    EXPECT_EQ(work.read("USERS.DAT"), dataFileBytes({{"one", "1"}, {"three", "3"}}));
    set(*file, "var", {"four"}, "4");
  }
  EXPECT_EQ(work.read("USERS.DAT"), dataFileBytes({{"one", "1"}, {"four", "4"}, {"three", "3"}}));
  EXPECT_FALSE(std::filesystem::exists(work / "USERS.TMP"));
  std::unique_ptr<RDatFile> again = open("users.dat");
  EXPECT_EQ(again->usedCount(), 3);
  EXPECT_EQ(get(*again, "var", {"four"}), "4");
  EXPECT_EQ(again->slot(0).modified(), startTime);
}

// Every value is a text, whatever its name: a file the program saved reads back as it was at
// every later start, without a word of damage, though variables named like progress fields
// hold texts that are no numbers.
TEST_F(DataFileTest, AFileAsSavedReadsBackAsItWasWhateverItsValuesHold)
{
  const std::vector<std::pair<const char*, const char*>> values = {
      {"uHippoFlag1", "-2147483648"}, {"uSealFlag2", "100000000000000000000"},
      {"uPrizeFlags", "70000"},       {"sfxFlag", "x"},
      {"totalUsers", "+5"},           {"uName", "12"}};
  work.makeFolder("users");
  {
    std::unique_ptr<RDatFile> file = open("users\\probe.dat", 20);
    set(*file, "var", {"uNumSeen"}, "3");
    set(*file, "subVar", {"uNumSeen", "2"}, "x");
    for (const auto& [name, value] : values)
      set(*file, "var", {name}, value);
  }
  const std::string saved = work.read("users/PROBE.DAT");
  ASSERT_EQ(saved.size(), 4u + 7 * 68);
  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE(start);
    filereport::forgetReports();
    testing::internal::CaptureStderr();
    {
      std::unique_ptr<RDatFile> file = open("users\\probe.dat", 20);
      EXPECT_EQ(get(*file, "var", {"uNumSeen"}), "3 x" + std::string(28, ' '));
      for (const auto& [name, value] : values)
        EXPECT_EQ(get(*file, "var", {name}), value);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(std::filesystem::exists(work / "users/PROBE.BAD"));
    EXPECT_EQ(work.read("users/PROBE.DAT"), saved);
  }
}

// A damaged file is kept beside it as it was, that is said, and every record in it is read as
// far as it can be, whatever the count says and past a damaged record or bytes lost before it.
TEST_F(DataFileTest, ADamagedFileIsKeptAsBadAndReadAsFarAsItCanBe)
{
  using Variables = std::vector<std::pair<std::string, std::string>>;
  const Variables all = {{"a", "1"}, {"b", "2"}, {"c", "3"}};
  const std::string whole = dataFileBytes(all);
  struct Row {
    std::string why;
    std::string bytes;
    Variables kept;
  };
  std::vector<Row> rows;
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    // A cut record keeps its name and value once both are there with their ends.
    const std::size_t records = cut < 4 ? 0 : (cut - 4) / 68 + ((cut - 4) % 68 >= 34 ? 1 : 0);
    rows.push_back({"cut at " + std::to_string(cut), whole.substr(0, cut),
                    Variables(all.begin(), all.begin() + static_cast<long>(records))});
  }
  rows.push_back({"one byte too many", whole + "x", all});
  std::string count = whole;
  count[0] = 4;
  rows.push_back({"more slots than the table", count, all});
  count[0] = 1;
  rows.push_back({"a count too small", count, all});
  count.replace(0, 4, std::string("\0\0\0\x80", 4));
  rows.push_back({"a count of -2147483648", count, all});
  rows.push_back({"the count lost", whole.substr(4), all});
  rows.push_back({"the count doubled", whole.substr(0, 4) + whole, all});
  rows.push_back({"a record lost", whole.substr(0, 4 + 68) + whole.substr(4 + 2 * 68),
                  {{"a", "1"}, {"c", "3"}}});
  std::string record = whole;
  record.replace(4 + 68, 32, std::string(32, 'b'));
  rows.push_back({"a name without its NUL", record,
                  {{"a", "1"}, {std::string(31, 'b'), "2"}, {"c", "3"}}});
  record = whole;
  record.replace(4 + 2 * 68 + 32, 32, std::string(32, '3'));
  rows.push_back({"a value without its NUL", record,
                  {{"a", "1"}, {"b", "2"}, {"c", std::string(31, '3')}}});
  record = whole;
  record[4 + 68 + 20] = 'x';
  rows.push_back({"a byte after the end of a name", record, all});
  record = whole;
  record.replace(4 + 2 * 68, 6, std::string("empty", 6));
  rows.push_back({"a used slot named empty", record, {{"a", "1"}, {"b", "2"}}});
  const QuickFolder quick;
  const TempFolder& work = quick.folder();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    work.write("D.DAT", row.bytes);
    std::filesystem::remove(work / "D.BAD");
    filereport::forgetReports();
    testing::internal::CaptureStderr();
    std::unique_ptr<RDatFile> file = open("d.dat", 3);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(toldDamaged(said, "D.DAT", "D.BAD")) << said;
    EXPECT_EQ(work.read("D.BAD"), row.bytes);
    ASSERT_EQ(file->usedCount(), static_cast<int>(row.kept.size()));
    for (std::size_t i = 0; i < row.kept.size(); ++i) {
      EXPECT_EQ(file->slot(static_cast<int>(i)).name(), row.kept[i].first) << i;
      EXPECT_EQ(file->slot(static_cast<int>(i)).value(), row.kept[i].second) << i;
    }
  }
  // Without room for the copy, the damaged file itself is never saved over in that run.
  const std::string cut = whole.substr(0, 100);
  work.write("D.DAT", cut);
  std::filesystem::remove(work / "D.BAD");
  work.makeFolder("D.BAD");
  filereport::forgetReports();
  testing::internal::CaptureStderr();
  {
    std::unique_ptr<RDatFile> file = open("d.dat", 3);
    set(*file, "var", {"d"}, "4");
    EXPECT_FALSE(file->save());
    runPreExit();
  }
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("D.DAT (" + work.path() + "/D.DAT): it is damaged, and no copy of it could "
                      "be kept"),
            std::string::npos)
      << said;
  EXPECT_EQ(work.read("D.DAT"), cut);
}

// The damage table over a data file of the scripts: no value is read as another without the
// damage being told, and a variable whose record is whole keeps its value. A changed character
// inside a name or value, or in place of its end, cannot be told from one that a script set.
TEST_F(DataFileTest, NoDamageToADataFileChangesAValueUntold)
{
  const QuickFolder inMemory;
  const TempFolder& quick = inMemory.folder();
  const std::vector<std::pair<std::string, std::string>> variables = {
      {"visits", "12"}, {"uName", "Ann"}, {"uHippoFlag1", "-3"}, {"uPrizeFlags", "16428"},
      {"note", ""},     {"sfxFlag", "1"}};
  std::vector<std::string> parts = {dataFileBytes({}).replace(0, 1, 1, '\6')};
  std::string whole = parts.front();
  for (const auto& [name, value] : variables) {
    parts.push_back(slotBytes(name, value, startTime));
    whole += parts.back();
  }
  std::vector<bool> text(whole.size(), false);
  for (std::size_t i = 0; i < variables.size(); ++i) {
    const std::size_t record = 4 + 68 * i;
    for (std::size_t c = 0; c <= variables[i].first.size(); ++c)
      text[record + c] = true;
    for (std::size_t c = 0; c <= variables[i].second.size(); ++c)
      text[record + 32 + c] = true;
  }
  std::map<std::string, std::pair<int, int>> lost;  // kind -> lists, lists losing a value
  for (const auto& [kind, bytes] : damagedCopies(parts, text)) {
    quick.write("S.DAT", bytes);
    std::filesystem::remove(quick / "S.BAD");
    filereport::forgetReports();
    testing::internal::CaptureStderr();
    bool keeps = true;
    {
      std::unique_ptr<RDatFile> file = open("s.dat", 10);
      const bool told =
          testing::internal::GetCapturedStderr().find("S.DAT") != std::string::npos &&
          quick.read("S.BAD") == bytes;
      for (std::size_t i = 0; i < variables.size(); ++i) {
        const bool same = file->get(variables[i].first.c_str()) == variables[i].second;
        const bool recordWhole = bytes.find(parts[i + 1]) != std::string::npos;
        keeps = keeps && (same || (told && !recordWhole));
      }
    }
    ++lost[kind].first;
    lost[kind].second += keeps ? 0 : 1;
  }
  for (const auto& [kind, tally] : lost)
    EXPECT_EQ(tally.second, 0) << kind << ": of " << tally.first << " damaged files";
}

TEST_F(DataFileTest, ASaveKilledAtAnyPointLeavesTheOldOrTheNewFile)
{
  {
    std::unique_ptr<RDatFile> file = open("K.DAT", 100);
    set(*file, "var", {"v"}, "start");
  }
  const auto saveRound = [this](int round) {
    std::unique_ptr<RDatFile> file = open("K.DAT", 100);
    const std::string value = "r" + std::to_string(round);
    set(*file, "var", {"v"}, value.c_str());
    for (int i = 0; i < 60; ++i)
      set(*file, "var", {("n" + std::to_string(i)).c_str()}, "x");
    file->save();
  };
  for (unsigned delay : {0u, 50u, 200u, 700u, 1500u, 4000u}) {
    ASSERT_TRUE(killWriterMidway(saveRound, 2, delay));
    const std::string bytes = work.read("K.DAT");
    std::unique_ptr<RDatFile> file = std::make_unique<RDatFile>(100, "");
    EXPECT_TRUE(file->readImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()))
        << "after " << delay;
    EXPECT_NE(file->get("v"), std::string("empty"));
  }
}

TEST_F(DataFileTest, TheDumpListsEverySlotBesideTheDataFile)
{
  {
    std::unique_ptr<RDatFile> file = open("NOTES.DAT", 3);
    set(*file, "var", {"name"}, "Ann");
    set(*file, "var", {"gone"}, "x");
    file->remove("gone");
    omhost::advanceClock(61000);
    set(*file, "var", {"late"}, "2");
    call(*file, "dump", {});
  }
  const auto row = [](const char* number, std::string name, std::string value, const char* when) {
    name.resize(32, ' ');
    value.resize(32, ' ');
    return std::string(number) + ") " + name + " = " + value + " modified " + when + "\r\n";
  };
  const std::string row0 = row("   0", "name", "Ann", "Sun Sep 09 01:46:40 2001");
  const std::string row1 = row("   1", "late", "2", "Sun Sep 09 01:47:41 2001");
  const std::string row2 = row("   2", "empty", " ", "Thu Jan 01 00:00:00 1970");
  EXPECT_EQ(work.read("NOTES.TXT"), "# of used variables =    2 \r\n" + row0 + row1 + row2);
  std::unique_ptr<RDatFile> plain = open("plain", 1);
  call(*plain, "dump", {});
  EXPECT_TRUE(std::filesystem::exists(work / "PLAIN.TXT"));
}

// "tovik.dat" as the progress rules lay it out, made without the class.
std::string progressBytes(std::uint8_t sound, std::uint8_t users,
                          const std::vector<std::pair<int, std::int16_t>>& record0,
                          const std::string& name)
{
  std::string bytes(7284, '\0');
  bytes[0] = bytes[1] = bytes[2] = static_cast<char>(sound);
  bytes[3] = static_cast<char>(users);
  for (const auto& [field, value] : record0) {
    bytes[4 + 2 * field] = static_cast<char>(value & 0xFF);
    bytes[5 + 2 * field] = static_cast<char>((value >> 8) & 0xFF);
  }
  bytes.replace(4 + 164, name.size(), name);
  return bytes;
}

TEST_F(DataFileTest, TheProgressFileHoldsRecordZeroAndTheSoundFlags)
{
  std::unique_ptr<RDatFile> file = open("", 200);
  for (SoundFlag flag : {SoundFlag::effects, SoundFlag::music, SoundFlag::voice})
    setSoundFlag(flag, 0);
  set(*file, "var", {"totalUsers"}, "3");
  set(*file, "var", {"uName"}, "Annabelle Longname");
  set(*file, "var", {"uHippoFlag2"}, "7");
  set(*file, "var", {"uPrizeAnimLevel1"}, "2");
  set(*file, "var", {"uPrizeAnimPrize1"}, "-5");
  set(*file, "var", {"uPrizeAnimPrize36"}, "65535");  // the 16 bits of -1
  set(*file, "var", {"uSayHooray"}, "1");
  set(*file, "tickets", {}, "300");
  set(*file, "bonusTicket", {}, "1");
  EXPECT_EQ(get(*file, "tickets", {}), "44");
  EXPECT_EQ(get(*file, "bonusTicket", {}), "16384");
  call(*file, "writeMRData", {});
  const std::string expected = progressBytes(
      0, 3, {{1, 7}, {9, 0x402C}, {10, 2}, {11, -5}, {81, -1}, {90, 1}}, "Annabelle Lon");
  EXPECT_EQ(windows.read("tovik.dat"), expected);

  ProgressFile::instance().reset();
  std::unique_ptr<RDatFile> reader = open("", 200);
  call(*reader, "loadMRData", {});
  EXPECT_EQ(get(*reader, "sfxFlag", {}), "0");
  EXPECT_EQ(get(*reader, "var", {"voiceFlag"}), "0");
  EXPECT_EQ(get(*reader, "var", {"uName"}), "Annabelle Lon");
  EXPECT_EQ(get(*reader, "var", {"uPrizeAnimPrize1"}), "-5");
  EXPECT_EQ(get(*reader, "var", {"uPrizeAnimPrize36"}), "-1");
  EXPECT_EQ(get(*reader, "var", {"uPrizeFlags"}), "16428");
  EXPECT_EQ(get(*reader, "var", {"uNumSeen"}), "0");
}

// A progress file is read as far as it goes: a longer one gives its header and its 40
// records, a shorter one its header and the whole records it holds, the others as a missing
// file leaves them; one shorter than its header is a missing file. No record that it held is
// written back as zeros, and nothing of it is called damaged or set aside.
TEST_F(DataFileTest, AProgressFileOfAnotherSizeKeepsTheRecordsItHolds)
{
  // Sound off; record 0 of "Ann", seen 4 times; every other record holds its number.
  std::string held = progressBytes(0, 2, {{89, 4}}, "Ann");
  for (int r = 1; r < 40; ++r)
    held[4 + 182 * static_cast<std::size_t>(r)] = static_cast<char>(r);
  struct Case {
    std::size_t size;
    int records;  // the whole records in the file; -1: not even the header
  };
  const Case cases[] = {{7284, 40},         {7285, 40}, {7284 + 182, 40}, {7283, 39},
                        {4 + 6 * 182, 6},   {4 + 181, 0}, {4, 0},        {3, -1}, {0, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    std::string bytes = held;
    bytes.resize(c.size, 'x');
    windows.write("tovik.dat", bytes);
    ProgressFile::instance().reset();
    filereport::forgetReports();
    testing::internal::CaptureStderr();
    {
      std::unique_ptr<RDatFile> file = open("", 200);
      call(*file, "loadMRData", {});
      EXPECT_EQ(get(*file, "sfxFlag", {}), c.records >= 0 ? "0" : "1");
      EXPECT_EQ(get(*file, "var", {"uNumSeen"}),
                c.records > 0 ? "4" : c.records == 0 ? "0" : "empty");
      EXPECT_EQ(get(*file, "var", {"uName"}), c.records > 0 ? "Ann" : c.records == 0 ? "" : "empty");
      call(*file, "writeMRData", {});
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(std::filesystem::exists(windows / "TOVIK.BAD"));
    const std::string written = windows.read("tovik.dat");
    ASSERT_EQ(written.size(), 7284u);
    EXPECT_EQ(written[4 + 2 * 89], c.records > 0 ? 4 : 0);
    for (int r = 1; r < 40; ++r)
      EXPECT_EQ(written[4 + 182 * static_cast<std::size_t>(r)], r < c.records ? r : 0) << r;
  }
}

// writeMRData reads each progress number back from its variable as a decimal integer: leading
// blanks, a sign, the digits up to the first other character (none: 0), the field keeping the
// low 16 bits; nothing is refused or told. A variable that a damaged data file lost leaves the
// field as the progress file held it.
TEST_F(DataFileTest, ProgressNumbersAreReadBackAsDecimalIntegers)
{
  const std::string stored = progressBytes(1, 0, {{0, 7}, {1, 8}}, "Ann");
  const auto fieldAt = [](const std::string& bytes, int field) {
    const auto at = static_cast<std::size_t>(4 + 2 * field);
    return static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                     static_cast<std::uint8_t>(bytes[at + 1]) << 8);
  };
  struct Case {
    const char* value;
    std::int16_t field;
  };
  const Case cases[] = {{"5", 5},      {"+5", 5},     {" 5", 5},      {"\t 5", 5},
                        {"3 x", 3},    {"5x", 5},     {"-3", -3},     {"x", 0},
                        {"", 0},       {"- 3", 0},    {"65535", -1},  {"70000", 4464},
                        {"1e20", 1},   {"-2147483648", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    windows.write("tovik.dat", stored);
    ProgressFile::instance().reset();
    filereport::forgetReports();
    testing::internal::CaptureStderr();
    {
      std::unique_ptr<RDatFile> file = open("", 10);
      set(*file, "var", {"uHippoFlag1"}, c.value);
      set(*file, "var", {"uName"}, "Ann");
      call(*file, "writeMRData", {});
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const std::string written = windows.read("tovik.dat");
    EXPECT_EQ(fieldAt(written, 0), c.field);
    EXPECT_EQ(fieldAt(written, 1), 0) << "no variable, no number";
  }

  const std::string good = dataFileBytes({{"uHippoFlag2", "9"}, {"uHippoFlag1", "5"}});
  windows.write("tovik.dat", stored);
  work.write("S.DAT", good.substr(0, 4 + 68 + 33));  // the second record cut inside its value
  ProgressFile::instance().reset();
  filereport::forgetReports();
  testing::internal::CaptureStderr();
  {
    std::unique_ptr<RDatFile> file = open("s.dat", 10);
    call(*file, "writeMRData", {});
  }
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(toldDamaged(said, "S.DAT", "S.BAD")) << said;
  const std::string written = windows.read("tovik.dat");
  EXPECT_EQ(fieldAt(written, 0), 7) << "kept";
  EXPECT_EQ(fieldAt(written, 1), 9) << "read";
  EXPECT_EQ(written.substr(4 + 164, 4), std::string("Ann\0", 4));
}

// A full disk while the program runs: each of its files that cannot be saved keeps what it
// held, and the user is told once, in a message box and on standard error, which file (its
// Windows and its host path), why, and what to do; the result file also says that the main
// program will read the previous session's results.
class FullDiskTest : public ::testing::Test, public AssessmentProgram {
 protected:
  TempFolder windows;
  ScopedEnv windowsFolder{"OM_WINDOWS_DIR", windows.path()};
};

TEST_F(FullDiskTest, EachFileThatCannotBeSavedIsToldWithItsReason)
{
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to fill";
  work.write("PLSDescriptor.txt",
             "WinExeNamePath Tovik\r\nAODLL ao.rsc\r\nWaveDLL wave.rsc\r\n"
             "DataFile results.txt\r\nDS 1 1 2 1 a 1 2001 590 591 592 593 594\r\n");
  ASSERT_TRUE(start());
  std::unique_ptr<RDatFile> users, session;
  const std::string noVariables(4, '\0');
  struct Row {
    std::string file;       // in the work folder, or the Windows folder for tovik.dat
    std::string before;
    std::string temporary;  // beside it, on a full disk
    std::string windowsPath;
    std::function<void()> save;
    std::string alsoSaid;
  };
  const Row rows[] = {
      {"results.txt", "2 2\r\n", "results.TMP", "results.txt",
       [] { writeAssessmentResults(*DescriptorFile::current()); },
       "it still holds the previous session's results, which the main program will read"},
      {"users/USERS.DAT", noVariables, "users/USERS.TMP", "USERS\\USERS.DAT",
       [&] {
         if (!users) users = std::make_unique<RDatFile>(1000, "users\\users.dat");
         users->set("user1", "Ann");
         users->save();
       },
       "it keeps its previous contents"},
      {"users/SESSION.DAT", noVariables, "users/SESSION.TMP", "USERS\\SESSION.DAT",
       [&] {
         if (!session) session = std::make_unique<RDatFile>(200, "users\\session.dat");
         session->set("visits", "3");
         RDatFile::saveAll();
       },
       "it keeps its previous contents"},
      {"tovik.dat", "as it was", "TOVIK.TMP", "tovik.dat",
       [] { ProgressFile::instance().write(); },
       "without this session's progress"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    const TempFolder& folder = row.file == "tovik.dat" ? windows : work;
    folder.write(row.file, row.before);
    const std::size_t boxesBefore = omhost::headlessHost()->messageBoxes().size();
    testing::internal::CaptureStderr();
    for (int time = 0; time < 2; ++time) {  // told once
      std::filesystem::create_symlink("/dev/full", folder / row.temporary);
      row.save();
      std::filesystem::remove(folder / row.temporary);
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(folder.read(row.file), row.before);
    ASSERT_EQ(omhost::headlessHost()->messageBoxes().size(), boxesBefore + 1) << said;
    const std::string text = omhost::headlessHost()->messageBoxes().back().text;
    EXPECT_NE(text.find(row.windowsPath + " (" + (folder / row.file) + "): "), std::string::npos)
        << text;
    EXPECT_NE(text.find(std::strerror(ENOSPC)), std::string::npos) << text;
    EXPECT_NE(text.find(row.alsoSaid), std::string::npos) << text;
    EXPECT_NE(text.find("Make room on the disk"), std::string::npos) << text;
    EXPECT_EQ(said.find("\n" + text + "\n"), std::string::npos) << said;
    EXPECT_EQ(said.find(text + "\n"), 0u) << said;
  }
  users.reset();
  session.reset();
}

}  // namespace
