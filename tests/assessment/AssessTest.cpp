// The assessment ride and the confirmation screen end to end, on the manual clock: a child
// answers by the answer hot spot and by the horn, the levels reach the result file, and the
// confirmation screen keeps or deletes it before it starts the main program.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "assessment/src/DescriptorFile.h"
#include "assessment/src/QvKTiming.h"
#include "assessment/src/RAssess.h"
#include "assessment/src/RConfirm.h"
#include "framework/OMApp.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMTask.h"
#include "framework/OMWaveSound.h"
#include "tests/assessment/AssessmentProgram.h"
#include "tests/support/AnimationBuilder.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/lib/RCharacter.h"
#include "trinkets/lib/RHotSpot.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/YThread.h"

namespace {

// Three frames at 8 per second, placed at (x, y).
NEResourceWriter::Bytes picture(int x, int y, int w, int h, int frames = 3)
{
  omtest::AnimationBuilder builder;
  std::vector<OMFrameEntry> entries;
  for (int i = 0; i < frames; ++i)
    entries.push_back(OMFrameEntry{
        0, 0, static_cast<std::int16_t>(builder.addImage(w, h, static_cast<std::uint8_t>(20 + i))),
        0});
  builder.addSequence(entries);
  builder.setPlacement(x, y, 0);
  return builder.build();
}

const std::vector<int> speechIds = {1001, 1002, 1003, 1004, 1005, 1101,
                                    1102, 2001, 2002, 2003, 2004};
const std::vector<int> soundIds = {900, 901, 902, 903, 904, 905, 906, 907, 908, 909};

std::vector<int> spoken;
OMWord noteSpeech(OMWord id)
{
  spoken.push_back(static_cast<int>(id));
  return 1;
}

class AssessTest : public ::testing::Test, public AssessmentProgram {
 protected:
  AssessTest()
  {
    work.write(
        "PLSDescriptor.txt",
        "WinExeNamePath Tovik\r\nAODLL ao.rsc\r\nWaveDLL wave.rsc\r\nDataFile results.txt\r\n"
        "ExitButton 500\r\nExitDialog 501 502 503\r\nClickSound 900\r\nFinish 510\r\n"
        "Horn 520 901\r\nScenery 530\r\nRightAnswer 540\r\nCorners 550 550 550 550\r\n"
        "PlaneAnims 560 902 561 562\r\nHelpChar 570 0\r\nEngineSnds 903 904 905\r\n"
        "ChangeSound 906 907\r\nFinishSound 908\r\nWrongSound 909\r\n"
        "ProblemHS 300 300 400 350\r\nAnswerHS 100 300 200 350\r\n"
        "IntroSpeech 1001 1002 0\r\nGameHelpSpeech 1003 0\r\nGameStartSpeech 1004 0\r\n"
        "FinishSpch 1005 0\r\nRightAnswerSpch 1101 1102 0\r\n"
        "ConfButton 580 581\r\nConfSparkleAnim 582\r\nConfLevelAnim 583\r\n"
        "ConfLevelX 10 110 210\r\nConfSkillY 50 100 150 200\r\nConfExit 584\r\n"
        // id code level group letter seconds speech picture answers
        "DS 1 1 2 1 a 1 2001 590 591 592 593 594\r\n"
        "DS 1 1 3 1 a 1 2002 590 591 592 593 594\r\n"
        "DS 2 2 2 2 b 1 2003 590 591 592 593 594\r\n"
        "DS 3 2 3 2 c 1 2004 590 591 592 593 594\r\n");
    NEResourceWriter ao, waves;
    const auto add = [&ao](int id, const NEResourceWriter::Bytes& bytes) {
      ao.add("ASEQ", std::to_string(id), bytes);
    };
    add(500, picture(600, 10, 20, 20));
    add(501, picture(200, 150, 200, 100));
    add(502, picture(220, 200, 30, 20));
    add(503, picture(300, 200, 30, 20));
    add(520, picture(500, 400, 30, 30));
    add(530, picture(40, 0, 530, 272, RAssess::sceneryFrames));
    add(580, picture(100, 400, 40, 30));
    add(581, picture(200, 400, 40, 30));
    add(584, picture(300, 150, 100, 100));
    for (int id : {510, 540, 550, 560, 561, 562, 570, 582, 583, 590, 591, 592, 593, 594})
      add(id, picture(450, 100, 10, 10));
    writeResourceFile("ao.rsc", ao);
    for (int id : speechIds)
      waves.add("WAVE", std::to_string(id), tone(500, 100));
    for (int id : soundIds)
      waves.add("WAVE", std::to_string(id), tone(700, 60));
    writeResourceFile("wave.rsc", waves);
    spoken.clear();
    const OMLinkToFct keeper(&noteSpeech);
    RCharacter::setResourceKeeper(&keeper);
  }
  ~AssessTest() override { RCharacter::setResourceKeeper(nullptr); }

  // Passes of 10 ms, each followed by the observer when one is set.
  void step(int count)
  {
    for (int i = 0; i < count; ++i) {
      passes(1, 10);
      if (observer) observer();
    }
  }
  bool runUntil(const std::function<bool()>& condition, int seconds = 60)
  {
    for (int pass = 0; pass < seconds * 100; ++pass) {
      if (condition()) return true;
      step(1);
    }
    return condition();
  }
  void clickAt(int x, int y)
  {
    RECT stage;
    GetWindowRect(assessmentStage()->handle(), &stage);
    omhost::headlessHost()->click(stage.left + x, stage.top + y);
    step(30);  // apart, so that no two make a double click
  }
  // Waits for the recorder's file and removes it; empty when it never came.
  static std::string recorded(int tries = 500)
  {
    std::string text;
    for (int i = 0; i < tries && text != "-m\ntovik\n"; ++i) {
      ::usleep(10000);
      text = omtest::readHostFile("recorded.txt");
    }
    std::filesystem::remove("recorded.txt");
    return text;
  }

  std::function<void()> observer;
  std::unique_ptr<OMScriptableObject> make(const char* className)
  {
    return createTrinketByName(className, "0", scriptArgTerminator);
  }
};

struct Frame {
  long tick;
  int speed;
};

// Set 1 is right at level 2 (answer hot spot) and at level 3 (horn); set 2 is asked again by
// its problem hot spot and answered wrong; set 3 has no level-2 problem and is never asked.
TEST_F(AssessTest, ARideAsksEverySetWritesTheLevelsAndHandsOver)
{
  ASSERT_TRUE(start());
  std::unique_ptr<OMScriptableObject> made = make("RAssess");
  auto* assess = dynamic_cast<RAssess*>(made.get());
  ASSERT_NE(assess, nullptr);
  // The handler drops the activity, as a script's change of screen does.
  static std::unique_ptr<OMScriptableObject>* owner;
  static int confirmations;
  owner = &made;
  confirmations = 0;
  const OMLinkToFct toConfirmation(+[](OMWord) -> OMWord {
    ++confirmations;
    owner->reset();
    return 1;
  });
  ASSERT_TRUE(made->connect("goToConfirmation", &toConfirmation, nullptr));

  std::vector<Frame> ride;
  int lastFrame = assess->sceneryFrame();
  observer = [&] {
    if (made && assess->sceneryFrame() != lastFrame) {
      lastFrame = assess->sceneryFrame();
      ride.push_back({qvk::ticks(), assess->speed()});
    }
  };
  const auto watch = [&](const std::function<bool()>& condition) { return runUntil(condition); };
  const auto atRight = [&] {
    return assess->inputAllowed() && assess->mark() == assess->rightSlot();
  };
  const auto atWrong = [&] {
    return assess->inputAllowed() && assess->mark() != assess->rightSlot();
  };

  ASSERT_TRUE(watch(atRight));
  EXPECT_EQ(assess->setId(), 1);
  EXPECT_EQ(assess->level(), 2);
  EXPECT_TRUE(assess->answer(assess->mark())->isVisible());
  clickAt(150, 320);  // the answer hot spot
  ASSERT_TRUE(watch([&] { return assess->level() == 3 && atRight(); }));
  EXPECT_EQ(assess->setId(), 1);
  clickAt(510, 410);  // the horn
  ASSERT_TRUE(watch([&] { return assess->setId() == 2 && assess->inputAllowed(); }));
  clickAt(350, 320);  // the problem hot spot asks again
  ASSERT_TRUE(watch(atWrong));
  clickAt(510, 410);
  ASSERT_TRUE(watch([&] { return confirmations > 0; }));
  EXPECT_EQ(confirmations, 1);
  EXPECT_EQ(made, nullptr);
  observer = nullptr;

  EXPECT_EQ(spoken,
            (std::vector<int>{1001, 1002, 1003, 1004, 2001, 1101, 2002, 1102, 2003, 2003, 1005}));
  // Set 1 right at level 3 gives 3; group 2: set 2 wrong (1) and set 3 never asked.
  EXPECT_EQ(work.read("results.txt"), "1 3\r\n2 1\r\n");
  EXPECT_EQ(DescriptorFile::current()->skillAreaByGroup(1)->level, 3);
  EXPECT_EQ(DescriptorFile::current()->quizletSetById(3)->result, 0);

  // The ride: from 6 up by one on odd frames to 30, each frame 60 / speed ticks after the
  // last; at the end down below 5 and stopped.
  ASSERT_GT(ride.size(), 60u);
  EXPECT_EQ(ride.front().speed, 6);
  int top = 0;
  for (std::size_t i = 1; i < ride.size(); ++i) {
    const int step = ride[i].speed - ride[i - 1].speed;
    // Only the stop drops more than one.
    EXPECT_TRUE(std::abs(step) <= 1 || ride[i].speed == 0) << i;
    top = std::max(top, ride[i].speed);
    if (ride[i - 1].speed > 0) {
      const long wait = ride[i].tick - ride[i - 1].tick;
      EXPECT_GE(wait, 60 / ride[i - 1].speed) << i;
      EXPECT_LE(wait, 60 / ride[i - 1].speed + 1) << i;
    }
  }
  EXPECT_EQ(top, 30);
  EXPECT_EQ(ride.back().speed, 0);
  EXPECT_EQ(ride[ride.size() - 2].speed, 5);
}

TEST_F(AssessTest, TheExitPictureAsksBeforeTheProgramQuits)
{
  ASSERT_TRUE(start());
  std::unique_ptr<OMScriptableObject> made = make("RAssess");
  auto* assess = dynamic_cast<RAssess*>(made.get());
  ASSERT_NE(assess, nullptr);
  passes(20);
  clickAt(605, 15);
  ASSERT_TRUE(runUntil([&] { return assess->exitPictureShown(); }));
  EXPECT_TRUE(isSoundOutputPaused());
  EXPECT_TRUE(assess->exitYes()->isVisible());
  clickAt(310, 205);  // No
  EXPECT_FALSE(assess->exitPictureShown());
  EXPECT_FALSE(assess->exitNo()->isVisible());
  EXPECT_FALSE(isSoundOutputPaused());
  clickAt(605, 15);
  ASSERT_TRUE(runUntil([&] { return assess->exitPictureShown(); }));
  // In the program's own loop, Yes ends it; a task stands in for the child and gives up
  // after a second of passes.
  static int passesRun;
  passesRun = 0;
  const OMLinkToFct driver(+[](OMWord) -> OMWord {
    if (++passesRun == 5) {
      RECT stage;
      GetWindowRect(assessmentStage()->handle(), &stage);
      omhost::headlessHost()->click(stage.left + 230, stage.top + 205);  // Yes
    }
    omhost::advanceClock(10);
    if (passesRun == 100) assessmentApp()->quit();
    return 1;
  });
  OMTask task(&driver, 0);
  assessmentApp()->addTask(&task);
  assessmentApp()->run();
  assessmentApp()->removeTask(&task);
  EXPECT_LT(passesRun, 100);
}

// The confirmation screen: a level picture per skill area from code 1 on; keep waits ten
// seconds (or a click on its picture) before one start of the main program; delete removes
// the result file first.
TEST_F(AssessTest, TheConfirmationKeepsOrDeletesTheResultsAndStartsTheMainProgram)
{
  ScopedEnv recorderDrive("OM_DRIVE_E", RECORDER_FOLDER);
  setRegistry("\"D:\"", "\"E:\\\\" RECORDER_NAME " -m tovik\"");
  ASSERT_TRUE(start());
  DescriptorFile& descriptor = *DescriptorFile::current();
  // Codes 1 and 4 (a gap after 1) at levels 3 and 1: one picture.
  descriptor.skillAreaByCode(1)->level = 3;
  descriptor.skillAreaByCode(2)->level = 1;
  descriptor.skillAreaByCode(2)->code = 4;
  std::unique_ptr<OMScriptableObject> made = make("RConfirm");
  auto* confirm = dynamic_cast<RConfirm*>(made.get());
  ASSERT_NE(confirm, nullptr);
  const auto places = [&confirm] {
    std::vector<std::pair<int, int>> at;
    for (const auto& level : confirm->levelPictures())
      at.emplace_back(level->x(), level->y());
    return at;
  };
  EXPECT_EQ(places(), (std::vector<std::pair<int, int>>{{210, 50}}));
  // Codes 1 and 2 at levels 3 and 2.
  descriptor.skillAreaByCode(4)->code = 2;
  descriptor.skillAreaByCode(2)->level = 2;
  made = make("RConfirm");
  confirm = dynamic_cast<RConfirm*>(made.get());
  EXPECT_EQ(places(), (std::vector<std::pair<int, int>>{{210, 50}, {110, 100}}));

  // Keep: the exit picture, then nothing for ten seconds, then one start.
  work.write("results.txt", "1 3\r\n2 2\r\n");
  clickAt(110, 410);
  ASSERT_TRUE(
      runUntil([&] { return confirm->exitPicture() && confirm->exitPicture()->isVisible(); }));
  EXPECT_TRUE(confirm->keeps());
  step(950);
  EXPECT_TRUE(assessmentThread()->isRunning()) << "nothing before ten seconds";
  EXPECT_EQ(recorded(1), "");
  step(60);
  EXPECT_FALSE(assessmentThread()->isRunning());
  EXPECT_EQ(recorded(), "-m\ntovik\n");
  EXPECT_TRUE(std::filesystem::exists(work / "results.txt"));

  // A click on the exit picture leaves at once; the delay's end starts nothing more.
  made = make("RConfirm");
  confirm = dynamic_cast<RConfirm*>(made.get());
  clickAt(110, 410);
  ASSERT_TRUE(
      runUntil([&] { return confirm->exitPicture() && confirm->exitPicture()->isVisible(); }));
  assessmentThread()->start();
  clickAt(350, 200);
  EXPECT_FALSE(assessmentThread()->isRunning());
  EXPECT_EQ(recorded(), "-m\ntovik\n");
  step(1100);
  EXPECT_EQ(recorded(50), "");

  // Delete: the result file goes first.
  made = make("RConfirm");
  confirm = dynamic_cast<RConfirm*>(made.get());
  clickAt(210, 410);
  step(100);
  EXPECT_FALSE(confirm->keeps());
  EXPECT_FALSE(std::filesystem::exists(work / "results.txt"));
  EXPECT_EQ(recorded(), "-m\ntovik\n");
}

}  // namespace
