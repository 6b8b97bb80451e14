#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMIStream.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMResFile.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/TestStage.h"
#include "tools/BackgroundWriter.h"
#include "tools/ColorTableWriter.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTBackground.h"
#include "trinkets/src/rthread/YNativeFunction.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

using omtest::AnimationBuilder;

OMFrameEntry show(int image)
{
  return OMFrameEntry{0, 0, static_cast<std::int16_t>(image), 0};
}
OMFrameEntry code(int c)
{
  return OMFrameEntry{0, 0, static_cast<std::int16_t>(c), 0};
}

// Stands in for the game shell's background call: the stage's layer becomes the packed
// background of that id.
OMWord setBackground(OMWord)
{
  const int id = std::atoi(popScriptArg());
  std::unique_ptr<OMIStream> stream = openResourceStream(id, "BK16", -1);
  if (stream)
    OMTrinketWindow::mainHost()->setBackground(
        new OMTBackground(OMRect(0, 0, 640, 480), stream.release()));
  return 0;
}

const char script[] =
    "yield off\r"
    "debug\r"
    "SetBackground 50\r"
    "a=OMAnimation 100 100 1\r"
    "b=OMAnimation 300 100 2\r"
    "c=OMAnimation 500 300 3\r"
    "play a forever\r"
    "set b mouseDown onClick\r"
    "set c mouseDown onClick\r"
    "say built\r"
    "wait\r"
    "procedure onClick\r"
    "[\r"
    "  get RECEIVER frame f\r"
    "  say clicked f\r"
    "  set RECEIVER sequence 2\r"
    "]\r";

using Display = omtest::TestStage::Display;

// A script builds the stage from a generated resource file: a background and three
// animations. After 40 passes of 25 ms (8 openings of the gate) a click on one of them
// switches it to its second sequence. Answers the virtual screen at the end.
std::vector<std::uint8_t> runStageScript(Display display)
{
  omtest::TestStage stage(display);
  EXPECT_EQ(stage.window().isDoubleBuffered(), display.doubleBuffer ? 1 : 0);
  OMAnimation::useEmbeddedAnimationCoordinates = 0;
  const OMLinkToFct background(&setBackground);
  registerScriptFunction("SetBackground", &background);

  constexpr std::uint16_t blue = pixel555(0, 0, 255), grey = pixel555(128, 128, 128);
  std::vector<std::uint16_t> pixels(640 * 480);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x)
      pixels[y * 640 + x] = x < 320 ? blue : grey;
  }
  std::array<std::uint8_t, 768> rgb{};
  const std::uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
  for (int i = 0; i < 4; ++i) {
    for (int c = 0; c < 3; ++c)
      rgb[3 * (i + 1) + c] = colours[i][c];
  }
  AnimationBuilder a, b, c;
  a.addImage(30, 30, 1);
  a.addImage(30, 30, 2);
  a.addSequence({show(0), show(1), code(OMFrameEntry::end)});
  for (int i = 0; i < 4; ++i)
    b.addImage(40, 40, static_cast<std::uint8_t>(i + 1));
  b.addSequence({show(0), show(1), show(2), code(OMFrameEntry::loop)});
  b.addSequence({show(3), code(OMFrameEntry::loop)});
  c.addImage(40, 40, 1, 5);
  c.addImage(40, 40, 2, 5);
  c.addSequence({show(0), show(1)});
  NEResourceWriter writer;
  writer.add("BK16", "50", writeBackground(640, 480, pixels));
  int id = 1;
  for (const AnimationBuilder* builder : {&a, &b, &c}) {
    writer.add("ASEQ", std::to_string(id), builder->build());
    writer.add("RRGB", std::to_string(id++), writeColorTable(rgb));
  }
  if (stage.addResourceFile("stage.rsc", writer).empty()) {
    ADD_FAILURE() << "the resource file was not written";
    return {};
  }
  std::ofstream("stage.mps", std::ios::binary) << script;

  {
    YThread thread("stage.mps", nullptr);
    thread.start();
    stage.passes(40, 25);
    // a loops for ever, b loops, c ended and is hidden.
    struct Probe {
      int x, y;
      std::uint32_t pixel;
    };
    const Probe before[] = {
        {110, 110, 0x03E0}, {99, 110, blue},  {320, 120, 0x03E0}, {299, 120, blue},
        {341, 120, grey},   {520, 320, grey}, {502, 302, grey},
    };
    for (const Probe& p : before)
      EXPECT_EQ(stage.pixel(p.x, p.y), p.pixel) << p.x << "," << p.y;

    stage.click(320, 120);
    stage.click(520, 320);  // c is hidden: the click reaches the background
    stage.passes(2);
    const Probe after[] = {{320, 120, 0x7FE0}, {110, 110, 0x03E0}, {341, 120, grey}};
    for (const Probe& p : after)
      EXPECT_EQ(stage.pixel(p.x, p.y), p.pixel) << p.x << "," << p.y;
    EXPECT_EQ(stage.debugLines(), (std::vector<std::string>{"built", "clicked 2"}));
    scriptVariables.clear();
    clearEventRecords();
  }
  EXPECT_EQ(OMAnimation::allAnimations().count(), 0);
  OMAnimation::useEmbeddedAnimationCoordinates = 1;
  return stage.host().screen().bytes;
}

TEST(StageEndToEndTest, AScriptBuildsAStageThatAnimatesAndAnswersAClick)
{
  runStageScript(Display{});
}

// Full screen through DirectDraw, drawing into the primary surface or flipping a back buffer,
// shows the very pixels the windowed GDI stage shows.
TEST(StageEndToEndTest, DirectDrawShowsWhatGdiShows)
{
  const std::vector<std::uint8_t> gdi = runStageScript(Display{});
  for (const Display display : {Display{true, false}, Display{true, true}}) {
    SCOPED_TRACE(display.doubleBuffer ? "flipping" : "primary");
    const std::vector<std::uint8_t> directDraw = runStageScript(display);
    ASSERT_EQ(directDraw.size(), gdi.size());
    EXPECT_TRUE(directDraw == gdi);
  }
}

}  // namespace
