#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "framework/OMWaveSound.h"
#include "game/GlobalSoundFunctions.h"
#include "game/PlayedSound.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/TestStage.h"
#include "tests/support/ToneMeter.h"
#include "tools/NEResourceWriter.h"
#include "tools/WaveWriter.h"
#include "trinkets/lib/RPButton.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

using Lines = std::vector<std::string>;

constexpr double toneHz = 1000;
constexpr int sinkRate = 44100;

// Every (id, options) the player asked the opener for.
std::vector<std::pair<int, std::int32_t>> opened;

std::unique_ptr<OMIStream> openForTest(int id, std::int32_t options)
{
  opened.emplace_back(id, options);
  return openResourceStream(id, "WAVE", options);
}

int loud(const std::vector<std::int16_t>& audio)
{
  int n = 0;
  for (std::int16_t s : audio)
    n += s > 1000 || s < -1000;
  return n;
}

// The power of the tone over the 90 ms from the first loud sample.
double onsetPower(const std::vector<std::int16_t>& audio)
{
  std::size_t onset = 0;
  while (onset < audio.size() && audio[onset] < 1000 && audio[onset] > -1000)
    ++onset;
  return omtest::tonePower(audio, onset, sinkRate * 9 / 100, toneHz, sinkRate);
}

// The sound functions as the game sets them up, on the test stage with WAVE 30 (100 ms of
// tone), 32 (a second of it) and 31 (a damaged image).
class SoundFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    NEResourceWriter writer;
    writer.add("WAVE", "30", wavewriter::waveImage(22050, wavewriter::tone(22050, toneHz, 2205)));
    writer.add("WAVE", "32", wavewriter::waveImage(22050, wavewriter::tone(22050, toneHz, 22050)));
    writer.add("WAVE", "31", NEResourceWriter::Bytes{'R', 'I', 'F', 'F', 1, 2});
    ASSERT_FALSE(stage.addResourceFile("sounds.rsc", writer).empty());
    opened.clear();
    setSoundResourceOpener(&openForTest);
    installSoundHooks();
    registerSoundFunctions();
  }
  void TearDown() override
  {
    threads_.clear();
    shutdownSoundFunctions();
    scriptVariables.clear();
    clearEventRecords();
  }

  // Runs the lines as a script of their own (yielding off, so that they run in one pass).
  void run(const std::string& lines)
  {
    const std::string name = "s" + std::to_string(threads_.size()) + ".mps";
    std::ofstream(name, std::ios::binary) << "yield off\r" << lines << "wait\r";
    threads_.push_back(std::make_unique<YThread>(name.c_str(), nullptr));
    threads_.back()->start();
    stage.passes(1);
  }
  // "PlaySound" with the arguments; its RESULT.
  std::int32_t playSound(const std::string& arguments)
  {
    run("PlaySound " + arguments + "\rsay RESULT\r");
    const Lines lines = stage.debugLines();
    return lines.empty() ? -100 : std::stoi(lines.back());
  }
  // Plays on for the milliseconds in 10 ms passes and answers what reached the sink.
  std::vector<std::int16_t> listen(int milliseconds)
  {
    stage.passes(milliseconds / 10, 10);
    return omtest::TestStage::takeAudio();
  }

  omtest::TestStage stage;
  std::vector<std::unique_ptr<YThread>> threads_;
};

// Handles count from 0 and only a started sound takes one; a failed play answers -1 and
// looks nothing up for id 0.
TEST_F(SoundFunctionsTest, HandlesCountFromZeroAndFailuresTakeNone)
{
  run("PlaySound 30\rsay RESULT\rPlaySound 0\rsay RESULT\rPlaySound 99\rsay RESULT\r"
      "PlaySound 31\rsay RESULT\rPlaySound 32 1\rsay RESULT\rPlaySound \"\" 1 40\rsay RESULT\r"
      "PlaySound 30 0 50\rsay RESULT\r");
  EXPECT_EQ(stage.debugLines(), (Lines{"0", "-1", "-1", "-1", "1", "-1", "2"}));
  EXPECT_EQ(opened, (std::vector<std::pair<int, std::int32_t>>{
                        {30, -1}, {99, -1}, {31, -1}, {32, -1}, {30, -1}}));
  ASSERT_EQ(playedSoundCount(), 3);
  EXPECT_EQ(findPlayedSound(1)->sound().loopCount(), -1);
  EXPECT_EQ(findPlayedSound(2)->sound().loopCount(), 1);
  EXPECT_EQ(findPlayedSound(2)->sound().volume(), 50);
  EXPECT_EQ(findPlayedSound(0)->sound().volume(), 100);

  // Killed or ended, a handle is never given again.
  stopPlayedSound(1);
  listen(400);
  EXPECT_EQ(playedSoundCount(), 0);
  EXPECT_EQ(playSound("30"), 3);
  killAllPlayedSounds();
  EXPECT_EQ(playSound("32 0 100"), 4);
}

// Once, forever and at a volume, as the sink hears them: a sound played once leaves the list
// at its end, one that loops stays until it is killed.
TEST_F(SoundFunctionsTest, RepeatAndVolumeShapeWhatIsHeard)
{
  const struct {
    const char* arguments;
    bool forever;
    double decibels;  // of the tone, against full volume
  } cases[] = {
      {"30", false, 0},   {"30 0", false, 0},        {"30 2", true, 0},
      {"30 -1", true, 0}, {"30 \"\" 50", false, -6}, {"30 1 25", true, -12},
  };
  // 100 ms of tone at full volume, for reference.
  ASSERT_EQ(playSound("30"), 0);
  const std::vector<std::int16_t> reference = listen(400);
  const int single = loud(reference);
  EXPECT_NEAR(single, sinkRate / 10, sinkRate / 50);
  const double full = onsetPower(reference);
  EXPECT_EQ(playedSoundCount(), 0);

  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const std::int32_t handle = playSound(c.arguments);
    ASSERT_GE(handle, 1);
    const std::vector<std::int16_t> heard = listen(400);
    EXPECT_EQ(playedSoundCount(), c.forever ? 1 : 0);
    EXPECT_EQ(findPlayedSound(handle) != nullptr, c.forever);
    EXPECT_NEAR(omtest::decibels(onsetPower(heard), full), c.decibels, 1.5);
    if (c.forever) {
      EXPECT_GT(loud(heard), single * 5 / 2);
      run("KillSound " + std::to_string(handle) + "\r");
      EXPECT_EQ(playedSoundCount(), 0);
    } else {
      EXPECT_NEAR(loud(heard), single, single / 10);
    }
    listen(100);
    EXPECT_EQ(loud(listen(300)), 0);
  }
}

// Pause and resume by handle: a pause leaves a gap, a second pause or a resume of a playing
// sound changes nothing, and handles that name no sound are passed over.
TEST_F(SoundFunctionsTest, PauseAndResumeByHandle)
{
  ASSERT_EQ(playSound("32"), 0);
  const int before = loud(listen(300));
  EXPECT_GT(before, 0);
  run("PauseSound 0\rPauseSound 0\rResumeSound 7\rResumeSound 7\rKillSound 5\r");
  EXPECT_TRUE(findPlayedSound(0)->sound().isPaused());
  listen(20);
  EXPECT_EQ(loud(listen(500)), 0);
  run("ResumeSound 0\rResumeSound 0\rPauseSound 3\rKillSound -1\r");
  EXPECT_FALSE(findPlayedSound(0)->sound().isPaused());
  const int rest = loud(listen(1000));
  EXPECT_GT(rest, 0);
  EXPECT_EQ(playedSoundCount(), 0);
  // The whole second once: what came before the gap and after it, no more.
  EXPECT_NEAR(double(before + rest) / sinkRate, 1.0, 0.12);
}

// The link of a sound played once runs at its end and may stop it, kill every sound and
// start others: nothing is deleted under the mixer.
TEST_F(SoundFunctionsTest, EndLinksMayKillAndStartSounds)
{
  static std::vector<std::int32_t> ended;
  static std::int32_t own, started;
  ended.clear();
  started = -2;
  const OMLinkToFct link(+[](OMWord) -> OMWord {
    ended.push_back(own);
    stopPlayedSound(own);
    killAllPlayedSounds();
    started = playSoundResource(30, nullptr, 0);
    return 0;
  });
  const std::int32_t longer = playSoundResource(32, nullptr, 0);
  const std::int32_t looping = playSoundResource(32, nullptr, 1);
  own = playSoundResource(30, &link, 0);
  EXPECT_EQ(own, 2);
  EXPECT_EQ(playedSoundCount(), 3);
  listen(800);
  EXPECT_EQ(ended, (std::vector<std::int32_t>{2}));
  EXPECT_EQ(started, 3);
  // The other two went with the kill; the one the link started played and ended.
  EXPECT_EQ(findPlayedSound(longer), nullptr);
  EXPECT_EQ(findPlayedSound(looping), nullptr);
  EXPECT_EQ(playedSoundCount(), 0);
  EXPECT_EQ(loud(listen(300)), 0);
  // A killed sound has not ended: its link is not called.
  own = playSoundResource(32, &link, 0);
  listen(30);
  killAllPlayedSounds();
  listen(1200);
  EXPECT_EQ(ended.size(), 1u);
}

// The push button's click goes through the player once the hooks are in, and only then.
TEST_F(SoundFunctionsTest, ButtonClicksPlayThroughThePlayer)
{
  omtest::AnimationBuilder b;
  b.addImage(40, 40, 1);
  b.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, OMFrameEntry::hold, 0}});
  NEResourceWriter writer;
  writer.add("ASEQ", "7", b.build());
  ASSERT_FALSE(stage.addResourceFile("button.rsc", writer).empty());
  run("b=RPButton 100 100 7\rset b clickSoundID 30\rplay b\r");
  auto* button = dynamic_cast<RPButton*>(scriptVariables.getObjectByName("b", false));
  ASSERT_NE(button, nullptr);
  EXPECT_FALSE(button->hasOwnClickSound());
  ASSERT_NE(findPlayedSound(0), nullptr);
  EXPECT_GT(loud(listen(300)), 0);
  EXPECT_EQ(playedSoundCount(), 0);
  shutdownSoundFunctions();
  run("play b\r");
  EXPECT_TRUE(button->hasOwnClickSound());
  EXPECT_EQ(playedSoundCount(), 0);
}

}  // namespace
