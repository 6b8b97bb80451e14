#include "trinkets/lib/RPentominoGame.h"

#include <algorithm>
#include <cstring>

#include <windows.h>

#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RPentominoGame", &RPentominoGame::create);

constexpr char freeCell = '-';
constexpr char coveredCell = 'X';
constexpr int pickedUpZ = 10000;

int textNumber(OMWord text)
{
  return std::atoi(reinterpret_cast<const char*>(text));
}

RPentominoPiece* asPiece(OMWord word)
{
  return reinterpret_cast<RPentominoPiece*>(word);
}

}  // namespace

RPentominoGame::CursorLookup RPentominoGame::cursorLookup_ = nullptr;
RPentominoGame::SoundPlayer RPentominoGame::soundPlayer_ = nullptr;
RPentominoGame::SoundStopper RPentominoGame::soundStopper_ = nullptr;

RPentominoGame::RPentominoGame(int x, int y, int z, OMTrinketWindow* host) : OMTrinket(host, 2)
{
  board_.assign(std::size_t(cellsH_) * std::size_t(cellsV_), freeCell);
  solution_ = board_;
  setRect(OMRect(x, y, x, y));
  if (z != this->z()) setZ(z);
  setMovable(0);
  setConfined(0);
  setTrackingCursor(nullptr);
  setHoverCursor(nullptr);
}

RPentominoGame::~RPentominoGame()
{
  stop();
  transformLatch_ = nullptr;
  flipper_.reset();
  rotater_.reset();
  solutionBox_.reset();
  for (auto& piece : pieces_)
    piece.reset();
}

std::unique_ptr<OMScriptableObject> RPentominoGame::create()
{
  const int x = clampCoordinate(std::atoi(popScriptArg()));
  const int y = clampCoordinate(std::atoi(popScriptArg()));
  const int z = std::atoi(popScriptArg());
  return std::make_unique<RPentominoGame>(x, y, z, OMTrinketWindow::mainHost());
}

void RPentominoGame::registerMembers()
{
  using Link = OMLinkToObj<RPentominoGame>;
  using G = RPentominoGame;
  OMTrinket::registerMembers();
  const auto property = [this](const char* name, Link::MemberFnWithArg set,
                               Link::MemberFnWithArg get) {
    const Link setter(this, set, 0), getter(this, get, 0);
    addProperty(name, set ? &setter : nullptr, &getter);
  };
  property("cellsH", &G::setCellCount<&G::cellsH_>, &G::getInt<&G::cellsH_>);
  property("cellsV", &G::setCellCount<&G::cellsV_>, &G::getInt<&G::cellsV_>);
  property("cellHeight", &G::setCellSize<&G::cellHeight_>, &G::getInt<&G::cellHeight_>);
  property("cellWidth", &G::setCellSize<&G::cellWidth_>, &G::getInt<&G::cellWidth_>);
  property("flipperGraphicID", &G::setFlipper, &G::getFlipper);
  property("pieceCellX", nullptr, &G::getPieceCellX);
  property("pieceCellY", nullptr, &G::getPieceCellY);
  property("pieceFlippedSoundID", &G::setSound<&G::pieceFlippedSoundID_>,
           &G::getSound<&G::pieceFlippedSoundID_>);
  property("pieceGoHomeSoundID", &G::setSound<&G::pieceGoHomeSoundID_>,
           &G::getSound<&G::pieceGoHomeSoundID_>);
  property("pieceGrabAOCursorID", &G::setGrabCursor, &G::getSound<&G::pieceGrabAOCursorID_>);
  property("pieceGraphicID", &G::setPieceGraphic, &G::getPieceGraphic);
  property("pieceIsAnchored", &G::setAnchored, &G::getAnchored);
  property("piecePickedUpSoundID", &G::setSound<&G::piecePickedUpSoundID_>,
           &G::getSound<&G::piecePickedUpSoundID_>);
  property("pieceRotatedSoundID", &G::setSound<&G::pieceRotatedSoundID_>,
           &G::getSound<&G::pieceRotatedSoundID_>);
  property("pieceSnappedSoundID", &G::setSound<&G::pieceSnappedSoundID_>,
           &G::getSound<&G::pieceSnappedSoundID_>);
  property("pieceSpotAOCursorID", &G::setSpotCursor, &G::getSound<&G::pieceSpotAOCursorID_>);
  property("piecesVisible", &G::setPiecesVisible, &G::getInt<&G::piecesVisible_>);
  property("pieceView", &G::setPieceView, &G::getPieceView);
  property("rotaterGraphicID", &G::setRotater, &G::getRotater);
  property("solutionBoxGraphicID", &G::setSolutionBox, &G::getSolutionBox);
  addMethod("reset", Link(this, &G::resetMember));
  addMethod("setPieceCellXY", Link(this, &G::setPieceCellXYMember));
  addMethod("setPieceHomeBox", Link(this, &G::setPieceHomeBoxMember));
  addMethod("setSolutionString", Link(this, &G::setSolutionStringMember));
  addMethod("stamp", Link(this, &G::stampMember));
  addMethod("unstamp", Link(this, &G::unstampMember));
  addEvent("piecePickedUp");
  addEvent("solved");
}

// Rounds half-way values up, negative ones too.
int RPentominoGame::roundDiv(std::int64_t a, int b)
{
  const std::int64_t q = a >= 0 ? (a + b / 2) / b : (a - b / 2 + 1) / b;
  return static_cast<int>(std::clamp<std::int64_t>(q, INT32_MIN, INT32_MAX));
}

RPentominoGame::Cell RPentominoGame::pieceCell(const RPentominoPiece& piece) const
{
  Cell cell;
  // Without a cell size no piece lies on the board.
  if (cellWidth_ < 1 || cellHeight_ < 1) return cell;
  cell.column = roundDiv(std::int64_t(piece.x()) - x(), cellWidth_);
  cell.row = roundDiv(std::int64_t(piece.y()) - y(), cellHeight_);
  cell.onBoard = cell.column >= 0 && std::int64_t(cell.column) + piece.shapeWidth() <= cellsH_ &&
                 cell.row >= 0 && std::int64_t(cell.row) + piece.shapeHeight() <= cellsV_;
  return cell;
}

bool RPentominoGame::fits(const RPentominoPiece& piece, int column, int row) const
{
  const char* grid = piece.shape();
  for (int i = 0; i < RPentominoPiece::gridSize; ++i) {
    for (int j = 0; j < RPentominoPiece::gridSize; ++j) {
      if (grid[i * RPentominoPiece::gridSize + j] != coveredCell) continue;
      const std::int64_t r = std::int64_t(row) + i, c = std::int64_t(column) + j;
      if (r < 0 || r >= cellsV_ || c < 0 || c >= cellsH_) return false;
      if (board_[std::size_t(r * cellsH_ + c)] != freeCell) return false;
    }
  }
  return true;
}

RPentominoPiece* RPentominoGame::piece(int number) const
{
  return number >= 1 && number <= RPentominoPiece::pieceCount ? pieces_[number - 1].get() : nullptr;
}

int RPentominoGame::indexOf(const RPentominoPiece* piece) const
{
  for (int i = 0; i < RPentominoPiece::pieceCount; ++i)
    if (pieces_[i].get() == piece) return i;
  return -1;
}

void RPentominoGame::markCells(const char* grid, int column, int row, char mark)
{
  for (int i = 0; i < RPentominoPiece::gridSize; ++i) {
    for (int j = 0; j < RPentominoPiece::gridSize; ++j) {
      if (grid[i * RPentominoPiece::gridSize + j] != coveredCell) continue;
      const std::int64_t r = std::int64_t(row) + i, c = std::int64_t(column) + j;
      if (r >= 0 && r < cellsV_ && c >= 0 && c < cellsH_)
        board_[std::size_t(r * cellsH_ + c)] = mark;
    }
  }
}

void RPentominoGame::liftPiece(RPentominoPiece* piece)
{
  const int index = indexOf(piece);
  if (index < 0 || !placements_[index].placed) return;
  Placement& placement = placements_[index];
  const char* grid =
      RPentominoPiece::shapesOf(index + 1) + placement.orientation * RPentominoPiece::gridCells;
  markCells(grid, placement.column, placement.row, freeCell);
  placement.placed = false;
}

bool RPentominoGame::placePiece(RPentominoPiece* piece, int column, int row)
{
  const int index = indexOf(piece);
  if (index < 0) return true;
  piece->setPosition(clampCoordinate(std::int64_t(x()) + std::int64_t(column) * cellWidth_),
                     clampCoordinate(std::int64_t(y()) + std::int64_t(row) * cellHeight_));
  markCells(piece->shape(), column, row, coveredCell);
  placements_[index] = Placement{true, column, row, piece->orientation()};
  if (board_ != solution_) return true;
  const std::weak_ptr<int> alive = alive_;
  raise("solved");
  return !alive.expired();
}

void RPentominoGame::playSound(std::int16_t id) const
{
  if (id != -1 && soundPlayer_) soundPlayer_(static_cast<std::uint16_t>(id), nullptr, 0);
}

OMWord RPentominoGame::pickUp(OMWord word)
{
  RPentominoPiece* piece = asPiece(word);
  piece->setZ(pickedUpZ);
  liftPiece(piece);
  playSound(piecePickedUpSoundID_);
  raise("piecePickedUp");
  return 0;
}

OMWord RPentominoGame::pieceMoved(OMWord word)
{
  RPentominoPiece* piece = asPiece(word);
  const bool overFlipper = flipper_ && piece->intersects(*flipper_);
  const bool overRotater = rotater_ && piece->intersects(*rotater_);
  if (!transformLatch_ && overFlipper) {
    transformLatch_ = piece;
    piece->flip();
    playSound(pieceFlippedSoundID_);
  } else if (!transformLatch_ && overRotater) {
    transformLatch_ = piece;
    piece->rotate();
    playSound(pieceRotatedSoundID_);
  } else if (transformLatch_ && !overFlipper && !overRotater) {
    transformLatch_ = nullptr;
  }
  return 0;
}

OMWord RPentominoGame::drop(OMWord word)
{
  RPentominoPiece* piece = asPiece(word);
  piece->setZ(z() + 1);
  const Cell cell = pieceCell(*piece);
  if (cell.onBoard && fits(*piece, cell.column, cell.row)) {
    if (placePiece(piece, cell.column, cell.row)) playSound(pieceSnappedSoundID_);
  } else {
    piece->goHome();
    playSound(pieceGoHomeSoundID_);
  }
  return 0;
}

void RPentominoGame::setRectFromCells()
{
  const auto far = [](int from, std::int64_t size) {
    return clampCoordinate(std::int64_t(from) + size);
  };
  setRect(OMRect(x(), y(), far(x(), std::int64_t(cellsH_) * cellWidth_),
                 far(y(), std::int64_t(cellsV_) * cellHeight_)));
}

// Unstamps to redraw, then puts the stamped flag back without stamping again.
void RPentominoGame::redrawKeepingStamp(bool invalidateToo)
{
  const int wasStamped = isRunning();
  stop();
  setRectFromCells();
  if (invalidateToo) invalidate();
  setRunning(wasStamped);
}

void RPentominoGame::resize(int& field, int value)
{
  if (value < 1 || value == field) return;
  const std::int64_t cells = std::int64_t(value) * (&field == &cellsH_ ? cellsV_ : cellsH_);
  if (cells > maxCells) return;
  field = value;
  board_.assign(std::size_t(cells), freeCell);
  solution_.assign(std::size_t(cells), freeCell);
  placements_.fill(Placement{});
  redrawKeepingStamp(false);
}

std::unique_ptr<OMAnimation> RPentominoGame::makeGraphic(int id) const
{
  if (!OMAnimation::animationResolver) return nullptr;
  std::unique_ptr<OMIStream> stream = OMAnimation::animationResolver(id);
  if (!stream) return nullptr;
  auto graphic = std::make_unique<OMAnimation>(std::move(stream), noPosition, noPosition, window());
  graphic->setResourceId(id);
  graphic->setMovable(0);
  graphic->setTouchy(0);
  graphic->setConfined(0);
  return graphic;
}

OMWord RPentominoGame::getFlipper(OMWord buffer)
{
  return writeNumber(buffer, flipper_ ? flipper_->resourceId() : -1);
}

OMWord RPentominoGame::getRotater(OMWord buffer)
{
  return writeNumber(buffer, rotater_ ? rotater_->resourceId() : -1);
}

OMWord RPentominoGame::getSolutionBox(OMWord buffer)
{
  return writeNumber(buffer, solutionBox_ ? solutionBox_->resourceId() : -1);
}

OMWord RPentominoGame::setFlipper(OMWord text)
{
  if (auto graphic = makeGraphic(static_cast<std::int16_t>(textNumber(text)))) {
    graphic->setZ(z());
    flipper_ = std::move(graphic);
  }
  return 1;
}

OMWord RPentominoGame::setRotater(OMWord text)
{
  if (auto graphic = makeGraphic(static_cast<std::int16_t>(textNumber(text)))) {
    graphic->setZ(z());
    rotater_ = std::move(graphic);
  }
  return 1;
}

OMWord RPentominoGame::setSolutionBox(OMWord text)
{
  auto graphic = makeGraphic(static_cast<std::int16_t>(textNumber(text)));
  if (!graphic) return 1;
  graphic->setVisible(0);
  solutionBox_ = std::move(graphic);
  redrawKeepingStamp(true);
  return 1;
}

int RPentominoGame::popPieceNumber()
{
  const int number = std::atoi(popScriptArg());
  return number >= 1 && number <= RPentominoPiece::pieceCount ? number : 0;
}

// The column or row of the piece named by the script argument; empty when it is not on the
// board.
OMWord RPentominoGame::writePieceCell(OMWord buffer, bool column)
{
  const RPentominoPiece* p = piece(popPieceNumber());
  const Cell cell = p ? pieceCell(*p) : Cell{};
  if (!cell.onBoard) return writeText(buffer, "");
  return writeNumber(buffer, column ? cell.column : cell.row);
}

OMWord RPentominoGame::getPieceCellX(OMWord buffer)
{
  return writePieceCell(buffer, true);
}

OMWord RPentominoGame::getPieceCellY(OMWord buffer)
{
  return writePieceCell(buffer, false);
}

void RPentominoGame::applyCursors(RPentominoPiece* p, bool tracking, bool hover) const
{
  if (!cursorLookup_ || !p) return;
  if (tracking) {
    p->setTrackingCursor(pieceGrabAOCursorID_ == -1
                             ? OMTrinket::defaultTrackingCursor()
                             : cursorLookup_(static_cast<std::uint16_t>(pieceGrabAOCursorID_)));
  }
  if (hover) {
    p->setHoverCursor(pieceSpotAOCursorID_ == -1
                          ? OMTrinket::defaultHoverCursor()
                          : cursorLookup_(static_cast<std::uint16_t>(pieceSpotAOCursorID_)));
  }
}

OMWord RPentominoGame::setGrabCursor(OMWord text)
{
  pieceGrabAOCursorID_ = static_cast<std::int16_t>(textNumber(text));
  for (auto& p : pieces_)
    applyCursors(p.get(), true, false);
  return 1;
}

OMWord RPentominoGame::setSpotCursor(OMWord text)
{
  pieceSpotAOCursorID_ = static_cast<std::int16_t>(textNumber(text));
  for (auto& p : pieces_)
    applyCursors(p.get(), false, true);
  return 1;
}

OMWord RPentominoGame::getPieceGraphic(OMWord buffer)
{
  const int number = popPieceNumber();
  if (!number) return writeText(buffer, "");
  const RPentominoPiece* p = piece(number);
  return writeNumber(buffer, p ? p->resourceId() : -1);
}

OMWord RPentominoGame::setPieceGraphic(OMWord text)
{
  const int number = popPieceNumber();
  if (!number || !OMAnimation::animationResolver) return 1;
  const auto id = static_cast<std::int16_t>(textNumber(text));
  std::unique_ptr<OMIStream> stream = OMAnimation::animationResolver(id);
  if (!stream) return 1;
  std::unique_ptr<RPentominoPiece>& slot = pieces_[number - 1];
  if (slot) {
    liftPiece(slot.get());
    if (transformLatch_ == slot.get()) transformLatch_ = nullptr;
  }
  slot.reset();
  slot = std::make_unique<RPentominoPiece>(RPentominoPiece::shapesOf(number), std::move(stream),
                                           window());
  RPentominoPiece* p = slot.get();
  p->setZ(z() + 1);
  p->setResourceId(id);
  p->setConfined(0);
  const auto word = reinterpret_cast<OMWord>(p);
  const OMLinkToObj<RPentominoGame> press(this, &RPentominoGame::pickUp, word);
  const OMLinkToObj<RPentominoGame> release(this, &RPentominoGame::drop, word);
  const OMLinkToObj<RPentominoGame> drag(this, &RPentominoGame::pieceMoved, word);
  p->setMouseDownHook(&press);
  p->setMouseUpHook(&release);
  p->setDragHook(&drag);
  applyCursors(p, true, true);
  return 1;
}

OMWord RPentominoGame::getAnchored(OMWord buffer)
{
  const RPentominoPiece* p = piece(popPieceNumber());
  return p ? writeNumber(buffer, p->isTouchy() ? 0 : 1) : writeText(buffer, "");
}

OMWord RPentominoGame::setAnchored(OMWord text)
{
  if (RPentominoPiece* p = piece(popPieceNumber())) p->setTouchy(textNumber(text) == 0 ? 1 : 0);
  return 1;
}

OMWord RPentominoGame::setPiecesVisible(OMWord text)
{
  piecesVisible_ = textNumber(text);
  for (auto& p : pieces_)
    if (p) p->setVisible(piecesVisible_);
  return 1;
}

OMWord RPentominoGame::getPieceView(OMWord buffer)
{
  const int number = popPieceNumber();
  if (!number) return writeText(buffer, "");
  const RPentominoPiece* p = piece(number);
  return writeNumber(buffer, p ? p->orientation() : 0);
}

OMWord RPentominoGame::setPieceView(OMWord text)
{
  RPentominoPiece* p = piece(popPieceNumber());
  if (!p) return 1;
  const Cell cell = pieceCell(*p);
  liftPiece(p);
  p->setOrientation(textNumber(text));
  if (cell.onBoard && fits(*p, cell.column, cell.row)) {
    placePiece(p, cell.column, cell.row);
  } else {
    p->goHome();
  }
  return 1;
}

OMWord RPentominoGame::resetMember()
{
  for (auto& p : pieces_) {
    if (!p || !p->isTouchy() || !pieceCell(*p).onBoard) continue;
    liftPiece(p.get());
    p->goHome();
  }
  return 1;
}

OMWord RPentominoGame::setPieceCellXYMember()
{
  RPentominoPiece* p = piece(popPieceNumber());
  const int column = std::atoi(popScriptArg());
  const int row = std::atoi(popScriptArg());
  if (!p || column < 0 || std::int64_t(column) + p->shapeWidth() > cellsH_ || row < 0 ||
      std::int64_t(row) + p->shapeHeight() > cellsV_)
    return 1;
  liftPiece(p);
  if (fits(*p, column, row)) {
    placePiece(p, column, row);
  } else {
    p->goHome();
  }
  return 1;
}

OMWord RPentominoGame::setPieceHomeBoxMember()
{
  const int number = popPieceNumber();
  int edges[4];
  for (int& edge : edges)
    edge = clampCoordinate(std::atoi(popScriptArg()));
  if (!number) return 1;
  homeBoxes_[number - 1] = OMRect(edges[0], edges[1], edges[2], edges[3]);
  if (RPentominoPiece* p = piece(number)) {
    liftPiece(p);
    p->setHomeBox(homeBoxes_[number - 1]);
    p->goHome();
  }
  return 1;
}

OMWord RPentominoGame::setSolutionStringMember()
{
  const int row = std::atoi(popScriptArg());
  const char* text = popScriptArg();
  const std::size_t length = std::strlen(text);
  if (row < 1 || row > cellsV_ || length > std::size_t(cellsH_)) return 1;
  std::memcpy(solution_.data() + std::size_t(row - 1) * cellsH_, text, length);
  redrawKeepingStamp(true);
  return 1;
}

void RPentominoGame::forEachSolutionCell(const std::function<void(int x, int y)>& draw) const
{
  for (int c = 0; c < cellsH_; ++c)
    for (int r = 0; r < cellsV_; ++r)
      if (solution_[std::size_t(r) * cellsH_ + c] != freeCell)
        draw(clampCoordinate(std::int64_t(x()) + std::int64_t(c) * cellWidth_),
             clampCoordinate(std::int64_t(y()) + std::int64_t(r) * cellHeight_));
}

void RPentominoGame::paint()
{
  OMMemCanvas* canvas = windowCanvas();
  if (!solutionBox_ || !canvas) return;
  OMRect clip = rect();
  if (drawState() == partlyDirty) clip = dirtyRegion().bounds();
  const int image = solutionBox_->currentImageId();
  forEachSolutionCell(
      [&](int px, int py) { solutionBox_->drawImage(image, px, py, canvas, &clip); });
}

void RPentominoGame::start()
{
  if (isRunning()) return;
  if (OMDrawLayer* layer = window() ? window()->background() : nullptr) {
    setRunning(1);
    layer->stamp(rect());
    invalidate();
    if (OMCanvas* canvas = layer->canvas(); canvas && solutionBox_) {
      const int image = solutionBox_->currentImageId();
      // The layer's picture has coordinates of its own.
      const OMRect& picture = layer->imageRect();
      forEachSolutionCell([&](int px, int py) {
        solutionBox_->drawImage(image, px - picture.left(), py - picture.top(), canvas, nullptr);
      });
    }
  }
  setVisible(0);
  setDrawState(clean);
}

void RPentominoGame::stop()
{
  if (!isRunning()) return;
  if (OMDrawLayer* layer = window() ? window()->background() : nullptr) {
    layer->unstamp();
    setRunning(0);
  }
  setVisible(1);
  invalidate();
}

OMWord RPentominoGame::stampMember()
{
  start();
  return 1;
}

OMWord RPentominoGame::unstampMember()
{
  stop();
  return 1;
}
