// The cartoon: runs between two frames a number of times or for ever, one frame on its own,
// its rate as a step delay, and a stamp into the stage's background.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "assessment/src/AOBackground.h"
#include "assessment/src/GlobalCommands.h"
#include "assessment/src/RToon.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMMemCanvas.h"
#include "tests/assessment/AssessmentProgram.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/CanvasPixels.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/YNativeFunction.h"

namespace {

int finishedCount = 0;
OMWord countFinished(OMWord)
{
  ++finishedCount;
  return 1;
}

// ASEQ 300 at 30 frames a second and 301 at 0: six frames of 20 x 20, each its own colour.
class ToonTest : public ::testing::Test, public AssessmentProgram {
 protected:
  ToonTest()
  {
    NEResourceWriter ao;
    for (int rate : {30, 0}) {
      omtest::AnimationBuilder b(rate);
      std::vector<OMFrameEntry> entries;
      for (int i = 0; i < 6; ++i)
        entries.push_back(OMFrameEntry{
            0, 0, static_cast<std::int16_t>(b.addImage(20, 20, static_cast<std::uint8_t>(40 + i))),
            0});
      b.addSequence(entries);
      ao.add("ASEQ", rate ? "300" : "301", b.build());
    }
    // A picture for the stage's background, and a toon whose 5-pixel border is clear.
    omtest::AnimationBuilder picture, bordered(15);
    picture.addImage(640, 480, 7);
    picture.addSequence({OMFrameEntry{0, 0, 0, 0}});
    ao.add("ASEQ", "302", picture.build());
    bordered.addImage(20, 20, 50, 5);
    bordered.addSequence({OMFrameEntry{0, 0, 0, 0}});
    ao.add("ASEQ", "303", bordered.build());
    writeResourceFile("ao.rsc", ao);
    work.write(
        "PLSDescriptor.txt",
        "WinExeNamePath Tovik\r\nAODLL ao.rsc\r\nWaveDLL wave.rsc\r\nPic 302\r\n" + startLines);
    EXPECT_TRUE(start());
    finishedCount = 0;
  }
  std::unique_ptr<OMScriptableObject> makeToon(const char* id)
  {
    std::unique_ptr<OMScriptableObject> made =
        createTrinketByName("RToon", "100", "100", id, "1", "0", "0", scriptArgTerminator);
    if (made) {
      const OMLinkToFct finished(&countFinished);
      made->connect("finished", &finished, nullptr);
    }
    return made;
  }
  // The frames shown, one entry per change, over that many passes of 10 ms.
  static std::vector<int> framesShown(RToon& toon, int count)
  {
    std::vector<int> shown{toon.shownFrame()};
    for (int i = 0; i < count; ++i) {
      passes(1);
      if (toon.shownFrame() != shown.back()) shown.push_back(toon.shownFrame());
    }
    return shown;
  }
};

TEST_F(ToonTest, RunsPlayTheirFramesAndTheRateSetsTheStep)
{
  std::unique_ptr<OMScriptableObject> made = makeToon("300");
  ASSERT_NE(made, nullptr);
  auto& toon = static_cast<RToon&>(*made);
  EXPECT_EQ(toon.stepDelay(), 2) << "rate 30";
  EXPECT_STREQ(toon.getProperty("frames"), "6");
  EXPECT_STREQ(toon.getProperty("width"), "20");
  struct Case {
    std::vector<const char*> words;
    std::vector<int> frames;
    int finished;
    int current;
  };
  const Case cases[] = {
      {{"1", "5", "2", "0"}, {1, 2, 3, 4, 5, 1, 2, 3, 4, 5}, 1, 1},
      {{"3", "3", "0", "0"}, {3}, 0, 3},
      {{"4", "2", "1", "0"}, {4, 3, 2}, 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words[0]);
    finishedCount = 0;
    clearScriptArgs();
    for (const char* word : c.words)
      pushScriptArg(word);
    toon.callMethod("startToon", scriptArgTerminator);
    EXPECT_EQ(framesShown(toon, 100), c.frames);
    EXPECT_EQ(finishedCount, c.finished);
    EXPECT_EQ(toon.currentFrame(), c.current);
    EXPECT_STREQ(toon.getProperty("status"), "0");
  }
  // For ever, until stopped on a frame.
  finishedCount = 0;
  toon.callMethod("startToon", "0", "2", "-1", "0", scriptArgTerminator);
  const std::vector<int> looping = framesShown(toon, 300);
  EXPECT_GT(looping.size(), 60u);
  EXPECT_EQ(*std::max_element(looping.begin() + 1, looping.end()), 2);
  EXPECT_EQ(finishedCount, 0);
  toon.callMethod("stopToon", "5", scriptArgTerminator);
  passes(5);
  EXPECT_EQ(toon.shownFrame(), 5);
  EXPECT_STREQ(toon.getProperty("status"), "0");
  EXPECT_EQ(finishedCount, 0);
  toon.setProperty("rate", "0");
  EXPECT_EQ(toon.stepDelay(), 60);
  toon.setProperty("frame", "2");
  EXPECT_STREQ(toon.getProperty("frame"), "2");

  std::unique_ptr<OMScriptableObject> still = makeToon("301");
  ASSERT_NE(still, nullptr);
  EXPECT_EQ(static_cast<RToon&>(*still).stepDelay(), 60) << "a resource rate of 0 counts as 1";
}

std::vector<std::string> events;
OMWord note(OMWord name)
{
  events.emplace_back(reinterpret_cast<const char*>(name));
  return 1;
}

// A press on a drawn pixel is a hit, one beside it in the rectangle a rectangle hit; a stamp
// leaves the frame in the stage's background.
TEST_F(ToonTest, PressesTellPixelsFromTheRectangleAndAStampStays)
{
  std::unique_ptr<OMScriptableObject> made =
      createTrinketByName("RToon", "100", "100", "303", "1", "0", "0", scriptArgTerminator);
  ASSERT_NE(made, nullptr);
  for (const char* event : {"hit", "rectHit", "dblClick"}) {
    const OMLinkToFct link(&note, reinterpret_cast<OMWord>(event));
    made->connect(event, &link, nullptr);
  }
  made->setProperty("hot", "1");
  RECT stage;
  GetWindowRect(assessmentStage()->handle(), &stage);
  omhost::HeadlessHost* host = omhost::headlessHost();
  events.clear();
  for (const OMPoint at : {OMPoint(110, 110), OMPoint(101, 101), OMPoint(130, 130)}) {
    host->click(stage.left + at.x, stage.top + at.y);
    passes(100, 20);  // apart, so that no two make a double click
  }
  EXPECT_EQ(events, (std::vector<std::string>{"hit", "rectHit"}));

  YNativeFunction* scene = findScriptFunction("Scene");
  ASSERT_NE(scene, nullptr);
  clearScriptArgs();
  pushScriptArg("Pic");
  callScriptFunction(*scene);
  ASSERT_NE(pictureLayer(), nullptr);
  auto* canvas = static_cast<OMMemCanvas*>(pictureLayer()->canvas());
  EXPECT_EQ(omtest::canvasPixel(*canvas, 110, 110), 7u);
  made->callMethod("stamp", scriptArgTerminator);
  EXPECT_EQ(omtest::canvasPixel(*canvas, 110, 110), 50u);
  EXPECT_EQ(omtest::canvasPixel(*canvas, 101, 101), 7u) << "the clear border leaves the picture";
}

}  // namespace
