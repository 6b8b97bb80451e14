// The maze driven on the game's stage with the manual clock: the key table, snapping, and a
// drive by held arrow keys through a gate, a block, a warp, rooms and an edge to the gate a
// key from the tray opens.
#include <windows.h>

#include <functional>

#include "framework/OMSystem.h"
#include "tests/game/MazeTestSupport.h"

namespace {

using globalfn::Lines;
using mazetest::blockImage;
using mazetest::gateImage;
using mazetest::warpImage;
using omtest::MazeDescription;
using omtest::MazeElement;
using omtest::mazeGateLink;
using omtest::mazeItem;
using omtest::mazeList;
using omtest::mazeRoom;

class MazeDriveTest : public mazetest::MazeTest {
 protected:
  void SetUp() override
  {
    maze_ = std::make_unique<MA2Maze>(1, 1, OMTrinketWindow::mainHost());
    std::array<int, 6> maps{}, paths{};
    for (int s = 0; s < 6; ++s) {
      maps[std::size_t(s)] = mazetest::mapBase + s;
      paths[std::size_t(s)] = mazetest::pathBase + s;
    }
    maze_->setMapIds(maps);
    maze_->setPathIds(paths);
  }
  void TearDown() override { maze_.reset(); }

  std::unique_ptr<MA2Maze> maze_;
};

// From the crossing of the roads every key sum moves as the table says, by 6 pixels a 100 ms
// (9 after 150, none after 99, at most 12); the sums that mean nothing keep car and direction.
// Against a road's edge the car slides or backs off; a screen's left edge leads to the screen
// before, except on the first of a row.
TEST_F(MazeDriveTest, TheKeysMoveAsTheTableSays)
{
  struct Case {
    int keys, x, y, elapsed;
    int screen, expectedX, expectedY, direction;
  } cases[] = {
      {1, 320, 240, 100, 0, 320, 234, 0},
      {2, 320, 240, 100, 0, 320, 246, 4},
      {4, 320, 240, 100, 0, 314, 240, 6},
      {5, 320, 240, 100, 0, 314, 234, 7},
      {6, 320, 240, 100, 0, 314, 246, 5},
      {8, 320, 240, 100, 0, 326, 240, 2},
      {9, 320, 240, 100, 0, 326, 234, 1},
      {10, 320, 240, 100, 0, 326, 246, 3},
      {3, 320, 240, 100, 0, 320, 240, 4},
      {12, 320, 240, 100, 0, 320, 240, 4},
      {7, 320, 240, 100, 0, 320, 240, 4},
      {15, 320, 240, 100, 0, 320, 240, 4},
      {8, 320, 240, 99, 0, 320, 240, 2},
      {8, 320, 240, 150, 0, 329, 240, 2},
      {8, 320, 240, 5000, 0, 332, 240, 2},
      // Up beside the crossing's corner slides left onto the road; further out it backs off.
      {1, 360, 203, 100, 0, 359, 197, 0},
      {1, 400, 203, 100, 0, 400, 200, 0},
      // Left edges: from screen 1 to screen 0 at x 555, and nowhere from screen 0 or 3.
      {4, 8, 240, 100, 1, 555, 240, 6},
      {4, 8, 240, 100, 0, 2, 240, 6},
      {4, 8, 240, 100, 3, 2, 240, 6},
      // The other edges enter at 90, 415 and 65.
      {8, 632, 240, 100, 1, 90, 240, 2},
      {1, 320, 8, 100, 4, 320, 415, 0},
      {2, 320, 472, 100, 1, 320, 65, 4},
  };
  const int screenAfter[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 2, 1, 4};
  int i = 0;
  for (const Case& c : cases) {
    SetUp();
    maze_->goToScreen(c.screen, c.x, c.y);
    maze_->step(c.keys, 1000);
    maze_->step(c.keys, 1000 + std::uint32_t(c.elapsed));
    const OMPoint at = maze_->carPosition();
    EXPECT_EQ(at.x, c.expectedX) << i;
    EXPECT_EQ(at.y, c.expectedY) << i;
    EXPECT_EQ(maze_->direction(), c.direction) << i;
    EXPECT_EQ(maze_->currentScreen(), screenAfter[i]) << i;
    // The car's image is centred on its position and shows the direction's frame.
    EXPECT_EQ(maze_->car()->rect(), OMRect(at.x - 10, at.y - 10, at.x + 10, at.y + 10)) << i;
    EXPECT_EQ(maze_->car()->currentEntryIndex(), c.direction + 1) << i;
    ++i;
  }
}

// A point off the road goes to the nearest road point; at equal distances above wins, then
// right, down and left. A road without an opaque pixel keeps the point, on the screen.
TEST_F(MazeDriveTest, SnappingPrefersAboveThenRightDownLeft)
{
  struct Case {
    const char* what;
    int x, y, expectedX, expectedY;
  } cases[] = {
      {"on the road", 100, 240, 100, 240},       {"above before right", 270, 289, 270, 279},
      {"right before down", 270, 190, 280, 190}, {"down before left", 369, 190, 369, 200},
      {"left, nearest", 400, 100, 359, 100},     {"off the screen", 900, -50, 639, 200},
  };
  for (const Case& c : cases) {
    maze_->goToScreen(2, c.x, c.y);
    EXPECT_EQ(maze_->carPosition(), OMPoint(c.expectedX, c.expectedY)) << c.what;
  }
  std::array<int, 6> none{};
  none.fill(mazetest::pathBase + 10);
  maze_->setPathIds(none);
  maze_->goToScreen(2, 900, -50);
  EXPECT_EQ(maze_->carPosition(), OMPoint(639, 0));
  maze_->step(8, 1000);
  maze_->step(8, 1100);
  EXPECT_EQ(maze_->carPosition(), OMPoint(639, 0));
}

class MazeScriptTest : public mazetest::MazeTest {
 protected:
  MazeScriptTest() { writeMaze(mazetest::driveMaze()); }

  MA2Maze* maze() { return dynamic_cast<MA2Maze*>(scriptVariables.getObjectByName("m")); }
  MA2Bezel* bezel() { return dynamic_cast<MA2Bezel*>(scriptVariables.getObjectByName("b")); }
  // The car's steps with those keys held, each after 100 ms of 10 ms passes, on a clock of
  // their own: the per-pass link's own steps see no key.
  void drive(int keys, int steps)
  {
    for (int i = 0; i < steps; ++i) {
      passes(10, 10);
      maze()->step(keys, driveClock_ += 100);
    }
  }
  // The arrow bits; down is spelled out for the table though the route never needs it.
  [[maybe_unused]] static constexpr int up = 1, down = 2, left = 4, right = 8;
  std::uint32_t driveClock_ = 100000;
  std::string where()
  {
    const OMPoint at = maze()->carPosition();
    return std::to_string(maze()->currentScreen()) + " " + std::to_string(at.x) + "," +
           std::to_string(at.y);
  }
  std::string states(const char* name)
  {
    auto* gate = static_cast<MazeGate*>(maze()->findItem(name, MazeItem::gate));
    return gate ? std::string(gate->closed ? "closed" : "open") +
                      (gate->transformShown ? " transformed" : "")
                : "none";
  }
  std::string clueShown()
  {
    for (const auto& item : bezel()->items())
      if (item->clueText()) return item->clueText()->text();
    return "<no clue item>";
  }
};

const char* driveScript =
    "b=MA2Bezel 440\rm=MA2Maze 1 1\rplay m data 900 901\rget m sets n\rsay sets n\r"
    "play m bezel \"b\"\rplay b addItem 1 key 800 801\rplay b addItem 2 clue 800 801\r"
    "play m setMap 600 601 602 603 604 605\rplay m setPaths 500 501 502 503 504 505\r"
    "set m over ended\rset m solved done\rset b beginUp up\rset b endUp top\r"
    "set b beginDown down\rset b endDown bottom\r"
    "play m position 1 200 240\rplay m start 1\r";
const char* driveHandlers =
    "procedure ended\r[\r  say over\r]\rprocedure done\r[\r  say solved\r]\r"
    "procedure up\r[\r  say beginUp\r]\rprocedure top\r[\r  say endUp\r]\r"
    "procedure down\r[\r  say beginDown\r]\rprocedure bottom\r[\r  say endDown\r]\r";

// The whole route: an open gate passed, a block that stops the car, warp A1 to screen 4
// (with its sound) that does not carry back, a room that is not the goal, the goal room with
// the next clue, the edge to screen 1 and the left edge to screen 0, and the key dragged onto
// the last gate, which plays its transform and solves the maze.
TEST_F(MazeScriptTest, TheRouteFromStartToSolved)
{
  // Events raised inside a method call are not delivered: "start" raises the tray silently.
  run(driveScript, driveHandlers);
  EXPECT_EQ(newLines(), (Lines{"sets 1"}));
  EXPECT_EQ(where(), "1 200,240");
  EXPECT_EQ(states("G1"), "open");
  EXPECT_EQ(bezel()->state(), MA2Bezel::rising);
  passes(60, 10);
  EXPECT_EQ(newLines(), (Lines{"endUp"}));
  EXPECT_EQ(clueShown(), "FIND THE ROOM");
  // P opened when loaded, and turned G3 into its transform.
  EXPECT_EQ(states("P"), "open");
  EXPECT_EQ(states("G3"), "closed transformed");
  // Arrows held move the car in the stage's per-pass link: Right for half a second.
  host.pressKey(VK_RIGHT);
  passes(50, 10);
  host.releaseKey(VK_RIGHT);
  passes(20, 10);
  const int moved = maze()->carPosition().x - 200;
  EXPECT_TRUE(moved >= 24 && moved <= 36 && moved % 6 == 0) << moved;
  run("play m stop\rplay m position 1 200 240\r");
  maze()->step(0, driveClock_);

  // Right through the open gate to the block: the car stops 8 pixels short of it.
  drive(right, 34);
  EXPECT_EQ(where(), "1 392,240");
  EXPECT_TRUE(maze()->roomVisited(1));
  EXPECT_EQ(maze()->goalIndex(), 0);
  // Back to the crossing and up onto A1: the car arrives on A2 and stays there.
  drive(left, 12);
  omhost::HostAudioSink::instance().takeCaptured();
  drive(up, 20);
  EXPECT_EQ(where(), "4 320,400");
  EXPECT_GT(globalfn::loud(listen(200)), 1000);
  // Up off A2, to the goal room: the second clue, the tray up and held.
  Lines seen = newLines();
  drive(up, 9);
  EXPECT_EQ(where(), "4 320,346");
  EXPECT_EQ(maze()->goalIndex(), 1);
  EXPECT_EQ(clueShown(), "NOW THE GATE");
  seen = newLines();
  EXPECT_NE(std::find(seen.begin(), seen.end(), "beginUp"), seen.end());
  EXPECT_EQ(bezel()->isHeldUp(), 1);
  // Up to the top edge: screen 1 at y 415; then to the left edge: screen 0 at x 555.
  drive(up, 57);
  EXPECT_EQ(where(), "1 320,415");
  EXPECT_EQ(bezel()->isHeldUp(), 0);
  drive(up, 29);
  drive(left, 53);
  EXPECT_EQ(where(), "0 555,241");
  // Room2 was visited before it was a goal: it never counts.
  EXPECT_EQ(maze()->goalIndex(), 1);
  // Right to the closed gate G3, which stops the car.
  drive(right, 7);
  EXPECT_EQ(where(), "0 591,241");
  newLines();

  // The key dragged from the tray onto G3 opens it: its transform plays and the maze is
  // solved.
  host.moveMouse(130, 450);
  passes(40, 10);
  host.pressButton(130, 450);
  settle();
  host.moveMouse(400, 300);
  settle();
  host.moveMouse(610, 240);
  settle();
  omhost::HostAudioSink::instance().takeCaptured();
  host.releaseButton(610, 240);
  settle();
  EXPECT_EQ(states("G3"), "open transformed");
  passes(150, 10);
  const Lines last = newLines();
  EXPECT_NE(std::find(last.begin(), last.end(), "solved"), last.end());

  // A screen beyond the six ends the maze's drive: "over" (not delivered while a script's
  // own "position" runs, as no event is), and the car stays.
  const OMPoint before = maze()->carPosition();
  run("play m position 7 10 10\r");
  EXPECT_EQ(newLines(), Lines{});
  maze()->goToScreen(7, 10, 10);
  passes(5, 10);
  EXPECT_EQ(newLines(), (Lines{"over"}));
  EXPECT_EQ(maze()->currentScreen(), -1);
  EXPECT_EQ(maze()->carPosition(), before);
}

// The drive's maze with a gate the player may click (D), and a last gate without a transform
// (F, turned by Q at load) that warp A toggles and a key opens at once.
MazeDescription dropMaze()
{
  MazeDescription maze = mazetest::driveMaze();
  std::vector<MazeElement>& set = maze.levels[0].second[0];
  for (const char* name : {"D", "F", "Q"})
    set[2].attributes.emplace_back("Gate" + std::to_string(set[2].attributes.size() + 1), name);
  for (const MazeElement& link :
       {mazeGateLink("F", "Q", 3, 0), mazeGateLink("Q", "", 0, 1), mazeGateLink("F", "XA1", 1, 0)})
    set[3].children.push_back(link);
  maze.gates.push_back(mazeItem("D", 1, gateImage, 450, 220));
  maze.gates.push_back(mazeItem("F", 1, gateImage, 600, 220, 1));
  maze.gates.push_back(mazeItem("Q", 5, gateImage, 100, 220));
  return maze;
}

// Every road on which the maze or its tray raises an event, its procedure dropping the maze,
// the tray or both: the road ends there and nothing touches them again (the sanitizers watch
// the freed objects), and the program goes on.
TEST_F(MazeScriptTest, EveryEventSurvivesItsProcedureDroppingTheMazeOrTheTray)
{
  writeMaze(dropMaze());
  const auto steps = [this](int keys, int count) {
    for (int i = 0; i < count; ++i) {
      passes(10, 10);
      if (MA2Maze* m = maze()) m->step(keys, driveClock_ += 100);
    }
  };
  const auto trayUp = [this] {
    host.moveMouse(130, 450);
    passes(40, 10);
  };
  const auto keyOnto = [this, trayUp](int x, int y) {
    trayUp();
    host.pressButton(130, 450);
    settle();
    host.moveMouse(x, y);
    settle();
    host.releaseButton(x, y);
    settle();
  };
  struct Road {
    const char* name;
    const char* object;
    const char* event;
    const char* tool;   // the tray's one item
    const char* where;  // screen x y
    std::function<void()> go;
  };
  const Road roads[] = {
      {"a warp toggles the last gate", "m", "solved", "key 800 801", "1 320 240",
       [&] { steps(up, 20); }},
      {"a key opens the last gate at once", "m", "solved", "key 800 801", "1 591 241",
       [&] { keyOnto(610, 240); }},
      {"the last gate's transform plays out", "m", "solved", "key 800 801", "0 591 241",
       [&] {
         keyOnto(610, 240);
         passes(150, 10);
       }},
      {"a screen past the six", "m", "over", "key 800 801", "1 200 240",
       [&] {
         if (MA2Maze* m = maze()) m->goToScreen(7, 10, 10);
       }},
      {"the car clicked", "m", "carClick", "key 800 801", "1 200 240", [&] { click(200, 240); }},
      {"a gate clicked", "m", "doorClick", "key 800 801", "1 200 240", [&] { click(460, 240); }},
      {"a warp clicked", "m", "warpClick", "key 800 801", "1 200 240", [&] { click(320, 108); }},
      {"a tray button clicked", "b", "tindlex", "tindlex 800 801", "1 200 240",
       [&] {
         trayUp();
         click(130, 450);
       }},
      {"the tray begins to rise", "b", "beginUp", "key 800 801", "1 200 240", trayUp},
      {"the tray has risen", "b", "endUp", "key 800 801", "1 200 240", trayUp},
      {"an item without a rise is up at once", "b", "endUp", "plain 0 801", "1 200 240", trayUp},
      {"the car moves", "b", "beginDown", "key 800 801", "1 200 240", [&] { steps(right, 2); }},
      {"the tray has lowered", "b", "endDown", "key 800 801", "1 200 240",
       [&] {
         trayUp();
         host.moveMouse(130, 100);
         passes(40, 10);
       }},
      {"the goal room raises the tray", "b", "beginUp", "key 800 801", "4 320 360",
       [&] { steps(up, 4); }},
  };
  const struct {
    const char* lines;
    bool maze, tray;
  } drops[] = {{"drop m", true, false}, {"drop b", false, true}, {"drop m\r  drop b", true, true}};
  for (const Road& road : roads) {
    for (const auto& drop : drops) {
      SCOPED_TRACE(std::string(road.name) + ": " + drop.lines);
      host.moveMouse(20, 20);
      run(std::string("b=MA2Bezel 440\rm=MA2Maze 1 1\rplay m data 900 901\rplay m bezel \"b\"\r"
                      "play b addItem 1 ") +
              road.tool +
              "\rplay m setMap 600 601 602 603 604 605\r"
              "play m setPaths 500 501 502 503 504 505\rset " +
              road.object + " " + road.event + " gone\rplay m position " + road.where +
              "\rplay m start 0\r",
          std::string("procedure gone\r[\r  say fired\r  ") + drop.lines + "\r]\r");
      passes(40, 10);
      newLines();
      road.go();
      passes(20, 10);
      const Lines said = newLines();
      EXPECT_NE(std::find(said.begin(), said.end(), "fired"), said.end());
      EXPECT_EQ(maze() == nullptr, drop.maze);
      EXPECT_EQ(bezel() == nullptr, drop.tray);
      host.releaseButton(20, 20);
      run("drop m\rdrop b\r");
    }
  }
}

// The yo-yo appends its frames in reverse behind a copy of entry 0, down to entry 0's code
// (or entry 0 itself); a sequence of fewer than three entries stays. "pause" and "play".
TEST_F(MazeScriptTest, YoYoAnimationsPlayForwardAndBack)
{
  constexpr std::int16_t hold = OMFrameEntry::hold, end = OMFrameEntry::end;
  const std::vector<std::int16_t> expected[] = {
      {hold, 0, 1, 2, hold, 2, 1, 0, hold, end},
      {0, 1, 2, 0, 2, 1, 0, hold, end},
      {0, end},
  };
  for (int i = 0; i < 3; ++i) {
    const std::string name = "y" + std::to_string(i);
    run(name + "=YoYoAnimation " + std::to_string(mazetest::yoYoImage + i) + "\r");
    auto* yoYo = dynamic_cast<OMAnimation*>(scriptVariables.getObjectByName(name.c_str()));
    ASSERT_NE(yoYo, nullptr);
    std::vector<std::int16_t> images;
    for (int e = 0; yoYo->sequenceEntry(0, e); ++e)
      images.push_back(yoYo->sequenceEntry(0, e)->image);
    EXPECT_EQ(images, expected[i]) << i;
  }
  run("play y1 pause\r");
  auto* yoYo = dynamic_cast<OMAnimation*>(scriptVariables.getObjectByName("y1"));
  EXPECT_EQ(yoYo->playState(), OMAnimation::paused);
  const int entry = yoYo->currentEntryIndex();
  passes(30, 10);
  EXPECT_EQ(yoYo->currentEntryIndex(), entry);
  run("play y1 play\r");
  EXPECT_EQ(yoYo->playState(), OMAnimation::playing);
  passes(30, 10);
  EXPECT_NE(yoYo->currentEntryIndex(), entry);
}

// The tray alone: it rises at its threshold exactly, says "endUp" once for all its items,
// stays up below the lowest item's top, lowers while a key is held and rises not; a key let
// go over no gate goes back; the buttons report their clicks; the clue follows its animation
// 13 pixels below.
TEST_F(MazeScriptTest, TheTrayRisesLowersAndCarriesItsTools)
{
  run("m=MA2Maze 1 1\rplay m data 900 901\rb=MA2Bezel 440\rplay m bezel \"b\"\r"
      "play b addItem 1 key 800 801\rplay b addItem 2 tindlex 800 801\r"
      "play b addItem 3 radio 800 801\rplay b addItem 4 clue 800 801\r"
      "set b beginUp up\rset b endUp top\rset b beginDown down\rset b endDown bottom\r"
      "set b tindlex tin\rset b radio rad\r",
      std::string(driveHandlers) +
          "procedure tin\r[\r  say tindlex\r]\r"
          "procedure rad\r[\r  say radio\r]\r");
  MA2Bezel* tray = bezel();
  ASSERT_NE(tray, nullptr);
  EXPECT_EQ(tray->downThreshold(), 430);
  tray->update(439);
  EXPECT_EQ(tray->state(), MA2Bezel::down);
  tray->update(440);
  passes(60, 10);
  EXPECT_EQ(newLines(), (Lines{"beginUp", "endUp"}));
  EXPECT_EQ(tray->state(), MA2Bezel::up);
  tray->update(431);
  EXPECT_EQ(tray->state(), MA2Bezel::up);
  // The clue lies 13 pixels below its animation.
  BezelItem* clue = tray->items().back().get();
  ASSERT_NE(clue->clueText(), nullptr);
  EXPECT_EQ(clue->clueText()->text(), "FIND THE ROOM");
  EXPECT_EQ(clue->clueText()->y(), clue->lowerAnimation()->y() + BezelItem::textBelow);
  // The buttons.
  tray->items()[1]->lowerAnimation()->onMouseDown();
  tray->items()[2]->lowerAnimation()->onMouseDown();
  passes(2, 10);
  EXPECT_EQ(newLines(), (Lines{"tindlex", "radio"}));
  EXPECT_EQ(tray->isLocked(), 1);
  tray->update(450);
  passes(60, 10);
  EXPECT_EQ(newLines(), (Lines{"endDown"}));
  EXPECT_EQ(tray->isLocked(), 0);
  // A key held locks the tray: an up tray lowers (its end unlocks it again).
  tray->update(440);
  passes(60, 10);
  newLines();
  BezelItem* key = tray->items().front().get();
  OMAnimation* keyImage = key->lowerAnimation();
  keyImage->onMouseDown();
  EXPECT_EQ(tray->taken().size(), 1u);
  tray->update(450);
  EXPECT_EQ(tray->state(), MA2Bezel::lowering);
  passes(60, 10);
  EXPECT_EQ(tray->state(), MA2Bezel::down);
  // Let go over no gate: back on the tray, where it lies, hidden.
  keyImage->setPosition(300, 200);
  keyImage->onMouseUp();
  EXPECT_EQ(tray->taken().size(), 0u);
  EXPECT_EQ(tray->items().size(), 4u);
  EXPECT_EQ(keyImage->rect(), OMRect(100, 430, 160, 470));
  EXPECT_FALSE(keyImage->isVisible());
  EXPECT_EQ(tray->isLocked(), 0);
}

}  // namespace
