// The sound player: singles, repeats, loops, albums, random picks, holds and the two
// channels, heard through the audio capture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "assessment/src/RDitty.h"
#include "framework/OMLinkToFct.h"
#include "tests/assessment/AssessmentProgram.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

std::vector<std::string> events;
std::unique_ptr<OMScriptableObject>* dropInFinished = nullptr;

OMWord note(OMWord name)
{
  events.emplace_back(reinterpret_cast<const char*>(name));
  if (dropInFinished && events.back() == "finished") dropInFinished->reset();
  return 1;
}

class DittyTest : public ::testing::Test, public AssessmentProgram {
 protected:
  DittyTest()
  {
    NEResourceWriter waves;
    waves.add("WAVE", "1", tone(440, 100));
    waves.add("WAVE", "2", tone(660, 100));
    waves.add("WAVE", "3", tone(880, 100));
    waves.add("WAVE", "4", tone(550, 1000));
    writeResourceFile("wave.rsc", waves);
    const NEResourceWriter::Bytes file = tone(500, 200);
    work.write("a.wav", std::vector<unsigned char>(file.begin(), file.end()));
    // Two names alike in their first 15 characters.
    const NEResourceWriter::Bytes longer = tone(500, 400);
    work.write("sounds/music/track1.wav", std::vector<unsigned char>(file.begin(), file.end()));
    work.write("sounds/music/track2.wav", std::vector<unsigned char>(longer.begin(), longer.end()));
    EXPECT_TRUE(start());
    player = createTrinketByName("RDitty", "music.rsc", scriptArgTerminator);
    events.clear();
    dropInFinished = nullptr;
    const OMLinkToFct started(&note, reinterpret_cast<OMWord>("start"));
    const OMLinkToFct finished(&note, reinterpret_cast<OMWord>("finished"));
    player->connect("start", &started, nullptr);
    player->connect("finished", &finished, nullptr);
    soundingMilliseconds();
  }
  ~DittyTest() override { player.reset(); }

  RDitty& ditty() { return static_cast<RDitty&>(*player); }
  void call(const std::vector<const char*>& words)
  {
    clearScriptArgs();
    for (std::size_t i = 1; i < words.size(); ++i)
      pushScriptArg(words[i]);
    player->callMethod(words[0], scriptArgTerminator);
  }
  std::string status() { return player->getProperty("status"); }

  std::unique_ptr<OMScriptableObject> player;
};

// Each row: a request, then a second of passes. What was heard, reported and left.
TEST_F(DittyTest, RequestsPlayTheirSoundsWithTheirRepeatsAndReportTheEnd)
{
  struct Case {
    std::vector<const char*> request;
    int heardMs;  // within 30 ms
    std::vector<std::string> events;
    std::string lastName;
    int channel;
  };
  const Case cases[] = {
      {{"resSingle", "SFX", "1"}, 100, {"start", "finished"}, "1", 1},
      // The same id again: no new load, the same channel; three plays in all.
      {{"resSingle", "SFX", "1", "", "3"}, 300, {"start", "finished"}, "1", 1},
      {{"resSingle", "SFX", "2", "50"}, 100, {"start", "finished"}, "2", 0},
      {{"resAlbum", "WAVE", "1", "2", "3", ""},
       300,
       {"start", "start", "start", "finished"},
       "3",
       1},
      {{"waveSingle", "a.wav"}, 200, {"start", "finished"}, "a.wav", 0},
      {{"waveSingle", "missing.wav"}, 0, {}, "a.wav", 1},
      {{"waveSingle", "sounds\\music\\track1.wav"},
       200,
       {"start", "finished"},
       "sounds\\music\\track1.wav",
       0},
      {{"waveSingle", "sounds\\music\\track2.wav"},
       400,
       {"start", "finished"},
       "sounds\\music\\track2.wav",
       1},
      // Held: loaded and not started; the same name then plays from the channel.
      {{"resSingle", "SFX", "3", "", "", "1"}, 0, {}, "3", 0},
      {{"resSingle", "SFX", "3"}, 100, {"start", "finished"}, "3", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.request[0]) + " " + c.request[1]);
    events.clear();
    call(c.request);
    passes(100);
    EXPECT_NEAR(soundingMilliseconds(), c.heardMs, 30);
    EXPECT_EQ(events, c.events);
    EXPECT_EQ(status(), "0");
    EXPECT_EQ(ditty().lastName(), c.lastName);
    EXPECT_EQ(ditty().currentChannel(), c.channel);
  }
  EXPECT_STREQ(player->getProperty("resFile"), "music.rsc");
}

TEST_F(DittyTest, ABusyPlayerIgnoresRequestsAndALoopRunsUntilStopped)
{
  call({"resSingle", "SFX", "4", "", "-1"});
  call({"resSingle", "SFX", "2"});
  EXPECT_EQ(status(), "1");
  EXPECT_EQ(ditty().lastName(), "4");
  player->setProperty("repeat", "-2");
  EXPECT_EQ(std::string(player->getProperty("repeat")), "-1");
  passes(300);
  EXPECT_NEAR(soundingMilliseconds(), 3000, 60);
  EXPECT_EQ(status(), "1");
  call({"stop"});
  passes(20);
  EXPECT_EQ(status(), "0");
  EXPECT_EQ(soundingMilliseconds(), 0);
  EXPECT_EQ(events, (std::vector<std::string>{"start"}));
  call({"resSingle", "SFX", "2"});
  passes(30);
  EXPECT_EQ(ditty().lastName(), "2");

  // An id that is not there ends the request at once.
  events.clear();
  ditty().playResource("SFX", 99);
  EXPECT_EQ(events, (std::vector<std::string>{"finished"}));
  EXPECT_EQ(ditty().status(), 0);
  player->setProperty("volume", "250");
  EXPECT_STREQ(player->getProperty("volume"), "100");
  player->setProperty("volume", "-1");
  EXPECT_STREQ(player->getProperty("volume"), "100");
}

TEST_F(DittyTest, ARandomPickNeverRepeatsTheLastNameUnlessItIsAllThereIs)
{
  std::srand(7);
  std::string last;
  for (int i = 0; i < 30; ++i) {
    call({"randomRes", "SFX", "1", "2", "3", ""});
    EXPECT_NE(ditty().lastName(), last);
    last = ditty().lastName();
    call({"stop"});
  }
  call({"randomRes", "SFX", last.c_str(), ""});
  EXPECT_EQ(ditty().lastName(), last);
  EXPECT_EQ(status(), "1");
}

// A handler that drops the player when it ends leaves nothing behind, also when the end comes
// from an album's entry that is not there.
TEST_F(DittyTest, AFinishedHandlerMayDropThePlayer)
{
  const struct {
    std::vector<const char*> album;
    std::vector<std::string> events;
  } rows[] = {
      {{"resAlbum", "SFX", "1", "2", ""}, {"start", "start", "finished"}},
      {{"resAlbum", "SFX", "1", "99", "2", ""}, {"start", "finished"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.album[3]);
    if (!player) player = createTrinketByName("RDitty", "music.rsc", scriptArgTerminator);
    const OMLinkToFct started(&note, reinterpret_cast<OMWord>("start"));
    const OMLinkToFct finished(&note, reinterpret_cast<OMWord>("finished"));
    player->connect("start", &started, nullptr);
    player->connect("finished", &finished, nullptr);
    events.clear();
    dropInFinished = &player;
    call(row.album);
    passes(100);
    EXPECT_EQ(player, nullptr);
    EXPECT_EQ(events, row.events);
    dropInFinished = nullptr;
  }
}

}  // namespace
