#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "tests/support/ScopedEdition.h"
#include "tests/trinkets/StageScript.h"
#include "trinkets/lib/RAttributeContainer.h"
#include "trinkets/lib/RGraphicAnswer.h"
#include "trinkets/lib/RGraphicTextAnswer.h"
#include "trinkets/lib/RPuzzle.h"
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

}  // namespace
