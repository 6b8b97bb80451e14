#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TestStage.h"
#include "tests/support/ToneMeter.h"
#include "tools/NEResourceWriter.h"
#include "tools/WaveWriter.h"
#include "trinkets/lib/RSound.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

constexpr double toneHz = 1000;
// 100 ms of tone at 22,050 Hz.
constexpr std::size_t toneSamples = 2205;

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    NEResourceWriter writer;
    writer.add("WAVE", "30",
               wavewriter::waveImage(22050, wavewriter::tone(22050, toneHz, toneSamples)));
    writer.add("WAVE", "32", wavewriter::waveImage(22050, wavewriter::tone(22050, toneHz, 22050)));
    writer.add("WAVE", "31", NEResourceWriter::Bytes{'R', 'I', 'F', 'F', 1, 2});
    ASSERT_FALSE(stage.addResourceFile("sounds.rsc", writer).empty());
  }
  void TearDown() override
  {
    thread_.reset();
    scriptVariables.clear();
    clearEventRecords();
  }
  // Runs a script that makes sound s of the id and logs its events; extra lines go into the
  // "finished" procedure, the prelude before the sound is made.
  RSound* runScript(const std::string& id, const std::string& onFinished = "",
                    const std::string& prelude = "")
  {
    std::ofstream("sound.mps", std::ios::binary)
        << "yield off\rdebug\r" << prelude << "s=RSound " << id
        << "\rset s started onStart\rset s finished onFin\rsay ready\rwait\r"
           "procedure onStart\r[\r  say started\r]\r"
           "procedure onFin\r[\r  say finished\r"
        << onFinished << "]\r";
    thread_ = std::make_unique<YThread>("sound.mps", nullptr);
    thread_->start();
    stage.passes(2);
    omtest::TestStage::takeAudio();
    return static_cast<RSound*>(scriptVariables.getObjectByName("s", false));
  }
  int count(const std::string& event) const
  {
    int n = 0;
    for (const std::string& line : stage.debugLines())
      n += line == event;
    return n;
  }
  // Plays on for the milliseconds in 10 ms passes and answers what reached the sink.
  std::vector<std::int16_t> play(int milliseconds)
  {
    stage.passes(milliseconds / 10, 10);
    return omtest::TestStage::takeAudio();
  }
  static int loud(const std::vector<std::int16_t>& audio)
  {
    int n = 0;
    for (std::int16_t s : audio)
      n += s > 1000 || s < -1000;
    return n;
  }

  omtest::TestStage stage;
  std::unique_ptr<YThread> thread_;
};

// One play raises each event once; repeats and volume shape what reaches the sink; a stop
// ends the sound without "finished".
TEST_F(SoundTest, PlaysRepeatsAndStops)
{
  RSound* s = runScript("30");
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(s->hasSound());
  EXPECT_STREQ(s->getProperty("repeatCount"), "1");
  EXPECT_STREQ(s->getProperty("volume"), "100");
  ASSERT_TRUE(s->callMethod("start", scriptArgTerminator));
  const std::vector<std::int16_t> once = play(500);
  EXPECT_EQ(count("started"), 1);
  EXPECT_EQ(count("finished"), 1);
  EXPECT_FALSE(s->isPlaying());
  const int single = loud(once);
  // About 100 ms at the sink's rate.
  EXPECT_GT(single, 2000);
  const double full = omtest::tonePower(once, 0, once.size(), toneHz, 44100);

  s->setProperty("repeatCount", "3");
  EXPECT_STREQ(s->getProperty("repeatCount"), "3");
  s->callMethod("start", scriptArgTerminator);
  const int thrice = loud(play(800));
  EXPECT_NEAR(double(thrice) / single, 3.0, 0.3);
  EXPECT_EQ(count("finished"), 2);

  s->setProperty("repeatCount", "1");
  s->setProperty("volume", "50");
  EXPECT_STREQ(s->getProperty("volume"), "50");
  s->callMethod("start", scriptArgTerminator);
  const std::vector<std::int16_t> half = play(500);
  EXPECT_NEAR(omtest::decibels(omtest::tonePower(half, 0, half.size(), toneHz, 44100), full), -6.0,
              1.5);
  EXPECT_EQ(count("finished"), 3);

  // Stopped halfway: no "finished", and the rest never plays.
  s->setProperty("volume", "100");
  s->callMethod("start", scriptArgTerminator);
  std::vector<std::int16_t> stopped = play(30);
  s->callMethod("stop", scriptArgTerminator);
  EXPECT_TRUE(s->isFinished());
  const std::vector<std::int16_t> after = play(500);
  stopped.insert(stopped.end(), after.begin(), after.end());
  EXPECT_LT(loud(stopped), single * 3 / 4);
  EXPECT_EQ(count("started"), 4);
  EXPECT_EQ(count("finished"), 3);
}

// A pause leaves a gap, then the rest plays: the whole sound reaches the sink once.
TEST_F(SoundTest, PauseLeavesAGapThenTheRestPlays)
{
  // A second of tone, so that the pause falls well inside it.
  RSound* s = runScript("32");
  ASSERT_NE(s, nullptr);
  s->callMethod("start", scriptArgTerminator);
  std::vector<std::int16_t> audio = play(400);
  const int before = loud(audio);
  s->callMethod("pause", scriptArgTerminator);
  EXPECT_FALSE(s->isPlaying());
  const std::vector<std::int16_t> gap = play(300);
  EXPECT_EQ(loud(gap), 0);
  EXPECT_EQ(count("finished"), 0);
  s->callMethod("resume", scriptArgTerminator);
  EXPECT_TRUE(s->isPlaying());
  const std::vector<std::int16_t> rest = play(1500);
  EXPECT_GT(loud(rest), 0);
  EXPECT_EQ(count("finished"), 1);
  EXPECT_EQ(count("started"), 1);

  // The whole sound once more, uninterrupted, for comparison.
  s->callMethod("start", scriptArgTerminator);
  const int whole = loud(play(1500));
  EXPECT_GT(before, 0);
  // Play goes on from the block that was sounding, so some of it may come twice.
  EXPECT_LT(loud(rest), whole);
  EXPECT_GE(before + loud(rest), whole * 9 / 10);
  // A pause after the end, or after a stop, only clears the flag; resume then does nothing.
  s->callMethod("pause", scriptArgTerminator);
  s->callMethod("resume", scriptArgTerminator);
  EXPECT_EQ(loud(play(300)), 0);
  EXPECT_EQ(count("started"), 2);
}

// A start while playing begins again without "finished"; a new id drops the old sound
// silently; a broken or missing WAVE gives a silent object with the documented defaults.
TEST_F(SoundTest, RestartsNewIdsAndBrokenResources)
{
  RSound* s = runScript("30");
  ASSERT_NE(s, nullptr);
  s->callMethod("start", scriptArgTerminator);
  play(50);
  s->callMethod("start", scriptArgTerminator);
  play(500);
  EXPECT_EQ(count("finished"), 1);
  s->callMethod("start", scriptArgTerminator);
  play(30);
  ASSERT_TRUE(s->setProperty("soundID", "31"));
  EXPECT_STREQ(s->getProperty("soundID"), "31");
  EXPECT_EQ(loud(play(500)), 0);
  EXPECT_EQ(count("finished"), 1);
  for (const auto& [id, said] :
       {std::pair{"31", "RSound: damaged WAVE resource 31"},
        std::pair{"99", "RSound: no WAVE resource 99"}, std::pair{"0", ""}}) {
    {
      const ScopedEnv trace("OM_TRACE", "1");
      testing::internal::CaptureStderr();
      s->setProperty("soundID", id);
      const std::string traced = testing::internal::GetCapturedStderr();
      EXPECT_EQ(traced.empty(), !*said) << traced;
      EXPECT_NE(traced.find(said), std::string::npos) << traced;
    }
    EXPECT_FALSE(s->hasSound()) << id;
    s->setProperty("repeatCount", "4");
    s->setProperty("volume", "20");
    EXPECT_STREQ(s->getProperty("repeatCount"), "1");
    EXPECT_STREQ(s->getProperty("volume"), "100");
    for (const char* m : {"start", "pause", "resume", "stop"})
      EXPECT_TRUE(s->callMethod(m, scriptArgTerminator));
  }
  EXPECT_EQ(loud(play(300)), 0);
  EXPECT_EQ(count("started"), 3);
  // The same id again loads the sound once more.
  s->setProperty("soundID", "30");
  EXPECT_TRUE(s->hasSound());
}

// A "finished" procedure may drop the object, or start it again: the sound then plays once
// more, with its events.
TEST_F(SoundTest, AFinishedProcedureMayDropOrRestartTheObject)
{
  struct Case {
    const char* what;
    const char* onFinished;
    int plays;
    bool kept;
  };
  for (const Case& c : {Case{"drop", "  drop s\r", 1, false},
                        Case{"restart", "  if again=1\r    play s start\r  again=0\r", 2, true}}) {
    SCOPED_TRACE(c.what);
    const int started = count("started"), finished = count("finished");
    RSound* s = runScript("30", c.onFinished, "again=1\r");
    ASSERT_NE(s, nullptr);
    s->callMethod("start", scriptArgTerminator);
    const int heard = loud(play(900));
    EXPECT_EQ(count("started") - started, c.plays);
    EXPECT_EQ(count("finished") - finished, c.plays);
    // About 100 ms at the sink's rate for each play.
    EXPECT_GT(heard, c.plays * 4000 - 2000);
    EXPECT_LT(heard, c.plays * 4410 + 500);
    EXPECT_EQ(scriptVariables.getObjectByName("s", false) != nullptr, c.kept);
    if (c.kept) {
      EXPECT_FALSE(s->isPlaying());
    }
    TearDown();
  }
}

// Random factory arguments always give an object.
TEST_F(SoundTest, FactoryTakesAnyArgument)
{
  for (const char* argument : {"", "x", "30", "-1", "65566", "99999999999999999999"}) {
    clearScriptArgs();
    pushScriptArg(argument);
    EXPECT_NE(RSound::create(), nullptr) << argument;
  }
}

}  // namespace
