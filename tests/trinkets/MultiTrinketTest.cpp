#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "framework/OMSystem.h"
#include "tests/support/ScopedEdition.h"
#include "tests/trinkets/StageScript.h"
#include "trinkets/lib/OMMultiTrinket.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/src/OMSParameter.h"

namespace {

using omtest::controlCode;
using omtest::showImage;
using omtest::StageScript;
using Lines = std::vector<std::string>;

constexpr std::uint32_t red555 = 0x7C00, green555 = 0x03E0;

// Two looping 40x40 animations, red (1) and green (2), at (100, 100) and (120, 120), made
// pieces of "m" at the given layers.
class MultiTrinketTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    NEResourceWriter writer;
    for (int id = 1; id <= 2; ++id) {
      omtest::AnimationBuilder b;
      b.addImage(40, 40, static_cast<std::uint8_t>(id));
      b.addImage(40, 40, static_cast<std::uint8_t>(id));
      b.addSequence({showImage(0), showImage(1), controlCode(OMFrameEntry::loop)});
      writer.add("ASEQ", std::to_string(id), b.build());
      writer.add("RRGB", std::to_string(id), omtest::primaryColorTable());
    }
    ASSERT_FALSE(stage.addResourceFile("pieces.rsc", writer).empty());
  }

  OMMultiTrinket* build(int layerA, int layerB, const std::string& more = "")
  {
    script.run(
        "a=RAnimation 100 100 1\rb=RAnimation 120 120 2\rm=OMMultiTrinket\r"
        "play m addTrinket \"a\" " +
        std::to_string(layerA) + " 1\rplay m addTrinket \"b\" " + std::to_string(layerB) + " 2\r" +
        more + "wait\r");
    return StageScript::object<OMMultiTrinket>("m");
  }
  static OMTrinket* piece(const char* name) { return StageScript::object<OMTrinket>(name); }

  omtest::TestStage stage;
  StageScript script{stage};
};

std::string handlers(const std::vector<std::string>& names)
{
  std::string text;
  for (const std::string& name : names)
    text += "procedure p" + name + "\r[\r  say " + name + "\r]\r";
  return text;
}

TEST_F(MultiTrinketTest, LayersDecideWhatIsDrawnOnTopAndWhatTheHoverFinds)
{
  struct Row {
    int layerA, layerB;
    std::uint32_t overlap;
    Lines entering, movingToB;
  };
  // Of equal layers the later piece goes below and the earlier one is hit first.
  const Row rows[] = {
      {0, 0, red555, {"onA"}, {"offA", "onB"}},
      {0, 1, green555, {"onB"}, {}},
      {2, 1, red555, {"onA"}, {"offA", "onB"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.layerA * 10 + row.layerB);
    OMMultiTrinket* m = build(row.layerA, row.layerB,
                              "set a flyOn ponA\rset b flyOn ponB\rset a flyOff poffA\r"
                              "set b flyOff poffB\r" +
                                  handlers({"onA", "onB", "offA", "offB"}));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->rect(), OMRect(100, 100, 160, 160));
    EXPECT_EQ(m->pieceCount(), 2);
    EXPECT_FALSE(piece("a")->isInWindowList());
    stage.passes(4, 40);
    EXPECT_EQ(stage.pixel(130, 130), row.overlap);
    EXPECT_EQ(stage.pixel(105, 105), red555);
    EXPECT_EQ(stage.pixel(155, 155), green555);
    stage.moveTo(130, 130);
    stage.passes(2, 40);
    EXPECT_EQ(script.said(), row.entering);
    stage.moveTo(155, 155);
    stage.passes(2, 40);
    EXPECT_EQ(script.said(), row.movingToB);
    stage.moveTo(400, 400);
    script.stop();
  }
}

TEST_F(MultiTrinketTest, TheRedrawRegionIsTheUnionOfTheChangedPieces)
{
  OMMultiTrinket* m = build(0, 0);
  ASSERT_NE(m, nullptr);
  stage.passes(2, 40);
  ASSERT_EQ(m->drawState(), OMTrinket::clean);
  piece("a")->markWholeDirty();
  m->tick();
  EXPECT_EQ(m->drawState(), OMTrinket::partlyDirty);
  EXPECT_EQ(m->dirtyRegion().bounds(), OMRect(100, 100, 140, 140));
  piece("b")->setDirtyArea(OMRegion(OMRect(150, 150, 155, 152)));
  m->tick();
  EXPECT_EQ(m->dirtyRegion().bounds(), OMRect(100, 100, 155, 152));
}

TEST_F(MultiTrinketTest, PlacingOffsettingAndRemovingPieces)
{
  OMMultiTrinket* m = build(0, 0);
  ASSERT_NE(m, nullptr);
  struct Step {
    const char* method;  // a property when the second argument is null
    const char* a;
    const char* b;
    OMRect expected;
    int pieces;
  };
  const Step steps[] = {
      {"x", "100", nullptr, {100, 100, 160, 160}, 2},
      {"place", "700", "100", {580, 100, 640, 160}, 2},  // corralled: stops at the edge
      {"offset", "30", "5", {580, 105, 640, 165}, 2},    // held at the edge
      {"y", "50", nullptr, {580, 50, 640, 110}, 2},
      {"x", "-2147483648", nullptr, {580, 50, 640, 110}, 2},  // any number: still held
      {"removeTrinkets", "7", "", {580, 50, 640, 110}, 2},    // no such id
      {"removeTrinkets", "1", "", {600, 70, 640, 110}, 1},
      {"removeTrinkets", "", "", {600, 70, 640, 110}, 0},  // the last one keeps the rectangle
      {"removeTrinkets", "", "", {600, 70, 640, 110}, 0},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(std::string(step.method) + " " + step.a);
    if (step.b) {
      ASSERT_TRUE(m->callMethod(step.method, step.a, step.b, scriptArgTerminator));
    } else {
      ASSERT_TRUE(m->setProperty(step.method, step.a));
    }
    EXPECT_EQ(m->rect(), step.expected);
    EXPECT_EQ(m->pieceCount(), step.pieces);
  }
  EXPECT_STREQ(m->getProperty("x"), "600");
  EXPECT_STREQ(m->getProperty("width"), "40");
  // The pieces went back to the stage where the container had moved them.
  ASSERT_TRUE(piece("a")->isInWindowList());
  EXPECT_EQ(piece("a")->rect(), OMRect(580, 50, 620, 90));
  EXPECT_STREQ(m->getProperty("userData"), "");
  m->setProperty("userData", "blue door");
  EXPECT_STREQ(m->getProperty("userData"), "blue door");
}

TEST_F(MultiTrinketTest, TrackingPicksTheGroupUpAndPutsItDown)
{
  OMMultiTrinket* m = build(0, 0,
                            "set m tracking 1\rset m startTracking ponStart\r"
                            "set m endTracking ponEnd\r" +
                                handlers({"onStart", "onEnd"}));
  ASSERT_NE(m, nullptr);
  stage.press(110, 110);
  stage.release(110, 110);
  EXPECT_EQ(script.said(), Lines{"onStart"});
  stage.moveTo(150, 130);
  EXPECT_EQ(m->rect(), OMRect(140, 120, 200, 180));
  EXPECT_EQ(piece("b")->rect(), OMRect(160, 140, 200, 180));
  stage.press(150, 130);
  stage.release(150, 130);
  stage.moveTo(300, 300);
  EXPECT_EQ(script.said(), Lines{"onEnd"});
  EXPECT_EQ(m->rect(), OMRect(140, 120, 200, 180));
  // Released outside the stage (the host keeps its pointer on the screen): put down at once.
  stage.passes(1, 1000);
  stage.press(150, 130);
  currentEvent().message = WM_LBUTTONUP;
  currentEvent().lParam = MAKELPARAM(-20, 130);
  m->onMouseUp();
  EXPECT_EQ(script.said(), (Lines{"onStart", "onEnd"}));
}

TEST_F(MultiTrinketTest, AHandlerMayDestroyTheContainerInAPressOrATick)
{
  const std::string drop =
      "procedure pgone\r[\r  say gone\r  set a frameNotification 0\r  drop m\r]\r";
  for (bool inTick : {false, true}) {
    SCOPED_TRACE(inTick);
    OMMultiTrinket* m = build(0, 0,
                              inTick ? "set a frameNotification 1\rset a frameNotify pgone\r" + drop
                                     : "set m tracking 1\rset m startTracking pgone\r" + drop);
    ASSERT_NE(m, nullptr);
    if (inTick) {
      stage.passes(3, 130);
    } else {
      stage.press(110, 110);
      stage.release(110, 110);
    }
    EXPECT_EQ(script.said(), Lines{"gone"});
    EXPECT_EQ(StageScript::object<OMMultiTrinket>("m"), nullptr);
    ASSERT_NE(piece("b"), nullptr);
    EXPECT_TRUE(piece("b")->isInWindowList());
    stage.passes(3, 130);
    script.stop();
  }
}

// A container refuses a trinket that carries it, at any depth and through a dialog's
// members too, so that no walk goes round for ever; the whole stays usable and goes cleanly.
TEST_F(MultiTrinketTest, NoContainerTakesInATrinketThatCarriesIt)
{
  struct Row {
    const char* what;
    std::string lines;
    int piecesOfM;
    const char* outermost;  // the trinket of the stage that a click on a piece reaches
  };
  const Row rows[] = {
      {"each other", "n=OMMultiTrinket\rplay n addTrinket \"m\"\rplay m addTrinket \"n\"\r", 2,
       "n"},
      {"round three",
       "n=OMMultiTrinket\ro=OMMultiTrinket\rplay n addTrinket \"m\"\r"
       "play o addTrinket \"n\"\rplay m addTrinket \"o\"\r",
       2, "o"},
      {"dialog in the container",
       "d=OMTrinketDialog 300 300 400 400\rplay m addTrinket \"d\"\rplay d addTrinket \"m\"\r", 3,
       "m"},
      {"container in the dialog",
       "d=OMTrinketDialog 300 300 400 400\rplay d addTrinket \"m\"\rplay m addTrinket \"d\"\r", 2,
       "m"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    OMMultiTrinket* m = build(
        0, 0, row.lines + "set " + row.outermost + " mouseDown ppressed\r" + handlers({"pressed"}));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->pieceCount(), row.piecesOfM);
    EXPECT_FALSE(m->carries(m));
    m->setProperty("visible", "1");
    ASSERT_TRUE(m->callMethod("offset", "5", "5", scriptArgTerminator));
    stage.passes(3, 130);
    stage.click(110, 110);
    EXPECT_EQ(script.said(), Lines{"pressed"});
    script.stop();
    stage.passes(2, 130);
  }
}

// A copy shares the script pieces of its original. Whichever of the two goes first, the
// pieces stay with the other, or go back to the stage when that was the original, and a click
// on one reaches the container that holds it.
TEST_F(MultiTrinketTest, DroppingACopyOrItsOriginalLeavesThePiecesToTheOther)
{
  for (const char* dropped : {"m2", "m"}) {
    SCOPED_TRACE(dropped);
    const bool copyGoes = std::string(dropped) == "m2";
    build(0, 0,
          std::string("m2=m\rdrop ") + dropped +
              "\rset m mouseDown poriginal\rset m2 mouseDown pcopy\rset a mouseDown ppiece\r" +
              handlers({"original", "copy", "piece"}));
    auto* kept = StageScript::object<OMMultiTrinket>(copyGoes ? "m" : "m2");
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(StageScript::object<OMMultiTrinket>(dropped), nullptr);
    EXPECT_EQ(piece("a")->isInWindowList(), !copyGoes);
    EXPECT_EQ(kept->carries(piece("a")), copyGoes);
    stage.passes(2, 1000);  // no double click with the row before
    stage.click(110, 110);
    EXPECT_EQ(script.said(), Lines{copyGoes ? "original" : "piece"});
    ASSERT_TRUE(kept->callMethod("offset", "30", "0", scriptArgTerminator));
    EXPECT_EQ(piece("a")->rect().left(), copyGoes ? 130 : 100);
    script.stop();
  }
}

TEST_F(MultiTrinketTest, TheAssessmentEditionHasFewerMembersAndADeletionHook)
{
  static int deleted = 0;
  const OMLinkToFct hook(+[](OMWord) -> OMWord { return ++deleted; });
  for (bool assessment : {false, true}) {
    ScopedEdition edition(assessment ? OMEdition::assessment : OMEdition::game);
    OMMultiTrinket::setDeletionHook(&hook);
    deleted = 0;
    OMMultiTrinket* m = build(0, 0);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->getProperty("tracking") != nullptr, !assessment);
    EXPECT_STREQ(m->getProperty("height"), "60");
    std::unique_ptr<OMScriptableObject> copy = m->clone();
    EXPECT_EQ(static_cast<OMMultiTrinket*>(copy.get())->pieceCount(), 2);
    copy.reset();
    script.stop();
    EXPECT_EQ(deleted, assessment ? 2 : 0);
    OMMultiTrinket::setDeletionHook(nullptr);
  }
}

}  // namespace
