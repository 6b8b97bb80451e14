#pragma once

#include <memory>

#include "framework/OMRect.h"
#include "trinkets/src/OMAnimation.h"

class OMIStream;

// One draggable piece of the pentomino board: an animation showing the piece, its shape as a
// 5 x 5 grid in one of eight orientations, and the box it goes home to.
class RPentominoPiece : public OMAnimation {
 public:
  static constexpr int gridSize = 5;
  static constexpr int gridCells = gridSize * gridSize;
  static constexpr int orientationCount = 8;
  static constexpr int pieceCount = 12;

  // The 8 grids of piece number 1..12; null for another number.
  static const char* shapesOf(int number);
  // The animation draw direction that shows an orientation.
  static int drawDirectionOf(int orientation);

  RPentominoPiece(const char* shapes, std::unique_ptr<OMIStream> animation, OMTrinketWindow* host);
  ~RPentominoPiece() override;

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }

  int orientation() const { return orientation_; }
  // The grid of the current orientation.
  const char* shape() const { return shapes_ + orientation_ * gridCells; }
  int shapeWidth() const;
  int shapeHeight() const;
  void flip();
  // A quarter turn clockwise.
  void rotate();
  void setOrientation(int k);
  void setHomeBox(const OMRect& box) { homeBox_ = box; }
  const OMRect& homeBox() const { return homeBox_; }
  // Stands on the bottom edge of its box, centred across it.
  void goHome();

 private:
  void applyOrientation(int k);

  int orientation_ = 0;
  OMRect homeBox_;
  const char* shapes_;
};
