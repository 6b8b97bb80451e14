#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/TestStage.h"
#include "tools/BackgroundWriter.h"
#include "tools/ColorTableWriter.h"
#include "tools/WaveWriter.h"
#include "trinkets/lib/RPButton.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

using omtest::AnimationBuilder;

constexpr std::uint32_t red = pixel555(255, 0, 0), green = pixel555(0, 255, 0),
                        blue = pixel555(0, 0, 255);

std::vector<int> playedClicks;
void countClick(std::uint16_t id)
{
  playedClicks.push_back(id);
}

class PushButtonTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    // Three images that hold: up red, down green, disabled blue.
    AnimationBuilder b;
    for (std::uint8_t colour = 1; colour <= 3; ++colour)
      b.addImage(40, 40, colour);
    const auto hold = OMFrameEntry{0, 0, OMFrameEntry::hold, 0};
    b.addSequence({OMFrameEntry{0, 0, 0, 0}, hold, OMFrameEntry{0, 0, 1, 0}, hold,
                   OMFrameEntry{0, 0, 2, 0}, hold});
    std::array<std::uint8_t, 768> rgb{};
    rgb[3] = 255;
    rgb[7] = 255;
    rgb[11] = 255;
    NEResourceWriter writer;
    writer.add("ASEQ", "7", b.build());
    writer.add("RRGB", "7", writeColorTable(rgb));
    writer.add("WAVE", "30", wavewriter::waveImage(22050, wavewriter::tone(22050, 1000, 2205)));
    // Damaged: an animation and a sound cut short.
    writer.add("ASEQ", "9", NEResourceWriter::Bytes{1, 0, 0});
    writer.add("WAVE", "32", NEResourceWriter::Bytes{'R', 'I', 'F', 'F', 1, 2});
    ASSERT_FALSE(stage.addResourceFile("buttons.rsc", writer).empty());
    playedClicks.clear();
    OMAnimation::useEmbeddedAnimationCoordinates = 0;
  }
  void TearDown() override
  {
    RPButton::setClickSoundPlayer(nullptr);
    scriptVariables.clear();
    clearEventRecords();
    OMAnimation::useEmbeddedAnimationCoordinates = 1;
  }

  static std::unique_ptr<RPButton> make(const std::vector<std::string>& arguments)
  {
    clearScriptArgs();
    for (const std::string& argument : arguments)
      pushScriptArg(argument.c_str());
    rewindScriptArgs();
    std::unique_ptr<OMScriptableObject> made = RPButton::create();
    if (made) made->bindClass("RPButton");
    return std::unique_ptr<RPButton>(static_cast<RPButton*>(made.release()));
  }

  // Runs the script's procedures against the button "b" at (100, 100).
  RPButton* runScript(const std::string& procedures)
  {
    std::ofstream("button.mps", std::ios::binary) << "yield off\r"
                                                     "debug\r"
                                                     "b=RPButton 100 100 7\r"
                                                     "set b clickSoundID 30\r"
                                                     "set b movable 0\r"
                                                     "set b hit onHit\r"
                                                     "set b mouseDown onDown\r"
                                                     "set b mouseUp onUp\r"
                                                     "say ready\r"
                                                     "wait\r"
                                                     "procedure onDown\r"
                                                     "[\r"
                                                     "  say mouseDown\r"
                                                     "]\r"
                                                     "procedure onUp\r"
                                                     "[\r"
                                                     "  say mouseUp\r"
                                                     "]\r"
                                                  << procedures;
    thread_ = std::make_unique<YThread>("button.mps", nullptr);
    thread_->start();
    stage.passes(2);
    return static_cast<RPButton*>(scriptVariables.getObjectByName("b", false));
  }

  // The say lines since the last call.
  std::vector<std::string> newLines()
  {
    std::vector<std::string> all = stage.debugLines();
    std::vector<std::string> fresh(all.begin() + static_cast<long>(seen_), all.end());
    seen_ = all.size();
    return fresh;
  }

  omtest::TestStage stage;
  std::unique_ptr<YThread> thread_;
  std::size_t seen_ = 0;
};

TEST_F(PushButtonTest, TheFactoryTakesAnIdOrAPositionAndAnId)
{
  struct Case {
    std::vector<std::string> arguments;
    bool made;
    int x, y;
  };
  const Case cases[] = {
      {{"7"}, true, 0, 0},  // no position: the sequence's own
      {{"10", "20", "7"}, true, 10, 20},
      {{}, false, 0, 0},
      {{"8"}, false, 0, 0},  // no such animation
      {{"9"}, false, 0, 0},  // a damaged one
      {{"abc"}, false, 0, 0},
      {{"", "", ""}, false, 0, 0},
      {{"1", "2", "65543"}, true, 1, 2},                       // taken as 16 bits
      {{"99999999999999999999", "x", "7"}, true, 1 << 29, 0},  // held to the coordinate range
  };
  for (const Case& c : cases) {
    std::unique_ptr<RPButton> b = make(c.arguments);
    ASSERT_EQ(b != nullptr, c.made) << c.arguments.size();
    if (!b) continue;
    if (c.arguments.size() == 3) {
      EXPECT_EQ(b->x(), c.x);
      EXPECT_EQ(b->y(), c.y);
    }
    char state[64];
    b->stateText(state, sizeof state);
    EXPECT_EQ(std::string(state), std::to_string(b->x()) + " " + std::to_string(b->y()));
    EXPECT_STREQ(b->getProperty("clickSoundID"), "-1");
    EXPECT_STREQ(b->getProperty("playDelay"), "250");
    EXPECT_STREQ(b->getProperty("enabled"), "1");
  }
  OMAnimation::animationResolver = nullptr;
  EXPECT_EQ(make({"7"}), nullptr);
}

TEST_F(PushButtonTest, PropertiesReadBackAsStored)
{
  std::unique_ptr<RPButton> b = make({"7"});
  ASSERT_NE(b, nullptr);
  const std::pair<const char*, const char*> delays[] = {
      {"0", "50"}, {"50", "50"}, {"-5", "50"}, {"51", "51"}, {"abc", "50"}, {"1000", "1000"}};
  for (const auto& [set, read] : delays) {
    b->setProperty("playDelay", set);
    EXPECT_STREQ(b->getProperty("playDelay"), read) << set;
  }
  const std::pair<const char*, const char*> sounds[] = {
      {"30", "30"}, {"65535", "-1"}, {"-1", "-1"}, {"65566", "30"}, {"x", "0"}};
  for (const auto& [set, read] : sounds) {
    b->setProperty("clickSoundID", set);
    EXPECT_STREQ(b->getProperty("clickSoundID"), read) << set;
  }
}

// Press, drag off, drag on and release over the button: two clicks, one "hit", no "mouseUp".
TEST_F(PushButtonTest, AClickThatEndsOverTheButtonIsAHit)
{
  RPButton* b = runScript("procedure onHit\r[\r  say hit\r  get b frame f\r  say frame f\r]\r");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(newLines(), (std::vector<std::string>{"ready"}));
  EXPECT_EQ(stage.pixel(110, 110), red);

  // The clicks go to the player when there is one, else to the mixer: two tones, each heard
  // to its end before the next.
  const auto tones = [](const std::vector<std::int16_t>& audio) {
    int count = 0, quiet = 1000;
    for (std::int16_t s : audio) {
      const bool loud = s > 1000 || s < -1000;
      count += loud && quiet >= 1000;
      quiet = loud ? 0 : quiet + 1;
    }
    return count;
  };
  for (bool player : {true, false}) {
    SCOPED_TRACE(player);
    RPButton::setClickSoundPlayer(player ? &countClick : nullptr);
    stage.passes(1, 1000);
    omtest::TestStage::takeAudio();
    stage.press(110, 110);
    EXPECT_EQ(b->frameNumber(), 2);
    stage.passes(30, 10);
    EXPECT_EQ(stage.pixel(110, 110), green);
    stage.moveTo(300, 300);
    EXPECT_EQ(b->frameNumber(), 1);
    stage.moveTo(120, 120);
    EXPECT_EQ(b->frameNumber(), 2);
    stage.passes(30, 10);
    stage.release(120, 120);
    EXPECT_EQ(b->frameNumber(), 1);
    EXPECT_EQ(newLines(), (std::vector<std::string>{"mouseDown", "hit", "frame 1"}));
    EXPECT_EQ(playedClicks, (player ? std::vector<int>{30, 30} : std::vector<int>{}));
    EXPECT_EQ(tones(omtest::TestStage::takeAudio()), player ? 0 : 2);
    playedClicks.clear();
  }
  RPButton::setClickSoundPlayer(&countClick);

  // The default method shows the pressed image for a while and raises nothing.
  ASSERT_TRUE(b->callMethod("default", scriptArgTerminator));
  stage.passes(10, 50);
  EXPECT_EQ(b->frameNumber(), 1);
  EXPECT_TRUE(newLines().empty());
  EXPECT_EQ(playedClicks, std::vector<int>{30});

  // Released off the button: nothing.
  stage.passes(1, 1000);
  stage.press(110, 110);
  stage.release(300, 300);
  EXPECT_EQ(newLines(), (std::vector<std::string>{"mouseDown"}));

  // Two clicks in a row, a double click for the host: two hits.
  stage.passes(1, 1000);
  stage.click(110, 110);
  stage.click(110, 110);
  std::vector<std::string> lines = newLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "hit"), 2);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "mouseUp"), 0);

  // A new id drops the button's own sound; while the player is installed none is made.
  b->setProperty("clickSoundID", "65535");
  b->setProperty("clickSoundID", "30");

  // Disabled: the blue image, and clicks do nothing.
  b->setProperty("enabled", "0");
  stage.passes(1);
  EXPECT_EQ(stage.pixel(110, 110), blue);
  playedClicks.clear();
  stage.passes(1, 1000);
  stage.click(110, 110);
  EXPECT_TRUE(newLines().empty());
  EXPECT_TRUE(playedClicks.empty());
  b->setProperty("enabled", "1");
  EXPECT_EQ(b->frameNumber(), 1);
  EXPECT_FALSE(b->hasOwnClickSound());
  thread_.reset();
}

// A hit link takes the place of the event.
TEST_F(PushButtonTest, AHitLinkReplacesTheEvent)
{
  RPButton* b = runScript("procedure onHit\r[\r  say hit\r]\r");
  ASSERT_NE(b, nullptr);
  static int calls;
  calls = 0;
  const OMLinkToFct link(+[](OMWord) -> OMWord { return ++calls; });
  b->setHitLink(&link);
  stage.click(110, 110);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(newLines(), (std::vector<std::string>{"ready", "mouseDown"}));
  b->setHitLink(nullptr);
  stage.passes(1, 1000);
  stage.click(110, 110);
  EXPECT_EQ(newLines(), (std::vector<std::string>{"mouseDown", "hit"}));
  // Without a player the button's own sound reaches the mixer.
  EXPECT_TRUE(b->hasOwnClickSound());
  stage.passes(10, 10);
  const std::vector<std::int16_t> audio = omtest::TestStage::takeAudio();
  int loud = 0;
  for (std::int16_t s : audio)
    loud += s > 1000 || s < -1000;
  EXPECT_GT(loud, 100);
  // The same id keeps the sound, another drops it.
  b->setProperty("clickSoundID", "30");
  EXPECT_TRUE(b->hasOwnClickSound());
  b->setProperty("clickSoundID", "31");
  EXPECT_FALSE(b->hasOwnClickSound());
  // A click sound that is missing or damaged is silent, and says so.
  for (const auto& [id, said] : {std::pair{"31", "RPButton: no WAVE resource 31"},
                                 std::pair{"32", "RPButton: damaged WAVE resource 32"}}) {
    const ScopedEnv trace("OM_TRACE", "1");
    b->setProperty("clickSoundID", id);
    stage.passes(1, 1000);
    testing::internal::CaptureStderr();
    stage.click(110, 110);
    const std::string traced = testing::internal::GetCapturedStderr();
    EXPECT_NE(traced.find(said), std::string::npos) << traced;
    EXPECT_FALSE(b->hasOwnClickSound());
  }
  thread_.reset();
}

// The default method shows the pressed image until just past the delay, with no event; the
// clock starting at 0 makes no difference.
TEST_F(PushButtonTest, PlayShowsThePressedImageForTheDelay)
{
  for (std::uint32_t start : {0u, 5000u}) {
    omhost::advanceClock(start - omhost::clockMilliseconds());
    std::unique_ptr<RPButton> b = make({"0", "0", "7"});
    ASSERT_NE(b, nullptr);
    b->setProperty("playDelay", "100");
    const std::uint32_t t = omhost::clockMilliseconds();
    ASSERT_TRUE(b->callMethod("default", scriptArgTerminator));
    EXPECT_EQ(b->frameNumber(), 2);
    stage.passAt(t + 100);
    EXPECT_EQ(b->frameNumber(), 2) << start;
    stage.passAt(t + 101);
    EXPECT_EQ(b->frameNumber(), 1) << start;
    stage.passes(3, 50);
    EXPECT_EQ(b->frameNumber(), 1);
    // Disabled meanwhile: the tick ends on the disabled image.
    b->callMethod("default", scriptArgTerminator);
    b->setTouchy(0);
    stage.passes(3, 50);
    EXPECT_EQ(b->frameNumber(), 3);
  }
}

// A "hit" procedure that drops the button, or a hit link that deletes it, leaves nothing
// dangling.
TEST_F(PushButtonTest, AHitHandlerMayDeleteTheButton)
{
  RPButton* b = runScript("procedure onHit\r[\r  say hit\r  drop b\r]\r");
  ASSERT_NE(b, nullptr);
  stage.click(110, 110);
  stage.passes(4, 50);
  EXPECT_EQ(stage.window().trinkets().count(), 0);
  EXPECT_EQ(newLines(), (std::vector<std::string>{"ready", "mouseDown", "hit"}));
  thread_.reset();

  static RPButton* doomed;
  doomed = make({"100", "100", "7"}).release();
  ASSERT_NE(doomed, nullptr);
  const OMLinkToFct link(+[](OMWord) -> OMWord {
    delete doomed;
    return 0;
  });
  doomed->setHitLink(&link);
  doomed->callMethod("default", scriptArgTerminator);
  stage.click(110, 110);
  stage.passes(8, 50);
  EXPECT_EQ(stage.window().trinkets().count(), 0);

  // One that deletes every trinket of the stage, the button among them, within the release.
  static OMTrinketWindow* stageWindow;
  stageWindow = &stage.window();
  RPButton* pressed = nullptr;
  for (const char* x : {"300", "100", "200"})
    pressed = make({x, "100", "7"}).release();
  const OMLinkToFct clearAll(+[](OMWord) -> OMWord {
    while (OMTrinket* trinket = stageWindow->trinkets().first())
      delete trinket;
    return 0;
  });
  pressed->setHitLink(&clearAll);
  stage.passes(1, 1000);
  stage.press(210, 110);
  stage.moveTo(215, 115);
  stage.release(215, 115);
  stage.passes(8, 50);
  EXPECT_EQ(stage.window().trinkets().count(), 0);
}

}  // namespace
