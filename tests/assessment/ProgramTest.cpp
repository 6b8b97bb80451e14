// The running program as its scripts and its user meet it: the global commands, the menus,
// the Escape key, the dialogs, the keyboard object, the picture layer and the deletion
// registry. The program is set up as its main does, passes are run by the test.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "assessment/src/AOBackground.h"
#include "assessment/src/AssessmentMenus.h"
#include "assessment/src/DeletionRegistry.h"
#include "assessment/src/DescriptorFile.h"
#include "assessment/src/GlobalCommands.h"
#include "assessment/src/RKbdInp.h"
#include "assessment/src/SoundFlags.h"
#include "framework/OMApp.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMNEFile.h"
#include "framework/OMWndCanvas.h"
#include "tests/assessment/AssessmentProgram.h"
#include "tests/assessment/AssessmentTestSupport.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/CanvasPixels.h"
#include "tests/support/FactoryExtremes.h"
#include "tools/ColorTableWriter.h"
#include "trinkets/lib/OMMultiTrinket.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/lib/REvent.h"
#include "trinkets/lib/RPuzzle.h"
#include "trinkets/lib/RText.h"
#include "trinkets/src/ActionCreateRecord.h"
#include "trinkets/src/EmptyAction.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMStreamBytes.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

constexpr int picture = 300;  // the whole stage in colour 7
constexpr int otherColors = 301;
constexpr int corners = 302;  // the whole stage in colour 200, its corners in 20, 60, 100, 140

int cornersIndex(int x, int y)
{
  if ((x == 0 || x == 639) && (y == 0 || y == 479)) return 20 + 40 * ((x != 0) + 2 * (y != 0));
  return 200;
}

std::array<std::uint8_t, 768> colorTable(int seed)
{
  // Entry 0 is black, so that black by colour is entry 0.
  std::array<std::uint8_t, 768> rgb{};
  for (int i = 1; i < 256; ++i) {
    rgb[3 * i] = static_cast<std::uint8_t>(i + seed);
    rgb[3 * i + 1] = static_cast<std::uint8_t>(255 - i);
    rgb[3 * i + 2] = static_cast<std::uint8_t>(seed);
  }
  return rgb;
}

std::string call(const char* name, const std::vector<std::string>& arguments = {})
{
  YNativeFunction* function = findScriptFunction(name);
  EXPECT_NE(function, nullptr) << name;
  if (!function) return "<none>";
  clearScriptArgs();
  for (const std::string& argument : arguments)
    pushScriptArg(argument.c_str());
  callScriptFunction(*function);
  YVariable* result = scriptVariables.at(scriptVariables.find("RESULT", -1));
  return result ? result->getText() : "";
}

class ProgramTest : public ::testing::Test, public AssessmentWorld {
 protected:
  ProgramTest()
  {
    work.write(
        "PLSDescriptor.txt",
        "WinExeNamePath Tovik\r\nAODLL pictures.rsc\r\nWaveDLL wave.rsc\r\nPic 300\r\nZero 0\r\n"
        "Corners 302\r\n" +
            startLines);
    omtest::AnimationBuilder image;
    image.addImage(640, 480, 7);
    image.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, OMFrameEntry::hold, 0}});
    NEResourceWriter ao;
    ao.add("ASEQ", std::to_string(picture), image.build());
    ao.add("RRGB", std::to_string(picture), writeColorTable(colorTable(0)));
    ao.add("RRGB", std::to_string(otherColors), writeColorTable(colorTable(100)));
    AnimationWriter::Bytes marked(640 * 480);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        marked[static_cast<std::size_t>(y) * 640 + x] =
            static_cast<std::uint8_t>(cornersIndex(x, y));
    omtest::AnimationBuilder cornered;
    cornered.addImage(AnimationWriter::Image::fromPixels(640, 480, marked, -1));
    cornered.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, OMFrameEntry::hold, 0}});
    ao.add("ASEQ", std::to_string(corners), cornered.build());
    ao.add("RRGB", std::to_string(corners), writeColorTable(colorTable(0)));
    writeResourceFile("pictures.rsc", ao);
    for (const char* name : {"mthRacer.mps", "mainmenu.mps", "suprmenu.mps", "signin.mps"})
      writeScript(name, "wait\r");
    host = &omtest::startAppSession();
    host->screen().resize(640, 480, 16);
    EXPECT_TRUE(setUpProgram());
    stage = assessmentStage();
  }
  ~ProgramTest() override
  {
    tearDownProgram();
    omhost::useRealClock();
  }

  std::uint32_t layerPixel(int x, int y)
  {
    return omtest::canvasPixel(*static_cast<OMMemCanvas*>(pictureLayer()->canvas()), x, y);
  }
  // The screen's 5-5-5 pixel at a point of the stage.
  std::uint16_t screenPixel(int x, int y)
  {
    RECT rect;
    GetWindowRect(stage->handle(), &rect);
    const omhost::ScreenBuffer& screen = host->screen();
    const std::size_t at = static_cast<std::size_t>(rect.top + y) * screen.pitch +
                           2 * static_cast<std::size_t>(rect.left + x);
    return static_cast<std::uint16_t>(screen.bytes[at] | screen.bytes[at + 1] << 8);
  }
  OMRGBColor paletteEntry(int index) { return stage->offscreen()->getPaletteEntry(index); }

  omhost::HeadlessHost* host = nullptr;
  OMTrinketWindow* stage = nullptr;
};

TEST_F(ProgramTest, SceneBlackScreenAndCopyPalWorkOnThePictureAndThePalette)
{
  call("Scene", {"Zero"});
  call("Scene", {"Missing"});
  EXPECT_EQ(pictureLayer(), nullptr);
  call("copyPal", {"301", "10", "20", "100"});  // no picture yet: nothing
  call("Scene", {"Pic"});
  ASSERT_NE(pictureLayer(), nullptr);
  EXPECT_EQ(layerPixel(10, 10), 7u);
  EXPECT_EQ(paletteEntry(7).redByte(), 7);
  omtest::runPasses(2, 20);
  const std::uint16_t red7 = screenPixel(320, 240);
  EXPECT_EQ(red7, (7 >> 3) << 10 | (248 >> 3) << 5);

  struct Case {
    std::vector<std::string> arguments;
    int index;  // the colour index the picture holds afterwards, -1: black by colour
  };
  const Case blacks[] = {{{"5"}, 5}, {{"0"}, -1}, {{"300"}, -1}, {{}, -1}};
  for (const Case& c : blacks) {
    call("BlackScreen", c.arguments);
    const std::uint32_t pixel = layerPixel(100, 100);
    if (c.index >= 0) {
      EXPECT_EQ(pixel, static_cast<std::uint32_t>(c.index));
    } else {
      const OMRGBColor color = paletteEntry(static_cast<int>(pixel));
      EXPECT_EQ(color.redByte() + color.greenByte() + color.blueByte(), 0) << pixel;
    }
  }

  const OMRGBColor before111 = paletteEntry(111);
  call("copyPal", {"301", "10", "20", "100"});
  for (int k = 10; k <= 20; ++k)
    EXPECT_EQ(paletteEntry(90 + k).redByte(), 100 + k) << k;
  EXPECT_EQ(paletteEntry(111), before111);
  // Backwards and outside ranges copy nothing.
  call("copyPal", {"301", "20", "10", "0"});
  call("copyPal", {"301", "250", "260", "250"});
  EXPECT_EQ(paletteEntry(0).redByte(), 0);
  EXPECT_EQ(paletteEntry(250).redByte(), 350 - 256);
  EXPECT_EQ(paletteEntry(255).redByte(), 355 - 256);
}

TEST_F(ProgramTest, TheCellFadesLeaveTwoCellsOut)
{
  call("Scene", {"Pic"});
  omtest::runPasses(2, 20);
  const std::uint16_t picturePixel = screenPixel(5, 5);
  ASSERT_NE(picturePixel, 0);
  // The fade's cells are 20 x 15; it never visits the cells of row 0 and row 18 in column 0.
  call("fadeToBlack", {});
  EXPECT_EQ(screenPixel(5, 5), picturePixel);
  EXPECT_EQ(screenPixel(5, 18 * 15 + 5), picturePixel);
  for (const auto& [x, y] : {std::pair{25, 5}, {5, 20}, {619, 300}, {300, 200}})
    EXPECT_EQ(screenPixel(x, y), 0) << x << "," << y;
  omtest::runPasses(1, 20);
  EXPECT_EQ(screenPixel(5, 5), 0);
  call("Scene", {"Pic"});
  call("fadeFromBlack", {});
  EXPECT_EQ(screenPixel(5, 5), 0);
  EXPECT_EQ(screenPixel(5, 18 * 15 + 5), 0);
  EXPECT_EQ(screenPixel(300, 200), picturePixel);
  EXPECT_EQ(nextFadeStep(0x240), 0x120);
  int steps = 1;
  for (std::uint16_t r = nextFadeStep(0x240); r != 0x240; r = nextFadeStep(r))
    ++steps;
  EXPECT_EQ(steps, 1023);
}

// The stage is a window of its own over the frame, on the 640x480 rectangle centred on the
// screen: at 640x480 the whole screen, the frame's caption and menu bar under it; on a larger
// screen the frame shows around it. Each pixel of that rectangle on the screen is the stage's
// picture, corners where they belong, none of the frame. Where the stage covers the menu bar
// the keyboard still opens the menus: Alt+F, X and F10, Enter, X each ask with the exit dialog,
// which shows over the stage.
TEST_F(ProgramTest, TheStageCoversItsCentredRectangleAndTheKeyboardStillOpensTheMenus)
{
  struct Screen {
    int width, height;
  };
  for (const Screen size : {Screen{640, 480}, Screen{800, 600}}) {
    SCOPED_TRACE(size.width);
    tearDownProgram();
    host = &omtest::startAppSession();
    host->screen().resize(size.width, size.height, 8);
    ASSERT_TRUE(setUpProgram());
    stage = assessmentStage();
    call("Scene", {"Corners"});
    call("setMenu", {"0"});
    omtest::runPasses(3, 20);
    const int left = size.width / 2 - 320, top = size.height / 2 - 240;
    // The screen's pixels at 8 bits are the colour indices the stage drew.
    const omhost::ScreenBuffer& shot = host->screen();
    int wrong = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        const std::size_t at = static_cast<std::size_t>(top + y) * shot.pitch + (left + x);
        wrong += shot.bytes[at] == cornersIndex(x, y) ? 0 : 1;
      }
    EXPECT_EQ(wrong, 0);
    if (top > 0) {
      // Around it the frame: its black client area, and its caption at the screen's top.
      HDC screen = GetDC(nullptr);
      EXPECT_EQ(GetPixel(screen, left + 320, top - 1), RGB(0, 0, 0));
      EXPECT_EQ(GetPixel(screen, left - 1, top + 240), RGB(0, 0, 0));
      const COLORREF caption = GetPixel(screen, size.width / 2, 10);
      EXPECT_TRUE(caption == GetSysColor(COLOR_ACTIVECAPTION) ||
                  caption == GetSysColor(COLOR_INACTIVECAPTION));
      ReleaseDC(nullptr, screen);
    }

    const std::vector<std::function<void()>> menuKeys = {
        [this] {
          host->pressKey(VK_MENU);
          host->typeText("f");
          host->releaseKey(VK_MENU);
          host->typeText("x");
        },
        [this] {
          host->typeKey(VK_F10);
          host->typeKey(VK_RETURN);
          host->typeText("x");
        },
    };
    for (const auto& keys : menuKeys) {
      const std::size_t dialogs = host->dialogs().size();
      // The dialog, owned by the stage, shows over it while it waits for its answer.
      bool dialogSeen = false;
      host->setIdleHandler([&dialogSeen, &size] {
        HWND seen = WindowFromPoint(POINT{size.width / 2, size.height / 2});
        while (seen && (GetWindowLongA(seen, GWL_STYLE) & WS_CHILD))
          seen = GetParent(seen);
        char name[16] = "";
        GetClassNameA(seen, name, sizeof name);
        dialogSeen = dialogSeen || std::string(name) == "#32770";
      });
      host->queueDialogAnswer(11);
      keys();
      omtest::runPasses(5, 20);
      host->setIdleHandler(nullptr);
      ASSERT_EQ(host->dialogs().size(), dialogs + 1);
      EXPECT_EQ(host->dialogs().back().caption, "Exit");
      EXPECT_TRUE(dialogSeen);
    }
  }
}

TEST_F(ProgramTest, RandomNumberKeepsItsRangeAndSkipsTheExcludedValue)
{
  EXPECT_EQ(call("RandomNumber", {"5", "5"}), "5");
  EXPECT_EQ(call("RandomNumber", {"5", "5", "5"}), "5");
  for (int i = 0; i < 30; ++i) {
    EXPECT_EQ(call("RandomNumber", {"1", "2", "1"}), "2");
    const int r = std::stoi(call("RandomNumber", {"3", "-2", "0"}));
    EXPECT_TRUE(r >= -2 && r <= 3 && r != 0) << r;
  }
}

// The program's command switches the engine's corral switch: a trinket moved past the stage's
// edge stops there while it is on, and goes on past it while it is off.
TEST_F(ProgramTest, TheCorralCommandSwitchesTheTrinketsConfinement)
{
  for (const auto& [setting, x] : {std::pair{"0", -700}, std::pair{"1", 0}, std::pair{"", -700}}) {
    SCOPED_TRACE(setting);
    call("SetCorralTrinketNormalization", {setting});
    RAnimation trinket(nullptr, 0, 0, stage);
    trinket.setConfined(1);
    trinket.offsetBy(-700, 0);
    EXPECT_EQ(trinket.x(), x);
  }
  OMTrinket::setConfineDrags(1);
}

TEST_F(ProgramTest, CheckCDFindsTheLessonOrAsksForItsCD)
{
  work.write("rsc/lsn003.rsc", "x");
  work.write("lessons/lsn005/lsn005.rsc", "x");
  // The resource file kept open is closed: the CD may be another one afterwards.
  ASSERT_NE(resourceById(picture, "RRGB"), nullptr);
  EXPECT_FALSE(OMNEFile::current().name().empty());
  call("checkCD", {"3"});
  EXPECT_TRUE(OMNEFile::current().name().empty());
  EXPECT_TRUE(OMNEFile::streamsArmed());
  call("checkCD", {"5"});
  EXPECT_TRUE(host->messageBoxes().empty());
  host->queueMessageBoxAnswer(IDCANCEL);
  call("checkCD", {"7"});
  work.write("lessons/lsn012/lsn012.rsc", "x");
  host->queueMessageBoxAnswer(IDCANCEL);
  call("checkCD", {"8"});
  ASSERT_EQ(host->messageBoxes().size(), 2u);
  EXPECT_EQ(host->messageBoxes()[0].text, "Please insert the Gradewell for the SAT/ACT CD #1.");
  EXPECT_EQ(host->messageBoxes()[1].text, "Please insert the Gradewell for the SAT/ACT CD #2.");
  EXPECT_EQ(host->messageBoxes()[1].style, 0x3001u);
  EXPECT_EQ(assessmentExitStatus(), 1);
  EXPECT_FALSE(assessmentThread()->isRunning());
  // Left disarmed, a resource still reads, through a file of its own that nothing keeps.
  EXPECT_FALSE(OMNEFile::streamsArmed());
  std::unique_ptr<OMIStream> stream = resourceById(otherColors, "RRGB");
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(stream && readStreamBytes(*stream, bytes));
  EXPECT_EQ(bytes.size(), writeColorTable(colorTable(100)).size());
  EXPECT_TRUE(OMNEFile::current().name().empty());
}

TEST_F(ProgramTest, ExecStartsTheMainProgramOrSaysItCannot)
{
  ScopedEnv recorderDrive("OM_DRIVE_E", RECORDER_FOLDER);
  setRegistry("\"D:\"", "\"E:\\\\" RECORDER_NAME " -m tovik\"");
  call("exec", {"now"});
  EXPECT_FALSE(assessmentThread()->isRunning());
  // The recorder runs on its own: its file is complete once it holds both words.
  std::string recorded;
  for (int i = 0; i < 500 && recorded != "-m\ntovik\n"; ++i) {
    ::usleep(10000);
    recorded = omtest::readHostFile("recorded.txt");
  }
  EXPECT_EQ(recorded, "-m\ntovik\n");
  EXPECT_TRUE(host->messageBoxes().empty());

  setRegistry("\"D:\"", "\"E:\\\\missing.exe\"");
  assessmentThread()->start();
  call("exec", {"now"});
  ASSERT_EQ(host->messageBoxes().size(), 1u);
  EXPECT_EQ(host->messageBoxes()[0].text, "Unable to launch Application.");
  EXPECT_FALSE(assessmentThread()->isRunning());
  EXPECT_EQ(assessmentExitStatus(), 0);
}

TEST_F(ProgramTest, MenuStatesEnableTheirItemsAndNameTheHelpItem)
{
  HMENU bar = GetMenu(assessmentApp()->frameWindow());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  HMENU file = GetSubMenu(bar, 0), options = GetSubMenu(bar, 1), help = GetSubMenu(bar, 2);
  const auto enabled = [](HMENU menu, int position) {
    return (GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION) & MF_GRAYED) == 0;
  };
  // At start only Exit and Help are enabled.
  EXPECT_FALSE(enabled(file, 0));
  EXPECT_FALSE(enabled(options, 0));
  EXPECT_TRUE(enabled(help, 5));
  struct Case {
    int state;
    std::array<bool, 5> items;  // File 0-3, Options 0
    const char* helpText;
  };
  const Case cases[] = {
      {0, {false, false, false, true, false}, "Splash Screen Help"},
      {2, {false, false, true, true, false}, "Main Menu"},
      {3, {true, false, true, true, false}, "Rides Menu"},
      {4, {true, true, true, true, true}, "Dizu Rurid"},
      {7, {true, false, true, true, false}, "Dizu Rurid"},
      {9, {true, false, true, true, false}, "Log Ride"},
      {12, {true, false, true, true, false}, "Log Ride"},  // outside 0-9: nothing changes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    call("setMenu", {std::to_string(c.state)});
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(enabled(file, i), c.items[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(enabled(options, 0), c.items[4]);
    char text[64] = {};
    GetMenuStringA(help, 3, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, c.helpText);
    for (int i : {0, 1, 3, 5})
      EXPECT_TRUE(enabled(help, i));
  }
  // The frame's menu command of "Go to Main Screen" (101 in the resource) serves as Escape.
  YThread* thread = assessmentThread();
  ASSERT_TRUE(thread->load("mainmenu.mps"));
  thread->start();
  SendMessageA(assessmentApp()->frameWindow(), WM_COMMAND, GetMenuItemID(file, 0), 0);
  EXPECT_EQ(thread->name(), "suprmenu.mps");
}

TEST_F(ProgramTest, EscapeMovesBetweenScriptsAndTheExitDialogDecides)
{
  struct Step {
    const char* before;
    int dialogAnswer;   // 0: no dialog expected
    const char* after;  // the running script afterwards
  };
  // The names are compared exactly: another spelling of a known name is any other script.
  const Step steps[] = {
      {"mthracer.mps", 0, "mainmenu.mps"}, {"mthRacer.mps", 0, "mthRacer.mps"},
      {"rc.mps", 0, "mainmenu.mps"},       {"LF.mps", 0, "LF.mps"},
      {"MAINMENU.MPS", 0, "MAINMENU.MPS"}, {"mainmenu.mps", 0, "suprmenu.mps"},
      {"SignIn.mps", 0, "SignIn.mps"},     {"suprmenu.mps", 11, "suprmenu.mps"},  // No: it stays
      {"signin.mps", 10, "signin.mps"},    // Yes: it quits
      {"other.mps", 0, "other.mps"},
  };
  for (const char* name : {"other.mps", "rc.mps", "LF.mps", "MAINMENU.MPS", "SignIn.mps"})
    writeScript(name, "wait\r");
  for (const Step& s : steps) {
    SCOPED_TRACE(s.before);
    YThread* thread = assessmentThread();
    ASSERT_TRUE(thread->load(s.before));
    thread->start();
    const std::size_t dialogs = host->dialogs().size();
    if (s.dialogAnswer) host->queueDialogAnswer(s.dialogAnswer);
    host->typeKey(VK_ESCAPE);
    omtest::runPasses(3, 20);
    EXPECT_EQ(thread->name(), s.after);
    ASSERT_EQ(host->dialogs().size(), dialogs + (s.dialogAnswer ? 1 : 0));
    if (!s.dialogAnswer) continue;
    const omhost::DialogRecord& dialog = host->dialogs().back();
    EXPECT_EQ(dialog.caption, "Exit");
    EXPECT_EQ(dialog.answer, s.dialogAnswer == 10 ? 1 : 0);
  }
  // Closing the frame asks the same.
  const std::size_t dialogs = host->dialogs().size();
  host->queueDialogAnswer(11);
  host->requestClose();
  omtest::runPasses(3, 20);
  ASSERT_EQ(host->dialogs().size(), dialogs + 1);
  EXPECT_EQ(host->dialogs().back().caption, "Exit");
}

TEST_F(ProgramTest, AChangedScreenMovesTheStageOnceWithTheWidthAcross)
{
  const OMRect before = stage->getFrameRect();
  checkScreenChange();
  EXPECT_EQ(stage->getFrameRect(), before);
  host->screen().resize(800, 600, 16);
  checkScreenChange();
  EXPECT_EQ(stage->getFrameRect().left(), before.left() + 80);
  EXPECT_EQ(stage->getFrameRect().top(), before.top() + 50);
}

TEST_F(ProgramTest, TheSoundDialogStoresTheFlagsOnlyOnOK)
{
  resetSoundFlags();
  host->queueDialogAnswer(13);  // effects off
  host->queueDialogAnswer(17);  // voice off
  host->queueDialogAnswer(IDCANCEL);
  EXPECT_FALSE(showSoundDialog());
  EXPECT_EQ(soundFlag(SoundFlag::effects), 1);
  host->queueDialogAnswer(13);
  host->queueDialogAnswer(17);
  host->queueDialogAnswer(IDOK);
  EXPECT_TRUE(showSoundDialog());
  EXPECT_EQ(soundFlag(SoundFlag::effects), 0);
  EXPECT_EQ(soundFlag(SoundFlag::music), 1);
  EXPECT_EQ(soundFlag(SoundFlag::voice), 0);
  // The next opening shows what is stored.
  host->queueDialogAnswer(IDOK);
  EXPECT_TRUE(showSoundDialog());
  EXPECT_EQ(soundFlag(SoundFlag::effects), 0);
  resetSoundFlags();
}

TEST_F(ProgramTest, TheKeyboardObjectNamesKeysAndChainsOnTheStage)
{
  stage->activate();
  auto first = std::make_unique<RKbdInp>();
  first->registerMembers();
  struct Case {
    int virtualKey;
    bool control;
    const char* name;
  };
  const Case cases[] = {
      {'A', false, "a"},     {VK_RETURN, false, "Enter"}, {VK_F12, false, "F12"},
      {'A', true, "Ctrl-A"}, {VK_ESCAPE, false, "Esc"},   {'7', false, "7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.control) host->pressKey(VK_CONTROL);
    host->typeKey(c.virtualKey);
    omtest::runPasses(10, 20);
    if (c.control) host->releaseKey(VK_CONTROL);
    omtest::runPasses(3, 20);
    const char* name = first->getProperty("key");
    EXPECT_STREQ(name ? name : "<none>", c.name);
  }
  // Chains: each keeps what it found; any order of deletion leaves no freed link behind.
  auto second = std::make_unique<RKbdInp>();
  auto third = std::make_unique<RKbdInp>();
  const OMLink* thirdsLink = stage->keyDownLink();
  second.reset();
  EXPECT_EQ(stage->keyDownLink(), thirdsLink);
  third.reset();
  ASSERT_NE(stage->keyDownLink(), nullptr);
  host->typeKey('B');
  omtest::runPasses(3, 20);
  EXPECT_STREQ(first->getProperty("key"), "b");
  first.reset();
  EXPECT_EQ(stage->keyDownLink(), nullptr);
  // The event source keeps the link it finds and gives it back when it goes: a keyboard object
  // that went meanwhile must not be called by it (it was, after being freed).
  auto listening = std::make_unique<RKbdInp>();
  std::unique_ptr<OMScriptableObject> events(REvent::instance());
  listening.reset();
  events.reset();
  host->typeKey('C');
  omtest::runPasses(3, 20);
}

TEST_F(ProgramTest, ThePictureLayerRestoresSavedAreasNewestFirst)
{
  AOBackground layer(64, 48, 8);
  OMCanvas* canvas = layer.canvas();
  const auto fill = [canvas](const OMRect& rect, int index) {
    canvas->setFillColor(OMRGBColor::fromIndex(index));
    canvas->setFill(true);
    canvas->setFrame(false);
    canvas->drawRect(rect);
  };
  const auto pixel = [canvas](int x, int y) {
    return omtest::canvasPixel(*static_cast<OMMemCanvas*>(canvas), x, y);
  };
  const OMRGBColor gray[256] = {};
  layer.setPalette(gray);
  fill(OMRect(0, 0, 64, 48), 3);
  layer.saveUnder(OMRect(10, 10, 20, 20));
  fill(OMRect(0, 0, 64, 48), 4);
  layer.saveUnder(OMRect(50, 40, 80, 60));      // partly outside: only the inside is saved
  layer.saveUnder(OMRect(100, 100, 120, 120));  // wholly outside: nothing, but it pairs
  fill(OMRect(0, 0, 64, 48), 5);
  EXPECT_EQ(layer.savedCount(), 3u);
  layer.restoreUnder();
  EXPECT_EQ(pixel(63, 47), 5u);
  layer.restoreUnder();
  EXPECT_EQ(pixel(63, 47), 4u);
  EXPECT_EQ(pixel(49, 47), 5u);
  EXPECT_EQ(pixel(15, 15), 5u);
  layer.restoreUnder();
  EXPECT_EQ(pixel(15, 15), 3u);
  EXPECT_EQ(pixel(20, 20), 5u);
  layer.restoreUnder();  // empty: nothing
  EXPECT_EQ(pixel(15, 15), 3u);
  EXPECT_EQ(layer.savedCount(), 0u);
}

std::vector<std::string> told;

OMWord tellFirst(OMWord)
{
  told.push_back("first");
  return 0;
}
OMWord tellSecond(OMWord object)
{
  told.push_back(object ? "second" : "second without object");
  return 0;
}

// A watcher that watches the reported object again while it hears of its deletion.
const int lateWatcher = 0;
OMWord watchAgain(OMWord object)
{
  told.push_back("watching again");
  const OMLinkToFct first(&tellFirst);
  watchObject(reinterpret_cast<const void*>(object), &lateWatcher, &first);
  return 0;
}

TEST_F(ProgramTest, DeletionReportsReachEveryWatcherOnceInOrder)
{
  told.clear();
  int objectA = 0, objectB = 0;
  const int watcher1 = 0, watcher2 = 0;
  const OMLinkToFct first(&tellFirst), second(&tellSecond);
  watchObject(&objectA, &watcher2, &first);
  watchObject(&objectA, &watcher1, &first);
  watchObject(&objectA, &watcher2, &second);  // replaces, keeps its place
  unwatchObject(&objectA, &objectB);          // no such watcher: nothing
  watchObject(&objectB, &watcher1, &first);
  unwatchObject(&objectB, &watcher1);
  objectDeleted(&objectA);
  EXPECT_EQ(told, (std::vector<std::string>{"second", "first"}));
  objectDeleted(&objectA);  // forgotten
  objectDeleted(&objectB);  // no watchers left
  EXPECT_EQ(told.size(), 2u);
  EXPECT_EQ(watchedObjectCount(), 0);
  // A watch taken during the report is told with the others and goes with the object.
  told.clear();
  const OMLinkToFct again(&watchAgain);
  watchObject(&objectA, &watcher1, &again);
  objectDeleted(&objectA);
  EXPECT_EQ(told, (std::vector<std::string>{"watching again", "first"}));
  EXPECT_EQ(watchedObjectCount(), 0);
  // The five classes whose deletion the program has them report, each once.
  const std::pair<const char*, std::function<std::unique_ptr<OMScriptableObject>()>> makers[] = {
      {"Action", [] { return std::make_unique<EmptyAction>(0); }},
      {"OMMultiTrinket", [this] { return std::make_unique<OMMultiTrinket>(stage, 2); }},
      {"RAnimation", [this] { return std::make_unique<RAnimation>(nullptr, 0, 0, stage); }},
      {"RPuzzle", [] { return std::make_unique<RPuzzle>(); }},
      {"RText",
       [this] {
         return std::make_unique<RText>("T", OMPoint(0, 0), nullptr, OMRGBColor(), 0, stage);
       }},
  };
  for (const auto& [name, make] : makers) {
    told.clear();
    std::unique_ptr<OMScriptableObject> object = make();
    watchObject(object.get(), &watcher1, &first);
    object.reset();
    EXPECT_EQ(told, std::vector<std::string>{"first"}) << name;
    EXPECT_EQ(watchedObjectCount(), 0) << name;
  }
  // A fresh watch at the same address starts over; without the hooks nothing is reported.
  watchObject(&objectA, &watcher1, &first);
  EXPECT_EQ(watchedObjectCount(), 1);
  removeDeletionHooks();
  EXPECT_EQ(watchedObjectCount(), 0);
  auto action = std::make_unique<EmptyAction>(0);
  watchObject(action.get(), &watcher1, &first);
  told.clear();
  action.reset();
  EXPECT_TRUE(told.empty());
  installDeletionHooks();
}

}  // namespace

namespace {

TEST(AssessmentRegistries, TheProgramsOwnClassesExistOnlyInItsEdition)
{
  const auto classNames = [] {
    std::vector<std::string> names;
    for (const char* name : trinketClassNames())
      names.emplace_back(name);
    return names;
  };
  const auto actionNames = [] {
    std::vector<std::string> names;
    forEachActionClass([&](const char* name) { names.emplace_back(name); });
    return names;
  };
  const auto has = [](const std::vector<std::string>& names, const char* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  std::vector<std::string> game, assessment, gameActions, assessmentActions;
  {
    ScopedEdition edition(OMEdition::game);
    game = classNames();
    gameActions = actionNames();
  }
  {
    ScopedEdition edition(OMEdition::assessment);
    assessment = classNames();
    assessmentActions = actionNames();
  }
  for (const char* name : {"RDescriptorFile", "RKbdInp", "RAssess", "RConfirm"}) {
    EXPECT_TRUE(has(assessment, name)) << name;
    EXPECT_FALSE(has(game, name)) << name;
  }
  for (const char* name : {"RQueue", "RTimer", "RSound", "RText", "RAnimation"})
    EXPECT_TRUE(has(assessment, name)) << name;
  EXPECT_FALSE(has(assessment, "RRandomAction"));
  for (const char* name : {"DelayAction", "EmptyAction", "VerbAction", "PropertyAction"})
    EXPECT_TRUE(has(assessmentActions, name)) << name;
  for (const char* name : {"MovieAction", "CacheDLLAction"})
    EXPECT_FALSE(has(assessmentActions, name)) << name;
}

// Every class the program's scripts can make, its factory given numbers at and past the ends
// of 32 bits: made, drawn, and held where the stage can still build regions around it.
TEST(AssessmentRegistries, EveryFactoryHoldsItsNumbersInTheCoordinateRange)
{
  using factoryextremes::Form;
  AssessmentProgram program;
  omtest::AnimationBuilder square;
  square.addImage(40, 40, 1);
  square.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, OMFrameEntry::hold, 0}});
  NEResourceWriter ao, wave;
  ao.add("ASEQ", "300", square.build());
  wave.add("WAVE", "7", AssessmentProgram::tone(440, 100));
  // Files of names of their own: resource files stay open by name from test to test.
  program.writeResourceFile("farao.rsc", ao);
  program.writeResourceFile("farwave.rsc", wave);
  program.work.write(
      "PLSDescriptor.txt",
      "WinExeNamePath Tovik\r\nAODLL farao.rsc\r\nWaveDLL farwave.rsc\r\n" + startLines);
  program.work.makeFolder("rsc");
  factoryextremes::writeMovie(program.work.path() + "/rsc/far.smk");
  std::vector<Form> forms = factoryextremes::engineForms({300, 7, 300, "far.smk"});
  const std::vector<Form> ownForms = {
      {"RKbdInp", ""},
      {"RWSlider", "# # # # # #"},
      {"RGauge", "# # # # #"},
      {"RConfirm", ""},
      {"RDescriptorFile", ""},
      {"RSlider", "# # # # # #"},
      {"RAssess", ""},
      {"RStackingContainer", "300 # # #"},
      {"RStackingContainer", "300 # # # # #"},
      {"RStackingContainer", "# # # # # # #"},
      {"RToon", "# # 300 1 # #"},
      {"RDatFile", "# \"far.dat\""},
      {"QvKill", "#"},
      {"signin", "# # #"},
      {"RDitty", "\"far\""},
  };
  forms.insert(forms.end(), ownForms.begin(), ownForms.end());
  EXPECT_EQ(factoryextremes::classesWithoutForm(forms), std::vector<std::string>{});
  program.writeScript("mthRacer.mps", "yield off\r" + factoryextremes::script(forms) + "wait\r");
  const factoryextremes::GivenAnimationPlaces given;
  ASSERT_TRUE(program.start());
  AssessmentProgram::passes(4, 50);
  factoryextremes::expectMadeInRange(forms);
}

TEST(AssessmentRegistries, TheDescriptorObjectTellsTheExitButton)
{
  ScopedEdition edition(OMEdition::assessment);
  const std::string text = "ExitButton 4711 x\r\n";
  const DescriptorFile descriptor(text.data(), text.size());
  std::unique_ptr<OMScriptableObject> object =
      createTrinketByName("RDescriptorFile", scriptArgTerminator);
  ASSERT_NE(object, nullptr);
  EXPECT_STREQ(object->getProperty("exitButtonID"), "4711");
}

}  // namespace
