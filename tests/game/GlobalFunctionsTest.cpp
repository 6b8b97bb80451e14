// The shell's global script functions that work on files, numbers, settings, fonts and the
// pointer, driven by scripts on the game's stage.
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "framework/OMFont.h"
#include "game/MachineChecks.h"
#include "game/ScreenFunctions.h"
#include "tests/game/GlobalFunctionsTestSupport.h"
#include "tests/support/FactoryExtremes.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/src/OMTrinket.h"

namespace {

using globalfn::GlobalFunctionsTest;
using globalfn::Lines;

// The registry lists the shell's functions in their order, then the sound functions; names
// that come later (the path finder's) make a line do nothing until then.
TEST_F(GlobalFunctionsTest, TheFunctionsAreRegisteredInTheirOrder)
{
  const Lines expected = {"CloseFile",
                          "DisplayScreen",
                          "EndTransition",
                          "FreezeScreen",
                          "GoToBlack",
                          "IntersectTest",
                          "MessageBox",
                          "OpenFile",
                          "DeleteFile",
                          "RandomNumber",
                          "randomList",
                          "RestorePalette",
                          "Scene",
                          "SetCorralTrinketNormalization",
                          "SetDoubleClicksEnabled",
                          "SetUseEmbeddedAnimationCoordinates",
                          "StartTransition",
                          "WriteToFile",
                          "PageTurn",
                          "PlayTransitionSound",
                          "StopTransitionSound",
                          "PauseEverything",
                          "ResumeEverything",
                          "PrintScreen",
                          "CursorHide",
                          "CursorShow",
                          "GetCursorX",
                          "GetCursorY",
                          "ReadPLSData",
                          "SubstituteFont",
                          "readINI",
                          "isMouseDown",
                          "AND",
                          "OR",
                          "isTileValid",
                          "pathFinderInit",
                          "pathFinder",
                          "SetAnswerGoHomeSound",
                          "SetAnswerPickUpSound",
                          "SetAnswerSnapSound",
                          "KillSound",
                          "PauseSound",
                          "PlaySound",
                          "ResumeSound"};
  Lines registered;
  for (const char* name = firstScriptFunction(); name; name = nextScriptFunction())
    registered.push_back(name);
  ASSERT_GE(registered.size(), expected.size());
  EXPECT_EQ(Lines(registered.end() - static_cast<long>(expected.size()), registered.end()),
            expected);
  run("AND 6 3\rpathFinder 1 2\rsay RESULT\r");
  EXPECT_EQ(newLines(), Lines{"0"});
}

// Every class the game's scripts can make, its factory given numbers at and past the ends of
// 32 bits: made, drawn, and held where the stage can still build regions around it.
TEST_F(GlobalFunctionsTest, EveryFactoryHoldsItsNumbersInTheCoordinateRange)
{
  using factoryextremes::Form;
  factoryextremes::writeMovie(work.path() + "/far.smk");
  std::vector<Form> forms = factoryextremes::engineForms(
      {globalfn::buttonImage, globalfn::shortSound, globalfn::narrowFont, "far.smk"});
  const std::string a = std::to_string(globalfn::buttonImage);
  const std::vector<Form> gameForms = {
      {"RWorldPort", ""},      {"MA2Maze", "# #"},     {"RArcadeAO", a + " # # # #"},
      {"RCollision", "# # #"}, {"RScenePort", ""},     {"RBouncingBall", a + " # # # # #"},
      {"YoYoAnimation", a},    {"RLine", "# # # # #"}, {"MA2Bezel", "#"},
      {"RResourcePort", ""},   {"RCannon", a},
  };
  forms.insert(forms.end(), gameForms.begin(), gameForms.end());
  Lines withoutForm = factoryextremes::classesWithoutForm(forms);
  std::erase(withoutForm, "TProbe");  // the world port tests' own class
  EXPECT_EQ(withoutForm, Lines{});
  const factoryextremes::GivenAnimationPlaces given;
  run(factoryextremes::script(forms));
  passes(4, 50);
  factoryextremes::expectMadeInRange(forms);
}

// One text file at a time, written as Windows writes text; pair files read back as items and
// go when asked.
TEST_F(GlobalFunctionsTest, TextFilesAreWrittenAndPairFilesRead)
{
  run("WriteToFile lost 1\r"
      "OpenFile \"first.txt\"\r"
      "WriteToFile one\r"
      "OpenFile \"pairs.txt\"\r"
      "WriteToFile \"12 34\" 1\r"
      "WriteToFile \"5 6\"\r"
      "WriteToFile \"\" end\r"
      "CloseFile\r"
      "CloseFile\r"
      "WriteToFile lost 1\r");
  EXPECT_EQ(work.read("first.txt"), "one");
  EXPECT_EQ(work.read("pairs.txt"), "12 34\r\n5 6\r\n");

  const struct {
    const char* line;
    const char* result;
    bool kept;
  } reads[] = {
      {"ReadPLSData \"pairs.txt\"", "12:34  5:6  ", true},
      {"ReadPLSData \"pairs.txt\" 0", "12:34  5:6  ", true},
      {"ReadPLSData \"pairs.txt\" 1", "12:34  5:6  ", false},
      {"ReadPLSData \"pairs.txt\"", "0", false},
  };
  for (const auto& r : reads) {
    SCOPED_TRACE(r.line);
    run(std::string(r.line) + "\r");
    EXPECT_EQ(result(), r.result);
    EXPECT_EQ(std::filesystem::exists(work / "pairs.txt"), r.kept);
  }
  // Bytes other than digits and blanks become blanks, a file without a line end too.
  work.write("other.dat", std::string("7 8x\t9", 6));
  run("ReadPLSData \"other.dat\"\r");
  EXPECT_EQ(result(), "7:8  9");

  // A file that cannot be opened leaves none open; deleting what is not there is no error.
  work.makeFolder("folder");
  run("OpenFile folder\rWriteToFile lost 1\rCloseFile\rDeleteFile \"first.txt\"\rDeleteFile "
      "none\r");
  EXPECT_FALSE(std::filesystem::exists(work / "first.txt"));
  EXPECT_TRUE(std::filesystem::is_directory(work / "folder"));
}

// The C library's generator as the game seeds it: the same numbers on every machine.
TEST_F(GlobalFunctionsTest, RandomNumbersFollowTheGeneratorAndTheirBounds)
{
  std::srand(1);
  run("RandomNumber 1 6\rsay RESULT\rRandomNumber 1 6\rsay RESULT\rRandomNumber 1 6\rsay RESULT\r"
      "RandomNumber 1 6\rsay RESULT\rRandomNumber 1 6\rsay RESULT\rRandomNumber 1 6\r"
      "say RESULT\rRandomNumber 4 4\rsay RESULT\r");
  EXPECT_EQ(newLines(), (Lines{"6", "6", "5", "5", "6", "5", "4"}));

  std::set<std::string> seen, excluded;
  for (int i = 0; i < 10000; ++i) {
    seen.insert(call("RandomNumber", {"3", "1"}));
    excluded.insert(call("RandomNumber", {"1", "3", "2"}));
  }
  EXPECT_EQ(seen, (std::set<std::string>{"1", "2", "3"}));
  EXPECT_EQ(excluded, (std::set<std::string>{"1", "3"}));
  // Bounds wider than an int draw from the low end; an exclusion far inside them is harmless.
  const long long wide =
      std::atoll(call("RandomNumber", {"-2147483648", "2147483647", "99999"}).c_str());
  EXPECT_LE(wide, -2147483648LL + 32767);
}

// The random list: made, read at an index, forgotten; reads outside it leave RESULT alone.
TEST_F(GlobalFunctionsTest, TheRandomListKeepsItsCount)
{
  // Reads the list at the indexes; "-" where RESULT was left as it was.
  const auto readAll = [](int count) {
    Lines entries;
    for (int i = 0; i < count; ++i) {
      call("OR", {"-7", "0"});
      const std::string read = call("randomList", {"get", std::to_string(i)});
      entries.push_back(read == "-7" ? "-" : read);
    }
    return entries;
  };
  // The first six entries; "*" is a number drawn from the range.
  const struct {
    std::vector<std::string> made;
    Lines entries;
  } cases[] = {
      {{"new", "4", "0", "1"}, {"0", "1", "2", "3", "-", "-"}},
      {{"NEW", "4", "0", "1"}, {"0", "1", "2", "3", "-", "-"}},
      {{"new", "4", "5", "1"}, {"0", "1", "7", "*", "-", "-"}},
      {{"new", "1", "5", "0"}, {"0", "-", "-", "-", "-", "-"}},
      {{"new", "3", "1", "0"}, {"0", "1", "0", "-", "-", "-"}},
      {{"new", "2", "-1", "1"}, {"0", "1", "-", "-", "-", "-"}},
      {{"new", "0", "0", "1"}, {"-", "-", "-", "-", "-", "-"}},
      {{"new", "-3", "4", "0"}, {"-", "-", "-", "-", "-", "-"}},
      {{"New", "65540", "0", "1"}, {"0", "1", "2", "3", "-", "-"}},  // 16 bits: 4
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.made[0] + " " + c.made[1] + " " + c.made[2] + " " + c.made[3]);
    call("randomList", c.made);
    Lines read = readAll(6);
    for (std::size_t i = 0; i < read.size(); ++i) {
      const int drawn = std::atoi(read[i].c_str());
      if (c.entries[i] == "*" && read[i] != "-" && drawn >= 0 && drawn < 5) read[i] = "*";
    }
    EXPECT_EQ(read, c.entries);
  }
  call("randomList", {"new", "4", "0", "1"});
  call("randomList", {"delete"});
  EXPECT_EQ(readAll(2), (Lines{"-", "-"}));
  call("randomList", {"DELETE"});

  // Shuffled, the list holds each number once; drawn from a range, every entry after the first
  // two lies in it.
  std::srand(7);
  call("randomList", {"new", "30", "0", "0"});
  const Lines shuffled = readAll(30);
  std::set<int> numbers;
  for (const std::string& entry : shuffled)
    numbers.insert(std::atoi(entry.c_str()));
  EXPECT_EQ(numbers.size(), 30u);
  EXPECT_EQ(*numbers.begin(), 0);
  EXPECT_EQ(*numbers.rbegin(), 29);
  Lines counting;
  for (int i = 0; i < 30; ++i)
    counting.push_back(std::to_string(i));
  EXPECT_NE(shuffled, counting);
  for (int round = 0; round < 200; ++round) {
    call("randomList", {"new", "5", "3", "0"});
    const Lines drawn = readAll(5);
    for (const std::string& entry : Lines(drawn.begin() + 2, drawn.end()))
      EXPECT_TRUE(entry == "0" || entry == "1" || entry == "2") << entry;
  }
}

// Bitwise operations, the INI and the global settings the scripts switch.
TEST_F(GlobalFunctionsTest, SettingsAndNumbersReachTheirPlaces)
{
  work.write("korvanix.INI", "[Velmora Trasko Adventures - CD]\nVolume=75\nLevel= -3x\n");
  resetShellSettings();
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    const char* result;
  } answers[] = {
      {"AND", {"6", "3"}, "2"},     {"OR", {"6", "3"}, "7"},       {"AND", {"-1", "5"}, "5"},
      {"OR", {"x"}, "0"},           {"readINI", {"Volume"}, "75"}, {"MessageBox", {"7"}, "75"},
      {"readINI", {"Level"}, "-3"}, {"readINI", {"Missing"}, "0"},
  };
  for (const auto& a : answers)
    EXPECT_EQ(call(a.name, a.arguments), a.result) << a.name;
  resetShellSettings();

  OMStageWindow* stage = shellStage();
  run("SetCorralTrinketNormalization 0\rSetUseEmbeddedAnimationCoordinates 0\r"
      "SetDoubleClicksEnabled 1\r");
  EXPECT_EQ(OMTrinket::confineDrags(), 0);
  EXPECT_EQ(OMAnimation::useEmbeddedAnimationCoordinates, 0);
  EXPECT_EQ(stage->doubleClicksDisabled(), 0);
  RAnimation free(nullptr, 0, 0, stage);
  free.setConfined(1);
  free.offsetBy(-700, 0);
  EXPECT_EQ(free.x(), -700) << "past the stage's edge";
  run("SetCorralTrinketNormalization 1\rSetUseEmbeddedAnimationCoordinates 1\r"
      "SetDoubleClicksEnabled 0\r");
  EXPECT_EQ(OMTrinket::confineDrags(), 1);
  EXPECT_EQ(OMAnimation::useEmbeddedAnimationCoordinates, 1);
  EXPECT_EQ(stage->doubleClicksDisabled(), 1);
  RAnimation corralled(nullptr, 0, 0, stage);
  corralled.setConfined(1);
  corralled.offsetBy(-700, 0);
  EXPECT_EQ(corralled.x(), 0) << "stopped at the stage's edge";
}

// Each form of "SubstituteFont" changes the face that a text asking for the source draws with.
TEST_F(GlobalFunctionsTest, FontSubstitutionsChangeTheDrawnFace)
{
  // The width of "ABC" in the font the text gets for the "font" setting: an NFNT id, or a
  // face, style and size.
  const auto widthIn = [this](const std::string& font) {
    run("t=RText ABC 10 10 200 40 0\rset t font " + font + "\rget t textWidth w\rdrop t\r");
    return variable("w");
  };
  const std::string narrow = widthIn("128"), wide = widthIn("129");
  const std::string small = widthIn("Arial 0 12"), large = widthIn("Arial 1 30");
  EXPECT_EQ(narrow, "12");
  EXPECT_EQ(wide, "21");
  EXPECT_NE(small, large);
  EXPECT_NE(small, narrow);
  EXPECT_NE(small, wide);

  const struct {
    const char* substitution;
    const char* source;
    std::string drawn;
  } forms[] = {
      {"128 129", "128", wide},
      {"130 Arial 30 1", "130", large},
      {"Arial 12 0 129", "Arial 0 12", wide},
      {"Arial 14 0 Arial 30 1", "Arial 0 14", large},
      {"128 130", "128", large},  // replaces the first, and leads on
  };
  for (const auto& f : forms) {
    SCOPED_TRACE(f.substitution);
    run(std::string("SubstituteFont ") + f.substitution + "\r");
    EXPECT_EQ(widthIn(f.source), f.drawn);
  }
  // The target itself is not substituted.
  EXPECT_EQ(widthIn("Arial 1 30"), large);
}

// The pointer over the stage, the left button, the cursor, and trinkets that overlap.
TEST_F(GlobalFunctionsTest, ThePointerAndTheTrinketsUnderIt)
{
  host.moveMouse(123, 45);
  settle();
  run("GetCursorX\rsay RESULT\rGetCursorY\rsay RESULT\risMouseDown\rsay RESULT\r");
  EXPECT_EQ(newLines(), (Lines{"123", "45", "0"}));
  host.pressButton(300, 200);
  settle();
  run("isMouseDown\rsay RESULT\rGetCursorX\rsay RESULT\r");
  host.releaseButton(300, 200);
  settle();
  run("isMouseDown\rsay RESULT\r");
  EXPECT_EQ(newLines(), (Lines{"1", "300", "0"}));

  run("CursorHide\r");
  EXPECT_FALSE(host.cursorVisible());
  run("CursorShow\r");
  EXPECT_TRUE(host.cursorVisible());

  run("a=RPButton 100 100 7\rb=RPButton 130 120 7\rc=RPButton 300 300 7\rn=7\r");
  const struct {
    const char* first;
    const char* second;
    const char* result;
  } tests[] = {
      {"a", "b", "1"}, {"b", "a", "1"}, {"a", "c", "0"}, {"a", "a", "1"},
      {"a", "n", "0"}, {"x", "a", "0"}, {"", "", "0"},
  };
  for (const auto& t : tests)
    EXPECT_EQ(call("IntersectTest", {t.first, t.second}), t.result) << t.first << " " << t.second;
}

int turns = 0;
int lastDirection = -1;

// The page turn asks for the page's animation; with it the player turns the page to the left
// only for exactly "left", without it nothing is turned; the cursor is shown either way.
TEST_F(GlobalFunctionsTest, PageTurnFindsThePageAndShowsTheCursor)
{
  turns = 0;
  setPageCurlPlayer([](int direction, std::unique_ptr<OMIStream> page) {
    ++turns;
    lastDirection = page ? direction : -2;
  });
  run("CursorHide\rPageTurn left\r");
  EXPECT_EQ(turns, 0);
  EXPECT_TRUE(host.cursorVisible());

  omtest::AnimationBuilder page;
  page.addImage(30, 400, 2);
  page.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, OMFrameEntry::hold, 0}});
  NEResourceWriter writer;
  writer.add("ASEQ", std::to_string(pageCurlAnimationId), page.build());
  NEResourceWriter::Bytes bytes;
  ASSERT_TRUE(writer.build(bytes));
  openResFile(
      work.write("page.rsc", std::vector<unsigned char>(bytes.begin(), bytes.end())).c_str(), 1);
  const struct {
    const char* argument;
    int direction;
  } turnsTo[] = {{"left", 0}, {"Left", 1}, {"right", 1}, {"", 1}, {"lefty", 1}};
  for (const auto& t : turnsTo) {
    run(std::string("CursorHide\rPageTurn ") + t.argument + "\r");
    EXPECT_EQ(lastDirection, t.direction) << t.argument;
    EXPECT_TRUE(host.cursorVisible());
  }
  EXPECT_EQ(turns, 5);
  setPageCurlPlayer(nullptr);
  run("PageTurn left\r");
  EXPECT_EQ(turns, 5);
}

// The event source takes the stage's keys while it exists: Esc asks to close again once it is
// dropped.
TEST_F(GlobalFunctionsTest, TheEventSourceHoldsTheStageKeysUntilDropped)
{
  static int closeRequests = 0;
  closeRequests = 0;
  shellCalls().raiseAppClose = [] { ++closeRequests; };
  shellCalls().closeCanBeAnswered = [] { return true; };
  run("e=REvent\rset e keyPressed onKey\r", "procedure onKey\r[\r  get e key k\r  say k\r]\r");
  host.typeKey(VK_ESCAPE);
  settle();
  EXPECT_EQ(newLines(), Lines{"Esc"});
  EXPECT_EQ(closeRequests, 0);
  run("drop e\r");
  host.typeKey(VK_ESCAPE);
  settle();
  EXPECT_TRUE(newLines().empty());
  EXPECT_EQ(closeRequests, 1);
  resetShellCalls();
}

// Under OM_TRACE each missing thing a script asks for is one line in words, once a run: the
// class, the resource type and id, or the unknown command with its script and line.
TEST_F(GlobalFunctionsTest, TracedProblemsSayWhatTheScriptAskedForOnce)
{
  const ScopedEnv trace("OM_TRACE", "1");
  const std::string asks = "Scene 4242\rPlaySound 7777\rfrobnicate 1 2\ra=RAnimation 1 1 9999\r";
  testing::internal::CaptureStderr();
  run(asks + asks);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "om: Scene: no BK16 resource 4242\n"
            "om: PlaySound: no WAVE resource 7777\n"
            "om: g0.mps line 4: unknown command \"frobnicate\"\n"
            "om: RAnimation: no ASEQ resource 9999\n"
            "om: g0.mps line 8: unknown command \"frobnicate\"\n");
}

}  // namespace
