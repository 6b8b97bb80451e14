#pragma once

#include "game/MazeItem.h"

class MazeGate;

// One end of a pair of warps: a car that meets it arrives at its partner's (wx, wy). Its
// animation plays only while its screen is shown.
class MazeWarp : public MazeItem {
 public:
  MazeWarp() : MazeItem(warp) {}

  void show() override;
  void hide() override;

  MazeWarp* partner = nullptr;
  MazeGate* linkedGate = nullptr;
  int wx = 0;
  int wy = 0;
};
