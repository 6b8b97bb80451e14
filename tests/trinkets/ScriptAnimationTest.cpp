#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMResourceReport.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/CanvasPixels.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TestStage.h"
#include "tools/BackgroundWriter.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/lib/RPButton.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTBackground.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

using omtest::AnimationBuilder;

OMFrameEntry show(int image)
{
  return OMFrameEntry{0, 0, static_cast<std::int16_t>(image), 0};
}
OMFrameEntry code(int c, int param = 0)
{
  return OMFrameEntry{0, 0, static_cast<std::int16_t>(c), static_cast<std::int16_t>(param)};
}

int frameLinkCalls = 0;
OMWord countFrameLink(OMWord)
{
  return ++frameLinkCalls;
}

class ScriptAnimationTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    // Two pictures and a special code between them, looping.
    AnimationBuilder b;
    b.addImage(40, 40, 1);
    b.addImage(40, 40, 2);
    b.addSequence({show(0), code(-600), show(1), code(OMFrameEntry::loop)});
    NEResourceWriter writer;
    writer.add("ASEQ", "3", b.build());
    writer.add("ASEQ", "4", NEResourceWriter::Bytes{1, 0, 0});  // damaged
    // A green background picture, for "paint".
    writer.add(
        "BK16", "50",
        writeBackground(640, 480, std::vector<std::uint16_t>(640 * 480, pixel555(0, 255, 0))));
    ASSERT_FALSE(stage.addResourceFile("anims.rsc", writer).empty());
    frameLinkCalls = 0;
  }
  void TearDown() override
  {
    RAnimation::setCursorLookup(nullptr);
    scriptVariables.clear();
    clearEventRecords();
  }

  RAnimation* runScript(const std::string& body)
  {
    std::ofstream("anim.mps", std::ios::binary) << "yield off\r"
                                                   "debug\r"
                                                   "a=RAnimation 100 100 3\r"
                                                   "set a movable 0\r"
                                                << body;
    thread_ = std::make_unique<YThread>("anim.mps", nullptr);
    thread_->start();
    stage.passes(2);
    return static_cast<RAnimation*>(scriptVariables.getObjectByName("a", false));
  }

  omtest::TestStage stage;
  std::unique_ptr<YThread> thread_;
};

TEST_F(ScriptAnimationTest, FrameNotifyComesForPicturesOnly)
{
  for (bool dropInHandler : {false, true}) {
    frameLinkCalls = 0;
    RAnimation* a = runScript(std::string("set a frameNotification 1\r"
                                          "set a frameNotify onNotify\r"
                                          "wait\r"
                                          "procedure onNotify\r[\r  say notify\r") +
                              (dropInHandler ? "  drop a\r" : "") + "]\r");
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->getProperty("frameNotification"), "1");
    const OMLinkToFct link(&countFrameLink);
    a->setFrameNotification(1, &link);
    // Four openings of the gate: two pictures and the codes between them.
    stage.passes(20, 25);
    const std::vector<std::string> lines = stage.debugLines();
    if (dropInHandler) {
      EXPECT_EQ(lines, (std::vector<std::string>{"notify"}));
      EXPECT_EQ(frameLinkCalls, 0);
      EXPECT_EQ(OMAnimation::allAnimations().count(), 0);
    } else {
      // Each picture once per opening; the special code passes without an event.
      EXPECT_EQ(static_cast<int>(lines.size()), frameLinkCalls / 2 + frameLinkCalls % 2);
      EXPECT_GE(lines.size(), 3u);
      EXPECT_GT(frameLinkCalls, static_cast<int>(lines.size()));
    }
    thread_.reset();
    scriptVariables.clear();
    clearEventRecords();
    std::remove("debug.txt");
  }
}

TEST_F(ScriptAnimationTest, MembersReadAndIgnoreAsTheyShould)
{
  RAnimation* a = runScript("set a tracking 1\rwait\r");
  ASSERT_NE(a, nullptr);
  for (const char* name : {"width", "height", "frameCount"}) {
    const std::string before = a->getProperty(name);
    a->setProperty(name, "77");
    EXPECT_EQ(a->getProperty(name), before) << name;
  }
  EXPECT_STREQ(a->getProperty("width"), "40");
  EXPECT_STREQ(a->getProperty("frameCount"), "2");
  EXPECT_STREQ(a->getProperty("userData"), "");
  a->setProperty("userData", "blue door");
  EXPECT_STREQ(a->getProperty("userData"), "blue door");
  const std::pair<const char*, const char*> rates[] = {{"10", "10"}, {"300", "255"}, {"-4", "0"}};
  for (const auto& [set, read] : rates) {
    a->setProperty("framerate", set);
    EXPECT_STREQ(a->getProperty("framerate"), read) << set;
  }

  // Cursors: nothing without a lookup; with one, b tracks and a hovers.
  OMCursor* const tracking = a->trackingCursor();
  ASSERT_TRUE(a->callMethod("setAOCursor", "1", "2", scriptArgTerminator));
  EXPECT_EQ(a->trackingCursor(), tracking);
  static int cursors[3];
  RAnimation::setCursorLookup(
      +[](std::uint16_t id) { return reinterpret_cast<OMCursor*>(&cursors[id % 3]); });
  ASSERT_TRUE(a->callMethod("setAOCursor", "1", "2", scriptArgTerminator));
  EXPECT_EQ(a->trackingCursor(), reinterpret_cast<OMCursor*>(&cursors[2]));
  EXPECT_EQ(a->hoverCursor(), reinterpret_cast<OMCursor*>(&cursors[1]));
  a->setTrackingCursor(nullptr);
  a->setHoverCursor(nullptr);
  thread_.reset();
}

// A click starts tracking, the next press ends it; a drag of 5 pixels or a release off the
// stage ends it at the release, 4 pixels does not.
TEST_F(ScriptAnimationTest, TrackingFollowsClicksAndDrags)
{
  RAnimation* a = runScript(
      "set a tracking 1\r"
      "set a startTracking onStart\r"
      "set a endTracking onEnd\r"
      "wait\r"
      "procedure onStart\r[\r  say start\r]\r"
      "procedure onEnd\r[\r  say end\r]\r");
  ASSERT_NE(a, nullptr);
  struct Step {
    int pressX, releaseX, releaseY;
    std::vector<std::string> said;
  };
  const Step steps[] = {
      {110, 110, 110, {"start"}},  // a click starts
      {110, 110, 110, {"end"}},    // the next press ends
      {110, 114, 114, {"start"}},  // 4 pixels: still a click
      {110, 110, 110, {"end"}},
      {110, 115, 110, {"start", "end"}},  // 5 pixels: ends at the release
      {110, 700, 110, {"start", "end"}},  // released off the stage
  };
  std::size_t seen = 0;
  for (const Step& s : steps) {
    stage.passes(1, 1000);
    stage.press(s.pressX, 110);
    stage.release(s.releaseX, s.releaseY);
    const std::vector<std::string> all = stage.debugLines();
    EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(seen), all.end()), s.said)
        << s.pressX << " " << s.releaseX;
    seen = all.size();
  }
  // A copy does not track, and never presses its source.
  std::unique_ptr<OMScriptableObject> copy = a->clone();
  auto* c = static_cast<RAnimation*>(copy.get());
  EXPECT_FALSE(c->isTracking());
  c->setPosition(300, 300);
  stage.passes(1, 1000);
  stage.click(310, 310);
  EXPECT_EQ(stage.debugLines().size(), seen);
  copy.reset();

  a->setProperty("tracking", "");
  stage.passes(1, 1000);
  stage.click(110, 110);
  EXPECT_EQ(stage.debugLines().size(), seen);
  thread_.reset();
}

// "paint" draws the current frame into the layer's picture, where the animation stands or at
// the point given, and the next frame shows it even when nothing else changes (the animation
// hidden and paused); a layer without a picture takes nothing.
TEST_F(ScriptAnimationTest, PaintDrawsIntoTheLayerPicture)
{
  RAnimation* a = runScript("wait\r");
  ASSERT_NE(a, nullptr);
  ASSERT_TRUE(a->callMethod("paint", scriptArgTerminator));
  stage.window().setBackground(
      new OMTBackground(OMRect(0, 0, 640, 480), openResourceStream(50, "BK16", -1).release()));
  auto* picture = static_cast<OMMemCanvas*>(stage.window().background()->canvas());
  ASSERT_NE(picture, nullptr);
  const std::uint32_t paper = omtest::canvasPixel(*picture, 110, 110);
  ASSERT_TRUE(a->callMethod("hide", scriptArgTerminator));
  ASSERT_TRUE(a->callMethod("pause", scriptArgTerminator));
  stage.passes(2);
  const std::uint32_t paperShown = stage.pixel(400, 400);
  EXPECT_EQ(stage.pixel(110, 110), paperShown);
  ASSERT_TRUE(a->callMethod("paint", scriptArgTerminator));
  ASSERT_TRUE(a->callMethod("paint", "300", "200", scriptArgTerminator));
  const std::uint32_t ink = omtest::canvasPixel(*picture, 110, 110);
  EXPECT_NE(ink, paper);
  EXPECT_EQ(omtest::canvasPixel(*picture, 139, 139), ink);
  EXPECT_EQ(omtest::canvasPixel(*picture, 310, 210), ink);
  EXPECT_EQ(omtest::canvasPixel(*picture, 341, 241), paper);
  stage.passes(1);
  EXPECT_NE(stage.pixel(110, 110), paperShown);
  EXPECT_EQ(stage.pixel(310, 210), stage.pixel(110, 110));
  EXPECT_EQ(stage.pixel(341, 241), paperShown);
  thread_.reset();
}

// "framerate" times the frames from the next one on.
TEST_F(ScriptAnimationTest, TheFrameRateSetsTheFrameDuration)
{
  stage.window().setFrameLink(OMTrinketWindow::beforeTimeLink, nullptr);
  stage.window().setFrameLink(OMTrinketWindow::frameEndLink, nullptr);
  OMAnimation::animationTickGate = -1;
  RAnimation* a = runScript("wait\r");
  ASSERT_NE(a, nullptr);
  for (const auto& [rate, duration] : {std::pair{10, 100u}, std::pair{5, 200u}}) {
    a->setFrameRate(rate);
    std::vector<std::uint32_t> changes;
    int shown = a->currentImageId();
    for (int i = 0; i < 700 && changes.size() < 3; ++i) {
      stage.passes(1, 1);
      if (a->currentImageId() != shown) {
        shown = a->currentImageId();
        changes.push_back(omhost::clockMilliseconds());
      }
    }
    ASSERT_EQ(changes.size(), 3u) << rate;
    EXPECT_EQ(changes[2] - changes[1], duration) << rate;
  }
  thread_.reset();
  OMAnimation::animationTickGate = 0;
}

// Both factories, fed random texts, give an object or none, and both editions know the
// classes; the assessment edition's animation has no tracking and no frame sounds.
TEST_F(ScriptAnimationTest, FactoriesTakeAnyArguments)
{
  const char* words[] = {"", "3", "7", "abc", "-1", "65539", "99999999999999999999", " 3", "3x"};
  unsigned seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % 9;
  };
  for (const char* name : {"RAnimation", "RPButton"}) {
    ASSERT_TRUE(findTrinketClass(name)) << name;
    const TrinketFactory factory = currentTrinketRecord()->factory();
    int made = 0;
    for (int i = 0; i < 300; ++i) {
      clearScriptArgs();
      const unsigned count = next() % 4;
      for (unsigned k = 0; k < count; ++k)
        pushScriptArg(words[next()]);
      rewindScriptArgs();
      std::unique_ptr<OMScriptableObject> object = factory();
      made += object != nullptr;
    }
    EXPECT_GT(made, 0) << name;
    EXPECT_LT(made, 300) << name;
  }
  // A missing or damaged animation makes no object, and one line says which.
  for (const char* name : {"RAnimation", "RPButton"}) {
    for (const auto& [id, said] :
         {std::pair{"9", std::string(name) + ": no ASEQ resource 9"},
          std::pair{"4", std::string("OMAnimation: damaged ASEQ resource 4")}}) {
      SCOPED_TRACE(said);
      const ScopedEnv trace("OM_TRACE", "1");
      forgetResourceReports();  // each class's line is said as in a run of its own
      ASSERT_TRUE(findTrinketClass(name));
      const TrinketFactory factory = currentTrinketRecord()->factory();
      clearScriptArgs();
      pushScriptArg(id);
      rewindScriptArgs();
      testing::internal::CaptureStderr();
      EXPECT_EQ(factory(), nullptr);
      const std::string traced = testing::internal::GetCapturedStderr();
      EXPECT_NE(traced.find(said), std::string::npos) << traced;
    }
  }
  for (auto edition : {OMEdition::game, OMEdition::assessment}) {
    ScopedEdition scoped(edition);
    const bool game = edition == OMEdition::game;
    ASSERT_TRUE(findTrinketClass("RAnimation"));
    ASSERT_TRUE(findTrinketClass("RPButton"));
    clearScriptArgs();
    pushScriptArg("3");
    rewindScriptArgs();
    std::unique_ptr<OMScriptableObject> a = RAnimation::create();
    ASSERT_NE(a, nullptr);
    a->bindClass("RAnimation");
    EXPECT_EQ(a->findMember("tracking") != nullptr, game);
    EXPECT_EQ(a->findMember("attachSound") != nullptr, game);
    EXPECT_EQ(a->findMember("endTracking") != nullptr, game);
    EXPECT_NE(a->findMember("frameNotify"), nullptr);
    EXPECT_NE(a->findMember("setAOCursor"), nullptr);
  }
}

}  // namespace
