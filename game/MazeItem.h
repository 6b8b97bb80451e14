#pragma once

#include <memory>
#include <string>

#include "framework/OMRect.h"
#include "trinkets/src/OMAnimation.h"

// One thing on a maze screen that the car can meet: a block, gate, warp, room or hiding spot.
// The maze's list for its screen owns it.
class MazeItem {
 public:
  enum Kind { block = 0, gate = 1, warp = 2, room = 3, hidingSpot = 4 };

  explicit MazeItem(int itemKind) : kind(itemKind) {}
  virtual ~MazeItem() = default;
  MazeItem(const MazeItem&) = delete;
  MazeItem& operator=(const MazeItem&) = delete;

  // Shows or hides the item's animation, when it has one.
  virtual void show();
  virtual void hide();

  int kind;
  int x = 0;
  int y = 0;
  int screen = 0;
  OMRect rect;
  std::unique_ptr<OMAnimation> animation;
  // A copy: the documents may be read again while the item lives.
  std::string name;
  int orientation = 0;
};
