// The sliders and the gauge: silent and loud value changes, the press that repeats after 20
// ticks, track pages that stop under the pointer, drags, image pieces and state texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "assessment/src/RGauge.h"
#include "assessment/src/RSlider.h"
#include "assessment/src/RWSlider.h"
#include "framework/OMLinkToFct.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TestStage.h"
#include "tools/NEResourceWriter.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

int movedCount = 0;

OMWord countMove(OMWord)
{
  ++movedCount;
  return 0;
}

class SliderTest : public ::testing::Test {
 protected:
  SliderTest() { movedCount = 0; }

  template <typename T>
  std::unique_ptr<T> make(const char* className, const std::string& arguments)
  {
    std::unique_ptr<OMScriptableObject> object =
        createTrinketFromCommand(className, arguments.c_str());
    if (!object) return nullptr;
    const OMLinkToFct counter(&countMove);
    object->connect("moved", &counter, nullptr);
    return std::unique_ptr<T>(static_cast<T*>(object.release()));
  }
  static std::string state(const OMTrinket& trinket)
  {
    char text[128];
    trinket.stateText(text, sizeof text);
    return text;
  }

  ScopedEdition edition{OMEdition::assessment};
  omtest::TestStage stage;
};

TEST_F(SliderTest, PositionIsSilentAndClamped)
{
  auto slider = make<RSlider>("RSlider", "100 100 120 300 0 0");
  ASSERT_NE(slider, nullptr);
  EXPECT_TRUE(slider->isVertical());
  EXPECT_EQ(state(*slider), "100 100 120 300 100 5");
  EXPECT_EQ(slider->setProperty("position", "150"), 1);
  EXPECT_STREQ(slider->getProperty("position"), "99");
  EXPECT_EQ(slider->thumb().bottom(), 300);
  slider->setValue(-4);
  EXPECT_EQ(slider->value(), 0);
  EXPECT_EQ(movedCount, 1);
  slider->setValue(RSliderBase::silentOffset + 7);
  EXPECT_EQ(slider->value(), 7);
  EXPECT_EQ(movedCount, 1);
}

// Ranges near the ends of the numbers: every value is worked out whole, a position is silent
// whatever its size, and a negative maximum leaves only 0. Each row: a position, the increment
// arrow, a drag of the thumb 150 pixels up, a press on the track at 250.
TEST_F(SliderTest, HugeAndNegativeRangesKeepTheirValuesWhole)
{
  struct Row {
    const char* maximum;
    const char* position;
    int value, thumbTop, afterArrow, afterDrag, afterTrackPress, moves;
    const char* state;
  };
  const Row rows[] = {
      {"20000000", "19999998", 19999998, 279, 19999999, 3333333, 3333338, 3,
       "100 100 120 300 20000001 5"},
      // The factory holds the maximum to 2^29.
      {"2147483647", "2147483647", 536870912, 280, 536870912, 89478486, 89478491, 2,
       "100 100 120 300 536870913 5"},
      {"-10", "5", 0, 100, 0, 0, 0, 0, "100 100 120 300 1 5"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.maximum);
    movedCount = 0;
    auto slider = make<RSlider>("RSlider", std::string("100 100 120 300 ") + row.maximum + " 0");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(state(*slider), row.state);
    slider->setProperty("position", row.position);
    EXPECT_EQ(slider->value(), row.value);
    EXPECT_EQ(slider->thumb().top(), row.thumbTop);
    stage.passes(1, 1000);  // no double click with the row before
    stage.click(110, 299);
    EXPECT_EQ(slider->value(), row.afterArrow);
    const int top = slider->thumb().top();
    stage.passes(1, 1000);
    stage.press(110, top + 5);
    stage.passes(1, 400);
    stage.host().moveMouse(110, top + 5 - 150);
    stage.settle();
    stage.passes(1, 20);
    stage.release(110, top + 5 - 150);
    EXPECT_EQ(slider->value(), row.afterDrag);
    stage.passes(1, 1000);
    stage.press(110, 250);
    stage.release(110, 250);
    EXPECT_EQ(slider->value(), row.afterTrackPress);
    EXPECT_EQ(movedCount, row.moves);
  }
}

TEST_F(SliderTest, AHeldArrowStepsOnceThenRepeatsAfterTwentyTicks)
{
  auto slider = make<RSlider>("RSlider", "100 100 120 300 12 0");
  stage.press(110, 295);
  EXPECT_EQ(slider->pressMode(), RSliderBase::onIncrement);
  EXPECT_EQ(movedCount, 1);
  // 20 ticks of 1/60 s are 333 ms: nothing before, one step a pass after.
  stage.passes(6, 55);
  EXPECT_EQ(movedCount, 1);
  stage.passes(1, 4);
  EXPECT_EQ(movedCount, 2);
  stage.passes(5);
  EXPECT_EQ(movedCount, 7);
  stage.passes(20);
  EXPECT_EQ(slider->value(), 12);
  EXPECT_EQ(movedCount, 12);
  stage.release(110, 295);
  EXPECT_EQ(slider->pressMode(), RSliderBase::notPressed);
  stage.passes(5, 400);
  EXPECT_EQ(movedCount, 12);
}

TEST_F(SliderTest, TrackPressesPageUntilThePointerAndDragsFollowIt)
{
  // Track 100-300, thumb 20 high: travel 180; the pointer at 218 stands for value 60.
  auto slider = make<RSlider>("RSlider", "100 100 120 300 99 0");
  stage.press(110, 218);
  EXPECT_EQ(slider->pressMode(), RSliderBase::afterThumb);
  EXPECT_EQ(slider->value(), 5);
  stage.passes(30, 50);
  EXPECT_EQ(slider->value(), 60);
  EXPECT_EQ(movedCount, 12);
  stage.release(110, 218);

  const int top = slider->thumb().top();
  stage.press(110, top + 5);
  EXPECT_EQ(slider->pressMode(), RSliderBase::dragging);
  stage.passes(1, 400);
  stage.host().moveMouse(110, top + 5 - 36);
  stage.settle();
  stage.passes(1, 20);
  EXPECT_EQ(slider->value(), 60 - 36 * 99 / 180);
  stage.release(110, top - 31);

  // A thumb as long as the track: nothing moves, nothing divides by zero.
  auto stuck = make<RSlider>("RSlider", "400 50 420 70 10 2");
  const int before = movedCount;
  stage.press(415, 60);
  stage.passes(10, 100);
  stage.release(415, 60);
  EXPECT_EQ(stuck->value(), 0);
  EXPECT_EQ(movedCount, before);
}

TEST_F(SliderTest, ImageSlidersTakeTheirPiecesSizes)
{
  omtest::AnimationBuilder thumb, arrows;
  thumb.addImage(15, 20, 3);
  thumb.addSequence({OMFrameEntry{0, 0, 0, 0}});
  arrows.addImage(15, 17, 4);
  arrows.addImage(15, 17, 5);
  arrows.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, 1, 0}});
  arrows.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, 1, 0}});
  NEResourceWriter pictures;
  pictures.add("ASEQ", "9666", thumb.build());
  pictures.add("ASEQ", "9668", arrows.build());
  pictures.add("ASEQ", "9667", thumb.build());
  stage.addResourceFile("sliders.rsc", pictures);

  auto slider = make<RWSlider>("RWSlider", "200 100 100 1 10 3");
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(state(*slider), "200 100 100 1 10 3");
  EXPECT_EQ(slider->thumb(), OMRect(200, 100, 215, 120));
  EXPECT_EQ(slider->decrementArrow(), OMRect(200, 83, 215, 100));
  EXPECT_EQ(slider->incrementArrow(), OMRect(200, 200, 215, 217));
  slider->setProperty("position", "5");
  EXPECT_EQ(slider->thumb().top(), 140);
  stage.click(207, 90);
  EXPECT_EQ(slider->value(), 4);

  auto gauge = make<RGauge>("RGauge", "50 300 0 8 0");
  ASSERT_NE(gauge, nullptr);
  EXPECT_EQ(state(*gauge), "50 300 0 8 5");
  EXPECT_EQ(gauge->track(), OMRect(150, 300, 250, 320));
  EXPECT_FALSE(gauge->isVertical());

  ScopedEdition game(OMEdition::game);
  for (const char* name : {"RSlider", "RWSlider", "RGauge"})
    EXPECT_EQ(createTrinketFromCommand(name, "1 2 3 4 5 6"), nullptr) << name;
}

}  // namespace
