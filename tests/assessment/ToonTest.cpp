// The cartoon: runs between two frames a number of times or for ever, one frame on its own,
// its rate as a step delay, and a stamp into the stage's background.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "assessment/src/RToon.h"
#include "framework/OMLinkToFct.h"
#include "tests/assessment/AssessmentProgram.h"
#include "tests/support/AnimationBuilder.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

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
    writeResourceFile("ao.rsc", ao);
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

}  // namespace
