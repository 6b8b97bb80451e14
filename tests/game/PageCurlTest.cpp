#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/OMSystem.h"
#include "game/PageCurl.h"
#include "game/ScreenFunctions.h"
#include "platform/host/HostClock.h"
#include "tests/game/GlobalFunctionsTestSupport.h"
#include "tests/support/CanvasPixels.h"

namespace globalfn {

namespace {

constexpr int pageImages = 14;

// The page: frame k (from 1) shows image k - 1, a 400 pixels high strip 40 + 5 (k - 1) wide,
// at x = 600 - 20 k; the last frame stands at x 320.
std::vector<unsigned char> pageResource(int images)
{
  omtest::AnimationBuilder page;
  std::vector<OMFrameEntry> frames;
  for (int k = 1; k <= images; ++k) {
    page.addImage(40 + 5 * (k - 1), 400, static_cast<std::uint8_t>(20 + k), 2);
    frames.push_back(OMFrameEntry{static_cast<std::int16_t>(600 - 20 * k), 0,
                                  static_cast<std::int16_t>(k - 1), 0});
  }
  frames.push_back(OMFrameEntry{0, 0, OMFrameEntry::hold, 0});
  page.addSequence(frames);
  NEResourceWriter writer;
  writer.add("ASEQ", std::to_string(pageCurlAnimationId), page.build());
  NEResourceWriter::Bytes bytes;
  writer.build(bytes);
  return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

}  // namespace

class PageCurlTest : public GlobalFunctionsTest {
 protected:
  PageCurlTest()
  {
    setPageCurlPlayer(&playPageCurl);
    omhost::useSteppingClock(10, omhost::clockMilliseconds());
  }
  ~PageCurlTest() override { setPageCurlPlayer(nullptr); }

  std::uint32_t windowHash() const
  {
    std::uint32_t hash = 2166136261u;
    for (const std::uint16_t p : window())
      hash = (hash ^ p) * 16777619u;
    return hash;
  }
  // The whole window as 16-bit pixels.
  std::vector<std::uint16_t> window() const
  {
    std::vector<std::uint16_t> pixels;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        pixels.push_back(pixel(x, y));
    return pixels;
  }
};

// Each way the page steps every 2 ticks (14 images) until it has gone, well inside the 50
// ticks; the stage stays frozen, so the window keeps the last step for the golden, and shows
// the new scene once displayed. With 20 images the steps are a tick apart and the edges end
// with the table.
TEST_F(PageCurlTest, ThePageTurnsBothWays)
{
  struct Case {
    const char* direction;
    int images;
    std::uint32_t ticks;
    std::uint32_t golden;
  };
  const Case cases[] = {
      {"left", pageImages, 32, 1944977477u},
      {"right", pageImages, 34, 4129387125u},
      {"left", 20, 20, 2791652037u},
      {"right", 20, 21, 2927652293u},
  };
  int file = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.direction) + " " + std::to_string(c.images));
    const std::string page =
        work.write("page" + std::to_string(file++) + ".rsc", pageResource(c.images));
    openResFile(page.c_str(), 1);
    run("Scene 9\rDisplayScreen\r");
    settle();
    const std::vector<std::uint16_t> oldPicture = window();

    const std::uint32_t before = getTicks();
    run(std::string("FreezeScreen\rb=RPButton 300 100 7\rPageTurn ") + c.direction +
        "\rsay done\r");
    const std::uint32_t ticks = getTicks() - before;
    EXPECT_EQ(newLines(), Lines{"done"});
    EXPECT_EQ(shellStage()->presentEnabled(), 0);
    EXPECT_GE(ticks, c.ticks);
    EXPECT_LE(ticks, std::min(c.ticks + 8, 52u));
    EXPECT_EQ(windowHash(), c.golden);
    if (c.direction == std::string("left")) {
      EXPECT_NE(window(), oldPicture);
    }
    // The stage keeps the new scene, the button on it.
    EXPECT_NE(omtest::canvasPixel(*shellStage()->offscreen(), 310, 110), sceneColour);
    run("DisplayScreen\rdrop b\r");
    closeResFile(page.c_str(), 1);
  }
}

// Each step reaches the window two ticks after the one before, as its golden picture, the
// last with the new scene uncovered. The main loop stands still meanwhile: a paused script
// whose time has come waits for the end, and input given during the turn is dropped then.
TEST_F(PageCurlTest, EachStepShowsItsPictureInTurn)
{
  struct Case {
    int direction;
    int newFrom, newTo;  // the columns where the last step shows the new scene
    std::vector<std::uint32_t> goldens;
  };
  const Case cases[] = {
      {0,
       130,
       640,
       {3113180309u, 757418053u, 791263869u, 2077518149u, 1444233445u, 448304325u, 1575767565u,
        717405765u, 2345446325u, 2741735749u, 3182098717u, 2950689861u, 127777093u, 2174589125u,
        1557755461u, 1944977477u}},
      {1,
       0,
       317,
       {13553925u, 3623541381u, 1334108997u, 2284483989u, 3574729269u, 1818628829u, 197284373u,
        544665941u, 3625130613u, 84109133u, 3694260565u, 602388997u, 1480865845u, 2625647357u,
        1016769045u, 3458878581u, 4129387125u}},
  };
  openResFile(work.write("page.rsc", pageResource(pageImages)).c_str(), 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.direction);
    run("Scene 9\rDisplayScreen\r");
    settle();
    run("t=RTimer 100\rset t execute onTimer\r", "procedure onTimer\r[\r  say timer\r]\r");
    auto* timer = scriptVariables.getObjectByName("t", false);
    ASSERT_NE(timer, nullptr);
    ASSERT_TRUE(timer->callMethod("start", scriptArgTerminator));
    run("FreezeScreen\rb=RPButton 300 100 7\r");
    newLines();
    std::vector<std::uint32_t> hashes;
    std::vector<std::uint32_t> ticks;
    std::vector<std::uint16_t> last;
    Lines heard;
    const std::uint32_t start = getTicks();
    playPageCurl(c.direction, OMAnimation::animationResolver(pageCurlAnimationId), [&](int step) {
      hashes.push_back(windowHash());
      ticks.push_back(getTicks() - start);
      last = window();
      if (step == 3) {
        host.click(310, 110);
        host.typeKey('A');
      }
      for (const std::string& line : newLines())
        heard.push_back(line);
    });
    EXPECT_EQ(hashes, c.goldens);
    for (std::size_t k = 0; k < ticks.size(); ++k)
      EXPECT_EQ(ticks[k], 2 * k) << k;
    ASSERT_FALSE(last.empty());
    int fromNewScene = 0;
    for (int y = 0; y < 480; ++y) {
      for (int x = c.newFrom; x < c.newTo; ++x) {
        const std::uint32_t shown = last[static_cast<std::size_t>(y) * 640 + x];
        fromNewScene += shown == omtest::canvasPixel(*shellStage()->offscreen(), x, y);
      }
    }
    EXPECT_EQ(fromNewScene, 480 * (c.newTo - c.newFrom));
    EXPECT_TRUE(heard.empty());
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE));
    settle();
    const Lines afterwards = newLines();
    EXPECT_FALSE(afterwards.empty());
    EXPECT_EQ(std::count(afterwards.begin(), afterwards.end(), "timer"),
              static_cast<long>(afterwards.size()));
    timer->callMethod("pause", scriptArgTerminator);
    // Input after the turn is kept.
    host.typeKey('A');
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE));
    settle();
    run("DisplayScreen\rdrop b\rdrop t\r");
  }
}

}  // namespace globalfn
