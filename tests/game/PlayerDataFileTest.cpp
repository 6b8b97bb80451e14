#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <cerrno>
#include <cstring>

#include "tests/game/PlayerFieldNames.h"
#include "tests/game/WorldTestSupport.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/KilledWriter.h"

namespace {

using Lines = std::vector<std::string>;
using worldtest::call;
using worldtest::get;
using worldtest::playerNames;
using worldtest::set;

std::string linesOf(const Lines& lines)
{
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

std::string littleEndian(const std::vector<std::int32_t>& values)
{
  std::string bytes;
  for (std::int32_t value : values) {
    for (int i = 0; i < 4; ++i)
      bytes += static_cast<char>(static_cast<std::uint32_t>(value) >> (8 * i));
  }
  return bytes;
}

// The name and value lines of a record of the schema, "PLAYER_END" included.
Lines recordLines(const std::string& name, const std::string& seenMap = "0")
{
  Lines lines;
  for (const std::string field : playerFieldNames) {
    lines.push_back(field);
    lines.push_back(field == "playerName"        ? name
                    : field == "seenMap"         ? seenMap
                    : field == "currentLocation" ? ""
                                                 : "0");
  }
  lines.push_back("PLAYER_END");
  return lines;
}

// A record with blocks of zero bytes.
std::string record(const std::string& name, const std::string& seenMap = "0")
{
  return std::string(280, '\0') + linesOf(recordLines(name, seenMap));
}

const Lines initialGlobals = {"Version",
                              "2",
                              "informResolutionWarning",
                              "1",
                              "informColorsWarning",
                              "1",
                              "informWinGWarning",
                              "1",
                              "informDirectDrawSwitchFailedWarning",
                              "1",
                              "informDirectDrawVersionWarning",
                              "1",
                              "informDirectDrawNotFoundWarning",
                              "1",
                              "GLOBAL_END"};

// The file's header and its records (each ending with "PLAYER_END").
struct Parts {
  std::string header;
  std::vector<std::string> records;
};

Parts split(const std::string& file)
{
  Parts parts;
  const std::string globalEnd = "GLOBAL_END\n";
  std::size_t at = file.find(globalEnd);
  if (at == std::string::npos) return parts;
  at += globalEnd.size();
  parts.header = file.substr(0, at);
  const std::string playerEnd = "PLAYER_END\n";
  while (at < file.size()) {
    const std::size_t end = file.find(playerEnd, at + 280);
    if (end == std::string::npos) break;
    parts.records.push_back(file.substr(at, end + playerEnd.size() - at));
    at = end + playerEnd.size();
  }
  return parts;
}

class PlayerDataFileTest : public worldtest::WorldTest {
 protected:
  // Makes players with distinct progress: seenMap and world 5's visits are their numbers.
  void makePlayers(RWorldPort* world, const Lines& names)
  {
    int number = 1;
    for (const std::string& name : names) {
      call(world, "activatePlayer", {name});
      set(world, "seenMap", std::to_string(number));
      set(world, "currentLocation", "room of " + name);
      RWorldPort::activePlayer()->visited5 = 10 * number++;
    }
  }
  static void writeAll(const std::string& path, const std::string& contents)
  {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
  }
};

TEST_F(PlayerDataFileTest, SavesWriteTheGoldenBytes)
{
  ASSERT_TRUE(RWorldPort::saveData());
  EXPECT_EQ(session.dataFile(), linesOf(initialGlobals));

  RWorldPort* world = port();
  call(world, "activatePlayer", {"Ann"});
  ASSERT_TRUE(RWorldPort::saveData());
  const std::vector<std::int32_t> block = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
  std::vector<std::int32_t> world1(46, 0);
  world1[0] = 1;
  world1[27] = 1;
  std::vector<std::int32_t> raw = {0};
  raw.insert(raw.end(), block.begin(), block.end());
  raw.push_back(0);
  raw.insert(raw.end(), block.begin(), block.end());
  raw.insert(raw.end(), world1.begin(), world1.end());
  EXPECT_EQ(session.dataFile(),
            linesOf(initialGlobals) + littleEndian(raw) + linesOf(recordLines("Ann")));
  EXPECT_FALSE(session.exists("KORVANIX.TMP"));
}

TEST_F(PlayerDataFileTest, OtherRecordsAreCopiedAroundTheActiveOne)
{
  RWorldPort* world = port();
  makePlayers(world, {"A", "B", "C"});
  call(world, "activatePlayer", {"B"});
  const Parts before = split(session.dataFile());
  ASSERT_EQ(before.records.size(), 3u);
  EXPECT_EQ(get(world, "seenMap"), "2");
  EXPECT_EQ(get(world, "currentLocation"), "room of B");
  EXPECT_EQ(get(world, "visitedCount", {""}), "0");  // world 0 has no visits
  set(world, "seenMap", "22");
  ASSERT_TRUE(RWorldPort::saveData());
  const Parts after = split(session.dataFile());
  ASSERT_EQ(after.records.size(), 3u);
  EXPECT_EQ(after.records[0], before.records[0]);
  EXPECT_NE(after.records[1], before.records[1]);
  EXPECT_NE(after.records[1].find("seenMap\n22\n"), std::string::npos);
  EXPECT_EQ(after.records[2], before.records[2]);

  // A new start reads the names, and each player its own record.
  session.restart();
  EXPECT_EQ(playerNames(), (Lines{"A", "B", "C"}));
  world = port();
  for (const auto& [name, seen, visits] :
       {std::tuple{"C", "3", 30}, std::tuple{"A", "1", 10}, std::tuple{"B", "22", 20}}) {
    call(world, "activatePlayer", {name});
    EXPECT_EQ(get(world, "playerName"), name);
    EXPECT_EQ(get(world, "seenMap"), seen) << name;
    EXPECT_EQ(RWorldPort::activePlayer()->visited5, visits) << name;
  }

  // Removing B leaves A's and C's records; saving again changes nothing.
  const Parts kept = split(session.dataFile());
  call(world, "removePlayer", {"B"});
  const std::string removed = session.dataFile();
  const Parts left = split(removed);
  EXPECT_EQ(left.records, (std::vector<std::string>{kept.records[0], kept.records[2]}));
  ASSERT_TRUE(RWorldPort::saveData());
  EXPECT_EQ(session.dataFile(), removed);
}

// Whatever a script names its fields, and whatever a name or a text holds, every player stays
// in the file with every field it has: saves copy the other players' records, and the next
// start reads them all.
TEST_F(PlayerDataFileTest, FieldsAndTextsOfAnyNameKeepEveryPlayer)
{
  const struct {
    const char* method;
    const char* field;
    const char* value;
    const char* first;  // the first player's name
  } kinds[] = {
      {"addIntProperty", "1stScore", "7", "Ann"},
      {"addIntProperty", "+bonus", "8", "Ann"},
      {"addIntProperty", "-penalty", "-9", "Ann"},
      {"addIntProperty", "seenMap", "6", "Ann"},  // written twice: the schema's and its own
      {"addStringProperty", "motto", "PLAYER_END", "Ann"},
      {"addStringProperty", "motto", "a text", "PLAYER_END"},
  };
  for (const auto& kind : kinds) {
    SCOPED_TRACE(std::string(kind.field) + " " + kind.value + " " + kind.first);
    session.stop();
    std::filesystem::remove(session.folder / "KORVANIX.DAT");
    session.start();
    RWorldPort* world = port();
    call(world, kind.method, {kind.field});
    const Lines names = {kind.first, "Bob", "Cy"};
    makePlayers(world, names);
    call(world, "activatePlayer", {names[0]});
    set(world, kind.field, kind.value);
    call(world, "activatePlayer", {"Bob"});
    call(world, "activatePlayer", {"Cy"});

    testing::internal::CaptureStderr();
    session.restart();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(session.exists("KORVANIX.BAD"));
    ASSERT_EQ(playerNames(), names);
    world = port();
    call(world, kind.method, {kind.field});
    for (std::size_t i = 0; i < names.size(); ++i) {
      call(world, "activatePlayer", {names[i]});
      EXPECT_EQ(get(world, "playerName"), names[i]);
      EXPECT_EQ(get(world, "currentLocation"), "room of " + names[i]);
      std::string expected = std::string(kind.method) == "addStringProperty" ? "" : "0";
      if (std::string(kind.field) == "seenMap") expected = std::to_string(i + 1);
      EXPECT_EQ(get(world, kind.field), i == 0 ? kind.value : expected);
    }
  }
}

// A rename of the active player in the middle of the list keeps every player after it,
// whether the new name is new or the next player's.
TEST_F(PlayerDataFileTest, ARenameInTheMiddleKeepsThePlayersAfterIt)
{
  for (const char* rename : {"Zed", "Cy"}) {
    SCOPED_TRACE(rename);
    session.stop();
    std::filesystem::remove(session.folder / "KORVANIX.DAT");
    session.start();
    RWorldPort* world = port();
    makePlayers(world, {"Ann", "Bob", "Cy", "Dee"});
    call(world, "activatePlayer", {"Bob"});
    const Parts before = split(session.dataFile());
    ASSERT_EQ(before.records.size(), 4u);
    set(world, "playerName", rename);
    ASSERT_TRUE(RWorldPort::saveData());
    const Parts after = split(session.dataFile());
    ASSERT_EQ(after.records.size(), 4u);
    EXPECT_EQ(after.records[0], before.records[0]);
    EXPECT_NE(after.records[1].find(std::string("playerName\n") + rename + "\n"),
              std::string::npos);
    EXPECT_EQ(after.records[2], before.records[2]);
    EXPECT_EQ(after.records[3], before.records[3]);
    // Saved again, and after the next start, each player has its own record.
    call(world, "activatePlayer", {"Dee"});
    session.restart();
    const Lines names = {"Ann", rename, "Cy", "Dee"};
    ASSERT_EQ(playerNames(), names);
    world = port();
    for (const int i : {3, 2, 1, 0}) {
      call(world, "activatePlayer", {"#" + std::to_string(i)});
      EXPECT_EQ(get(world, "playerName"), names[std::size_t(i)]);
      EXPECT_EQ(get(world, "seenMap"), std::to_string(i + 1)) << i;
    }
  }
}

TEST_F(PlayerDataFileTest, SavedFlagsDecideWhatIsWritten)
{
  RWorldPort* world = port();
  call(world, "addIntProperty", {"notKept", "0"});
  call(world, "addIntProperty", {"kept"});
  call(world, "addStringProperty", {"note", ""});
  call(world, "addGlobalIntProperty", {"scriptGlobal"});
  call(world, "activatePlayer", {"Ann"});
  set(world, "kept", "4");
  set(world, "note", "line one\nline two\r");
  RWorldPort::setGlobalFieldText("informColorsWarning", "0");
  RWorldPort::setGlobalFieldText("inGame", "1");
  RWorldPort::setGlobalFieldText("previousLocation", "hall");
  ASSERT_TRUE(RWorldPort::saveData());
  const std::string file = session.dataFile();
  const Parts parts = split(file);
  ASSERT_EQ(parts.records.size(), 1u);
  EXPECT_EQ(parts.header.find("informColorsWarning\n0\n"), 36u);
  EXPECT_NE(parts.header.find("scriptGlobal\n0\nGLOBAL_END\n"), std::string::npos);
  for (const char* never : {"inGame", "previousLocation", "notKept", "isAutoLevelingEnabled"})
    EXPECT_EQ(file.find(never), std::string::npos) << never;
  const std::string tail = "kept\n4\nnote\nline one line two \nPLAYER_END\n";
  EXPECT_EQ(parts.records[0].substr(parts.records[0].size() - tail.size()), tail);

  // Globals that scripts add are not restored at start-up; the built-in ones are.
  session.restart();
  world = port();
  char text[WorldField::textSize] = "none";
  RWorldPort::getGlobalFieldText("informColorsWarning", text);
  EXPECT_STREQ(text, "0");
  RWorldPort::getGlobalFieldText("scriptGlobal", text);
  EXPECT_STREQ(text, "0");  // untouched: no such global now
  call(world, "addGlobalIntProperty", {"scriptGlobal"});
  RWorldPort::getGlobalFieldText("scriptGlobal", text);
  EXPECT_STREQ(text, "0");
}

TEST_F(PlayerDataFileTest, VersionRuleAndDamagedFiles)
{
  const std::string valid = "Version\n2\ninformWinGWarning\n0\nGLOBAL_END\n";
  const struct {
    std::string contents;
    bool used;  // the globals were read
    bool damaged;
    int players;
  } cases[] = {
      {"Version\n1\ninformWinGWarning\n0\nGLOBAL_END\n", false, true, 0},
      {"Version\n", false, true, 0},
      {"Version", false, true, 0},
      {"version\n2\ninformWinGWarning\n0\nGLOBAL_END\n", false, true, 0},
      {"", false, false, 0},
      {"Version\n2\nGLOBAL_END\n", false, false, 0},
      {valid, true, false, 0},
      {"Version\n3\ninformWinGWarning\n0\nGLOBAL_END", true, false, 0},
      {"Version\n2\ninformWinGWarning\n0\n", true, true, 0},
      {"Version\n2\ninformWinGWarning\n", false, true, 0},
      {valid + record("Ann"), true, false, 1},
      {valid + record("Ann").substr(0, record("Ann").size() - 1), true, false, 1},
      {valid + std::string(280, '\0') + "playerName\nAnn\nseenChooseActivity\n", true, true, 1},
      {valid + std::string(280, '\0') + "playerName\n", true, true, 0},
      {valid + std::string(279, '\0'), true, true, 0},
      // A record that lacks fields keeps them at their values, as one written before they
      // existed; one without its name names no one.
      {valid + std::string(280, '\0') + "playerName\nAnn\nPLAYER_END\n", true, false, 1},
      {valid + std::string(280, '\0') + "playerName\nAnn\nseenMap\n1\nPLAYER_END\n", true, false,
       1},
      {valid + std::string(280, '\0') + "seenMap\n1\nPLAYER_END\n", true, true, 0},
  };
  for (const auto& each : cases) {
    std::filesystem::remove(session.folder / "KORVANIX.BAD");
    session.stop();
    writeAll(session.folder / "KORVANIX.DAT", each.contents);
    testing::internal::CaptureStderr();
    session.start();
    const std::string said = testing::internal::GetCapturedStderr();
    char text[WorldField::textSize] = "";
    RWorldPort::getGlobalFieldText("informWinGWarning", text);
    EXPECT_STREQ(text, each.used ? "0" : "1") << each.contents;
    EXPECT_EQ(RWorldPort::players().count(), each.players) << each.contents;
    EXPECT_EQ(session.exists("KORVANIX.BAD"), each.damaged) << each.contents;
    if (each.damaged) {
      EXPECT_EQ(session.folder.read("KORVANIX.BAD"), each.contents);
      EXPECT_EQ(said, "KORVANIX.DAT is damaged; a copy is kept as KORVANIX.BAD\n");
    } else {
      EXPECT_EQ(said, "");
    }
  }
}

TEST_F(PlayerDataFileTest, PlayersOfOneNameKeepTheirOwnRecords)
{
  session.stop();
  writeAll(session.folder / "KORVANIX.DAT", "Version\n2\nGLOBAL_END\n" + record("Ann", "1") +
                                                record("Bo", "2") + record("Ann", "3"));
  session.start();
  ASSERT_EQ(playerNames(), (Lines{"Ann", "Bo", "Ann"}));
  RWorldPort* world = port();
  for (const auto& [position, seen] :
       {std::pair{"#2", "3"}, std::pair{"#0", "1"}, std::pair{"#2", "3"}, std::pair{"#1", "2"}}) {
    call(world, "activatePlayer", {position});
    EXPECT_EQ(get(world, "seenMap"), seen) << position;
  }
  const Parts parts = split(session.dataFile());
  ASSERT_EQ(parts.records.size(), 3u);
  EXPECT_NE(parts.records[2].find("seenMap\n3\n"), std::string::npos);

  // A player whose record is gone starts anew under its own name, and every player is still
  // written.
  std::filesystem::remove(session.folder / "KORVANIX.DAT");
  call(world, "activatePlayer", {"#0"});
  EXPECT_EQ(get(world, "playerName"), "Ann");
  EXPECT_EQ(get(world, "seenMap"), "0");
  EXPECT_EQ(RWorldPort::activePlayer()->world3[5], 1);
  session.restart();
  EXPECT_EQ(playerNames(), (Lines{"Ann", "Bo", "Ann"}));
}

// A failed save keeps the old file, says so on standard error each time and tells the player
// once a session; later saves try again.
TEST_F(PlayerDataFileTest, AFailedSaveSaysSoAndKeepsTheOldFile)
{
  omhost::HeadlessHost& host = omtest::startAppSession();
  RWorldPort* world = port();
  call(world, "activatePlayer", {"Ann"});
  ASSERT_TRUE(RWorldPort::saveData());
  const std::string old = session.dataFile();
  set(world, "seenMap", "9");
  session.folder.write("KORVANIX.TMP/in the way", "");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(RWorldPort::saveData());
  EXPECT_FALSE(RWorldPort::saveData());
  const std::string said = testing::internal::GetCapturedStderr();
  const std::string line =
      "KORVANIX.DAT could not be saved; the file keeps its previous contents\n";
  std::size_t lines = 0;
  for (std::size_t at = said.find(line); at != std::string::npos; at = said.find(line, at + 1))
    ++lines;
  EXPECT_EQ(lines, 2u) << said;
  EXPECT_EQ(session.dataFile(), old);
  ASSERT_EQ(host.messageBoxes().size(), 1u);
  EXPECT_EQ(host.messageBoxes()[0].text.rfind("E:\\KORVANIX.DAT could not be saved: ", 0), 0u)
      << host.messageBoxes()[0].text;
  EXPECT_NE(host.messageBoxes()[0].text.find(std::strerror(EACCES)), std::string::npos)
      << host.messageBoxes()[0].text;
  std::filesystem::remove_all(session.folder / "KORVANIX.TMP");
  // A stale temporary file is overwritten by the next save.
  session.folder.write("KORVANIX.TMP", "left over");
  ASSERT_TRUE(RWorldPort::saveData());
  EXPECT_NE(session.dataFile().find("seenMap\n9\n"), std::string::npos);
  EXPECT_FALSE(session.exists("KORVANIX.TMP"));
  EXPECT_EQ(host.messageBoxes().size(), 1u);
}

// A damaged file that cannot be copied aside is left as it is for the whole session.
TEST_F(PlayerDataFileTest, ADamagedFileWithoutACopyIsNotSavedOver)
{
  omtest::startAppSession();
  session.stop();
  const std::string damaged = "Version\n2\nGLOBAL_END\n" + record("Ann") + "playerName\nBo\n";
  writeAll(session.folder / "KORVANIX.DAT", damaged);
  session.folder.makeFolder("KORVANIX.BAD");
  testing::internal::CaptureStderr();
  session.start();
  call(port(), "activatePlayer", {"Cy"});
  EXPECT_FALSE(RWorldPort::saveData());
  session.stop();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "KORVANIX.DAT is damaged, and no copy of it could be kept; it is left as it is and "
            "nothing is saved over it until the game starts again\n");
  EXPECT_EQ(session.dataFile(), damaged);
  // The next session may save again once the way is clear.
  std::filesystem::remove(session.folder / "KORVANIX.BAD");
  testing::internal::CaptureStderr();
  session.start();
  EXPECT_TRUE(RWorldPort::saveData());
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(session.folder.read("KORVANIX.BAD"), damaged);
}

// The tests that save thousands of times keep their folder in memory.
class QuickWorldTest : public ::testing::Test {
 protected:
  QuickWorldTest() : session(worldtest::quickFolderBase()) {}
  worldtest::WorldSession session;
};

TEST_F(QuickWorldTest, AFileCutAnywhereLoadsWhatItHolds)
{
  RWorldPort* world = session.port();
  const Lines names = {"Ann", "Ben", "Cy"};
  int number = 1;
  for (const std::string& name : names) {
    call(world, "activatePlayer", {name});
    set(world, "seenMap", std::to_string(number++));
  }
  ASSERT_TRUE(RWorldPort::saveData());
  const std::string full = session.dataFile();
  const Parts parts = split(full);
  ASSERT_EQ(parts.records.size(), 3u);
  // Cuts that leave a whole file: after the globals or after a record, with or without the
  // last line feed.
  std::vector<std::size_t> whole = {parts.header.size(), parts.header.size() - 1};
  std::size_t end = parts.header.size();
  for (const std::string& record : parts.records) {
    end += record.size();
    whole.push_back(end);
    whole.push_back(end - 1);
  }
  const std::string path = session.folder / "KORVANIX.DAT";
  const std::string bad = session.folder / "KORVANIX.BAD";
  // One port for all the starts: it is given each activated player's members.
  auto view = std::make_unique<RWorldPort>();
  view->registerMembers();
  world = view.get();
  // Every cut next to a line end, and a sample of those inside lines (each one starts the
  // world again, which is slow under the sanitizers).
  std::vector<std::size_t> cuts;
  for (std::size_t cut = 0; cut <= full.size(); ++cut) {
    const bool nearLineEnd =
        (cut > 0 && full[cut - 1] == '\n') || (cut < full.size() && full[cut] == '\n');
    if (nearLineEnd || cut % 11 == 0 || cut == full.size()) cuts.push_back(cut);
  }
  testing::internal::CaptureStderr();
  for (const std::size_t cut : cuts) {
    session.stop();
    std::filesystem::remove(bad);
    const std::string cutFile = full.substr(0, cut);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << cutFile;
    session.start();
    const bool damaged = cut > 0 && std::find(whole.begin(), whole.end(), cut) == whole.end();
    ASSERT_EQ(std::filesystem::exists(bad), damaged) << cut;
    if (damaged) {
      ASSERT_EQ(session.folder.read("KORVANIX.BAD"), cutFile) << cut;
    }
    const Lines loaded = playerNames();
    ASSERT_LE(loaded.size(), names.size()) << cut;
    for (std::size_t i = 0; i < loaded.size(); ++i) {
      // Only the last name read may be cut short.
      ASSERT_EQ(names[i].rfind(loaded[i], 0), 0u) << cut;
      if (i + 1 < loaded.size()) {
        ASSERT_EQ(loaded[i], names[i]) << cut;
      }
      call(world, "activatePlayer", {"#" + std::to_string(i)});
      ASSERT_EQ(get(world, "playerName"), loaded[i]) << cut;
      ASSERT_EQ(RWorldPort::players().count(), static_cast<int>(loaded.size())) << cut;
      const std::string seen = get(world, "seenMap");
      ASSERT_TRUE(seen == std::to_string(i + 1) || seen == "0") << cut << " " << seen;
    }
  }
  testing::internal::GetCapturedStderr();
}

// One line lost or doubled, or a byte of a name line changed, anywhere in a file of five
// players with fields that scripts added: the file is kept as damaged, the players before the
// damage keep their own names and records, and no record takes another's.
TEST_F(QuickWorldTest, ALineLostDoubledOrChangedLosesNoPlayerSilently)
{
  RWorldPort* world = session.port();
  call(world, "addIntProperty", {"kept"});
  call(world, "addStringProperty", {"note"});
  const Lines names = {"Ann", "Ben", "Cy", "Dee", "Eve"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    call(world, "activatePlayer", {names[i]});
    set(world, "seenMap", std::to_string(i + 1));
    set(world, "note", "note of " + names[i]);
    RWorldPort::activePlayer()->visited5 = 10;  // a line feed inside the blocks
  }
  ASSERT_TRUE(RWorldPort::saveData());
  const std::string full = session.dataFile();
  std::vector<std::size_t> starts = {0};  // where each line begins
  for (std::size_t at = 0; at + 1 < full.size(); ++at) {
    if (full[at] == '\n') starts.push_back(at + 1);
  }
  starts.push_back(full.size());
  std::vector<std::string> damaged;
  std::mt19937 random(5);
  for (std::size_t line = 0; line + 1 < starts.size(); ++line) {
    const std::size_t begin = starts[line];
    const std::size_t length = starts[line + 1] - begin;
    damaged.push_back(full.substr(0, begin) + full.substr(begin + length));
    damaged.push_back(full.substr(0, begin + length) + full.substr(begin));
    // A byte of each name line past the globals changed, one in seven names sampled.
    const std::string text = full.substr(begin, length - 1);
    const bool label =
        text == "PLAYER_END" ||
        std::find(playerFieldNames.begin(), playerFieldNames.end(), text) != playerFieldNames.end();
    const bool always = text == "playerName" || text == "PLAYER_END" || text == "seenMap";
    if (label && (always || random() % 7 == 0)) {
      std::string flipped = full;
      flipped[begin + random() % length] ^= static_cast<char>(1 << (random() % 7));
      damaged.push_back(flipped);
    }
  }
  const std::string path = session.folder / "KORVANIX.DAT";
  const std::string bad = session.folder / "KORVANIX.BAD";
  auto view = std::make_unique<RWorldPort>();
  view->registerMembers();
  testing::internal::CaptureStderr();
  int lost = 0;
  for (std::size_t each = 0; each < damaged.size(); ++each) {
    session.stop();
    std::filesystem::remove(bad);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged[each];
    session.start();
    const Lines loaded = playerNames();
    bool whole = std::filesystem::exists(bad) && loaded.size() <= names.size();
    for (std::size_t i = 0; whole && i < loaded.size(); ++i) {
      call(view.get(), "activatePlayer", {"#" + std::to_string(i)});
      whole = loaded[i] == names[i] && get(view.get(), "seenMap") == std::to_string(i + 1);
    }
    if (!whole) ++lost;
    EXPECT_TRUE(whole) << "damage " << each << " loaded " << loaded.size();
  }
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(lost, 0) << "of " << damaged.size();
}

// A record is read by its fields' names: in whatever order its pairs stand, with fields that
// this game does not know anywhere among them, or without one of its fields (a file written
// before the field existed), the player keeps every value it has, a field it lacks keeps its
// initial value, and the player after it is read as well.
TEST_F(QuickWorldTest, RecordsAreReadByNameInAnyOrderPastUnknownFieldsAndWithoutOne)
{
  RWorldPort* world = session.port();
  call(world, "addIntProperty", {"kept"});
  call(world, "activatePlayer", {"Ann"});
  Lines values;  // of playerFieldNames, then of "kept"
  for (std::size_t i = 0; i < playerFieldNames.size(); ++i) {
    const std::string field = playerFieldNames[i];
    values.push_back(field == "playerName"        ? "Ann"
                     : field == "currentLocation" ? "room seven"
                                                  : std::to_string(i + 1));
    set(world, field.c_str(), values.back());
  }
  values.push_back("-4");
  set(world, "kept", values.back());
  RWorldPort::activePlayer()->visited5 = 10;  // a line feed inside the blocks
  call(world, "activatePlayer", {"Bo"});
  set(world, "seenMap", "55");
  ASSERT_TRUE(RWorldPort::saveData());
  const Parts parts = split(session.dataFile());
  ASSERT_EQ(parts.records.size(), 2u);
  const std::string& ann = parts.records[0];
  const std::string raw = ann.substr(0, 280);
  // Ann's name/value pairs, each with its line feeds.
  Lines pairs;
  for (std::size_t at = 280; ann.compare(at, 11, "PLAYER_END\n") != 0;) {
    const std::size_t end = ann.find('\n', ann.find('\n', at) + 1) + 1;
    pairs.push_back(ann.substr(at, end - at));
    at = end;
  }
  ASSERT_EQ(pairs.size(), values.size());

  std::vector<Lines> orders;
  std::vector<std::size_t> lacking;  // the pair each order lacks, or none
  const std::size_t none = pairs.size();
  for (std::size_t turn = 1; turn < pairs.size(); ++turn) {  // every pair at every place
    Lines turned = pairs;
    std::rotate(turned.begin(), turned.begin() + static_cast<std::ptrdiff_t>(turn), turned.end());
    orders.push_back(turned);
  }
  orders.emplace_back(pairs.rbegin(), pairs.rend());
  for (std::size_t place = 0; place <= pairs.size(); ++place) {  // an unknown field anywhere
    Lines more = pairs;
    more.insert(more.begin() + static_cast<std::ptrdiff_t>(place),
                place % 2 ? "laterField\nsome text\n" : "laterCount\n12\n");
    orders.push_back(more);
  }
  lacking.resize(orders.size(), none);
  for (std::size_t gone = 1; gone < pairs.size(); ++gone) {  // each field but the name removed
    Lines fewer = pairs;
    fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(gone));
    orders.push_back(fewer);
    lacking.push_back(gone);
  }
  const std::string path = session.folder / "KORVANIX.DAT";
  auto view = std::make_unique<RWorldPort>();
  view->registerMembers();
  for (std::size_t each = 0; each < orders.size(); ++each) {
    SCOPED_TRACE(each);
    session.stop();
    std::string record = raw;
    for (const std::string& pair : orders[each])
      record += pair;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        << parts.header << record << "PLAYER_END\n" << parts.records[1];
    testing::internal::CaptureStderr();
    session.start();
    ASSERT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(playerNames(), (Lines{"Ann", "Bo"}));
    call(view.get(), "addIntProperty", {"kept"});
    call(view.get(), "activatePlayer", {"#0"});
    for (std::size_t i = 0; i < values.size(); ++i) {
      const std::string field = i < playerFieldNames.size() ? playerFieldNames[i] : "kept";
      const std::string initial = field == "currentLocation" ? "" : "0";
      ASSERT_EQ(get(view.get(), field.c_str()), lacking[each] == i ? initial : values[i]) << field;
    }
    ASSERT_EQ(RWorldPort::activePlayer()->visited5, 10);
    call(view.get(), "activatePlayer", {"#1"});
    ASSERT_EQ(get(view.get(), "seenMap"), "55");
    ASSERT_FALSE(session.exists("KORVANIX.BAD"));
  }
}

// Whatever length a name or text has, what is written reads back as it was kept.
TEST_F(QuickWorldTest, LongTextsReadBackAsTheyWereKept)
{
  for (std::size_t length = 1000; length <= 1100; ++length) {
    RWorldPort* world = session.port();
    std::string name(length, 'n');
    name.back() = 'x';
    call(world, "activatePlayer", {name});
    set(world, "currentLocation", std::string(length, 'c'));
    call(world, "activatePlayer", {"Bo"});
    call(world, "activatePlayer", {name});  // finds the player it made
    ASSERT_TRUE(RWorldPort::saveData());
    session.restart();
    const std::string kept = name.substr(0, WorldField::maxTextLength);
    ASSERT_EQ(playerNames(), (Lines{kept, "Bo"})) << length;
    world = session.port();
    call(world, "activatePlayer", {"#0"});
    ASSERT_EQ(get(world, "currentLocation"), std::string(kept.size(), 'c')) << length;
    session.stop();
    std::filesystem::remove(session.folder / "KORVANIX.DAT");
    session.start();
  }
}

TEST_F(QuickWorldTest, AKilledSaveLeavesTheOldOrTheNewFile)
{
  RWorldPort* world = session.port();
  for (const char* name : {"Ann", "Ben", "Cy", "Ben"})
    call(world, "activatePlayer", {name});
  std::string versions[2];
  for (int i = 0; i < 2; ++i) {
    set(world, "seenMap", std::to_string(i));
    ASSERT_TRUE(RWorldPort::saveData());
    versions[i] = session.dataFile();
  }
  const std::string path = session.folder / "KORVANIX.DAT";
  std::mt19937 random(17);
  for (int kill = 0; kill < 200; ++kill) {
    const int writes = static_cast<int>(random() % 3);
    const unsigned delay = static_cast<unsigned>(random() % 2000);
    ASSERT_TRUE(killWriterMidway(
        [&](int i) {
          set(world, "seenMap", std::to_string(i % 2));
          RWorldPort::saveData();
        },
        writes, delay));
    const std::string now = omtest::readHostFile(path);
    ASSERT_TRUE(now == versions[0] || now == versions[1]) << "kill " << kill;
  }
}

}  // namespace
