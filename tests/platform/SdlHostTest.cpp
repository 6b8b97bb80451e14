// The windowed backend, on SDL's dummy video driver (no display needed).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/host/sdl/SdlAudioOutput.h"
#include "platform/host/sdl/SdlHost.h"

namespace {

class SdlHostTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    host = omhost::SdlHost::open();
    if (!host) GTEST_SKIP() << "SDL cannot open a window here";
  }
  std::unique_ptr<omhost::SdlHost> host;
};

// The window comes with sound: the host starts the audio device and stops it when it ends.
TEST_F(SdlHostTest, SoundPlaysWhileTheHostLives)
{
  EXPECT_TRUE(omhost::isSdlAudioStarted());
  host.reset();
  EXPECT_FALSE(omhost::isSdlAudioStarted());
}

// SDL's events become the host's input: keys by position as virtual keys, buttons, focus
// changes as activation, the window's close as a close request; other events are skipped.
TEST_F(SdlHostTest, EventsBecomeInput)
{
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.scancode = SDL_SCANCODE_F5;
  SDL_PushEvent(&e);
  e = SDL_Event{};
  e.type = SDL_KEYUP;
  e.key.keysym.scancode = SDL_SCANCODE_A;
  SDL_PushEvent(&e);
  e = SDL_Event{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = SDL_BUTTON_RIGHT;
  e.button.x = 12;
  e.button.y = 34;
  SDL_PushEvent(&e);
  e = SDL_Event{};
  e.type = SDL_JOYAXISMOTION;  // nothing the programs use
  SDL_PushEvent(&e);
  e = SDL_Event{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  SDL_PushEvent(&e);
  e = SDL_Event{};
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);

  std::vector<omhost::InputEvent> got;
  omhost::InputEvent event;
  while (host->nextInput(event, false))
    got.push_back(event);
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[0].kind, omhost::InputKind::KeyDown);
  EXPECT_EQ(got[0].virtualKey, VK_F5);
  EXPECT_EQ(got[1].kind, omhost::InputKind::KeyUp);
  EXPECT_EQ(got[1].virtualKey, 'A');
  EXPECT_EQ(got[2].kind, omhost::InputKind::MouseDown);
  EXPECT_EQ(got[2].button, omhost::MouseButton::Right);
  EXPECT_EQ(got[2].x, 12);
  EXPECT_EQ(got[3].kind, omhost::InputKind::Deactivate);
  EXPECT_EQ(got[4].kind, omhost::InputKind::Close);
}

// The screen is the default 640x480 at 16 bits and can be shown.
TEST_F(SdlHostTest, ScreenAndPresent)
{
  EXPECT_EQ(host->screen().width, 640);
  EXPECT_EQ(host->screen().bitsPerPixel, 16);
  host->screen().bytes[0] = 0x1F;
  host->present();
  host->screen().resize(320, 200, 8);  // a mode change: the window follows
  host->present();
  EXPECT_EQ(host->screen().palette[255], 0xFFFFFFu);
  host->cursorChanged(omhost::CursorShape{32514, 0, 0, 0, 0, {}}, false);
  host->cursorChanged(omhost::CursorShape{0, 2, 2, 1, 1, {0xFF000000u, 0, 0, 0xFFFFFFFFu}}, true);
}

// Full screen covers the desktop with the picture at a whole scale when it fits; the mouse
// comes back through that scale, presses on the bars reach nothing, and leaving full screen
// gives the window its size again.
TEST_F(SdlHostTest, FullScreenScalesByWholeStepsAndMapsTheMouseBack)
{
  SDL_DisplayMode desktop{};
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  host->setFullScreen(true);
  EXPECT_TRUE(host->fullScreen());
  SDL_Window* window = nullptr;  // the host's, the only window there is
  for (Uint32 id = 1; id < 256 && !window; ++id)
    window = SDL_GetWindowFromID(id);
  ASSERT_NE(window, nullptr);
  int w = 0, h = 0;
  SDL_GetWindowSize(window, &w, &h);
  if (w != desktop.w || h != desktop.h) GTEST_SKIP() << "the video driver keeps the window size";
  const int scale = std::min(w / 640, h / 480);
  ASSERT_GE(scale, 1);
  const int left = (w - 640 * scale) / 2, top = (h - 480 * scale) / 2;
  struct Press {
    int x, y;
  };
  for (const Press& p : {Press{left - 1, top + 10}, Press{left + 10 * scale, top + 20 * scale},
                         Press{left + 639 * scale, top + 479 * scale}}) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = p.x;
    e.button.y = p.y;
    SDL_PushEvent(&e);
  }
  std::vector<omhost::InputEvent> got;
  omhost::InputEvent event;
  while (host->nextInput(event, false))
    if (event.kind == omhost::InputKind::MouseDown) got.push_back(event);
  ASSERT_EQ(got.size(), 2u);  // the press on the bar left of the picture is dropped
  EXPECT_EQ(got[0].x, 10);
  EXPECT_EQ(got[0].y, 20);
  EXPECT_EQ(got[1].x, 639);
  EXPECT_EQ(got[1].y, 479);
  host->setFullScreen(false);
  EXPECT_FALSE(host->fullScreen());
  SDL_GetWindowSize(window, &w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
}

// Without a display it can reach and without OM_HOST a program says so and stops, rather than
// running where nobody sees it: SDL itself would fall back to drawing nowhere when the display
// a DISPLAY names does not answer.
TEST(HostChoiceTest, WithoutADisplayAProgramSaysSoAndStops)
{
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Row {
    const char* display;  // null: none named
    const char* said;
  };
  const Row rows[] = {
      {nullptr, "^om: there is no display; .* OM_HOST=headless\n$"},
      {":4093", "om: SDL reached no display \\(DISPLAY=:4093\\)\n"
                "om: no window can be opened on this display; .* OM_HOST=headless\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.display ? row.display : "no display");
    EXPECT_EXIT(
        {
          for (const char* name : {"OM_HOST", "DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"})
            ::unsetenv(name);
          if (row.display) ::setenv("DISPLAY", row.display, 1);
          omhost::setHost(nullptr);
          omhost::host();
        },
        ::testing::ExitedWithCode(1), row.said);
  }
}

}  // namespace
