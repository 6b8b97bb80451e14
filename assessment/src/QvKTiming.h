#pragma once

#include <memory>

class OMTrinketWindow;
class RAnimation;

// The racing quiz's clock, timing tables and pictures, in one place so that measured values
// can replace the tables' made-up rows.
namespace qvk {

// Ticks of 1/60 second since the system started.
long ticks();
// The speed setting indexes every table clamped to 1 to 5.
int clampedSpeed(int speed);
// Road frames per second of a speed setting.
int roadSpeedOf(int speed);
// Ticks between the steps of a sign moving off the road.
int moveOffDelay(int speed);
// Ticks that sign frame f (1 to 18 for words, 1 to 23 for signs that start with a digit)
// lasts at that speed.
int signFrameDelay(int speed, bool digitSign, int frame);
// How fast a sign falls at its frame.
int fallOf(int frame);

// An animation of the program's resources (ASEQ by id), paused and shown at frame 1, or null.
std::unique_ptr<RAnimation> loadAnimation(int id, int x, int y, OMTrinketWindow* host);
// Shows frame n (1-based) of the animation's sequence.
void showFrame(RAnimation& animation, int frame);

}  // namespace qvk
