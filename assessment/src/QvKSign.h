#pragma once

#include <vector>

#include "framework/OMPoint.h"
#include "framework/OMRect.h"

class OMAnimation;
class OMCanvas;

// The racing quiz's problem sign below the road: a shape of three rectangles in one palette
// colour and, for counting problems, pictures of one row of the picture strip in a layout.
class QvKSign {
 public:
  static constexpr int color = 220;
  // The box the pictures are centred in.
  static constexpr OMRect pictureBox{303, 307, 473, 436};

  // The union of the shape's first two rectangles: what the quiz redraws.
  static OMRect bounds();
  static void paintShape(OMCanvas& canvas);
  // Where pictures of w x h stand: one alone, or count pictures of a grid or pattern layout,
  // the block centred in the box.
  static std::vector<OMPoint> picturePositions(int layout, int count, int w, int h);
  // Paints count pictures of frame `row` of the strip in the layout.
  static void paintPictures(OMCanvas& canvas, OMAnimation& strip, int row, int layout, int count);
};
