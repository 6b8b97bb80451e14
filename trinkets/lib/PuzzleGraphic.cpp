#include "trinkets/lib/PuzzleGraphic.h"

#include <cstdlib>

#include "framework/OMIStream.h"
#include "trinkets/lib/OMMultiTrinket.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"

namespace puzzleGraphic {

namespace {

std::unique_ptr<OMAnimation> load(std::uint16_t id, int x, int y)
{
  if (!OMAnimation::animationResolver || id == 0) return nullptr;
  std::unique_ptr<OMIStream> stream = OMAnimation::animationResolver(id);
  if (!stream) return nullptr;
  auto graphic =
      std::make_unique<OMAnimation>(std::move(stream), x, y, OMTrinketWindow::mainHost());
  // A damaged resource has no sequence to show.
  if (graphic->sequenceCount() == 0) return nullptr;
  return graphic;
}

}  // namespace

std::unique_ptr<OMAnimation> make(std::uint16_t id, int x, int y)
{
  std::unique_ptr<OMAnimation> graphic = load(id, x, y);
  if (graphic) graphic->rewind();
  return graphic;
}

OMAnimation* of(const OMMultiTrinket& owner)
{
  return dynamic_cast<OMAnimation*>(owner.pieceWithId(pieceId));
}

void replace(OMMultiTrinket& owner, std::uint16_t id, int x, int y, int solid)
{
  if (!OMAnimation::animationResolver) return;
  owner.removePiecesWithId(pieceId);
  // An answer's picture plays as made.
  std::unique_ptr<OMAnimation> graphic = load(id, x, y);
  if (!graphic) return;
  setSolid(graphic.get(), solid);
  owner.addPiece(std::move(graphic), 0, pieceId);
}

void setSolid(OMAnimation* graphic, int solid)
{
  if (graphic) graphic->setRectangleHit(solid != 0);
}

void play(OMAnimation* graphic)
{
  if (!graphic) return;
  graphic->setRepeat(-1);
  graphic->resume();
}

void stop(OMAnimation* graphic)
{
  if (graphic) graphic->pause();
}

void replacePaletteEntry(OMAnimation* graphic)
{
  const auto from = static_cast<std::uint8_t>(std::atoi(popScriptArg()));
  const auto to = static_cast<std::uint8_t>(std::atoi(popScriptArg()));
  if (graphic) graphic->replaceColor(from, to, -2);
}

void showFrame(OMAnimation* graphic, int number)
{
  if (graphic) graphic->goToFrame(number, 1);
}

int frameNumber(const OMAnimation* graphic)
{
  return graphic ? graphic->frameNumber() : 0;
}

}  // namespace puzzleGraphic
