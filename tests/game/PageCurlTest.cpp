#include <gtest/gtest.h>

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
    std::uint32_t hash = 2166136261u;
    for (const std::uint16_t p : window())
      hash = (hash ^ p) * 16777619u;
    EXPECT_EQ(hash, c.golden);
    if (c.direction == std::string("left")) {
      EXPECT_NE(window(), oldPicture);
    }
    // The stage keeps the new scene, the button on it.
    EXPECT_NE(omtest::canvasPixel(*shellStage()->offscreen(), 310, 110), sceneColour);
    run("DisplayScreen\rdrop b\r");
    closeResFile(page.c_str(), 1);
  }
}

}  // namespace globalfn
