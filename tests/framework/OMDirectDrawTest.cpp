// The framework's full-screen path on the platform's DirectDraw.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "framework/OMMemCanvas.h"
#include "framework/OMSystem.h"
#include "framework/OMWindow.h"
#include "framework/OMWndCanvas.h"
#include "tests/support/AppTestSupport.h"

namespace {

// A full-screen session (mode 5) started on a desktop of OM_SCREEN's mode.
class FullScreenTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    setenv("OM_SCREEN", "1024x768x32", 1);
    OMApp::useDirectDrawDrawing();
    session_ = std::make_unique<omtest::TestApp>(5);
  }
  void TearDown() override
  {
    session_.reset();
    OMApp::useGdiDrawing();
    unsetenv("OM_SCREEN");
  }
  omhost::HeadlessHost& host() { return session_->host(); }

  std::unique_ptr<omtest::TestApp> session_;
};

std::uint16_t screenPixel(const omhost::ScreenBuffer& screen, int x, int y)
{
  std::uint16_t value = 0;
  std::memcpy(&value, screen.bytes.data() + y * screen.pitch + x * 2, 2);
  return value;
}

TEST_F(FullScreenTest, ModeFiveSwitchesTheDisplayAndTheReleaseRestoresIt)
{
  OMApp& app = session_->app();
  ASSERT_EQ(app.frameMode(), 5);
  ASSERT_NE(app.directDraw2(), nullptr);
  EXPECT_TRUE(OMApp::canvasesUseDirectDraw());
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
  EXPECT_EQ(host().screen().bitsPerPixel, 16);
  EXPECT_TRUE(host().fullScreen());
  EXPECT_TRUE(probeDirectDraw(640, 480, 16));
  EXPECT_FALSE(probeDirectDraw(641, 480, 16));
  omhost::HeadlessHost& desktop = host();
  session_.reset();
  EXPECT_EQ(desktop.screen().width, 1024);
  EXPECT_EQ(desktop.screen().height, 768);
  EXPECT_EQ(desktop.screen().bitsPerPixel, 32);
  EXPECT_FALSE(desktop.fullScreen());
}

// The transparent colour's key is the raw value GDI draws for it, found by drawing it into a
// corner of the surface, which is put back as it was.
TEST_F(FullScreenTest, TransparentColoursBecomeTheSurfacesRawKey)
{
  OMMemCanvas canvas(32, 16, 16, 1);
  ASSERT_NE(canvas.surface(), nullptr);
  canvas.setBackground(OMRGBColor::fromBytes(0, 0, 255));
  struct Case {
    int r, g, b;
    DWORD raw;
  };
  for (const Case& c : {Case{255, 0, 0, 0x7C00}, Case{0, 255, 0, 0x03E0}, Case{0, 0, 255, 0x001F},
                        Case{8, 16, 24, 0x0443}, Case{255, 255, 255, 0x7FFF}}) {
    canvas.setTransparentColor(OMRGBColor::fromBytes(c.r, c.g, c.b));
    DDCOLORKEY key{};
    ASSERT_EQ(canvas.surface()->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, c.raw) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(key.dwColorSpaceHighValue, c.raw);
    void* bits = nullptr;
    int pitch = 0;
    ASSERT_TRUE(canvas.lockBits(&bits, &pitch));
    std::uint16_t corner = 0;
    std::memcpy(&corner, bits, 2);
    canvas.unlockBits();
    EXPECT_EQ(corner, 0x001F);
  }
  // A transparent copy leaves the keyed pixels of the destination alone.
  OMMemCanvas target(32, 16, 16, 1);
  target.setBackground(OMRGBColor::fromBytes(255, 0, 0));
  canvas.setTransparentColor(OMRGBColor::fromBytes(0, 0, 255));
  target.copyBits(&canvas, 0, 0, 32, 16, 0, 0, -static_cast<long>(SRCCOPY), nullptr);
  void* bits = nullptr;
  int pitch = 0;
  ASSERT_TRUE(target.lockBits(&bits, &pitch));
  std::uint16_t kept = 0;
  std::memcpy(&kept, static_cast<std::uint8_t*>(bits) + 5 * pitch + 6, 2);
  target.unlockBits();
  EXPECT_EQ(kept, 0x7C00);
}

TEST_F(FullScreenTest, BackBuffersJoinTheFlippingChainAndLeaveIt)
{
  OMWindow window(OMRect(0, 0, 640, 480), 3, 0);
  window.activate();
  omtest::runPasses(2);
  OMWndCanvas* screen = window.canvas();
  ASSERT_NE(screen, nullptr);
  ASSERT_NE(screen->surface(), nullptr);
  for (int buffers = 1; buffers <= 2; ++buffers) {
    SCOPED_TRACE(buffers);
    std::vector<std::unique_ptr<OMMemCanvas>> backs;
    for (int i = 0; i < buffers; ++i) {
      backs.push_back(std::make_unique<OMMemCanvas>(640, 480, 16, 2));
      ASSERT_TRUE(screen->attachBackBuffer(backs.back().get()));
    }
    // Each canvas draws into its buffer of the chain; flips bring them to the screen in turn.
    const OMRGBColor colours[] = {OMRGBColor::fromBytes(255, 0, 0),
                                  OMRGBColor::fromBytes(0, 255, 0)};
    const std::uint16_t raws[] = {0x7C00, 0x03E0};
    for (int i = 0; i < buffers; ++i)
      backs[static_cast<std::size_t>(i)]->setBackground(colours[i]);
    for (int i = 0; i < buffers; ++i) {
      screen->flip();
      EXPECT_EQ(screenPixel(host().screen(), 320, 240), raws[i]);
    }
    DDSCAPS caps{};
    ASSERT_EQ(screen->surface()->GetCaps(&caps), DD_OK);
    EXPECT_TRUE(caps.dwCaps & DDSCAPS_FLIP);
    for (auto it = backs.rbegin(); it != backs.rend(); ++it) {
      screen->detachBackBuffer(it->get());
      ASSERT_NE((*it)->surface(), nullptr);
      DDSCAPS own{};
      ASSERT_EQ((*it)->surface()->GetCaps(&own), DD_OK);
      EXPECT_FALSE(own.dwCaps & DDSCAPS_FLIP);
    }
    ASSERT_EQ(screen->surface()->GetCaps(&caps), DD_OK);
    EXPECT_FALSE(caps.dwCaps & DDSCAPS_FLIP);
  }
}

// A window that counts its repaints.
class Painted : public OMWindow {
 public:
  using OMWindow::OMWindow;
  void paint() override
  {
    ++paints;
    canvas()->setFillColor(OMRGBColor::fromBytes(255, 0, 0));
    canvas()->drawRect(OMRect(0, 0, 640, 480));
  }
  int paints = 0;
};

TEST_F(FullScreenTest, LosingTheFocusLosesTheSurfacesAndComingBackRepaints)
{
  Painted window(OMRect(0, 0, 640, 480), 3, 0);
  window.activate();
  omtest::runPasses(2);
  LPDIRECTDRAWSURFACE primary = window.canvas()->surface();
  ASSERT_NE(primary, nullptr);
  host().deactivate();
  omtest::runPasses(2);
  EXPECT_EQ(primary->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(host().screen().width, 1024);
  EXPECT_FALSE(host().fullScreen());
  EXPECT_TRUE(IsIconic(session_->app().frameWindow()));
  const int paintsBefore = window.paints;
  host().activate();
  omtest::runPasses(2);
  EXPECT_EQ(primary->IsLost(), DD_OK);
  EXPECT_EQ(host().screen().width, 640);
  EXPECT_EQ(host().screen().bitsPerPixel, 16);
  EXPECT_TRUE(host().fullScreen());
  EXPECT_GT(window.paints, paintsBefore);
  EXPECT_EQ(screenPixel(host().screen(), 320, 240), 0x7C00);
}

// At 8 bits the window canvas's palette is the primary surface's, and with it the screen's:
// colours the canvas takes between the 20 static colours reach the screen, the static ones
// stay.
TEST(FullScreenPaletteTest, TheScreenFollowsTheCanvasPaletteAroundTheStaticColours)
{
  setenv("OM_SCREEN", "1024x768x32", 1);
  OMApp::useDirectDrawDrawing();
  omhost::HeadlessHost& host = omtest::startAppSession();
  {
    OMApp app(5, OMRect(0, 0, 640, 480), OMRGBColor(), 8, 0);
    ASSERT_EQ(app.frameMode(), 5);
    OMWindow window(OMRect(0, 0, 640, 480), 3, 0);
    window.activate();
    omtest::runPasses(2);
    ASSERT_EQ(host.screen().bitsPerPixel, 8);
    OMRGBColor colours[256];
    window.canvas()->getPalette(colours);
    for (int i = 10; i < 246; ++i)
      colours[i] = OMRGBColor::fromBytes(i, 255 - i, i / 2);
    window.canvas()->setPalette(colours);
    const std::uint32_t statics[20] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                       0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0,
                                       0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                       0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (std::uint32_t i = 0; i < 256; ++i) {
      const std::uint32_t wanted = i < 10     ? statics[i]
                                   : i >= 246 ? statics[i - 236]
                                              : i << 16 | (255 - i) << 8 | i / 2;
      EXPECT_EQ(host.screen().palette[i], wanted) << "entry " << i;
    }
  }
  OMApp::useGdiDrawing();
  unsetenv("OM_SCREEN");
  omhost::useRealClock();
}

}  // namespace
