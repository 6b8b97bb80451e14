#include "game/OMStageWindow.h"

#include "framework/OMIStream.h"
#include "framework/OMTask.h"

namespace {

PaletteShiftHook paletteShiftHook = nullptr;
StageStreamLoader backgroundLoader = nullptr;
StageStreamLoader paletteLoader = nullptr;

}  // namespace

void installPaletteShiftHook(PaletteShiftHook hook)
{
  paletteShiftHook = hook;
}

void setBackgroundLoader(StageStreamLoader loader)
{
  backgroundLoader = loader;
}

void setPaletteLoader(StageStreamLoader loader)
{
  paletteLoader = loader;
}

void paletteColourShift(OMRGBColor* /*colors*/) {}

OMStageWindow::OMStageWindow(const OMRect& rect, OMWindow* parent, OMDrawLayer* background,
                             int /*reserved*/, int width, int height, int depth, int doubleBuffer)
    : OMTrinketWindow(parent, background, rect, width, height, depth, doubleBuffer)
{
}

OMStageWindow::~OMStageWindow() = default;

void OMStageWindow::doubleClick()
{
  OMTrinketWindow::doubleClick();
}

void OMStageWindow::mouseMove()
{
  OMTrinketWindow::mouseMove();
}

void OMStageWindow::frameStep()
{
  OMTrinketWindow::frameStep();
}

void OMStageWindow::displayScreen(int /*skipRedraw*/) {}

void OMStageWindow::goToBlack() {}

bool OMStageWindow::scene(std::uint16_t /*backgroundId*/, std::uint16_t /*paletteId*/)
{
  return false;
}

bool OMStageWindow::loadPalette(std::uint16_t /*paletteId*/)
{
  return false;
}

void OMStageWindow::dissolve(int /*duration*/, int /*mode*/, const OMLink* /*finished*/) {}

void OMStageWindow::iris(int /*duration*/, const OMPoint& /*centre*/, int /*targetRadius*/,
                         const OMLink* /*finished*/)
{
}

void OMStageWindow::wipe(int /*direction*/, int /*duration*/, int /*mode*/,
                         const OMLink* /*finished*/)
{
}

void OMStageWindow::shake(int /*duration*/, int /*xAmplitude*/, int /*yAmplitude*/,
                          const OMLink* /*finished*/)
{
}

void OMStageWindow::endEffect(bool /*notify*/) {}

OMWord OMStageWindow::paintHandler()
{
  repaintWindow();
  return 0;
}
