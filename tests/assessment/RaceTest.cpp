// The racing quiz end to end: a script makes the game, starts a race and logs its events;
// the test honks with the keyboard at chosen signs, on the manual clock.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "assessment/src/QvKFuel.h"
#include "assessment/src/QvKGame.h"
#include "assessment/src/QvKHorn.h"
#include "assessment/src/QvKText.h"
#include "assessment/src/QvKTiming.h"
#include "assessment/src/QvKill.h"
#include "assessment/src/RDitty.h"
#include "framework/OMLinkToFct.h"
#include "tests/assessment/AssessmentProgram.h"
#include "tests/support/AnimationBuilder.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
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

OMWord ignoreEvent(OMWord)
{
  return 0;
}

int typedCount = 0;
OMWord countTyped(OMWord)
{
  ++typedCount;
  return 0;
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
               "Corners 13101 13101 13101 13101\r\nHorn 13100\r\n" +
                   startLines);
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
  // The payoff phases: the start, then the engine with the music, then the first problem.
  std::vector<std::string> heard;
  ASSERT_TRUE(runUntil([&] {
    for (int player : {1, 3}) {
      const std::string name = std::to_string(player) + ":" + race->player(player)->lastName();
      if (race->player(player)->status() &&
          std::find(heard.begin(), heard.end(), name) == heard.end())
        heard.push_back(name);
    }
    return count("stateProblem") == 1;
  }));
  EXPECT_EQ(heard, (std::vector<std::string>{"1:13198", "1:13201", "3:13206"}));
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

// The goal lowered or the count raised: the next counted right answer ends the race, and a
// honk while the last one is still going, or while no sign approaches, does nothing.
TEST_F(RaceTest, CheatAndPayoffEndTheRaceAtTheNextRightAnswer)
{
  startRace();
  struct Case {
    const char* method;
  };
  for (const Case& c : {Case{"cheatOn"}, Case{"playPayoff"}}) {
    SCOPED_TRACE(c.method);
    const int prizes = count("rewardPrizeTicket");
    race->callMethod("startGame", scriptArgTerminator);
    race->callMethod(c.method, scriptArgTerminator);
    ASSERT_TRUE(runUntil(
        [&] { return signAnswerable() || race->scene()->state() == QvKGame::signMovingOff; }));
    ASSERT_TRUE(runUntil([&] { return !signAnswerable(); }));
    honk();
    EXPECT_EQ(race->subState(), QvKill::waiting) << "no sign approaches";
    ASSERT_TRUE(runUntil([&] { return atRightSign(); }));
    honk();
    honk(VK_RETURN);
    EXPECT_EQ(race->subState(), QvKill::rightGiven);
    ASSERT_TRUE(runUntil([&] { return count("rewardPrizeTicket") == prizes + 1; }));
    int lit = 0;
    for (int i = 0; i < QvKill::iconCount; ++i)
      lit += race->iconLit(i);
    EXPECT_EQ(lit, 0) << "hidden at the goal";
    EXPECT_EQ(count("rightAnswer"), 0);
  }
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

// The scene's parts: timing rows, glyphs, the sweep, the sign's marks and layout, debris,
// the speed ramp, and the fuel gauge's clicks.
TEST_F(RaceTest, SceneUnitsKeepTheirTablesAndRules)
{
  struct Delay {
    int speed;
    bool digit;
    int frame, ticks;
  };
  const Delay delays[] = {{1, false, 1, 60},  {4, false, 1, 22},  {2, false, 1, 47},
                          {3, false, 1, 35},  {5, false, 1, 11},  {5, false, 11, 1},
                          {1, true, 17, 10},  {1, true, 22, 10},  {4, true, 21, 8},
                          {1, true, 23, 120}, {9, false, 18, 60}, {0, false, 1, 60}};
  for (const Delay& d : delays)
    EXPECT_EQ(qvk::signFrameDelay(d.speed, d.digit, d.frame), d.ticks) << d.speed << " " << d.frame;
  EXPECT_EQ(qvk::roadSpeedOf(0), 15);
  EXPECT_EQ(qvk::roadSpeedOf(9), 120);
  EXPECT_EQ(qvk::fallOf(9), 1);
  EXPECT_EQ(qvk::fallOf(10), 2);
  EXPECT_EQ(qvk::fallOf(24), 16);
  for (const auto& [c, glyph] : std::vector<std::pair<char, int>>{
           {'a', 0}, {'z', 25}, {'0', 26}, {'9', 35}, {'+', 36}, {'-', 37}})
    EXPECT_EQ(QvKGame::glyphOf(c), glyph) << c;
  struct Sweep {
    int frame, x, y, sweptX;
  };
  const Sweep sweeps[] = {{1, 500, 270, 462}, {1, 500, 200, 500}, {1, 400, 270, 400},
                          {8, 300, 100, 273}, {8, 300, 2, 256},   {8, 257, 300, 257}};
  for (const Sweep& w : sweeps) {
    const OMPoint swept = QvKGame::sweep(w.frame, OMPoint(w.x, w.y));
    EXPECT_EQ(swept.x, w.sweptX) << w.frame << " " << w.x << "," << w.y;
    EXPECT_EQ(swept.y, w.y);
  }

  startRace();
  race->callMethod("shutOff", scriptArgTerminator);
  ASSERT_EQ(race->scene(), nullptr);
  const OMLinkToFct none(&ignoreEvent);
  QvKGame own(assessmentStage(), &none, &none);
  struct Sign {
    const char* text;
    std::array<int, 3> marks;
  };
  for (const Sign& sign : {Sign{"seven", {14, 17, 18}}, Sign{"10", {19, 22, 23}}}) {
    own.putSign(sign.text, true);
    EXPECT_EQ(own.frameMarks(), sign.marks) << sign.text;
  }
  own.putSign("Se+n", true);
  ASSERT_TRUE(runUntil([&] { return own.state() == QvKGame::signApproaching; }));
  const std::vector<QvKGame::Letter>& letters = own.letters();
  ASSERT_EQ(letters.size(), 4u);
  EXPECT_EQ(letters[0].glyph, 18);
  for (std::size_t i = 0; i < letters.size(); ++i) {
    EXPECT_EQ(letters[i].x, 280 + 10 * static_cast<int>(i));
    EXPECT_EQ(letters[i].y, 134);
  }
  own.putSign("seven", true);
  ASSERT_TRUE(runUntil([&] { return own.state() == QvKGame::signApproaching; }));
  std::srand(5);
  own.throwDebris();
  ASSERT_EQ(own.debris().size(), 2u);
  EXPECT_EQ(own.debris()[0].x, 290);
  EXPECT_EQ(own.debris()[0].y, 183);
  EXPECT_EQ(own.debris()[0].frame, 1);
  EXPECT_EQ(own.debris()[1].x, 314);
  EXPECT_EQ(own.debris()[1].y, 156);
  EXPECT_EQ(own.debris()[1].frame, 0);

  // The ramp: from 6 up by one on odd road frames only, to the table's 20 for speed 2.
  own.reset(5, 2, false);
  own.startCar();
  std::vector<std::pair<int, int>> ramp;
  ASSERT_TRUE(runUntil([&] {
    if (ramp.empty() || ramp.back().first != own.roadFrame())
      ramp.emplace_back(own.roadFrame(), own.roadSpeed());
    return own.roadSpeed() == 20 && own.state() == QvKGame::accelerating;
  }));
  ASSERT_GE(ramp.size(), 20u);
  for (std::size_t i = 2; i < ramp.size(); ++i) {
    const int rise = ramp[i].second - ramp[i - 1].second;
    EXPECT_EQ(rise, ramp[i].first % 2 == 1 ? 1 : 0) << i;
  }
  own.setSpeed(4);
  EXPECT_EQ(own.roadSpeed(), 20) << "no jump while accelerating";

  // The gauge (10 x 12 at (125,304)): clicks above its middle add, below take, within 1-5.
  QvKFuel& fuel = *race->fuel();
  fuel.setLevel(5);
  RECT window;
  GetWindowRect(assessmentStage()->handle(), &window);
  const auto click = [&](int y) {
    omhost::headlessHost()->click(window.left + 130, window.top + y);
    passes(50, 20);  // apart, so that no two make a double click
    return fuel.level();
  };
  const std::vector<int> levels = {click(306), click(310), click(315), click(315),
                                   click(315), click(315), click(315), click(304)};
  EXPECT_EQ(levels, (std::vector<int>{5, 5, 4, 3, 2, 1, 1, 2}));
  EXPECT_EQ(fuel.shownFrame(), 4);
  fuel.setLevel(1);
  fuel.loseOne();
  EXPECT_EQ(fuel.level(), 0);

  // Typing: a character a tick, then the problem link; paused, it waits.
  typedCount = 0;
  const OMLinkToFct typed(&countTyped);
  QvKText text(assessmentStage(), &typed);
  text.typeText("7+2");
  std::vector<std::string> shown;
  for (int i = 0; i < 5; ++i) {
    if (i == 1) text.togglePaused();
    if (i == 3) text.togglePaused();
    passes(1, 20);
    shown.push_back(text.shown());
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"7", "7", "7", "7+", "7+2"}));
  EXPECT_EQ(typedCount, 1);
}
}  // namespace
