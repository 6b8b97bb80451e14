// The move actions: a target moved in step with a playing animation, its end, an animation
// deleted under a running move, and the factories' refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "assessment/src/DeletionRegistry.h"
#include "framework/OMLinkToFct.h"
#include "tests/assessment/AssessmentProgram.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TestStage.h"
#include "tests/trinkets/ActionTestSupport.h"
#include "tools/NEResourceWriter.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/lib/RPButton.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

int finishes = 0;
OMWord countFinish(OMWord)
{
  ++finishes;
  return 1;
}

class MoveActionTest : public ::testing::Test {
 protected:
  MoveActionTest()
  {
    omtest::AnimationBuilder looping(8);
    for (int i = 0; i < 4; ++i)
      looping.addImage(10, 10, static_cast<std::uint8_t>(i + 1));
    looping.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, 1, 0},
                         OMFrameEntry{0, 0, 2, 0}, OMFrameEntry{0, 0, 3, 0},
                         OMFrameEntry{0, 0, OMFrameEntry::loop, 0}});
    NEResourceWriter writer;
    writer.add("ASEQ", "1", looping.build());
    stage.addResourceFile("move.rsc", writer);
    installDeletionHooks();
    pacer = makeAnimation();
    target = makeAnimation();
    variables.assign("pacer", pacer.get());
    variables.assign("target", target.get());
    finishes = 0;
  }
  ~MoveActionTest() override { removeDeletionHooks(); }

  std::unique_ptr<RAnimation> makeAnimation()
  {
    auto animation = std::make_unique<RAnimation>(openResourceStream(1, "ASEQ", -1), 300, 300,
                                                  OMTrinketWindow::mainHost());
    animation->registerMembers();
    animation->pause();
    return animation;
  }
  // The target's position after each frame notification of the pacer, for that many frames.
  std::vector<std::pair<int, int>> positionsPerFrame(int frames)
  {
    seen().clear();
    const OMLinkToFct note(&noteFrame, reinterpret_cast<OMWord>(target.get()));
    pacer->connect("frameNotify", &note, nullptr);
    for (int pass = 0; pass < 400 && static_cast<int>(seen().size()) < frames + 1; ++pass)
      stage.passes(1, 10);
    pacer->connect("frameNotify", nullptr, nullptr);
    // The event comes before the step: each entry shows the step of the frame before.
    if (seen().empty()) return {};
    return std::vector<std::pair<int, int>>(seen().begin() + 1, seen().end());
  }
  static std::vector<std::pair<int, int>>& seen()
  {
    static std::vector<std::pair<int, int>> positions;
    return positions;
  }
  static OMWord noteFrame(OMWord trinket)
  {
    const auto* moved = reinterpret_cast<const OMTrinket*>(trinket);
    seen().emplace_back(moved->x(), moved->y());
    return 1;
  }

  ScopedEdition edition{OMEdition::assessment};
  omtest::TestStage stage{8};
  FakeVariables variables;
  std::unique_ptr<RAnimation> pacer, target;
};

TEST_F(MoveActionTest, EachFrameStepsTheTargetUntilItPassesItsEnd)
{
  using Positions = std::vector<std::pair<int, int>>;
  struct Case {
    const char* name;
    std::vector<const char*> words;
    std::pair<int, int> atStart;
    Positions perFrame;
    bool finishes;
    std::pair<int, int> atEnd;  // after the finish or a halt
  };
  const Case cases[] = {
      {"MoveXAction",
       {"pacer", "target", "0", "5", "0", "20"},
       {0, 300},
       {{5, 300}, {10, 300}, {15, 300}, {20, 300}},
       true,
       {20, 300}},
      {"MoveYAction",
       {"pacer", "target", "100", "-10", "2", "50", "1"},
       {300, 100},
       {{300, 90}, {300, 82}, {300, 76}, {300, 72}, {300, 70}, {300, 70}, {300, 72}, {300, 76}},
       false,
       {300, 50}},
      // x passes its end at the fifth frame, y never: the move goes on in both.
      {"MoveXYAction",
       {"pacer", "target", "0", "5", "0", "20", "100", "-10", "2", "50"},
       {0, 100},
       {{5, 90}, {10, 82}, {15, 76}, {20, 72}, {25, 70}, {30, 70}},
       false,
       {20, 50}},
      // A start equal to the end is never passed: position and velocity stop at the top of
      // their range, and the target at the top of the coordinates'.
      {"MoveXAction",
       {"pacer", "target", "0", "1000000000", "1000000000", "0"},
       {0, 300},
       {{536870912, 300}, {536870912, 300}, {536870912, 300}, {536870912, 300}},
       false,
       {0, 300}},
      // Both pass: the move ends and leaves the target at both ends.
      {"MoveXYAction",
       {"pacer", "target", "10", "-5", "0", "0", "0", "4", "0", "8"},
       {10, 0},
       {{5, 4}, {0, 8}},
       true,
       {0, 8}},
  };
  const OMLinkToFct link(&countFinish);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.words[2]);
    finishes = 0;
    pacer->setFrameNotification(0, nullptr);
    target->setPosition(300, 300);
    std::unique_ptr<Action> action = makeAction(c.name, c.words);
    ASSERT_NE(action, nullptr);
    action->setFinishedCallback(&link);
    action->start();
    EXPECT_EQ(pacer->frameNotificationMode(), 1);
    EXPECT_EQ(std::make_pair(target->x(), target->y()), c.atStart);
    EXPECT_EQ(positionsPerFrame(static_cast<int>(c.perFrame.size())), c.perFrame);
    EXPECT_EQ(finishes, c.finishes ? 1 : 0);
    EXPECT_EQ(action->isActive(), c.finishes ? 0 : 1);
    if (!c.finishes) action->halt();
    EXPECT_EQ(std::make_pair(target->x(), target->y()), c.atEnd);
    EXPECT_EQ(pacer->frameNotificationMode(), 0) << "the saved mode is back";
    const int entry = pacer->currentEntryIndex();
    stage.passes(50, 10);
    EXPECT_EQ(pacer->currentEntryIndex(), entry) << "the pacer stopped";
  }
}

// The pacer deleted mid-move ends the move where the target stands; a later halt still puts
// the target at the end, and the target deleted leaves nothing to move.
TEST_F(MoveActionTest, DeletedObjectsAreForgottenAndTheMoveEnds)
{
  const OMLinkToFct link(&countFinish);
  std::unique_ptr<Action> action =
      makeAction("MoveXAction", {"pacer", "target", "0", "5", "0", "100"});
  ASSERT_NE(action, nullptr);
  action->setFinishedCallback(&link);
  action->start();
  positionsPerFrame(2);
  ASSERT_EQ(target->x(), 15);
  pacer.reset();
  EXPECT_EQ(finishes, 1);
  EXPECT_EQ(action->isActive(), 0);
  stage.passes(50, 10);
  EXPECT_EQ(target->x(), 15);
  action->halt();
  EXPECT_EQ(target->x(), 100);
  target.reset();
  action->halt();
  action.reset();
  EXPECT_EQ(watchedObjectCount(), 0);
}

// A target of a class that does not report its deletion, dropped while the move runs: the
// move notices and goes on without it, and what its name holds afterwards is not moved.
TEST_F(MoveActionTest, ATargetDroppedMidMoveIsLeftAlone)
{
  const std::pair<const char*, std::vector<const char*>> moves[] = {
      {"MoveXAction", {"pacer", "button", "0", "5", "0", "100"}},
      {"MoveXYAction", {"pacer", "button", "0", "5", "0", "100", "0", "5", "0", "100"}},
  };
  for (const auto& [name, words] : moves) {
    SCOPED_TRACE(name);
    auto button = std::make_unique<RPButton>(OMPoint(300, 300), openResourceStream(1, "ASEQ", -1),
                                             OMTrinketWindow::mainHost());
    button->registerMembers();
    variables.assign("button", button.get());
    std::unique_ptr<Action> action = makeAction(name, words);
    ASSERT_NE(action, nullptr);
    action->start();
    stage.passes(20, 10);
    EXPECT_GT(button->x(), 0);
    // Dropped: the names that held it are cleared, and it goes.
    variables.assign("button", nullptr);
    button.reset();
    // A copy made before the action has noticed takes no dangling target with it: with
    // nothing to move, it ends as it starts.
    std::unique_ptr<OMScriptableObject> copy = action->clone();
    ASSERT_NE(copy, nullptr);
    static_cast<Action*>(copy.get())->start();
    stage.passes(20, 10);
    EXPECT_EQ(action->isActive(), 1);
    EXPECT_EQ(static_cast<Action*>(copy.get())->isActive(), 0);
    copy.reset();
    std::unique_ptr<RAnimation> next = makeAnimation();
    variables.assign("button", next.get());
    stage.passes(20, 10);
    action->halt();
    EXPECT_EQ(std::make_pair(next->x(), next->y()), std::make_pair(300, 300));
    action.reset();
    variables.assign("button", nullptr);
  }
}

TEST_F(MoveActionTest, FactoriesNeedBothObjectsAndAnEndOrAFlag)
{
  struct Case {
    const char* name;
    std::vector<const char*> words;
    std::optional<int> interruptible;  // none: nothing is made
  };
  const Case cases[] = {
      {"MoveXAction", {"pacer", "missing", "0", "5", "0", "20"}, std::nullopt},
      {"MoveYAction", {"missing", "target", "0", "5", "0", "20"}, std::nullopt},
      {"MoveXAction", {"target", "pacer", "0", "5", "0", "20"}, 1},
      {"MoveXAction", {"pacer", "target", "0", "5", "0", ""}, std::nullopt},
      {"MoveXAction", {"pacer", "target", "0", "5", "0", "", "0"}, 0},
      {"MoveYAction", {"pacer", "target", "0", "5", "0", "20"}, 1},
      {"MoveYAction", {"pacer", "target", "0", "5", "0", "20", "-1"}, -1},
      {"MoveXYAction", {"pacer", "target", "0", "5", "0", "20", "0", "1", "0", ""}, std::nullopt},
      {"MoveXYAction", {"pacer", "target", "0", "5", "0", "20", "0", "1", "0", "9", "0"}, 0},
      {"MoveXYAction", {"pacer", "target", "0", "5", "0", "20", "0", "1", "0", "", "-3"}, -3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.words[1] + " " + std::to_string(c.words.size()));
    std::unique_ptr<Action> action = makeAction(c.name, c.words, 1);
    ASSERT_EQ(action != nullptr, c.interruptible.has_value());
    if (action) {
      EXPECT_EQ(action->isInterruptible(), *c.interruptible);
    }
  }
}

// In the program each animation keeps its own rate, whatever the pace of the main loop: an
// 8-frame loop at 8 frames a second shows its third frame 0.3 seconds after it is made, and a
// move of 400 one-pixel steps paced by it takes 50 seconds.
TEST(MoveActionInTheProgram, AnAnimationPacesAMoveAtItsOwnRate)
{
  AssessmentProgram program;
  omtest::AnimationBuilder looping(8), still;
  std::vector<OMFrameEntry> entries;
  for (int i = 0; i < 8; ++i) {
    looping.addImage(10, 10, static_cast<std::uint8_t>(i + 1));
    entries.push_back(OMFrameEntry{0, 0, static_cast<std::int16_t>(i), 0});
  }
  entries.push_back(OMFrameEntry{0, 0, OMFrameEntry::loop, 0});
  looping.addSequence(entries);
  still.addImage(10, 10, 9);
  still.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, OMFrameEntry::hold, 0}});
  NEResourceWriter ao;
  ao.add("ASEQ", "310", looping.build());
  ao.add("ASEQ", "311", still.build());
  // A file of its own: others' "ao.rsc" may still be open under the same name.
  program.writeResourceFile("pace.rsc", ao);
  program.work.write("PLSDescriptor.txt",
                     "WinExeNamePath Tovik\r\nAODLL pace.rsc\r\nWaveDLL wave.rsc\r\n" + startLines);
  program.writeScript("mthRacer.mps",
                      "a=RAnimation 0 0 310\rt=RAnimation 0 100 311\rq=RQueue\r"
                      "play q add MoveXAction \"a\" \"t\" 0 1 0 400\rset q finished pdone\r"
                      "play q start\rwait\rprocedure pdone\r[\r  say done\r]\r");
  ASSERT_TRUE(program.start());
  AssessmentProgram::passes(30);
  auto* pacer = dynamic_cast<RAnimation*>(scriptVariables.getObjectByName("a"));
  auto* target = dynamic_cast<OMTrinket*>(scriptVariables.getObjectByName("t"));
  ASSERT_NE(pacer, nullptr);
  ASSERT_NE(target, nullptr);
  EXPECT_STREQ(pacer->getProperty("frame"), "3");
  AssessmentProgram::passes(1000);  // ten seconds on
  EXPECT_NEAR(target->x(), 82, 2);
  EXPECT_TRUE(program.said().empty());
  AssessmentProgram::passes(4000);
  EXPECT_EQ(program.said(), std::vector<std::string>{"done"});
  EXPECT_EQ(target->x(), 400);
}

TEST(MoveActionRegistry, OnlyTheAssessmentEditionListsTheMoves)
{
  const auto listed = [] {
    std::vector<std::string> names;
    forEachActionClass([&](const char* name) {
      if (std::string(name).rfind("Move", 0) == 0) names.emplace_back(name);
    });
    return names;
  };
  {
    ScopedEdition edition(OMEdition::game);
    EXPECT_TRUE(listed().empty());
    EXPECT_EQ(createAction("MoveXAction", 1), nullptr);
  }
  ScopedEdition edition(OMEdition::assessment);
  EXPECT_EQ(listed(), (std::vector<std::string>{"MoveXAction", "MoveYAction", "MoveXYAction"}));
}

}  // namespace
