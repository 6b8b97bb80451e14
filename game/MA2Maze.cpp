#include "game/MA2Maze.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <windows.h>

#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMSystem.h"
#include "framework/OMXMLDocument.h"
#include "game/GameResources.h"
#include "game/GlobalSoundFunctions.h"
#include "game/MA2Bezel.h"
#include "game/MazeDataLoader.h"
#include "game/MazeGate.h"
#include "game/MazeWarp.h"
#include "game/OMStageWindow.h"
#include "game/WorldField.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

TrinketRecord mazeRecord("MA2Maze", &MA2Maze::create, TrinketRecord::gameEditionOnly);

constexpr int stageWidth = 640, stageHeight = 480;
constexpr int carZ = 10;
constexpr int carInset = 3;
constexpr int bezelHoldSeconds = 25;
// Where a car crossing an edge enters the next screen.
constexpr int enterFromRight = stageWidth - 85, enterFromLeft = 90;
constexpr int enterFromBelow = stageHeight - 65, enterFromAbove = 65;
constexpr std::uint32_t leftArrow = 0xE809, upArrow = 0xE80A, rightArrow = 0xE80B,
                        downArrow = 0xE80C;
enum Keys { upKey = 1, downKey = 2, leftKey = 4, rightKey = 8 };

// A move: the keys held, the direction shown, the unit step and the slide tried beside it.
struct Move {
  int keys, direction, ux, uy, sx, sy;
};
constexpr Move moves[] = {
    {upKey, 0, 0, -1, 1, 0},
    {downKey, 4, 0, 1, 1, 0},
    {leftKey, 6, -1, 0, 0, 1},
    {leftKey | upKey, 7, -1, -1, 0, 0},
    {leftKey | downKey, 5, -1, 1, 0, 0},
    {rightKey, 2, 1, 0, 0, 1},
    {rightKey | upKey, 1, 1, -1, 0, 0},
    {rightKey | downKey, 3, 1, 1, 0, 0},
};

const Move* moveFor(int keys)
{
  for (const Move& move : moves)
    if (move.keys == keys) return &move;
  return nullptr;
}

int numberArgument()
{
  return decimalValueOf(popScriptArg());
}

std::vector<MA2Maze*>& liveMazes()
{
  static std::vector<MA2Maze*> mazes;
  return mazes;
}

std::unique_ptr<OMXMLDocument> readDocument(const char* name)
{
  const int id = decimalValueOf(name);
  if (id != 0) return std::make_unique<OMXMLDocument>(id);
  return std::make_unique<OMXMLDocument>(name ? name : "");
}

}  // namespace

MA2Maze::MA2Maze(int level, int set, OMTrinketWindow* host)
    : host_(host), level_(level < 1 || level > 4 ? 1 : level), set_(set)
{
  std::unique_ptr<OMIStream> stream =
      OMAnimation::animationResolver ? OMAnimation::animationResolver(carId) : nullptr;
  if (stream) {
    car_ = std::make_unique<OMAnimation>(std::move(stream), OMTrinket::noPosition,
                                         OMTrinket::noPosition, host);
    car_->setZ(carZ);
    car_->hide();
    car_->setMovable(0);
    const OMLinkToObj<MA2Maze> click(this, &MA2Maze::raiseCarClick);
    car_->setMouseDownHook(&click);
    car_->setHoverCursor(defaultCursor());
    hotX_ = car_->rect().width() / 2;
    hotY_ = car_->rect().height() / 2;
  }
  liveMazes().push_back(this);
  if (host_) {
    previousLink_ = cloneLink(host_->frameLink(OMTrinketWindow::frameStartLink));
    const OMLinkToObj<MA2Maze> pass(this, &MA2Maze::frameStep);
    host_->setFrameLink(OMTrinketWindow::frameStartLink, &pass);
  }
  showDirection(direction_, 1);
  placeCar(carX_, carY_);
}

// The link found goes back where this maze's step sits: on the stage, or kept by a maze made
// later.
MA2Maze::~MA2Maze()
{
  *alive_ = false;
  if (bezel_) bezel_->forgetMaze(this);
  auto& mazes = liveMazes();
  mazes.erase(std::remove(mazes.begin(), mazes.end(), this), mazes.end());
  OMLink* current = host_ ? host_->frameLink(OMTrinketWindow::frameStartLink) : nullptr;
  if (current && current->target() == this) {
    host_->setFrameLink(OMTrinketWindow::frameStartLink, previousLink_.get());
  } else {
    for (MA2Maze* later : mazes) {
      if (later->previousLink_ && later->previousLink_->target() == this) {
        later->previousLink_ = std::move(previousLink_);
        break;
      }
    }
  }
  for (ItemList& list : items_)
    list.clear();
  path_.reset();
  car_.reset();
}

std::unique_ptr<OMScriptableObject> MA2Maze::create()
{
  const int level = numberArgument();
  const int set = numberArgument();
  return std::make_unique<MA2Maze>(level, set, OMTrinketWindow::mainHost());
}

std::unique_ptr<OMScriptableObject> MA2Maze::clone() const
{
  return nullptr;
}

void MA2Maze::registerMembers()
{
  using Own = OMLinkToObj<MA2Maze>;
  for (const char* event : {"over", "solved", "carClick", "doorClick", "warpClick", "clue", "gate"})
    addEvent(event);
  addMethod("setMap", Own(this, &MA2Maze::setMapMember));
  addMethod("setPaths", Own(this, &MA2Maze::setPathsMember));
  addMethod("position", Own(this, &MA2Maze::positionMember));
  addMethod("start", Own(this, &MA2Maze::startMember));
  addMethod("stop", Own(this, &MA2Maze::stopMember));
  addMethod("data", Own(this, &MA2Maze::dataMember));
  addMethod("bezel", Own(this, &MA2Maze::bezelMember));
  addMethod("show", Own(this, &MA2Maze::showMember));
  addProperty("sets", nullptr, Own(this, &MA2Maze::getSets, 0));
}

// Script members.

OMWord MA2Maze::setMapMember()
{
  for (int& id : mapIds_)
    id = numberArgument();
  return 1;
}

OMWord MA2Maze::setPathsMember()
{
  for (int& id : pathIds_)
    id = numberArgument();
  return 1;
}

OMWord MA2Maze::positionMember()
{
  const int screen = numberArgument();
  const int x = numberArgument();
  const int y = numberArgument();
  goToScreen(screen, x, y);
  return 1;
}

OMWord MA2Maze::startMember()
{
  running_ = 1;
  if (numberArgument() != 0 && bezel_) {
    bezel_->holdFor(bezelHoldSeconds);
    bezel_->raise();
  }
  return 1;
}

OMWord MA2Maze::stopMember()
{
  running_ = 0;
  return 1;
}

OMWord MA2Maze::dataMember()
{
  const std::string layout = popScriptArg();
  const std::string definitions = popScriptArg();
  loadData(layout.c_str(), definitions.c_str());
  return 1;
}

OMWord MA2Maze::bezelMember()
{
  const std::string name = popScriptArg();
  setBezel(dynamic_cast<MA2Bezel*>(scriptVariables.getObjectByName(name.c_str())));
  return 1;
}

OMWord MA2Maze::showMember()
{
  return 1;
}

OMWord MA2Maze::getSets(OMWord buffer)
{
  return writeNumber(buffer, setCount_);
}

void MA2Maze::setBezel(MA2Bezel* bezel)
{
  if (bezel_ && bezel_ != bezel) bezel_->forgetMaze(this);
  bezel_ = bezel;
  if (bezel_) bezel_->setMaze(this);
}

// Links of the items and the car.

OMWord MA2Maze::raiseSolved()
{
  raise("solved");
  return 0;
}

OMWord MA2Maze::raiseDoorClick()
{
  raise("doorClick");
  return 0;
}

OMWord MA2Maze::raiseWarpClick()
{
  raise("warpClick");
  return 0;
}

OMWord MA2Maze::raiseCarClick()
{
  raise("carClick");
  return 0;
}

// The documents.

void MA2Maze::loadData(const char* layout, const char* definitions)
{
  loadDocuments(readDocument(layout), readDocument(definitions));
}

void MA2Maze::loadDocuments(std::unique_ptr<OMXMLDocument> layout,
                            std::unique_ptr<OMXMLDocument> definitions)
{
  destination_ = nullptr;
  hidingSpot_ = nullptr;
  layout_ = std::move(layout);
  definitions_ = std::move(definitions);
  for (const auto* document : {layout_.get(), definitions_.get()}) {
    if (!document || document->error() || document->root()->children().isEmpty()) {
      OutputDebugStringA(
          (std::string("MA2Maze: the ") + (document == layout_.get() ? "layout" : "definitions") +
           " document cannot be read (" +
           (document && document->error() ? document->error() : "empty or missing") + ")")
              .c_str());
      return;
    }
  }
  MazeDataLoader loader(*this, *layout_->root(), *definitions_->root());
  set_ = loader.loadLevel(level_, set_);
}

// Items.

void MA2Maze::addItem(std::unique_ptr<MazeItem> item)
{
  if (!item || item->screen < 0 || item->screen >= screenCount) return;
  MazeItem* added = item.get();
  items(item->screen).push_back(std::move(item));
  if (added->screen == screen_) added->show();
}

MazeItem* MA2Maze::findItem(const char* name, int kind) const
{
  if (!name) return nullptr;
  for (const ItemList& list : items_) {
    for (const auto& item : list)
      if ((kind < 0 || item->kind == kind) && item->name == name) return item.get();
  }
  return nullptr;
}

const char* MA2Maze::currentClue() const
{
  if (clueIndex_ < 0 || clueIndex_ >= static_cast<int>(clues_.size())) return nullptr;
  const auto& clue = clues_[static_cast<std::size_t>(clueIndex_)];
  return clue ? clue->c_str() : nullptr;
}

OMRect MA2Maze::carRect() const
{
  return car_ ? car_->rect() : OMRect(carX_, carY_, carX_, carY_);
}

MazeGate* MA2Maze::gateForKey(const OMRect& keyRect) const
{
  if (screen_ < 0) return nullptr;
  const OMRect car = carRect();
  for (const auto& item : items_[static_cast<std::size_t>(screen_)]) {
    if (item->kind != MazeItem::gate) continue;
    auto* gate = static_cast<MazeGate*>(item.get());
    if (!gate->rect.intersects(keyRect) || !gate->keyZone.intersects(car)) continue;
    if (gate->type == 3 && !gate->transformShown) return nullptr;
    return gate;
  }
  return nullptr;
}

// Screens.

bool MA2Maze::isOnPath(int x, int y) const
{
  if (x < 0 || x >= stageWidth || y < 0 || y >= stageHeight) return false;
  return !path_ || path_->colorAt(x, y) != -1;
}

// Above wins at equal distance, then right, down and left. The search ends at the screen's
// extent; a path without a road leaves the point where it is.
void MA2Maze::snapToPath(int& x, int& y) const
{
  x = std::clamp(x, 0, stageWidth - 1);
  y = std::clamp(y, 0, stageHeight - 1);
  for (int d = 0; d < std::max(stageWidth, stageHeight); ++d) {
    if (isOnPath(x, y - d)) {
      y -= d;
      return;
    }
    if (x + d < stageWidth && isOnPath(x + d, y)) {
      x += d;
      return;
    }
    if (y + d < stageHeight && isOnPath(x, y + d)) {
      y += d;
      return;
    }
    if (isOnPath(x - d, y)) {
      x -= d;
      return;
    }
  }
}

void MA2Maze::hideScreen()
{
  if (screen_ < 0) return;
  for (const auto& item : items_[static_cast<std::size_t>(screen_)])
    item->hide();
  path_.reset();
  screen_ = -1;
}

void MA2Maze::goToScreen(int screen, int x, int y)
{
  hideScreen();
  if (screen < 0 || screen >= screenCount) {
    raise("over");
    return;
  }
  screen_ = screen;
  const int map = mapIds_[static_cast<std::size_t>(screen)];
  if (auto* stage = dynamic_cast<OMStageWindow*>(host_))
    stage->scene(static_cast<std::uint16_t>(map), static_cast<std::uint16_t>(map));
  for (const auto& item : items_[static_cast<std::size_t>(screen)])
    item->show();
  const int pathId = pathIds_[static_cast<std::size_t>(screen)];
  std::unique_ptr<OMIStream> stream =
      OMAnimation::animationResolver && pathId ? OMAnimation::animationResolver(pathId) : nullptr;
  if (stream) {
    path_ = std::make_unique<OMAnimation>(std::move(stream), 0, 0, host_);
    path_->setZ(0);
    path_->setTouchy(0);
    path_->hide();
  }
  snapToPath(x, y);
  placeCar(x, y);
  if (car_) car_->show();
}

// The car.

void MA2Maze::showDirection(int direction, int force)
{
  direction_ = direction;
  if (!car_) return;
  car_->setSequence(0, 1);
  car_->setFrameIndex(direction + 1, force);
  car_->pause();
}

void MA2Maze::placeCar(int x, int y)
{
  carX_ = x;
  carY_ = y;
  if (car_) car_->setPosition(x - hotX_, y - hotY_);
}

// The per-pass step.

OMWord MA2Maze::frameStep()
{
  // Kept first: a handler may end this maze.
  std::unique_ptr<OMLink> previous = cloneLink(previousLink_.get());
  const std::weak_ptr<bool> alive = alive_;
  if (running_ && host_) {
    if (bezel_) bezel_->update(host_->getMousePoint(nullptr).y);
    if (!alive.expired()) {
      const int keys = (isKeyDown(upArrow) ? upKey : 0) | (isKeyDown(downArrow) ? downKey : 0) |
                       (isKeyDown(leftArrow) ? leftKey : 0) |
                       (isKeyDown(rightArrow) ? rightKey : 0);
      step(keys, host_->clock());
    }
  }
  if (previous) previous->call();
  return 0;
}

void MA2Maze::step(int keys, std::uint32_t now)
{
  if (lastStepTime_ < 0) lastStepTime_ = now;
  const std::int64_t elapsed = std::int64_t(now) - lastStepTime_;
  int pixels = 0;
  if (elapsed >= 1000 / rate) {
    pixels = std::min(static_cast<int>(speed / 1000.0 * double(elapsed)), maxStep);
    lastStepTime_ = now;
  }
  const Move* move = moveFor(keys);
  if (!move || screen_ < 0) return;
  if (move->direction != direction_) showDirection(move->direction, 1);
  int tx = carX_ + move->ux * pixels, ty = carY_ + move->uy * pixels;
  const bool found = findTarget(move->ux, move->uy, move->sx, move->sy, pixels, tx, ty);
  const std::weak_ptr<bool> alive = alive_;
  if (found && (tx != carX_ || ty != carY_)) {
    if (bezel_) bezel_->dropHold();
    if (alive.expired()) return;
    const int oldX = carX_, oldY = carY_;
    placeCar(tx, ty);
    if (!meetItems(oldX, oldY)) return;
  }
  crossEdges(tx, ty);
}

bool MA2Maze::findTarget(int ux, int uy, int sx, int sy, int pixels, int& tx, int& ty) const
{
  if (isOnPath(tx, ty)) return true;
  if (isOnPath(tx - sx, ty - sy)) {
    tx -= sx;
    ty -= sy;
    return true;
  }
  if (isOnPath(tx + sx, ty + sy)) {
    tx += sx;
    ty += sy;
    return true;
  }
  for (int k = pixels - 1; k >= 1; --k) {
    if (isOnPath(carX_ + ux * k, carY_ + uy * k)) {
      tx = carX_ + ux * k;
      ty = carY_ + uy * k;
      return true;
    }
  }
  return false;
}

bool MA2Maze::meetItems(int oldX, int oldY)
{
  OMRect body = carRect();
  body.inset(carInset, carInset);
  MazeItem* met = nullptr;
  for (const auto& item : items_[static_cast<std::size_t>(screen_)]) {
    if (item->kind == MazeItem::gate && !static_cast<MazeGate*>(item.get())->closed) continue;
    if (item->rect.intersects(body)) {
      met = item.get();
      break;
    }
  }
  if (!met) {
    lastWarp_ = nullptr;
    return true;
  }
  switch (met->kind) {
    case MazeItem::block:
    case MazeItem::gate:
      placeCar(oldX, oldY);
      return true;
    case MazeItem::warp:
      return lastWarp_ || warpThrough(*static_cast<MazeWarp*>(met));
    case MazeItem::room:
      return reachRoom(*met);
    default:
      return true;
  }
}

bool MA2Maze::warpThrough(MazeWarp& warp)
{
  MazeWarp* partner = warp.partner;
  if (!partner) return true;
  lastWarp_ = partner;
  if (MazeGate* gate = warp.linkedGate) {
    if (gate->screen == screen_) {
      // A last gate without a transform opens at once: "solved" may end the maze here.
      const std::weak_ptr<bool> alive = alive_;
      if (gate->closed)
        gate->open(0);
      else
        gate->close();
      if (alive.expired()) return false;
    } else {
      gate->closed = !gate->closed;
    }
  }
  playSoundById(warpSound);
  goToScreen(partner->screen, partner->wx, partner->wy);
  return true;
}

bool MA2Maze::reachRoom(const MazeItem& room)
{
  const auto screen = static_cast<std::size_t>(screen_);
  if (visited_[screen]) return true;
  visited_[screen] = 1;
  if (!destination_) return true;
  char goal[32];
  std::snprintf(goal, sizeof goal, "Goal_%d", goalIndex_ + 1);
  const char* wanted = destination_->attributeValue(goal);
  if (!wanted || room.name != wanted) return true;
  ++goalIndex_;
  ++clueIndex_;
  if (!bezel_) return true;
  const std::weak_ptr<bool> alive = alive_;
  if (const char* clue = currentClue()) bezel_->showClue(clue);
  bezel_->holdFor(bezelHoldSeconds);
  bezel_->raise();
  return !alive.expired();
}

void MA2Maze::crossEdges(int tx, int ty)
{
  if (tx < 5 && screen_ > 0 && screen_ != 3) goToScreen(screen_ - 1, enterFromRight, ty);
  if (tx > stageWidth - 5 && screen_ != 2 && screen_ != 5)
    goToScreen(screen_ + 1, enterFromLeft, ty);
  if (ty < 5 && screen_ >= 3) goToScreen(screen_ - 3, tx, enterFromBelow);
  if (ty > stageHeight - 5 && screen_ >= 0 && screen_ <= 2)
    goToScreen(screen_ + 3, tx, enterFromAbove);
}
