#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "framework/OMFont.h"
#include "framework/OMLinkToFct.h"
#include "tests/support/ScopedEdition.h"
#include "tests/trinkets/StageScript.h"
#include "trinkets/lib/PuzzleGraphic.h"
#include "trinkets/lib/RAttributeContainer.h"
#include "trinkets/lib/RGraphicAnswer.h"
#include "trinkets/lib/RGraphicTextAnswer.h"
#include "trinkets/lib/RPuzzle.h"
#include "trinkets/lib/RText.h"
#include "trinkets/src/OMSParameter.h"

namespace {

using omtest::controlCode;
using omtest::showImage;
using omtest::StageScript;
using Lines = std::vector<std::string>;

// Graphics: 1 a solid 40x40 red square; 2 the same with frames red and green; 3 a 40x40
// square whose 10-pixel border is transparent.
class PuzzleTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    NEResourceWriter writer;
    addGraphic(writer, 1, {1, 1}, 0);
    addGraphic(writer, 2, {1, 2}, 0);
    addGraphic(writer, 3, {3, 3}, 10);
    ASSERT_FALSE(stage.addResourceFile("puzzle.rsc", writer).empty());
    played().clear();
    RAnswer::setSoundPlayer(&recordSound);
    RAnswer::registerGlobalFunctions();
  }
  void TearDown() override
  {
    script.stop();
    RAnswer::setSoundPlayer(nullptr);
  }

  static void addGraphic(NEResourceWriter& writer, int id, std::vector<int> colours, int border)
  {
    omtest::AnimationBuilder b;
    for (int colour : colours)
      b.addImage(40, 40, static_cast<std::uint8_t>(colour), border);
    b.addSequence({showImage(0), showImage(1), controlCode(OMFrameEntry::loop)});
    writer.add("ASEQ", std::to_string(id), b.build());
    writer.add("RRGB", std::to_string(id), omtest::primaryColorTable());
  }
  static std::vector<int>& played()
  {
    static std::vector<int> ids;
    return ids;
  }
  static std::int32_t recordSound(std::uint16_t id, const OMLink*, int)
  {
    played().push_back(id);
    return 1;
  }
  // Each named event of each object says "object.event".
  static std::string logging(const std::vector<std::pair<std::string, Lines>>& objects)
  {
    std::string text;
    for (const auto& [object, events] : objects) {
      for (const std::string& event : events) {
        const std::string procedure = "p" + object + event;
        text += "set " + object + " " + event + " " + procedure + "\r";
        text += "procedure " + procedure + "\r[\r  say \"" + object + "." + event + "\"\r]\r";
      }
    }
    return text;
  }
  template <typename T>
  static T* named(const char* name)
  {
    return StageScript::object<T>(name);
  }
  // The drag hook runs before each step's move: a last one-pixel step reports the target.
  void drag(int fromX, int fromY, int toX, int toY)
  {
    stage.passes(1, 1000);  // no double click
    stage.moveTo(fromX, fromY);
    stage.press(fromX, fromY);
    stage.moveTo((fromX + toX) / 2, (fromY + toY) / 2);
    stage.moveTo(toX, toY);
    stage.moveTo(toX + 1, toY);
    stage.release(toX + 1, toY);
  }

  omtest::TestStage stage;
  StageScript script{stage};
};

const Lines answerEvents = {"pickedUp", "dropped", "addedToContainer", "removedFromContainer"};
const Lines containerEvents = {"answerFlyOff", "answerFlyOn", "answerPlaced", "answerRemoved"};
const Lines puzzleEvents = {"containersFull", "answersUsed", "puzzleSolved", "puzzleWrong"};

TEST_F(PuzzleTest, ADragSequenceRaisesItsEventsInOrder)
{
  script.run(
      "a=RGraphicAnswer 10 10 5 1 \"red\" 0\r"
      "b=RGraphicAnswer 10 100 5 1 \"blue\" 0\r"
      "A=RAttributeContainer 200 10 40 40 1 \"red\"\r"
      "B=RAttributeContainer 300 10 40 40 1 \"blue\"\r"
      "p=RPuzzle\r"
      "play p addAnswer \"a\"\rplay p addAnswer \"b\"\r"
      "play p addContainer \"A\"\rplay p addContainer \"B\"\r"
      "set p processFlyovers 1\r" +
      logging({{"a", answerEvents},
               {"A", containerEvents},
               {"B", containerEvents},
               {"p", puzzleEvents}}) +
      "wait\r");
  ASSERT_NE(named<RPuzzle>("p"), nullptr);
  drag(20, 20, 310, 20);  // a into B: wrong
  EXPECT_EQ(script.said(), (Lines{"a.pickedUp", "B.answerFlyOn", "a.dropped", "a.addedToContainer",
                                  "B.answerPlaced"}));
  EXPECT_EQ(named<RGraphicAnswer>("a")->rect(), OMRect(300, 10, 340, 50));
  drag(310, 20, 210, 20);  // out of B into A
  EXPECT_EQ(script.said(),
            (Lines{"a.pickedUp", "B.answerRemoved", "a.removedFromContainer", "B.answerFlyOff",
                   "A.answerFlyOn", "a.dropped", "a.addedToContainer", "A.answerPlaced"}));
  named<RPuzzle>("p")->setProperty("processFlyovers", "0");
  drag(20, 110, 310, 20);  // b into B: full, used, solved; its fly-on only at the drop
  EXPECT_EQ(script.said(), (Lines{"B.answerFlyOn", "B.answerPlaced", "p.containersFull",
                                  "p.answersUsed", "p.puzzleSolved"}));
}

// "a" (red, 40x40 at 10, 10) and the rectangles A (red, 200-240) and B (blue, 240-280).
const std::string twoContainers =
    "a=RGraphicAnswer 10 10 5 1 \"red\" 0\r"
    "A=RAttributeContainer 200 10 40 40 1 \"red\"\r"
    "B=RAttributeContainer 240 10 40 40 1 \"blue\"\r"
    "p=RPuzzle\rplay p addAnswer \"a\"\rplay p addContainer \"A\"\r"
    "play p addContainer \"B\"\r";

TEST_F(PuzzleTest, TheDropChoosesTheBestAcceptingContainer)
{
  struct Row {
    const char* name;
    std::string setUp;
    int toX;  // the drag's end; "a" is picked up at (20, 20) and ends 1 pixel further
    const char* container;
    OMRect rect;
  };
  const OMRect home(10, 10, 50, 50), inA(200, 10, 240, 50), inB(240, 10, 280, 50);
  const Row rows[] = {
      {"equal scores: the first added", "", 229, "A", inA},
      {"larger overlap", "", 239, "B", inB},
      {"nothing under it", "", 400, "", home},
      {"touching but score 0", "set a extraRight 30\r", 199, "", home},
      {"reject by case", "set a attribute Red\rset A rejectIncorrectAnswers 1\r", 209, "", home},
      {"reject lets the match in", "set A rejectIncorrectAnswers 1\r", 209, "A", inA},
      // Placed with the hot point's offset: the hot point lands where the corner would.
      {"hot point decides",
       "set a isUsingHotPoint 1\rset a hotPointX 35\r",
       219,
       "B",
       {205, 10, 245, 50}},
      {"hot point outside", "set a isUsingHotPoint 1\r", 400, "", home},
      // The hot point is tested where it is on the stage: read relative to the answer, (5, 5)
      // would put the answer into the corner's container from anywhere.
      {"hot point on the stage",
       "C=RAttributeContainer 0 0 40 40 1 \"red\"\rplay p addContainer \"C\"\r"
       "set a isUsingHotPoint 1\rset a hotPointX 5\rset a hotPointY 5\r",
       400,
       "",
       home},
      {"disabled", "set A enabled 0\r", 209, "", home},
      {"margins centre the drop area", "set a extraLeft 10\r", 209, "A", {195, 10, 235, 50}},
      {"anchor point",
       "set A anchorAnswerAtPoint 1\rset A answerAnchorPointX 100\r",
       209,
       "A",
       {500, 20, 540, 60}},  // its own rectangle moved by A's corner and the point
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    script.run(twoContainers + row.setUp + "wait\r");
    auto* a = named<RGraphicAnswer>("a");
    ASSERT_NE(a, nullptr);
    drag(20, 20, row.toX, 20);
    const RContainer* expected = *row.container ? named<RContainer>(row.container) : nullptr;
    EXPECT_EQ(a->container(), expected);
    EXPECT_EQ(a->rect(), row.rect);
    EXPECT_STREQ(a->getProperty("isUsed"), expected ? "1" : "0");
    if (expected) {
      EXPECT_EQ(named<RContainer>(row.container)->answers(), std::vector<RAnswer*>{a});
    }
    script.stop();
  }
}

TEST_F(PuzzleTest, PropertiesAndFactoryForms)
{
  script.run(
      "a=RGraphicAnswer 100 50 5 1 \"red\" 7\r"
      "w=RGraphicTextAnswer 100 150 5 1 \"cat\" \"animal\" 3\r"
      "G=RAttributeContainer 2 1 \"x\"\r"
      "H=RAttributeContainer 2 300 20 1 \"y\"\r"
      "R=RAttributeContainer 300 20 50 60 1 \"z\"\r"
      "F=RAttributeContainer 2147483647 -2147483648 2147483647 -2147483648 1 \"far\"\r"
      "wait\r");
  struct Step {
    const char* object;
    const char* property;
    const char* value;  // null: only read
    const char* read;
  };
  const Step steps[] = {
      {"a", "hotPointX", "10", "110"},
      {"a", "value", nullptr, "7"},
      {"a", "attribute", nullptr, "red"},
      // Numbers beyond the coordinates' range are held at its edges.
      {"a", "homeX", "2147483647", "536870912"},
      {"a", "x", nullptr, "536870912"},
      {"a", "homeX", "-2147483648", "-536870912"},
      {"a", "extraLeft", "2147483647", "536870912"},
      {"a", "extraLeft", "0", "0"},
      {"a", "homeX", "150", "150"},
      {"a", "x", nullptr, "150"},             // moved at once
      {"a", "goHomeSound", "70000", "4464"},  // low 16 bits
      {"a", "flip", "7", "0"},
      {"w", "value", nullptr, "3"},
      {"w", "text", "dog", "dog"},
      {"w", "textMarginLeft", "-2147483648", "-536870912"},
      {"w", "textOffsetX", "2147483647", "536870912"},
      {"w", "textOffsetX", "0", "0"},
      {"w", "textMarginLeft", "5", "5"},
      {"w", "textMarginLeft", "5", "5"},
      {"w", "textOffsetX", "10", "10"},
      {"w", "textOffsetX", "4", "4"},
      {"G", "x", nullptr, "0"},  // the resource's own placement
      {"H", "x", nullptr, "300"},
      {"R", "width", nullptr, "50"},
      {"R", "attribute", nullptr, "z"},
      {"H", "highlighted", "1", "1"},
      {"H", "answerProperty", nullptr, ""},
      {"F", "x", nullptr, "536870912"},
      {"F", "y", nullptr, "-536870912"},
      {"F", "width", nullptr, "0"},
      {"F", "height", nullptr, "0"},
      {"H", "answerAnchorPointX", "2147483647", "536870912"},
      {"H", "answerAnchorPointY", "-2147483648", "-536870912"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(std::string(step.object) + "." + step.property);
    OMScriptableObject* object = named<OMScriptableObject>(step.object);
    ASSERT_NE(object, nullptr);
    if (step.value) {
      EXPECT_TRUE(object->setProperty(step.property, step.value));
    }
    const char* read = object->getProperty(step.property);
    ASSERT_NE(read, nullptr);
    EXPECT_STREQ(read, step.read);
  }
  // Margins and offsets move the text from where it was made, not cumulatively.
  auto* w = named<RGraphicTextAnswer>("w");
  EXPECT_EQ(w->textPiece()->rect(), OMRect(109, 150, 144, 190));
  EXPECT_EQ(w->rect(), OMRect(100, 150, 140, 190));
  // The highlight shows the second frame, then the first.
  auto* h = named<RAttributeContainer>("H");
  EXPECT_EQ(puzzleGraphic::frameNumber(puzzleGraphic::of(*h)), 2);
  h->setProperty("highlighted", "0");
  EXPECT_EQ(puzzleGraphic::frameNumber(puzzleGraphic::of(*h)), 1);
  EXPECT_EQ(puzzleGraphic::of(*named<RAttributeContainer>("R")), nullptr);
}

// Each edition's word card adds exactly its own members to the answer's.
TEST_F(PuzzleTest, EachEditionsWordCardHasItsOwnMembers)
{
  using Names = std::set<std::string>;
  const auto names = [](const OMScriptableObject& object) {
    Names found;
    object.members().firstThat([&](const OMScriptableObjectProperty* member) {
      found.insert(member->name());
      return false;
    });
    return found;
  };
  struct Row {
    OMEdition::Kind edition;
    Names own;
  };
  const Row rows[] = {
      {OMEdition::game,
       {"font", "graphicFrameNumber", "graphicID", "isSolid", "text", "textColor",
        "textIsCentering", "textMarginBottom", "textMarginLeft", "textMarginRight",
        "textMarginTop", "textOffsetX", "textOffsetY", "textWrap", "playAnimation",
        "stopAnimation"}},
      {OMEdition::assessment,
       {"attribute", "graphicID", "playAnimation", "stopAnimation", "text", "textOffsetX",
        "textOffsetY", "value", "textColorIndex", "setFont"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.edition);
    ScopedEdition edition(row.edition);
    RAnswer base(OMPoint(0, 0), 5);
    base.registerMembers();
    RGraphicTextAnswer card(OMPoint(0, 0), 5, 1, "cat");
    card.bindClass("RGraphicTextAnswer");
    Names own;
    std::ranges::set_difference(names(card), names(base), std::inserter(own, own.end()));
    EXPECT_EQ(own, row.own);
  }
}

// The assessment edition's word card as its scripts use it: a palette index for the text's
// colour, and "setFont" with face, size, style and colour index.
TEST_F(PuzzleTest, TheAssessmentWordCardTakesAColourIndexAndSetFont)
{
  ScopedEdition edition(OMEdition::assessment);
  script.run(
      "w=RGraphicTextAnswer 100 150 5 1 \"cat\" \"animal\" 3\r"
      "set w textColorIndex 7\rwait\r");
  auto* w = named<RGraphicTextAnswer>("w");
  ASSERT_NE(w, nullptr);
  RText* text = w->textPiece();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->color(), OMRGBColor::fromIndex(7));
  struct Step {
    const char* property;
    const char* value;  // null: only read
    const char* read;
  };
  const Step steps[] = {
      {"attribute", nullptr, "animal"}, {"value", nullptr, "3"},   {"value", "8", "8"},
      {"text", "dog", "dog"},           {"textOffsetX", "6", "6"}, {"textOffsetY", "4", "4"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.property);
    if (step.value) {
      EXPECT_TRUE(w->setProperty(step.property, step.value));
    }
    const char* read = w->getProperty(step.property);
    ASSERT_NE(read, nullptr);
    EXPECT_STREQ(read, step.read);
  }
  EXPECT_EQ(text->rect(), OMRect(106, 154, 146, 194));
  ASSERT_TRUE(w->callMethod("setFont", "Arial", "12", "1", "9", scriptArgTerminator));
  ASSERT_NE(text->font(), nullptr);
  EXPECT_EQ(text->font()->name(), "Arial");
  EXPECT_EQ(text->font()->size(), 12);
  EXPECT_EQ(text->font()->style(), 1);
  EXPECT_EQ(text->color(), OMRGBColor::fromIndex(9));
  int paused = -1;
  ASSERT_TRUE(w->callMethod("playAnimation", scriptArgTerminator));
  EXPECT_EQ(w->graphic()->repeat(), -1);
  w->graphic()->isIdle(&paused, nullptr);
  EXPECT_EQ(paused, 0);
  ASSERT_TRUE(w->callMethod("stopAnimation", scriptArgTerminator));
  w->graphic()->isIdle(&paused, nullptr);
  EXPECT_EQ(paused, 1);
  EXPECT_TRUE(w->setProperty("graphicID", "0"));
  EXPECT_EQ(w->graphic(), nullptr);
  EXPECT_EQ(w->textPiece(), text);
}

TEST_F(PuzzleTest, SoundsFollowTheOutcomeAndTheDefaultsOfTheirTime)
{
  script.run("SetAnswerPickUpSound 11\rSetAnswerSnapSound 12\rSetAnswerGoHomeSound 13\r" +
             twoContainers +
             "SetAnswerSnapSound 22\rb=RGraphicAnswer 10 100 5 1 \"blue\" 0\r"
             "play p addAnswer \"b\"\rset b pickUpSound 0\rwait\r");
  ASSERT_NE(named<RAnswer>("b"), nullptr);
  EXPECT_STREQ(named<RAnswer>("a")->getProperty("snapSound"), "12");
  EXPECT_STREQ(named<RAnswer>("b")->getProperty("snapSound"), "22");
  drag(20, 20, 209, 20);    // snapped into A
  drag(210, 20, 400, 20);   // home
  drag(20, 110, 400, 100);  // b: no pick-up sound, home
  EXPECT_EQ(played(), (std::vector<int>{11, 12, 11, 13, 13}));
  script.stop();
  // The assessment edition's "no sound" is -1; 0 is a sound there.
  ScopedEdition edition(OMEdition::assessment);
  played().clear();
  RGraphicAnswer answer(OMPoint(10, 10), 5, 1);
  answer.bindClass("RGraphicAnswer");
  answer.setProperty("pickUpSound", "-1");
  answer.setProperty("goHomeSound", "0");
  answer.pickUp();
  answer.drop();
  answer.goHome();
  EXPECT_EQ(played(), std::vector<int>{0});
  // There the puzzle tells its deletion hook, once, and has no home type.
  static int deleted = 0;
  const OMLinkToFct hook(+[](OMWord) -> OMWord { return ++deleted; });
  RPuzzle::setDeletionHook(&hook);
  script.run("p=RPuzzle\rwait\r");
  ASSERT_NE(named<RPuzzle>("p"), nullptr);
  EXPECT_EQ(named<RPuzzle>("p")->getProperty("answerHomeType"), nullptr);
  script.stop();
  RPuzzle::setDeletionHook(nullptr);
  EXPECT_EQ(deleted, 1);
}

TEST_F(PuzzleTest, HomeTypeSolvedListsResetAndAnchoring)
{
  script.run(twoContainers +
             "b=RGraphicAnswer 10 100 5 1 \"blue\" 0\rplay p addAnswer \"b\"\r"
             "C=RAttributeContainer 400 200 40 40 1 \"green\"\rplay p addContainer \"C\"\r"
             "play p addSolvedContainerList \"A\" \"B\"\r"
             "set p answerHomeType 1\rset A lockCorrectAnswers 1\r" +
             logging({{"a", {"addedToContainer"}}, {"A", {"answerPlaced"}}, {"p", puzzleEvents}}) +
             "wait\r");
  auto* p = named<RPuzzle>("p");
  auto *a = named<RAnswer>("a"), *b = named<RAnswer>("b");
  ASSERT_NE(p, nullptr);
  drag(20, 20, 209, 20);  // a into A: locked there
  EXPECT_EQ(script.said(), (Lines{"a.addedToContainer", "A.answerPlaced"}));
  EXPECT_FALSE(a->isMovable());
  a->unanchor();
  drag(210, 20, 400, 400);  // nowhere: back into A
  EXPECT_EQ(script.said(), (Lines{"a.addedToContainer", "A.answerPlaced"}));
  EXPECT_EQ(a->rect(), OMRect(200, 10, 240, 50));
  drag(20, 110, 400, 400);  // b from no container: home
  EXPECT_EQ(b->rect(), OMRect(10, 100, 50, 140));
  EXPECT_STREQ(p->getProperty("isSolved"), "0");
  drag(20, 110, 249, 20);  // b into B: the list {A, B} is solved though C is empty
  EXPECT_EQ(script.said(), (Lines{"p.answersUsed", "p.puzzleSolved"}));
  named<RContainer>("B")->setProperty("enabled", "0");
  EXPECT_FALSE(b->isMovable());
  named<RContainer>("B")->setProperty("enabled", "1");
  EXPECT_TRUE(b->isMovable());
  // Moving a container carries its answer.
  named<RContainer>("B")->callMethod("offset", "10", "0", scriptArgTerminator);
  EXPECT_EQ(b->x(), 250);
  EXPECT_TRUE(p->callMethod("reset", scriptArgTerminator));
  EXPECT_EQ(a->rect(), OMRect(10, 10, 50, 50));
  EXPECT_EQ(b->rect(), OMRect(10, 100, 50, 140));
  EXPECT_STREQ(p->getProperty("areAnswersUsed"), "0");
  EXPECT_EQ(named<RContainer>("A")->answerCount(), 0);
}

// Handlers that delete what raised them; then variables reassigned under the puzzle.
TEST_F(PuzzleTest, HandlersMayDeleteTheObjectsThatRaisedTheirEvents)
{
  struct Row {
    const char* object;
    const char* event;
  };
  const Row rows[] = {{"a", "dropped"},         {"A", "answerPlaced"}, {"p", "puzzleSolved"},
                      {"p", "answersUsed"},     {"p", "puzzleWrong"},  {"a", "pickedUp"},
                      {"a", "addedToContainer"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.object) + "." + row.event);
    const std::string solvedByA =
        std::string(row.event) == "puzzleSolved" ? "play p addSolvedContainerList \"A\"\r" : "";
    script.run(twoContainers + solvedByA + "set " + row.object + " " + row.event +
               " pgone\rprocedure pgone\r[\r  drop " + row.object + "\r  say gone\r]\rwait\r");
    ASSERT_NE(named<RPuzzle>("p"), nullptr);
    drag(20, 20, 209, 20);
    EXPECT_EQ(script.said(), Lines{"gone"});
    EXPECT_EQ(named<OMScriptableObject>(row.object), nullptr);
    stage.passes(2, 100);
    script.stop();
  }
  // The variable now holds another answer; the puzzle, dropped first, unhooks the old one.
  script.run(twoContainers + "wait\r");
  RAnswer* a = named<RAnswer>("a");
  std::unique_ptr<OMScriptableObject> held(a);
  scriptVariables.forgetObject(a, false);
  scriptVariables.bindObject("a", new RGraphicAnswer(OMPoint(10, 300), 5, 1));
  drag(20, 20, 209, 20);
  EXPECT_EQ(a->container(), named<RContainer>("A"));
  EXPECT_EQ(named<RContainer>("A")->answerCount(), 1);
  scriptVariables.forgetObject(named<RPuzzle>("p"), true);
  EXPECT_EQ(a->dropNotify(), nullptr);
  drag(210, 20, 400, 400);
  EXPECT_EQ(a->rect(), OMRect(391, 390, 431, 430));
}

// An answer that the script drops leaves its container: the container counts it no more and
// takes the next answer.
TEST_F(PuzzleTest, AnAnswerDroppedByTheScriptLeavesItsContainer)
{
  script.run(twoContainers +
             "b=RGraphicAnswer 10 100 5 1 \"red\" 0\rplay p addAnswer \"b\"\r"
             "set b pickedUp pgone\rprocedure pgone\r[\r  drop a\r]\r" +
             logging({{"A", {"answerPlaced"}}}) + "wait\r");
  auto* A = named<RContainer>("A");
  ASSERT_NE(A, nullptr);
  drag(20, 20, 209, 20);
  EXPECT_EQ(A->answerCount(), 1);
  drag(20, 110, 209, 20);  // picking b up drops a
  EXPECT_EQ(named<RAnswer>("a"), nullptr);
  EXPECT_EQ(named<RAnswer>("b")->container(), A);
  EXPECT_STREQ(A->getProperty("answerCount"), "1");
  ASSERT_TRUE(A->callMethod("removeAnswer", scriptArgTerminator));
  EXPECT_STREQ(A->getProperty("answerCount"), "0");
  EXPECT_EQ(named<RAnswer>("b")->rect(), OMRect(200, 10, 240, 50));
  EXPECT_EQ(script.said(), (Lines{"A.answerPlaced", "A.answerPlaced"}));
}

TEST_F(PuzzleTest, RandomDragsKeepAnswersAndContainersInStep)
{
  for (int homeType : {0, 1}) {
    SCOPED_TRACE(homeType);
    std::string setUp = "p=RPuzzle\rset p answerHomeType " + std::to_string(homeType) + "\r";
    for (int i = 0; i < 6; ++i) {
      const std::string n = "a" + std::to_string(i);
      setUp += n + "=RGraphicAnswer 10 " + std::to_string(10 + 50 * i) + " 5 1 \"k" +
               std::to_string(i % 4) + "\" 0\rplay p addAnswer \"" + n + "\"\r";
    }
    for (int i = 0; i < 4; ++i) {
      const std::string n = "c" + std::to_string(i);
      setUp += n + "=RAttributeContainer " + std::to_string(200 + 60 * (i % 2)) + " " +
               std::to_string(10 + 60 * (i / 2)) + " 40 40 1 \"k" + std::to_string(i) +
               "\"\rplay p addContainer \"" + n + "\"\r";
    }
    script.run(setUp + "wait\r");
    auto* p = named<RPuzzle>("p");
    ASSERT_NE(p, nullptr);
    const std::vector<RAnswer*> answers = p->answers();
    const std::vector<RContainer*> containers = p->containers();
    ASSERT_EQ(answers.size(), 6u);
    std::mt19937 random(7);
    int placed = 0;
    for (int drag = 0; drag < 10000; ++drag) {
      RAnswer* a = answers[random() % 6];
      a->pickUp();
      a->moveTo(static_cast<int>(150 + random() % 200), static_cast<int>(random() % 150));
      a->drop();
      placed += a->isUsed();
      int held = 0;
      for (RContainer* c : containers) {
        for (RAnswer* in : c->answers())
          ASSERT_EQ(in->container(), c) << drag;
        held += c->answerCount();
      }
      for (RAnswer* answer : answers) {
        RContainer* c = answer->container();
        ASSERT_EQ(answer->isUsed(), c != nullptr);
        if (c) {
          ASSERT_TRUE(c->holds(answer)) << drag;
          ASSERT_EQ(answer->rect(), c->rect()) << drag;
        } else {
          ASSERT_EQ(answer->rect().left(), answer->home().x) << drag;
          ASSERT_EQ(answer->rect().top(), answer->home().y) << drag;
        }
      }
      ASSERT_LE(held, 4);
    }
    EXPECT_GT(placed, 2000);
    EXPECT_LT(placed, 8000);
    script.stop();
  }
}

// A new answer's picture plays as made (graphic 2 loops red, green), and a word card's word
// is drawn over its picture, also after the picture is made again.
TEST_F(PuzzleTest, AnswerPicturesPlayAndAWordCardShowsItsWordOverThePicture)
{
  script.run(
      "g=RGraphicAnswer 10 10 5 2 \"\" 0\rw=RGraphicTextAnswer 100 150 5 1 \"CAT\" \"\" 0\r"
      "wait\r");
  auto* g = named<RGraphicAnswer>("g");
  auto* w = named<RGraphicTextAnswer>("w");
  ASSERT_NE(g, nullptr);
  ASSERT_NE(w, nullptr);
  std::set<std::string> frames;
  for (int pass = 0; pass < 8; ++pass) {
    stage.passes(1, 130);
    frames.insert(g->getProperty("graphicFrameNumber"));
  }
  EXPECT_EQ(frames, (std::set<std::string>{"1", "2"}));
  const auto wordPixels = [&] {
    int count = 0;
    for (int y = 150; y < 190; ++y)
      for (int x = 100; x < 140; ++x)
        count += stage.pixel(x, y) != 0x7C00;
    return count;
  };
  EXPECT_GT(wordPixels(), 10);
  w->setProperty("graphicID", "1");
  stage.passes(2, 130);
  EXPECT_GT(wordPixels(), 10);
}

TEST_F(PuzzleTest, WordCardsAndTextsReadColoursAlike)
{
  struct Row {
    const char* words;
    OMRGBColor expected;
  };
  const Row rows[] = {
      {"0 255 256", OMRGBColor(0, 255, 256)},
      {"65535 -1 text", OMRGBColor(0xFFFF, 0xFFFF, 0)},
      {"\"\" \"\" 3", OMRGBColor::fromIndex(3)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.words);
    script.run(
        "t=RText \"x\" 10 10 50 20 0\rw=RGraphicTextAnswer 100 150 5 1 \"cat\" \"\" 0\r"
        "set t color " +
        std::string(row.words) + "\rset w textColor " + row.words + "\rwait\r");
    ASSERT_NE(named<RText>("t"), nullptr);
    EXPECT_EQ(named<RText>("t")->color(), row.expected);
    EXPECT_EQ(named<RGraphicTextAnswer>("w")->textPiece()->color(), row.expected);
    script.stop();
  }
}

TEST_F(PuzzleTest, FlipRotateAndThePixelTest)
{
  script.run(
      "a=RGraphicAnswer 100 50 5 3 \"\" 0\rG=RAttributeContainer 3 100 150 1 \"\"\r"
      "set G doPixelCompare 1\rwait\r");
  auto* a = named<RGraphicAnswer>("a");
  ASSERT_NE(a, nullptr);
  stage.host().clearMessageBoxes();
  a->setProperty("flip", "1");
  a->setProperty("rotate", "2");
  ASSERT_EQ(stage.host().messageBoxes().size(), 1u);
  EXPECT_EQ(stage.host().messageBoxes()[0].text, "flip already set");
  EXPECT_EQ(a->graphic()->drawDirection(), 2);
  a->setProperty("rotate", "0");
  EXPECT_EQ(a->graphic()->drawDirection(), 2);
  std::unique_ptr<OMScriptableObject> copy = a->clone();
  EXPECT_STREQ(copy->getProperty("flip"), "1");
  // The container's graphic is opaque only inside its 10-pixel border: the hot point, on the
  // stage, must land there.
  struct Row {
    int hotX, hotY;
    int score;
  };
  const Row rows[] = {{5, 5, 0}, {15, 15, 1}, {29, 29, 1}, {35, 15, 0}};
  auto* g = named<RAttributeContainer>("G");
  a->moveTo(100, 150);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.hotX);
    a->setAnswerProperty("hotPointX", std::to_string(row.hotX).c_str());
    a->setAnswerProperty("hotPointY", std::to_string(row.hotY).c_str());
    int score = -1;
    EXPECT_EQ(g->canAccept(a, &score), row.score == 1);
    EXPECT_EQ(score, row.score);
  }
  g->setProperty("doPixelCompare", "0");
  a->moveTo(120, 170);  // the overlap is 20 by 20
  int score = 0;
  EXPECT_TRUE(g->canAccept(a, &score));
  EXPECT_EQ(score, 400);
}

}  // namespace
