#include "trinkets/lib/RPentominoPiece.h"

#include "framework/OMIStream.h"

namespace {

// Twelve pieces of eight orientations each: 0-3 are orientation 0 turned clockwise 0-3
// quarter turns, 4-7 those mirrored left to right, every grid moved to its top-left corner.
constexpr char shapeTable[] =
    // 1
    "XX----X---XX-------------"
    "X-X--XXX-----------------"
    "XX---X----XX-------------"
    "XXX--X-X-----------------"
    "XX---X----XX-------------"
    "X-X--XXX-----------------"
    "XX----X---XX-------------"
    "XXX--X-X-----------------"
    // 2
    "-X---XXX---X-------------"
    "-X---XXX---X-------------"
    "-X---XXX---X-------------"
    "-X---XXX---X-------------"
    "-X---XXX---X-------------"
    "-X---XXX---X-------------"
    "-X---XXX---X-------------"
    "-X---XXX---X-------------"
    // 3
    "XX----XX----X------------"
    "--X---XX--XX-------------"
    "X----XX----XX------------"
    "-XX--XX---X--------------"
    "-XX--XX---X--------------"
    "X----XX----XX------------"
    "--X---XX--XX-------------"
    "XX----XX----X------------"
    // 4
    "XX---XXX-----------------"
    "XX---XX---X--------------"
    "XXX---XX-----------------"
    "-X---XX---XX-------------"
    "-XX--XXX-----------------"
    "XX---XX----X-------------"
    "XXX--XX------------------"
    "X----XX---XX-------------"
    // 5
    "-X---XXX--X--------------"
    "XX----XX---X-------------"
    "--X--XXX---X-------------"
    "-X---XX----XX------------"
    "-X---XXX----X------------"
    "-XX--XX----X-------------"
    "X----XXX---X-------------"
    "-X----XX--XX-------------"
    // 6
    "X----XXX--X--------------"
    "XXX---X----X-------------"
    "--X--XXX----X------------"
    "-X----X---XXX------------"
    "--X--XXX----X------------"
    "XXX---X----X-------------"
    "X----XXX--X--------------"
    "-X----X---XXX------------"
    // 7
    "--X----X--XXX------------"
    "X----X----XXX------------"
    "XXX--X----X--------------"
    "XXX----X----X------------"
    "X----X----XXX------------"
    "--X----X--XXX------------"
    "XXX----X----X------------"
    "XXX--X----X--------------"
    // 8
    "XX----X----XX------------"
    "--X--XXX--X--------------"
    "XX----X----XX------------"
    "--X--XXX--X--------------"
    "-XX---X---XX-------------"
    "X----XXX----X------------"
    "-XX---X---XX-------------"
    "X----XXX----X------------"
    // 9
    "XXXX----X----------------"
    "-X----X----X---XX--------"
    "X----XXXX----------------"
    "XX---X----X----X---------"
    "XXXX-X-------------------"
    "X----X----X----XX--------"
    "---X-XXXX----------------"
    "XX----X----X----X--------"
    // 10
    "--XX-XXX-----------------"
    "X----X----XX----X--------"
    "-XXX-XX------------------"
    "X----XX----X----X--------"
    "XX----XXX----------------"
    "-X----X---XX---X---------"
    "XXX----XX----------------"
    "-X---XX---X----X---------"
    // 11
    "X----XX---X----X---------"
    "XXXX---X-----------------"
    "-X----X---XX----X--------"
    "-X---XXXX----------------"
    "-X---XX----X----X--------"
    "XXXX--X------------------"
    "X----X----XX---X---------"
    "--X--XXXX----------------"
    // 12
    "XXXXX--------------------"
    "X----X----X----X----X----"
    "XXXXX--------------------"
    "X----X----X----X----X----"
    "XXXXX--------------------"
    "X----X----X----X----X----"
    "XXXXX--------------------"
    "X----X----X----X----X----";
static_assert(sizeof shapeTable - 1 == RPentominoPiece::pieceCount *
                                           RPentominoPiece::orientationCount *
                                           RPentominoPiece::gridCells);

constexpr int drawDirections[RPentominoPiece::orientationCount] = {0, 4, 3, 7, 1, 5, 2, 6};

}  // namespace

const char* RPentominoPiece::shapesOf(int number)
{
  if (number < 1 || number > pieceCount) return nullptr;
  return shapeTable + (number - 1) * orientationCount * gridCells;
}

int RPentominoPiece::drawDirectionOf(int orientation)
{
  return drawDirections[orientation & 7];
}

RPentominoPiece::RPentominoPiece(const char* shapes, std::unique_ptr<OMIStream> animation,
                                 OMTrinketWindow* host)
    : OMAnimation(std::move(animation), noPosition, noPosition, host), shapes_(shapes)
{
}

RPentominoPiece::~RPentominoPiece() = default;

int RPentominoPiece::shapeWidth() const
{
  const char* grid = shape();
  int width = 0;
  for (int i = 0; i < gridCells; ++i)
    if (grid[i] == 'X' && i % gridSize + 1 > width) width = i % gridSize + 1;
  return width;
}

int RPentominoPiece::shapeHeight() const
{
  const char* grid = shape();
  int height = 0;
  for (int i = 0; i < gridCells; ++i)
    if (grid[i] == 'X') height = i / gridSize + 1;
  return height;
}

void RPentominoPiece::applyOrientation(int k)
{
  orientation_ = k;
  setDrawDirection(drawDirections[k]);
}

void RPentominoPiece::flip()
{
  applyOrientation((orientation_ + 4) % orientationCount);
}

void RPentominoPiece::rotate()
{
  // Mirrored, a clockwise turn runs the other way round the table.
  if (orientation_ < 4) {
    applyOrientation((orientation_ + 1) % 4);
  } else {
    applyOrientation(4 + (orientation_ - 4 + 3) % 4);
  }
}

void RPentominoPiece::setOrientation(int k)
{
  if (k >= 0 && k < orientationCount) applyOrientation(k);
}

void RPentominoPiece::goHome()
{
  const OMRect area = rect();
  setPosition(homeBox_.left() + (homeBox_.width() - area.width()) / 2,
              homeBox_.bottom() - area.height());
}
