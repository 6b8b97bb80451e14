// The arcade classes driven by scripts on the game's stage with the manual clock: the
// collision watch, the line mover, the bouncing ball, the arcade actor and the cannon.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "game/RArcadeAO.h"
#include "game/RCannon.h"
#include "game/ScenePortShell.h"
#include "tests/game/GlobalFunctionsTestSupport.h"
#include "tests/support/ScopedEdition.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

using globalfn::Lines;

constexpr int ballImage = 60;    // 10 x 10, shown for ever
constexpr int blockImage = 61;   // 40 x 40, shown for ever
constexpr int figureImage = 62;  // 20 x 20, shown for ever: an actor's main animation
constexpr int onceImage = 63;    // 20 x 20, held after its frame: it ends (63 to 68)
constexpr int cannonImage = 70;  // five frames of 40 x 40

class ArcadeTest : public globalfn::GlobalFunctionsTest {
 protected:
  ArcadeTest()
  {
    NEResourceWriter writer;
    writer.add("ASEQ", std::to_string(ballImage), square(10, OMFrameEntry::loop));
    writer.add("ASEQ", std::to_string(blockImage), square(40, OMFrameEntry::loop));
    writer.add("ASEQ", std::to_string(figureImage), square(20, OMFrameEntry::loop));
    for (int id = onceImage; id < onceImage + 6; ++id)
      writer.add("ASEQ", std::to_string(id), square(20, OMFrameEntry::hold, id - 60));
    omtest::AnimationBuilder cannon;
    std::vector<OMFrameEntry> frames;
    for (int i = 0; i < 5; ++i)
      frames.push_back(
          OMFrameEntry{0, 0, static_cast<std::int16_t>(cannon.addImage(40, 40, 9)), 0});
    frames.push_back(OMFrameEntry{0, 0, OMFrameEntry::hold, 0});
    cannon.addSequence(frames);
    writer.add("ASEQ", std::to_string(cannonImage), cannon.build());
    NEResourceWriter::Bytes bytes;
    EXPECT_TRUE(writer.build(bytes)) << writer.error();
    openResFile(work.write("arcade.rsc", std::string(bytes.begin(), bytes.end())).c_str(), 1);
  }

  // One image of a square, then the code that ends the sequence.
  static std::vector<std::uint8_t> square(int size, std::int16_t code, int colour = 2)
  {
    omtest::AnimationBuilder builder;
    builder.addImage(size, size, static_cast<std::uint8_t>(colour));
    builder.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, code, 0}});
    return builder.build();
  }

  static OMTrinket* trinket(const char* name)
  {
    return dynamic_cast<OMTrinket*>(scriptVariables.getObjectByName(name));
  }
  static std::string property(const char* name, const char* member)
  {
    OMTrinket* t = trinket(name);
    const char* value = t ? t->getProperty(member) : nullptr;
    return value ? value : "<none>";
  }
  static OMPoint at(const char* name)
  {
    OMTrinket* t = trinket(name);
    return t ? OMPoint(t->x(), t->y()) : OMPoint(-99999, -99999);
  }
};

// A line drives "a" through "b" and on: one "collision" while they overlap, one "partition"
// when they part, and the watch is armed again for the next run. The pair reads "empty"/0
// before the first meeting.
TEST_F(ArcadeTest, CollisionFiresOncePerMeetingAndReArmsAfterParting)
{
  run("a=RAnimation 0 0 61\rset a tag 5\rb=RAnimation 200 0 61\rset b tag 7\r"
      "c=RCollision 5 7\rset c collision hit\rset c partition part\r"
      "get c name1 n\rget c tag1 t\rsay before n t\r"
      "l=RLine 0 0 300 0 300\rplay l addTrinket \"a\" 0 0 1\rplay l start\r",
      "procedure hit\r[\r  get c name1 n\r  get c name2 m\r  get c tag1 t\r  get c tag2 u\r"
      "  say collision n m t u\r]\r"
      "procedure part\r[\r  say partition\r]\r");
  passes(40, 10);
  EXPECT_EQ(newLines(), (Lines{"before empty 0", "collision b a 7 5", "partition"}));
  run("play l start\r");
  passes(40, 10);
  EXPECT_EQ(newLines(), (Lines{"collision b a 7 5", "partition"}));
}

}  // namespace

namespace {

// Collisions at a distance between centres: 29 pixels meet, 30 do not. Trinkets named by
// variable get tags of their own, which "tag1"/"tag2" report.
TEST_F(ArcadeTest, CollisionAtADistanceAndByVariableName)
{
  run("a=RAnimation 0 0 61\rb=RAnimation 100 0 61\rc=RCollision \"a\" \"b\" 30\r"
      "set c collision hit\r",
      "procedure hit\r[\r  get c tag1 t\r  get c tag2 u\r  say met t u\r]\r");
  const std::string tagA = property("a", "tag"), tagB = property("b", "tag");
  EXPECT_NE(tagA, tagB);
  EXPECT_GE(std::atoi(tagA.c_str()), 0x40000000);
  for (int x : {0, 69, 70}) {
    run("set a x " + std::to_string(x) + "\r");
    passes(2, 10);
    EXPECT_EQ(newLines(), Lines{}) << x;
  }
  run("set a x 71\r");
  passes(2, 10);
  EXPECT_EQ(newLines(), (Lines{"met " + tagA + " " + tagB}));
  // The same trinkets named again keep their tags.
  run("d=RCollision \"b\" \"a\" 30\r");
  EXPECT_EQ(property("a", "tag"), tagA);
}

// Objects that go: a second watch on the same tags keeps firing when the first is dropped; a
// handler that drops its own object, and one that drops another whose notice is pending in
// the same pass, end cleanly (the other is not called); a trinket that goes reads "empty"
// and 0.
TEST_F(ArcadeTest, CollisionObjectsAndTrinketsThatGo)
{
  run("a=RAnimation 0 0 61\rset a tag 5\rb=RAnimation 100 0 61\rset b tag 7\r"
      "e=RAnimation 0 300 61\rset e tag 8\rf=RAnimation 100 300 61\rset f tag 9\r"
      "c=RCollision 5 7\rd=RCollision 5 7\rset d collision hitD\rdrop c\r"
      "g=RCollision 8 9\rh=RCollision 8 9 80\rset g collision hitG\rset h collision hitH\r",
      "procedure hitD\r[\r  say D\r]\r"
      "procedure hitG\r[\r  say G\r  drop g\r  drop h\r]\r"
      "procedure hitH\r[\r  say H\r  drop h\r]\r");
  run("set a x 80\rset e x 70\r");
  passes(2, 10);
  Lines heard = newLines();
  std::sort(heard.begin(), heard.end());
  EXPECT_TRUE(heard == (Lines{"D", "G"}) || heard == (Lines{"D", "H"})) << heard.size();
  EXPECT_EQ(trinket("g"), nullptr);
  run("drop a\rget d name1 n\rget d tag1 t\rget d name2 m\rsay n t m\r");
  EXPECT_EQ(newLines(), (Lines{"empty 0 b"}));
}

// A line from (0, 0) to (100, 50) over a second carries a member with offset (10, 10): what
// happens at 500 ms changes where it is at 600 and 610 ms; at the end it is hidden where the
// last step left it and "finished" comes once.
TEST_F(ArcadeTest, LineCarriesItsMembers)
{
  const struct {
    const char* at500;
    OMPoint at600;
    const char* at600Script;
    OMPoint at610;
  } cases[] = {
      {"", {70, 40}, "", {71, 40}},
      {"set m x 65\r", {75, 40}, "", {76, 40}},
      {"set l time 2000\r", {40, 25}, "", {40, 25}},
      {"set l paused 1\r", {60, 35}, "set l paused 0\r", {71, 40}},
  };
  for (const auto& c : cases) {
    run("m=RAnimation 0 0 60\rl=RLine 0 0 100 50 1000\rplay l addTrinket \"m\" 10 10 3\r"
        "set l finished fin\r",
        "procedure fin\r[\r  say finished\r]\r");
    EXPECT_FALSE(trinket("m")->isVisible());
    run("play l start\r");
    passes(50, 10);
    EXPECT_EQ(at("m"), OMPoint(60, 35)) << c.at500;
    run(c.at500);
    passes(10, 10);
    EXPECT_EQ(at("m"), c.at600) << c.at500;
    run(c.at600Script);
    passes(1, 10);
    EXPECT_EQ(at("m"), c.at610) << c.at500;
    run("drop l\rdrop m\r");
  }
  run("m=RAnimation 0 0 60\rl=RLine 0 0 100 50 1000\rplay l addTrinket \"m\" 10 10 3\r"
      "play l addTrinket \"nobody\" 0 0 0\rset l finished fin\rplay l start\r",
      "procedure fin\r[\r  say finished\r]\r");
  passes(99, 10);
  EXPECT_EQ(at("m"), OMPoint(109, 59));
  passes(5, 10);
  EXPECT_EQ(at("m"), OMPoint(109, 59));
  EXPECT_FALSE(trinket("m")->isVisible());
  EXPECT_EQ(newLines(), (Lines{"finished"}));
  // No time: the first step ends the move where it began.
  run("set l time 0\rplay l start\r");
  passes(1, 10);
  EXPECT_EQ(at("m"), OMPoint(10, 10));
  EXPECT_EQ(newLines(), (Lines{"finished"}));
}

// A ball falls 1 px/ms from (100, 100) in a box whose bottom wall is at 290; it steps only
// after more than 20 ms, so 10 ms passes step it every 30 ms.
TEST_F(ArcadeTest, BallStepsBouncesAndLosesLives)
{
  run("b=RBouncingBall 60 100 100 100 200 100\rset b boundingBox 0 0 640 300\r"
      "set b finished fin\r",
      "procedure fin\r[\r  say finished\r]\r");
  std::vector<int> ys;
  for (int i = 0; i < 9; ++i) {
    passes(1, 10);
    ys.push_back(at("b").y);
  }
  EXPECT_EQ(ys, (std::vector<int>{100, 100, 130, 130, 130, 160, 160, 160, 190}));
  passes(15, 10);  // lands at 240 ms and flies up
  EXPECT_EQ(property("b", "numOfLifes"), "0");
  EXPECT_LT(at("b").y, 290);
  passes(3, 10);
  EXPECT_EQ(newLines(), (Lines{"finished", "finished", "finished"}));

  // Sent back while falling at (130, 130), one step later: "up" adds a drift of 2/4 of the
  // horizontal velocity (the first draw after srand(1) is 41) and keeps the lives; a word
  // other than the four counts as "left".
  const struct {
    const char* word;
    int dx, dy;
  } bounces[] = {
      {"up", 45, -30}, {"down", 30, -30}, {"right", -30, 30}, {"left", -30, 30}, {"Up", -30, 30}};
  for (const auto& b : bounces) {
    std::srand(1);
    run("drop b\rb=RBouncingBall 60 100 100 200 200 100\rset b boundingBox 0 0 640 300\r"
        "set b numOfLifes 3\r");
    passes(3, 10);
    const OMPoint before = at("b");
    EXPECT_EQ(before, OMPoint(130, 130)) << b.word;
    run(std::string("play b bounce ") + b.word + "\r");
    passes(3, 10);
    EXPECT_EQ(at("b").x - before.x, b.dx) << b.word;
    EXPECT_EQ(at("b").y - before.y, b.dy) << b.word;
    EXPECT_EQ(property("b", "numOfLifes"), "3") << b.word;
  }
  // Without an animation it stays.
  run("drop b\rb=RBouncingBall 0 100 100 200 200 100\rplay b bounce up\r");
  passes(10, 10);
  EXPECT_EQ(at("b"), OMPoint(100, 100));
}

}  // namespace

namespace {

// An actor on a scene with a background, at (100, 100), and its navigation animations.
class ActorTest : public ArcadeTest {
 protected:
  void makeActor(int step, int direction)
  {
    run("a=RArcadeAO 62 100 100 5 " + std::to_string(step) + "\rset a direction " +
        std::to_string(direction) + "\rplay a addNavigationAnims 63 64 65 66\r");
  }
  static RArcadeAO* actor() { return dynamic_cast<RArcadeAO*>(trinket("a")); }
  void type(int key)
  {
    host.typeKey(key);
    settle();
  }
  // Moves the pointer; every call is a move event, as the two points differ in y alone.
  void pointAt(int x)
  {
    host.moveMouse(x, ++pointerY_ % 2 ? 300 : 301);
    settle();
  }
  ActorTest() { run("Scene 9\r"); }

 private:
  int pointerY_ = 0;
};

// Arrow keys step the actor by its step: the opposite arrow held cancels, an arrow of the
// other axis held adds a step, the box stops it (left and top win), and the size of the move
// on the direction's axis picks the animation (1 below 10, 2 above).
TEST_F(ActorTest, ArrowKeysSteerWithinTheBox)
{
  const struct {
    int step, direction;
    int held;  // 0: none
    int typed;
    const char* box;
    int dx, dy, key;
  } cases[] = {
      {5, 1, 0, VK_RIGHT, "", 5, 0, 1},
      {12, 1, 0, VK_RIGHT, "", 12, 0, 2},
      {12, 1, 0, VK_LEFT, "", -12, 0, 1},
      {5, 2, 0, VK_DOWN, "", 0, 5, 4},
      {12, 2, 0, VK_DOWN, "", 0, 12, 3},
      {5, 1, VK_RIGHT, VK_LEFT, "", 0, 0, 1},
      {5, 0, VK_DOWN, VK_RIGHT, "", 5, 5, 0},
      {5, 0, VK_LEFT, VK_UP, "", -5, -5, 0},
      {5, 0, 0, VK_LEFT, "98 98 200 200", -2, 0, 0},
      {5, 0, 0, VK_UP, "98 98 200 200", 0, -2, 0},
      {5, 0, 0, VK_RIGHT, "150 150 120 120", 50, 50, 0},
      {5, 0, 0, VK_RIGHT, "0 0 102 480", 2, 0, 0},
  };
  for (const auto& c : cases) {
    makeActor(c.step, c.direction);
    if (*c.box) run(std::string("set a boundingBox ") + c.box + "\r");
    if (c.held) {
      host.pressKey(c.held);
      settle();
    }
    const OMPoint before = at("a");
    type(c.typed);
    EXPECT_EQ(at("a").x - before.x, c.dx) << c.step << " " << c.typed << " " << c.box;
    EXPECT_EQ(at("a").y - before.y, c.dy) << c.step << " " << c.typed << " " << c.box;
    EXPECT_EQ(actor()->currentKey(), c.key) << c.step << " " << c.typed;
    OMAnimation* shown = actor()->animationOf(c.key);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->x(), at("a").x);
    if (c.held) {
      host.releaseKey(c.held);
      settle();
    }
    run("drop a\r");
  }
}

// The actor eases toward the pointer by a fifth of the distance per move, or jumps with
// "fast"; paused (by "PauseEverything") it stays, as it does for keys.
TEST_F(ActorTest, PointerMovesEaseOrJump)
{
  makeActor(5, 1);
  pointAt(100);
  std::vector<int> moves;
  for (int i = 0; i < 15; ++i) {
    const int before = at("a").x;
    pointAt(150);
    moves.push_back(at("a").x - before);
  }
  EXPECT_EQ(moves, (std::vector<int>{10, 8, 6, 5, 4, 3, 2, 2, 2, 1, 1, 1, 1, 0, 0}));
  run("set a fast 1\r");
  pointAt(300);
  EXPECT_EQ(at("a").x, 300);
  call("PauseEverything");
  EXPECT_EQ(property("a", "paused"), "1");
  pointAt(200);
  type(VK_LEFT);
  EXPECT_EQ(at("a").x, 300);
  call("ResumeEverything");
  type(VK_LEFT);
  EXPECT_EQ(at("a").x, 295);
}

// After srand(1), "addFidget" with 0 and 0 shows the fidget at the first pass after 3041 ms
// (3000 + 41 % 3000), and not while "playAnim" plays; a played animation ends with "animDone"
// and the main animation shown again.
TEST_F(ActorTest, FidgetsAndPlayedAnimations)
{
  for (bool playing : {false, true}) {
    makeActor(5, 1);
    run("set a animDone done\r", "procedure done\r[\r  say animDone\r]\r");
    std::srand(1);
    const std::uint32_t start = omhost::clockMilliseconds();
    run("play a addFidget 67 0 0\r");
    omtest::passAt(start + 3000);
    if (playing) run("play a playAnim 68 4 6\r");
    omtest::passAt(start + 3040);
    EXPECT_EQ(actor()->currentKey(), playing ? 6 : 0);
    omtest::passAt(start + 3050);
    EXPECT_EQ(actor()->currentKey(), playing ? 6 : 5);
    EXPECT_EQ(actor()->animationOf(0)->isVisible(), 0);
    if (playing) {
      EXPECT_EQ(actor()->animationOf(6)->x(), 104);
    }
    passes(50, 10);
    EXPECT_EQ(actor()->currentKey(), 0);
    EXPECT_EQ(actor()->animationOf(0)->isVisible(), 1);
    EXPECT_EQ(newLines(), playing ? Lines{"animDone"} : Lines{});
    run("drop a\r");
  }
  run("z=RArcadeAO 0 10 10 0 5\rget z frame f\rsay f\rplay z playAnim 999 0 0\r");
  EXPECT_EQ(newLines(), (Lines{"-1"}));
}

// Keys and background clicks still reach the scene port through one actor or two, dropped in
// either order; at the end the stage's own links are back.
TEST_F(ActorTest, LinksPassOnAndComeBack)
{
  run("p=RScenePort\rset p spacebarPressed sp\rset p backgroundClicked bg\r",
      "procedure sp\r[\r  say space\r]\rprocedure bg\r[\r  say background\r]\r");
  OMStageWindow* stage = shellStage();
  for (const char* order : {"a b", "b a"}) {
    run("a=RArcadeAO 62 100 100 5 5\rb=RArcadeAO 62 300 100 5 5\r");
    EXPECT_EQ(RArcadeAO::current(), trinket("b"));
    type(VK_SPACE);
    click(500, 400);
    EXPECT_EQ(newLines(), (Lines{"space", "background"}));
    run(std::string("drop ") + order[0] + "\r");
    EXPECT_EQ(RArcadeAO::current(), trinket(order[2] == 'a' ? "a" : "b"));
    const OMPoint before = at(order[2] == 'a' ? "a" : "b");
    type(VK_RIGHT);
    EXPECT_EQ(at(order[2] == 'a' ? "a" : "b").x, before.x + 5);
    type(VK_SPACE);
    EXPECT_EQ(newLines(), (Lines{"space"}));
    run(std::string("drop ") + order[2] + "\r");
    EXPECT_EQ(RArcadeAO::current(), nullptr);
    type(VK_SPACE);
    click(500, 400);
    EXPECT_EQ(newLines(), (Lines{"space", "background"}));
    EXPECT_EQ(stage->keyDownLink()->target(), nullptr);
    EXPECT_EQ(stage->keyUpLink(), nullptr);
    EXPECT_EQ(stage->mouseMoveLink(), nullptr);
    EXPECT_EQ(stage->background()->link(OMDrawLayer::pressLink)->target(), nullptr);
  }
}

}  // namespace

namespace {

// The cannon turns toward the pointer: five frames by the angle from the pivot (320, 360), 3
// inside its own rectangle, the frame kept straight above the pivot, nothing while inactive.
TEST_F(ArcadeTest, CannonAimsAtThePointer)
{
  run("c=RCannon 70\r");
  const OMRect own = trinket("c")->rect();
  const struct {
    int x, y, frame;
  } points[] = {
      {600, 360, 5}, {340, 100, 3}, {100, 350, 1},
      {100, 450, 1}, {600, 450, 5}, {494, 260, 5},
      {493, 260, 4}, {420, 187, 4}, {420, 186, 3},
      {220, 186, 3}, {220, 187, 2}, {147, 260, 2},
      {146, 260, 1}, {320, 100, 1}, {own.left() + 1, own.top() + 1, 3},
  };
  for (const auto& p : points) {
    host.moveMouse(p.x, p.y);
    settle();
    EXPECT_EQ(property("c", "frame"), std::to_string(p.frame)) << p.x << " " << p.y;
  }
  run("set c active 0\r");
  host.moveMouse(600, 360);
  settle();
  EXPECT_EQ(property("c", "active"), "0");
  EXPECT_EQ(property("c", "frame"), "3");
  run("set c active 1\r");
  EXPECT_EQ(property("c", "active"), "1");
  EXPECT_EQ(property("c", "frame"), "5");
}

// A press on the stage holds a global timer of flag 2 while a cannon listens, and after it
// goes: the scene port's listener keeps hearing the mouse.
TEST_F(ArcadeTest, CannonLeavesThePressToTheScenePort)
{
  installScenePortTask();
  run("p=RScenePort\rplay p addGlobalTimer 1 1 hold 2\rset p holdEvent held\rc=RCannon 70\r",
      "procedure held\r[\r  say waited\r]\r");
  for (bool cannon : {true, false}) {
    if (!cannon) run("drop c\r");
    const std::uint32_t start = omhost::clockMilliseconds();
    host.pressButton(600, 400);
    settle();
    omtest::passAt(start + 1500);
    EXPECT_EQ(newLines(), Lines{}) << cannon;
    host.releaseButton(600, 400);
    settle();
    omtest::passAt(start + 3100);
    EXPECT_EQ(newLines(), Lines{"waited"}) << cannon;
  }
  EXPECT_EQ(shellStage()->inputListener()->target(), nullptr);
  shutdownScenePort();
}

}  // namespace

namespace {

// Random scripts over all five classes (extreme numbers, no time, unresolved ids, handlers
// that drop objects), mixed with keys, pointer moves, presses and clock jumps. Nothing may
// crash or trip the sanitizers, and the actor, once inside its box, stays there when it is
// steered.
TEST_F(ActorTest, RandomUseStaysSound)
{
  std::mt19937 random(1234);
  auto pick = [&](std::initializer_list<const char*> words) {
    return std::string(words.begin()[random() % words.size()]);
  };
  auto number = [&] {
    return pick({"0", "1", "-1", "5", "10", "50", "300", "640", "2147483647", "-2147483648",
                 "-1000", "123"});
  };
  auto animation = [&] { return "a" + std::to_string(random() % 3); };
  const std::vector<std::function<std::string()>> lines = {
      [&] {
        return animation() + "=RAnimation " + pick({"0", "300", "620"}) + " 100 61";
      },
      [&] {
        return "set " + animation() + " tag " + pick({"5", "7"});
      },
      [&] {
        return "l=RLine " + number() + " " + number() + " " + number() + " " + number() + " " +
               pick({"0", "-5", "100", "100000", "2147483647"});
      },
      [&] {
        return "play l addTrinket \"" + animation() + "\" " + number() + " " + number() + " 1";
      },
      [&] {
        return pick({"play l start", "play l clean", "set l paused 0", "set l paused 1"});
      },
      [&] {
        return "set l " + pick({"time", "startX", "endY"}) + " " + number();
      },
      [&] {
        return "b=RBouncingBall " + pick({"0", "60", "999"}) + " " + number() + " " + number() +
               " " + number() + " " + number() + " " + pick({"0", "-1", "100", "1"});
      },
      [&] {
        return "set b boundingBox " + number() + " " + number() + " " + number() + " " + number();
      },
      [&] {
        return "play b bounce " + pick({"up", "down", "left", "right", "Up", ""});
      },
      [&] {
        return "set b " + pick({"numOfLifes", "paused"}) + " " + number();
      },
      [&] {
        return "c=RCollision " + pick({"5", "\"a0\"", "\"l\"", "nobody"}) + " 7 " +
               pick({"", "30"});
      },
      [&] {
        return "set c collision " + pick({"dropC", "dropB", "dropL"});
      },
      [&] {
        return "set c partition " + pick({"dropC", "dropB"});
      },
      [&] { return "set l finished dropL"; },
      [&] {
        return "p=RArcadeAO " + pick({"62", "62", "0", "999"}) + " 100 100 1 " + number() +
               "\rset p boundingBox 50 50 400 300";
      },
      [&] {
        return "set p " + pick({"direction", "fast", "visible", "frame", "paused"}) + " " +
               number();
      },
      [&] {
        return "set p " + pick({"x", "y"}) + " " + number();
      },
      [&] {
        return "play p playAnim " + pick({"0", "68", "999"}) + " " + number() + " " + number();
      },
      [&] {
        return "play p addNavigationAnims 63 " + pick({"0", "64", "999"}) + " 65 66";
      },
      [&] {
        return "play p addFidget " + pick({"67", "999"}) + " " + number() + " " + number();
      },
      [&] { return "set p animDone dropP"; },
      [&] {
        return "k=RCannon " + pick({"70", "999"}) + "\rset k active " + number();
      },
      [&] {
        return "drop " + pick({"l", "b", "c", "p", "k", "a0", "a1", "a2"});
      },
      [&] {
        return pick({"PauseEverything", "ResumeEverything"});
      },
  };
  const std::string handlers =
      "procedure dropC\r[\r  drop c\r]\rprocedure dropB\r[\r  drop b\r]\r"
      "procedure dropL\r[\r  drop l\r]\rprocedure dropP\r[\r  drop p\r]\r";
  const int keys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_SPACE};
  int steered = 0;
  for (int round = 0; round < 1000; ++round) {
    std::string script;
    for (int i = 0; i < 10; ++i)
      script += lines[random() % lines.size()]() + "\r";
    run(script, handlers);
    for (int i = 0; i < 3; ++i) {
      RArcadeAO* actor = dynamic_cast<RArcadeAO*>(trinket("p"));
      OMAnimation* shown = actor ? actor->animationOf(actor->currentKey()) : nullptr;
      const bool inside = shown && actor->currentKey() < RArcadeAO::fidgetKey && shown->x() >= 50 &&
                          shown->x() <= 400 && shown->y() >= 50 && shown->y() <= 300;
      switch (random() % 5) {
        case 0:
          host.typeKey(keys[random() % 5]);
          break;
        case 1:
          host.moveMouse(int(random() % 700) - 30, int(random() % 540) - 30);
          break;
        case 2:
          host.pressKey(keys[random() % 4]);
          break;
        case 3:
          host.releaseKey(keys[random() % 4]);
          break;
        default:
          host.click(int(random() % 640), int(random() % 480));
          break;
      }
      passes(2, 5);
      actor = dynamic_cast<RArcadeAO*>(trinket("p"));
      shown = actor ? actor->animationOf(actor->currentKey()) : nullptr;
      if (!inside || !shown || actor->currentKey() >= RArcadeAO::fidgetKey) continue;
      ++steered;
      EXPECT_TRUE(shown->x() >= 50 && shown->x() <= 400 && shown->y() >= 50 && shown->y() <= 300)
          << "round " << round << ": " << shown->x() << " " << shown->y();
    }
    passes(1, pick({"0", "10", "30", "1000", "100000"}) == "0" ? 0 : 1 + random() % 2000);
  }
  EXPECT_GT(steered, 100);
}

}  // namespace

namespace {

TEST(ArcadeRegistry, OnlyTheGameEditionHasTheArcadeClasses)
{
  for (const auto edition : {OMEdition::game, OMEdition::assessment}) {
    ScopedEdition scoped(edition);
    const std::vector<const char*> names = trinketClassNames();
    for (const char* arcade : {"RCollision", "RLine", "RBouncingBall", "RArcadeAO", "RCannon",
                               "MA2Maze", "MA2Bezel", "YoYoAnimation"}) {
      const bool listed = std::any_of(names.begin(), names.end(), [&](const char* name) {
        return std::string(name) == arcade;
      });
      EXPECT_EQ(listed, edition == OMEdition::game) << arcade;
    }
  }
}

}  // namespace
