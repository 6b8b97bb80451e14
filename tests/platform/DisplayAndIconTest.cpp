#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "platform/src/user/Cursor.h"
#include "tests/platform/GdiTestCanvas.h"
#include "tests/support/WindowTestSupport.h"

// The assessment program reads the depth of display n from CreateDCA("\\.\Display<n>"); on
// Windows the display names count from 1 and "DISPLAY" as the driver names the whole screen.
TEST(DisplayContextTest, DisplayNamesGiveAScreenContextWithItsDepth)
{
  omtest::startSession();
  for (LPCSTR device : {"\\\\.\\Display1", "\\\\.\\DISPLAY2"}) {
    HDC dc = CreateDCA(nullptr, device, nullptr, nullptr);
    ASSERT_NE(dc, nullptr) << device;
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 16);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 640);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 480);
    EXPECT_TRUE(DeleteDC(dc));
  }
  HDC byDriver = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  ASSERT_NE(byDriver, nullptr);
  EXPECT_TRUE(DeleteDC(byDriver));

  for (LPCSTR device : {"\\\\.\\Display0", "\\\\.\\Display", "\\\\.\\Display1x", "LPT1:"})
    EXPECT_EQ(CreateDCA(nullptr, device, nullptr, nullptr), nullptr) << device;
  EXPECT_EQ(CreateDCA("WINSPOOL", nullptr, nullptr, nullptr), nullptr);
}

// A minimised window paints its icon with DrawIcon: the icon's opaque pixels land at (x, y),
// the pixels under its mask leave the background alone.
TEST(DrawIconTest, OnlyOpaquePixelsAreDrawnAtTheGivenCorner)
{
  omtest::startSession();
  auto image = std::make_unique<omuser::Cursor>();
  image->isIcon = true;
  image->width = 2;
  image->height = 2;
  image->pixels = {0xFFFF0000u, 0x000000FFu, 0x00000000u, 0x800000FFu};
  HICON icon = omuser::CursorTable::instance().add(std::move(image));

  omtest::GdiTestCanvas canvas(4, 3, 32);
  canvas.fill(RGB(255, 255, 255));
  EXPECT_TRUE(DrawIcon(canvas.dc(), 1, 1, icon));
  const COLORREF white = RGB(255, 255, 255);
  omtest::expectPicture("draw_icon", 4, 3, canvas.pixels(),
                        {white, white, white, white,           //
                         white, RGB(255, 0, 0), white, white,  //
                         white, white, RGB(0, 0, 255), white});
  EXPECT_FALSE(DrawIcon(canvas.dc(), 0, 0, nullptr));
  EXPECT_TRUE(DestroyIcon(icon));
}
