// A small program on the framework: the 640x480 frame with one child window, a picture drawn
// offscreen every pass and copied to the window. With the SDL host it shows a real window and
// runs until closed; "--passes N" ends it after N passes (CI runs it headless that way) and
// the exit status says whether the window shows the last picture.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/OMApp.h"
#include "framework/OMAppInitTerm.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMTask.h"
#include "framework/OMWindow.h"
#include "framework/OMWndCanvas.h"

namespace {

struct Example {
  OMWindow* window = nullptr;
  OMMemCanvas* offscreen = nullptr;
  long passes = 0;
  long limit = 0;
  int boxX = 0;
};

Example example;
constexpr int boxY = 200;
constexpr int boxSize = 40;
const OMRGBColor boxColor = OMRGBColor::fromBytes(255, 160, 0);

OMWord drawPass(OMWord)
{
  OMMemCanvas& canvas = *example.offscreen;
  canvas.setBackground(OMRGBColor::fromBytes(0, 0, 96));
  example.boxX = static_cast<int>(example.passes * 4 % (640 - boxSize));
  canvas.setFillColor(boxColor);
  canvas.setFrame(false);
  canvas.drawRect(OMRect(example.boxX, boxY, example.boxX + boxSize, boxY + boxSize));
  example.window->canvas()->copyBits(&canvas, 0, 0, 640, 480, 0, 0, SRCCOPY, nullptr);
  ++example.passes;
  if (example.limit > 0 && example.passes >= example.limit) OMApp::instance()->quit();
  return 0;
}

// Whether the window shows the box of the last pass.
bool windowShowsTheBox()
{
  HDC dc = GetDC(example.window->handle());
  const COLORREF inside = GetPixel(dc, example.boxX + boxSize / 2, boxY + boxSize / 2);
  const COLORREF outside = GetPixel(dc, example.boxX + boxSize / 2, boxY - 5);
  ReleaseDC(example.window->handle(), dc);
  return GetRValue(inside) > 200 && GetGValue(inside) > 120 && GetBValue(inside) < 40 &&
         GetBValue(outside) > 60;
}

}  // namespace

int main(int argc, char** argv)
{
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--passes") == 0) example.limit = std::atol(argv[i + 1]);
  OMAppInitTerm::runInits();
  OMApp::setFrameClassName("OMFrameExample");
  int status = 0;
  {
    OMApp app(3, OMRect(0, 0, 640, 480), OMRGBColor(), 16, 0);
    OMWindow window(OMRect(0, 0, 640, 480), 0, 0);
    OMMemCanvas offscreen(640, 480, 16, 0);
    example.window = &window;
    example.offscreen = &offscreen;
    window.activate();
    const OMLinkToFct link(&drawPass);
    OMTask task(&link, 100);
    app.addTask(&task);
    app.run();
    if (example.limit > 0) {
      status = example.passes == example.limit && windowShowsTheBox() ? 0 : 1;
      std::printf("%ld passes, %s\n", example.passes,
                  status == 0 ? "the window shows the picture" : "the picture is missing");
    }
  }
  OMAppInitTerm::runTerms();
  return status;
}
