// The racing quiz end to end: a script makes the game, starts a race and logs its events;
// the test honks with the keyboard at chosen signs, on the manual clock.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "assessment/src/QvKFuel.h"
#include "assessment/src/QvKGame.h"
#include "assessment/src/QvKHorn.h"
#include "assessment/src/QvKill.h"
#include "assessment/src/RDitty.h"
#include "tests/assessment/AssessmentProgram.h"
#include "tests/support/AnimationBuilder.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

constexpr int sceneryId = 13400, hornId = 13100, cornerId = 13101;

// Every picture the race shows: 32 frames of a small picture, enough for any of its
// sequences; letters are 10 x 12.
NEResourceWriter::Bytes pictures(int w, int h)
{
  omtest::AnimationBuilder builder;
  std::vector<OMFrameEntry> entries;
  for (int i = 0; i < 32; ++i)
    entries.push_back(OMFrameEntry{
        0, 0, static_cast<std::int16_t>(builder.addImage(w, h, static_cast<std::uint8_t>(10 + i))),
        0});
  builder.addSequence(entries);
  return builder.build();
}

const std::vector<int> effectIds = {13198, 13199, 13200, 13201, 13202, 13203, 13238,
                                    13239, 13240, 13205, 13218, 13206, 13230, 13242,
                                    13257, 13229, 13215, 13216, 13267};

class RaceTest : public ::testing::Test, public AssessmentProgram {
 protected:
  RaceTest()
  {
    work.write("PLSDescriptor.txt",
               "WinExeNamePath Tovik\r\nAODLL ao.rsc\r\nWaveDLL wave.rsc\r\nScenery 13400\r\n"
               "Corners 13101 13101 13101 13101\r\nHorn 13100\r\n");
    NEResourceWriter ao, scenery, waves;
    const NEResourceWriter::Bytes small = pictures(10, 12);
    std::vector<int> ids = {13288, 13315, 13137, hornId, cornerId, 13257, 13142,
                            13350, 13228, 13143, 13141,  6704,     6707};
    for (int id = 6580; id <= 6605; ++id)
      ids.push_back(id);
    for (int id = 6550; id <= 6559; ++id)
      ids.push_back(id);
    for (int id : ids)
      ao.add("ASEQ", std::to_string(id), small);
    writeResourceFile("ao.rsc", ao);
    scenery.add("ASEQ", std::to_string(sceneryId), pictures(530, 272));
    writeResourceFile("mthracer.rsc", scenery);
    // Each effect a tone of its own, 100 ms.
    for (std::size_t i = 0; i < effectIds.size(); ++i)
      waves.add("WAVE", std::to_string(effectIds[i]),
                tone(300 + 40.0 * static_cast<double>(i), 100));
    writeResourceFile("wave.rsc", waves);
  }

  void startRace(const std::string& extra = "")
  {
    writeScript(
        "mthRacer.mps",
        "race=QvKill 5\r\nset race speed 1\r\nset race diffLevel 2\r\n" + extra +
            "set race stateProblem onState\r\nset race reStateProblem onRestate\r\n"
            "set race rightAnswer onRight\r\nset race wrongAnswer onWrong\r\n"
            "set race sayNextProblem onNext\r\nset race gameOver onOver\r\n"
            "set race rewardPrizeTicket onPrize\r\nplay race showRoad\r\n"
            "play race startGame\r\nwait\r\n"
            "procedure onState\r\n[\r\n  say \"stateProblem\"\r\n  play race startProblem\r\n]\r\n"
            "procedure onRestate\r\n[\r\n  say \"reStateProblem\"\r\n]\r\n"
            "procedure onRight\r\n[\r\n  say \"rightAnswer\"\r\n  play race "
            "nextProblemSign\r\n]\r\n"
            "procedure onWrong\r\n[\r\n  say \"wrongAnswer\"\r\n  play race showAnswer\r\n]\r\n"
            "procedure onNext\r\n[\r\n  say \"sayNextProblem\"\r\n  play race "
            "nextProblemSign\r\n]\r\n"
            "procedure onOver\r\n[\r\n  say \"gameOver\"\r\n]\r\n"
            "procedure onPrize\r\n[\r\n  say \"rewardPrizeTicket\"\r\n]\r\n");
    ASSERT_TRUE(start());
    passes(5);
    race = dynamic_cast<QvKill*>(scriptVariables.getObjectByName("race"));
    ASSERT_NE(race, nullptr);
  }
  // Passes of 20 ms until the condition holds or the time runs out; whether it held.
  bool runUntil(const std::function<bool()>& condition, int seconds = 120)
  {
    for (int pass = 0; pass < seconds * 50; ++pass) {
      if (condition()) return true;
      passes(1, 20);
    }
    return condition();
  }
  bool signAnswerable() { return race->scene() && race->scene()->canAnswer(); }
  bool atRightSign()
  {
    return signAnswerable() && race->currentSlot() == race->problems().rightSlot();
  }
  bool atWrongSign()
  {
    return signAnswerable() && race->currentSlot() != race->problems().rightSlot();
  }
  void honk(int key = VK_SPACE)
  {
    omhost::HeadlessHost* host = omhost::headlessHost();
    host->typeKey(key);
    passes(3, 20);
  }
  int count(const std::string& line)
  {
    const std::vector<std::string> lines = said();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
  }

  QvKill* race = nullptr;
};

TEST_F(RaceTest, FiveRightHonksLightTheIconsAndWinThePrizeTicket)
{
  startRace();
  for (int right = 0; right < 5; ++right) {
    SCOPED_TRACE(right);
    const bool reached = runUntil([&] { return atRightSign(); });
    ASSERT_TRUE(reached);
    EXPECT_FALSE(race->iconLit(right));
    honk(right % 2 ? VK_SPACE : VK_RETURN);
    EXPECT_EQ(race->subState(), QvKill::rightGiven);
    if (right < 4) {
      EXPECT_TRUE(race->iconLit(right));
    }
    ASSERT_TRUE(runUntil([&] { return race->rightCount() == right + 1; }));
  }
  ASSERT_TRUE(runUntil([&] { return count("rewardPrizeTicket") == 1; }));
  EXPECT_EQ(count("rightAnswer"), 4);
  EXPECT_EQ(count("stateProblem"), 5);
  EXPECT_EQ(race->mode(), QvKill::race);
}

TEST_F(RaceTest, WrongHonksCostFuelUntilTheCarStalls)
{
  startRace();
  for (int wrong = 0; wrong < 5; ++wrong) {
    SCOPED_TRACE(wrong);
    ASSERT_TRUE(runUntil([&] { return atWrongSign(); }));
    honk();
    EXPECT_EQ(race->subState(), QvKill::wrongGiven);
    ASSERT_TRUE(runUntil([&] { return count("wrongAnswer") == wrong + 1; }));
    EXPECT_EQ(race->fuel()->level(), 4 - wrong);
  }
  ASSERT_TRUE(runUntil([&] { return race->horn()->isStalling(); }));
  ASSERT_TRUE(runUntil([&] { return count("gameOver") == 1; }));
  EXPECT_EQ(race->mode(), QvKill::off);
  EXPECT_EQ(count("sayNextProblem"), 4);
}

TEST_F(RaceTest, TenSignsWithoutAHonkRestateTheProblemOnce)
{
  startRace();
  ASSERT_TRUE(runUntil([&] { return count("reStateProblem") == 1; }, 200));
  EXPECT_EQ(count("stateProblem"), 1);
  // A honk on a key that is not the horn's does nothing.
  ASSERT_TRUE(runUntil([&] { return signAnswerable(); }));
  honk('A');
  EXPECT_EQ(race->subState(), QvKill::waiting);
  // Paused twice: back where it was.
  race->callMethod("pause", scriptArgTerminator);
  EXPECT_EQ(race->mode(), QvKill::paused);
  race->callMethod("pause", scriptArgTerminator);
  EXPECT_EQ(race->mode(), QvKill::race);
  EXPECT_EQ(race->subState(), QvKill::waiting);
}

}  // namespace
