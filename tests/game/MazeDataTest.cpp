// The maze's documents: what the loader makes of a described maze, set by set, and what it
// refuses, each refusal said in one line and nothing else changed.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "tests/game/MazeTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using omtest::MazeDescription;
using omtest::MazeElement;
using omtest::mazeGateLink;
using omtest::mazeItem;
using omtest::mazeList;
using omtest::mazeRoom;

MazeDescription sampleMaze()
{
  MazeDescription maze;
  const std::vector<MazeElement> first = {
      mazeList("Blocks", "Block", {"B1"}),
      mazeList("Warps", "Warp", {"A"}),
      mazeList("Gate", "Gate", {"G1", "G2"}),
      {"Linked_Gate",
       {},
       {mazeGateLink("G1", "xA1", 1, 0), mazeGateLink("G3", "G1", 2, 1),
        mazeGateLink("G2", "G3", 3, 0)}},
      mazeList("Clue", "Clue_", {"c0", "c1"}, 0),
      {"Destination", {{"Goal_1", "Room2"}, {"Spot", "H1"}}, {}},
  };
  maze.levels = {
      {1, {first, {mazeList("Block", "Block", {"B2"})}, {mazeList("Block", "Block", {"B3"})}}}};
  maze.clues = {{"c0", "Find the red door"}, {"c1", "Now the key"}};
  maze.blocks = {mazeItem("B1", 0, mazetest::blockImage, 100, 100, 0, {{"collide", "2 2 2 2"}}),
                 mazeItem("B2", 1, 0, 50, 60), mazeItem("B3", 2, mazetest::blockImage, 10, 0)};
  maze.warps = {
      mazeItem("A1", 0, mazetest::warpImage, 300, 300, 0, {{"wx", "200"}, {"wy", "220"}}),
      mazeItem("A2", 4, mazetest::warpImage, 400, 100, 0, {{"wx", "420"}, {"wy", "240"}})};
  maze.gates = {mazeItem("G1", 0, mazetest::gateImage, 500, 100, 1),
                mazeItem("G2", 1, mazetest::gateImage, 200, 200, 0,
                         {{"xform", std::to_string(mazetest::transformImage)}}),
                mazeItem("G3", 1, mazetest::gateImage, 300, 200)};
  maze.hidingSpots = {mazeItem("H1", 3, mazetest::spotImage, 10, 10)};
  for (int k = 1; k <= 6; ++k)
    maze.rooms.push_back(
        mazeRoom(k, k * 10, 20, k * 10 + 50, 80, k - 1, "Room" + std::to_string(k)));
  return maze;
}

const std::vector<std::string> rooms = {
    "0 R Room1 10,20,60,80", "1 R Room2 20,20,70,80",  "2 R Room3 30,20,80,80",
    "3 R Room4 40,20,90,80", "4 R Room5 50,20,100,80", "5 R Room6 60,20,110,80",
};
// What the sample's first set loads, in load order.
const std::vector<std::string> firstSet = {
    "0 B B1 102,102,118,118",
    "0 W A1 300,300,315,315 to 200,220 partner A2 gate G1",
    "4 W A2 400,100,415,115 to 420,240 partner A1 gate G1",
    "0 G G1 500,100,520,140 zone 480,110,540,130 closed type 2 partner G3 quiet",
    "1 G G2 200,200,220,240 zone 200,190,220,250 closed type 3",
    "1 G G3 300,200,320,240 zone 300,190,320,250 open type 4 partner G2",
    "3 H  10,10,20,20",
};

// The items as the maze lists them: screen by screen, each in load order, rooms last.
std::string expected(std::vector<std::string> items, bool withRooms = true)
{
  if (withRooms) items.insert(items.end(), rooms.begin(), rooms.end());
  std::stable_sort(items.begin(), items.end(),
                   [](const std::string& a, const std::string& b) { return a[0] < b[0]; });
  std::string out;
  for (const std::string& item : items)
    out += (out.empty() ? "" : " | ") + item;
  return out;
}

std::vector<std::string> changed(std::vector<std::string> items, const std::string& prefix,
                                 const std::string& replacement)
{
  for (std::string& item : items)
    if (item.rfind(prefix, 0) == 0) item = replacement;
  items.erase(std::remove(items.begin(), items.end(), ""), items.end());
  return items;
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

class MazeDataTest : public mazetest::MazeTest {
 protected:
  // Loads the documents into a new maze; its items, and the maze's debug lines.
  std::string load(int level, int set, std::vector<std::string>* said = nullptr,
                   const char* layout = "layout.xml", const char* definitions = "definitions.xml")
  {
    const ScopedEnv trace("OM_TRACE", "1");
    testing::internal::CaptureStderr();
    maze_.reset();
    maze_ = std::make_unique<MA2Maze>(level, set, OMTrinketWindow::mainHost());
    maze_->loadData(layout, definitions);
    std::istringstream lines(testing::internal::GetCapturedStderr());
    for (std::string line; std::getline(lines, line);)
      if (said && line.find("MA2Maze") != std::string::npos) said->push_back(line);
    return describe(*maze_);
  }

  std::unique_ptr<MA2Maze> maze_;
};

// The sample's sets: every kind of item and link read as the documents say, by file names
// and by resource ids alike; a set out of range is the first, set 0 draws one; a second
// "data" adds the same set again.
TEST_F(MazeDataTest, TheSetsLoadTheirItemsAndLinks)
{
  writeMaze(sampleMaze());
  std::vector<std::string> said;
  EXPECT_EQ(load(1, 1, &said), expected(firstSet));
  EXPECT_EQ(said, std::vector<std::string>{});
  EXPECT_EQ(maze_->setCount(), 3);
  EXPECT_STREQ(maze_->currentClue(), "Find the red door");
  EXPECT_EQ(load(1, 1, nullptr, "900", "901"), expected(firstSet));
  EXPECT_EQ(load(1, 5), expected(firstSet));
  EXPECT_EQ(maze_->setNumber(), 1);
  EXPECT_EQ(load(1, 2), expected({"1 B B2 50,60,50,60"}));
  EXPECT_EQ(load(9, 3), expected({"2 B B3 10,0,30,20"}));
  EXPECT_EQ(maze_->level(), 1);
  for (unsigned seed : {1u, 2u, 3u, 4u}) {
    std::srand(seed);
    const int drawn = std::rand() % 3 + 1;
    std::srand(seed);
    load(1, 0);
    EXPECT_EQ(maze_->setNumber(), drawn) << seed;
    const std::string once = describe(*maze_);
    maze_->loadData("layout.xml", "definitions.xml");
    EXPECT_EQ(maze_->setNumber(), drawn) << seed;
    const std::string again = describe(*maze_);
    // Set 1's gate link finds the G3 the first "data" made, and makes none.
    EXPECT_EQ(std::count(again.begin(), again.end(), '|') + 1,
              2 * (std::count(once.begin(), once.end(), '|') + 1) - (drawn == 1))
        << seed;
  }
}

// Whatever the documents hold outside their format is left out with one line, the rest
// loaded as ever.
TEST_F(MazeDataTest, RefusalsSayOneLineAndChangeNothingElse)
{
  const std::string layout = omtest::mazeLayout(sampleMaze());
  const std::string definitions = omtest::mazeDefinitions(sampleMaze());
  struct Case {
    const char* what;
    std::string layout, definitions;
    int level;
    std::string items;
    std::vector<std::string> said;
  } cases[] = {
      {"a block off the screens",
       layout,
       replaced(definitions, "name=\"B1\" screen=\"0\"", "name=\"B1\" screen=\"6\""),
       1,
       expected(changed(firstSet, "0 B", "")),
       {"om: MA2Maze: B1 is on screen 6: skipped"}},
      {"a block without orientation",
       layout,
       replaced(definitions, "y=\"100\" orientation=\"0\" collide", "y=\"100\" collide"),
       1,
       expected(changed(firstSet, "0 B", "")),
       {"om: MA2Maze: B1 has no orientation: skipped"}},
      {"three margins",
       layout,
       replaced(definitions, "\"2 2 2 2\"", "\"2 2 2\""),
       1,
       expected(changed(firstSet, "0 B", "0 B B1 100,100,120,120")),
       {}},
      {"a block id that does not resolve",
       layout,
       replaced(definitions, "id=\"700\" x=\"100\"", "id=\"999\" x=\"100\""),
       1,
       expected(changed(firstSet, "0 B", "0 B B1 102,102,98,98")),
       {}},
      {"a warp named by two characters",
       replaced(layout, "Warp1=\"A\"", "Warp1=\"AB\""),
       definitions,
       1,
       expected(
           changed(changed(changed(firstSet, "0 W", ""), "4 W", ""), "0 G",
                   "0 G G1 500,100,520,140 zone 480,110,540,130 closed type 2 partner G3 quiet")),
       {"om: MA2Maze: a warp named \"AB\" is not one character"}},
      {"A1 alone",
       layout,
       replaced(definitions, "<A2 name=\"A2\"", "<Z2 name=\"Z2\""),
       1,
       expected(changed(changed(firstSet, "0 W", "0 W A1 300,300,315,315 to 200,220 gate G1"),
                        "4 W", "")),
       {}},
      {"no Blocked_Access",
       layout,
       replaced(replaced(definitions, "<Blocked_Access>", "<Blocked>"), "</Blocked_Access>",
                "</Blocked>"),
       1,
       expected(changed(firstSet, "0 B", "")),
       {"om: MA2Maze: the maze documents have no Blocked_Access"}},
      {"no level",
       layout,
       definitions,
       2,
       expected({}),
       {"om: MA2Maze: the layout has no Level_2"}},
      {"no room R6",
       layout,
       replaced(definitions, "<R6 ", "<R7 "),
       1,
       expected(
           [] {
             std::vector<std::string> all = firstSet;
             all.insert(all.end(), rooms.begin(), rooms.end() - 1);
             return all;
           }(),
           false),
       {"om: MA2Maze: the maze documents have no room R6"}},
      {"a gate link without type",
       replaced(layout, "type=\"3\"", "kind=\"3\""),
       definitions,
       1,
       expected(changed(
           changed(firstSet, "1 G G2", "1 G G2 200,200,220,240 zone 200,190,220,250 closed type 0"),
           "1 G G3", "1 G G3 300,200,320,240 zone 300,190,320,250 open type 0")),
       {"om: MA2Maze: a gate link lacks its location, type or initial_status: skipped"}},
      {"a layout that does not parse",
       replaced(layout, "<Clues", "<!-- <Clues"),
       definitions,
       1,
       "",
       {"om: MA2Maze: the layout document cannot be read ("}},
      {"an empty definitions document",
       layout,
       "",
       1,
       "",
       {"om: MA2Maze: the definitions document cannot be read (empty or missing)"}},
      {"a missing file",
       layout,
       definitions,
       -1,
       "",
       {"om: MA2Maze: the layout document cannot be read (empty or missing)"}},
  };
  for (Case& c : cases) {
    writeDocuments(c.layout, c.definitions);
    std::vector<std::string> said;
    const std::string items = c.level < 0 ? load(1, 1, &said, "none.xml") : load(c.level, 1, &said);
    EXPECT_EQ(items, c.items) << c.what;
    // Each line begins as told.
    EXPECT_EQ(said.size(), c.said.size()) << c.what;
    for (std::size_t i = 0; i < std::min(said.size(), c.said.size()); ++i)
      EXPECT_EQ(said[i].substr(0, c.said[i].size()), c.said[i]) << c.what;
  }
}

// Damaged documents, as the fuzz target gets them: each pair is refused or loaded, and the
// car stays on its screen whatever was loaded.
TEST_F(MazeDataTest, TenThousandDamagedPairsAreRefusedOrLoaded)
{
  const std::string layout = omtest::mazeLayout(sampleMaze());
  const std::string definitions = omtest::mazeDefinitions(sampleMaze());
  const char replacements[] = {'<', '>', '"', '/', '=', ' ', '1', '9', '-', 'A', '\0', '_'};
  std::uint32_t seed = 2024;
  auto next = [&seed](std::uint32_t below) {
    seed = seed * 1103515245 + 12345;
    return (seed >> 8) % below;
  };
  int loadedSome = 0;
  for (int round = 0; round < 10000; ++round) {
    std::string damaged[2] = {layout, definitions};
    for (int change = 0; change < 1 + round % 3; ++change) {
      std::string& text = damaged[next(2)];
      text[next(std::uint32_t(text.size()))] = replacements[next(sizeof replacements)];
    }
    MA2Maze maze(1, static_cast<int>(next(5)), OMTrinketWindow::mainHost());
    auto read = [](const std::string& text) {
      auto document = std::make_unique<OMXMLDocument>();
      document->parse(text.data(), text.size());
      return document;
    };
    maze.loadDocuments(read(damaged[0]), read(damaged[1]));
    loadedSome += !describe(maze).empty();
    maze.goToScreen(static_cast<int>(next(6)), 320, 240);
    maze.step(9, 1000);
    maze.step(9, 1100);
    const OMPoint car = maze.carPosition();
    ASSERT_TRUE(maze.isOnPath(car.x, car.y)) << round;
    // What a pass would redraw: no pass runs here, and the stage's dirty region would
    // otherwise gather every pair's items, each union slower than the last.
    for (int buffer = 0; buffer < 2; ++buffer)
      OMTrinketWindow::mainHost()->dirtyRegion(buffer).clear();
  }
  EXPECT_GT(loadedSome, 5000);
}

}  // namespace
