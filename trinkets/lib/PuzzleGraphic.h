#pragma once

#include <cstdint>
#include <memory>

#include "trinkets/src/OMAnimation.h"

class OMMultiTrinket;

// The animation picture of the puzzle pieces: piece 1 of its multi-piece trinket.
namespace puzzleGraphic {

constexpr int pieceId = 1;

// A container's graphic, reset to its first frame; none when the id is 0, no resolver is
// installed or the id does not resolve.
std::unique_ptr<OMAnimation> make(std::uint16_t id, int x, int y);
OMAnimation* of(const OMMultiTrinket& owner);
// An answer's graphic, only with a resolver installed: replaces the owner's graphic by one of
// the id at the point, playing as made (none for 0 or an id that does not resolve).
void replace(OMMultiTrinket& owner, std::uint16_t id, int x, int y, int solid);
void setSolid(OMAnimation* graphic, int solid);
// Repeats without end and plays.
void play(OMAnimation* graphic);
void stop(OMAnimation* graphic);
// Pops the two colour indices and replaces the first by the second in every image.
void replacePaletteEntry(OMAnimation* graphic);
// The displayable frame, left paused.
void showFrame(OMAnimation* graphic, int number);
int frameNumber(const OMAnimation* graphic);

}  // namespace puzzleGraphic
