// The variable data file: its script members, its file (read strictly, saved whole), the dump,
// and the progress file "tovik.dat" it carries.
#include <gtest/gtest.h>

#include <omcrt.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "assessment/src/AppMain.h"
#include "assessment/src/ProgressFile.h"
#include "assessment/src/RDatFile.h"
#include "assessment/src/SoundFlags.h"
#include "platform/host/HostClock.h"
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

class DataFileTest : public ::testing::Test {
 protected:
  DataFileTest()
  {
    tzset();
    omhost::useManualClock(0);
    ProgressFile::instance().reset();
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

TEST_F(DataFileTest, ADamagedFileIsKeptAsBadWithTheWholeSlotsBeforeTheDamage)
{
  const std::string whole = dataFileBytes({{"a", "1"}, {"b", "2"}, {"c", "3"}});
  const auto check = [&](const std::string& bytes, int kept, const std::string& why) {
    work.write("D.DAT", bytes);
    std::filesystem::remove(work / "D.BAD");
    testing::internal::CaptureStderr();
    std::unique_ptr<RDatFile> file = open("d.dat", 3);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "D.DAT is damaged; a copy is kept as D.BAD\n") << why;
    EXPECT_EQ(work.read("D.BAD"), bytes) << why;
    EXPECT_EQ(file->usedCount(), kept) << why;
    const char* names[] = {"a", "b", "c"};
    for (int i = 0; i < kept; ++i)
      EXPECT_NE(get(*file, "var", {names[i]}), "empty") << why;
  };
  for (std::size_t cut = 0; cut < whole.size(); ++cut)
    check(whole.substr(0, cut), cut < 4 ? 0 : static_cast<int>((cut - 4) / 68),
          "cut at " + std::to_string(cut));
  check(whole + "x", 3, "one byte too many");
  std::string tooMany = whole;
  tooMany[0] = 4;
  check(tooMany, 3, "more slots than the table");
  std::string unterminated = whole;
  unterminated.replace(4 + 68, 32, std::string(32, 'b'));
  check(unterminated, 1, "a name without its NUL");
  std::string freeName = whole;
  freeName.replace(4 + 2 * 68, 6, std::string("empty", 6));
  check(freeName, 2, "a used slot named empty");
  std::string negative = whole;
  negative[3] = '\x80';
  check(negative, 0, "a negative count");
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
  set(*file, "var", {"uPrizeAnimPrize36"}, "70000");  // kept to 16 bits
  set(*file, "var", {"uSayHooray"}, "1");
  set(*file, "tickets", {}, "300");
  set(*file, "bonusTicket", {}, "1");
  EXPECT_EQ(get(*file, "tickets", {}), "44");
  EXPECT_EQ(get(*file, "bonusTicket", {}), "16384");
  call(*file, "writeMRData", {});
  const std::string expected = progressBytes(
      0, 3, {{1, 7}, {9, 0x402C}, {10, 2}, {11, -5}, {81, 4464}, {90, 1}}, "Annabelle Lon");
  EXPECT_EQ(windows.read("tovik.dat"), expected);

  ProgressFile::instance().reset();
  std::unique_ptr<RDatFile> reader = open("", 200);
  call(*reader, "loadMRData", {});
  EXPECT_EQ(get(*reader, "sfxFlag", {}), "0");
  EXPECT_EQ(get(*reader, "var", {"voiceFlag"}), "0");
  EXPECT_EQ(get(*reader, "var", {"uName"}), "Annabelle Lon");
  EXPECT_EQ(get(*reader, "var", {"uPrizeAnimPrize1"}), "-5");
  EXPECT_EQ(get(*reader, "var", {"uPrizeAnimPrize36"}), "4464");
  EXPECT_EQ(get(*reader, "var", {"uPrizeFlags"}), "16428");
  EXPECT_EQ(get(*reader, "var", {"uNumSeen"}), "0");
}

TEST_F(DataFileTest, AProgressFileOfAnotherSizeIsDamagedAndOtherUsersAreNeverZeroed)
{
  std::string others = progressBytes(1, 2, {}, "");
  others[4 + 5 * 182] = 9;  // record 5
  others[4 + 39 * 182 + 181] = 1;
  for (std::size_t size : {7283u, 7285u}) {
    std::string bytes = others;
    bytes.resize(size, 'x');
    windows.write("tovik.dat", bytes);
    ProgressFile::instance().reset();
    setSoundFlag(SoundFlag::music, 0);
    std::unique_ptr<RDatFile> file = open("", 200);
    testing::internal::CaptureStderr();
    call(*file, "loadMRData", {});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("is damaged"), std::string::npos);
    EXPECT_EQ(windows.read("TOVIK.BAD"), bytes);
    EXPECT_EQ(soundFlag(SoundFlag::music), 0) << size;
    EXPECT_EQ(get(*file, "var", {"uName"}), "empty") << size;
  }
  windows.write("tovik.dat", others);
  ProgressFile::instance().reset();
  std::unique_ptr<RDatFile> file = open("", 200);
  set(*file, "var", {"uName"}, "Bo");
  call(*file, "writeMRData", {});
  std::string expected = others;
  expected.replace(0, 4, std::string("\1\1\1\0", 4));
  expected.replace(4 + 164, 2, "Bo");
  EXPECT_EQ(windows.read("tovik.dat"), expected);
}

}  // namespace
