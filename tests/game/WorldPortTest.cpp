#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/game/WorldTestSupport.h"
#include "tests/trinkets/ScriptHarness.h"

namespace {

using Lines = std::vector<std::string>;
using worldtest::call;
using worldtest::get;
using worldtest::playerNames;
using worldtest::set;

// Scripts on the world port, with a game start around each test.
class WorldScriptTest : public scripttest::ScriptTest {
 protected:
  void SetUp() override
  {
    ScriptTest::SetUp();
    session.emplace();
  }
  void TearDown() override
  {
    session.reset();
    ScriptTest::TearDown();
  }
  static RWorldPort* world(const char* name)
  {
    return dynamic_cast<RWorldPort*>(scriptVariables.getObjectByName(name, false));
  }
  std::optional<worldtest::WorldSession> session;
};

TEST_F(WorldScriptTest, PlayersAreChosenByNameOrPositionAndRemoved)
{
  run("w=RWorldPort\r"
      "play w activatePlayer Ann\rplay w activatePlayer Ben\rplay w activatePlayer Cy\r"
      "get w playersCount n\rsay n\rget w playerName p\rsay p\r"
      "play w activatePlayer \"#0\"\rget w playerName p\rsay p\r"
      "play w activatePlayer \"#-3\"\rget w playersName 2 p\rsay p\r"
      "play w activatePlayer \"#7\"\rget w playerName p\rsay p\r"
      "get w playersCount n\rsay n\r");
  EXPECT_EQ(debugLines(), (Lines{"3", "Cy", "Ann", "Cy", "#7", "4"}));
  EXPECT_EQ(playerNames(), (Lines{"Ann", "Ben", "Cy", "#7"}));

  // "1" is a name when a player has it, else a position.
  run("play w activatePlayer 1\rplay w removePlayer 1\r");
  EXPECT_EQ(playerNames(), (Lines{"Ann", "Ben", "Cy", "#7"}));
  EXPECT_EQ(RWorldPort::activePlayer(), nullptr);
  run("play w removePlayer 1\rplay w removePlayer nobody\rplay w removePlayer 9\r");
  EXPECT_EQ(playerNames(), (Lines{"Ann", "Cy", "#7"}));
  EXPECT_TRUE(scripttest::alerts.empty());
}

TEST_F(WorldScriptTest, TheActiveNameChangesNothingAndSavesNothing)
{
  run("w=RWorldPort\rplay w activatePlayer Ann\rset w seenMap 3\rplay w activatePlayer Ben\r");
  ASSERT_TRUE(session->exists("KORVANIX.DAT"));
  std::filesystem::remove(session->folder / "KORVANIX.DAT");
  run("set w seenMap 4\rplay w activatePlayer Ben\rget w seenMap v\rsay v\r");
  EXPECT_FALSE(session->exists("KORVANIX.DAT"));
  EXPECT_EQ(debugLines(), (Lines{"4"}));
  // The file went with Ann's record in it: she starts anew, and the file is back.
  run("play w activatePlayer Ann\rget w seenMap v\rsay v\r");
  EXPECT_EQ(debugLines(), (Lines{"4", "0"}));
  EXPECT_TRUE(session->exists("KORVANIX.DAT"));
}

TEST_F(WorldScriptTest, EveryPortShowsTheActivePlayerAndNoneKeepsARemovedOne)
{
  run("a=RWorldPort\rb=RWorldPort\rplay a activatePlayer Ann\rset a seenMap 5\r"
      "get b seenMap v\rsay v\rc=b\rplay c activatePlayer Ben\rget a playerName p\rsay p\r"
      "get c playerName p\rsay p\r");
  EXPECT_EQ(debugLines(), (Lines{"5", "Ben", "Ben"}));
  run("play b removePlayer Ben\r");
  for (const char* name : {"a", "b", "c"}) {
    ASSERT_NE(world(name), nullptr) << name;
    for (const char* member : {"playerName", "seenMap", "currentLevel", "autoLevel", "newGame"})
      EXPECT_EQ(world(name)->findMember(member), nullptr) << name << " " << member;
    EXPECT_NE(world(name)->findMember("activatePlayer"), nullptr);
  }
  // A port made while a player is active has that player's members.
  run("play a activatePlayer Ann\rd=RWorldPort\rget d seenMap v\rsay v\r");
  EXPECT_EQ(debugLines(), (Lines{"5", "Ben", "Ben", "5"}));
}

TEST_F(WorldScriptTest, PortPropertiesAndFieldsAddedByScripts)
{
  run("w=RWorldPort\rplay w activatePlayer Ann\r");
  // The getter answers the empty text past the end, whatever the shared buffer held.
  std::snprintf(OMScriptableObject::resultBuffer(), 16, "stale");
  run("get w playersName 5 a\rget w playersName 0 b\rget w isDebugOn c\r"
      "get w wsAutoLevelingA SIGNIN d\rget w informColorsWarning e\r"
      "play w addGlobalIntProperty score\rplay w addStringProperty nickname\r");
  EXPECT_EQ((Lines{text("a"), text("b"), text("c"), text("d"), text("e")}),
            (Lines{"", "Ann", "0", "", "1"}));
  // A global added later reaches ports registered after it; a template the next activation.
  // (A get of a missing property leaves its destination as it was: its own name.)
  run("get w score f\rx=RWorldPort\rset x score 12\rget x score g\rget w nickname h\r"
      "play w activatePlayer Ben\rset x nickname Bee\rget w nickname i\r");
  EXPECT_EQ((Lines{text("f"), text("g"), text("h"), text("i")}), (Lines{"f", "12", "h", "Bee"}));
}

// Levelling of world 1 with the start-up parameters {5, 6, 4, 10}.
class LevellingTest : public worldtest::WorldTest {
 protected:
  void SetUp() override
  {
    world = port();
    call(world, "activatePlayer", {"Ann"});
    player = RWorldPort::activePlayer();
    ASSERT_NE(player, nullptr);
    player->currentWorld = 1;
  }
  void answer(const std::string& answers)
  {
    for (char each : answers)
      call(world, each == '1' ? "correctGuess" : "incorrectGuess");
  }
  std::string history() const
  {
    std::string entries;
    for (int i = 1; i <= player->world1[32]; ++i)
      entries += static_cast<char>('0' + player->world1[i]);
    return entries;
  }
  RWorldPort* world = nullptr;
  WorldPlayer* player = nullptr;
};

TEST_F(LevellingTest, AutoLevelPassesFailsOrKeepsTheLevel)
{
  const struct {
    const char* answers;
    int level;
    bool enabled;
    int levelAfter;
    int status;  // of the level played
    const char* historyAfter;
  } cases[] = {
      {"111111", 2, true, 3, 1, ""},
      {"0000000111", 2, true, 1, 2, ""},
      {"0101010101", 2, true, 2, 0, "0101010101"},
      {"000000000", 2, true, 2, 0, "000000000"},
      {"0111111", 2, true, 3, 1, ""},
      {"111111", 4, true, 4, 1, ""},
      {"0000000111", 1, true, 1, 2, ""},
      {"111111", 2, false, 2, 1, ""},
      {"0000000111", 3, false, 3, 2, ""},
  };
  for (const auto& each : cases) {
    player->giveNewPlayerValues();
    player->currentWorld = 1;
    ASSERT_EQ(set(world, "currentLevel", std::to_string(each.level)), 1);
    ASSERT_EQ(set(world, "isAutoLevelingEnabled", each.enabled ? "1" : "0"), 1);
    answer(each.answers);
    call(world, "autoLevel");
    EXPECT_EQ(get(world, "currentLevel"), std::to_string(each.levelAfter)) << each.answers;
    EXPECT_EQ(get(world, "levelColor", {std::to_string(each.level)}), std::to_string(each.status))
        << each.answers;
    EXPECT_EQ(history(), each.historyAfter) << each.answers;
    const int answered = static_cast<int>(std::string(each.answers).size());
    EXPECT_EQ(get(world, "wsTotalGuessCount", {"", std::to_string(each.level)}),
              std::to_string(answered));
  }
}

TEST_F(LevellingTest, HistoryKeepsTheLatestTwentyAnswers)
{
  answer("1" + std::string(19, '0'));
  EXPECT_EQ(history(), "1" + std::string(19, '0'));
  answer("1");
  EXPECT_EQ(history(), std::string(19, '0') + "1");
  EXPECT_EQ(player->world1[21], 2);  // correct answers in the world
  EXPECT_EQ(player->world1[26], 21);
  EXPECT_EQ(get(world, "wsTotalCorrectGuessCount"), "2");
  // Answers in another world count nowhere.
  player->currentWorld = 3;
  answer("1");
  EXPECT_EQ(player->world1[26], 21);
}

TEST_F(LevellingTest, LevelsOutsideOneToFourAreRefused)
{
  answer("101");
  EXPECT_EQ(set(world, "currentLevel", "1"), 1);
  EXPECT_EQ(history(), "101");
  EXPECT_EQ(set(world, "currentLevel", "2"), 1);
  EXPECT_EQ(history(), "");
  answer("11");
  EXPECT_EQ(set(world, "currentLevel", "9"), 0);
  EXPECT_EQ(set(world, "currentLevel", "0"), 0);
  EXPECT_EQ(get(world, "currentLevel"), "2");
  EXPECT_EQ(history(), "11");
  EXPECT_EQ(set(world, "levelColor", "1", {"5"}), 0);
  EXPECT_EQ(get(world, "levelColor", {"5"}), "");
  EXPECT_EQ(get(world, "levelColor", {""}), "");
  EXPECT_EQ(get(world, "currentDataset", {"", "0"}), "");
  EXPECT_EQ(set(world, "currentDataset", "3", {"", "4"}), 1);
  EXPECT_EQ(player->world1[25], 3);
  // A damaged level in the record: every level-indexed field answers as for a bad level.
  player->world1[27] = 77;
  for (const char* field :
       {"currentLevel", "currentDataset", "wsCurrentLevelEntryCount", "wsTotalGuessCount"})
    EXPECT_EQ(get(world, field), "") << field;
  call(world, "correctGuess");
  call(world, "autoLevel");
  EXPECT_EQ(player->world1[27], 77);
  // Unnamed worlds and worlds without the field give the fallbacks.
  EXPECT_EQ(get(world, "currentLevel", {"SIGNIN"}), "0");
  EXPECT_EQ(get(world, "visitedCount", {"END"}), "0");
  EXPECT_EQ(get(world, "isAutoLevelingEnabled", {"nowhere"}), "");
  player->currentWorld = 5;
  EXPECT_EQ(set(world, "visitedCount", "6"), 1);
  EXPECT_EQ(player->visited5, 6);
  EXPECT_EQ(get(world, "currentDataset"), "");
}

TEST_F(LevellingTest, WorldsThreeAndSevenPassUpwardAndNewGameClearsVisits)
{
  player->currentWorld = 7;
  set(world, "visitedCount", "3");
  for (int expected : {2, 3, 4, 4}) {
    call(world, "autoLevel");
    EXPECT_EQ(get(world, "currentLevel"), std::to_string(expected));
  }
  EXPECT_EQ(get(world, "levelColor", {"4"}), "1");
  EXPECT_EQ(get(world, "levelColor", {"1", ""}), "1");
  call(world, "newGame");
  EXPECT_EQ(player->currentWorld, 0);
  EXPECT_EQ(player->world7[6], 0);
  EXPECT_EQ(player->world7[5], 4);
}

}  // namespace

namespace {

TEST(WorldPortRegistry, OnlyTheGameEditionHasTheWorldPort)
{
  for (const auto edition : {OMEdition::game, OMEdition::assessment}) {
    ScopedEdition scoped(edition);
    bool listed = false;
    for (const char* name : trinketClassNames())
      listed = listed || std::string(name) == "RWorldPort";
    clearScriptArgs();
    const bool made = createTrinketByName("rworldport", scriptArgTerminator) != nullptr;
    EXPECT_EQ(listed, edition == OMEdition::game);
    EXPECT_EQ(made, edition == OMEdition::game);
  }
}

}  // namespace
