#pragma once

#include "game/MazeItem.h"

// A maze item that stops the car.
class MazeBlock : public MazeItem {
 public:
  MazeBlock() : MazeItem(block) {}
};
