#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/OMLink.h"
#include "framework/OMPoint.h"
#include "framework/OMRect.h"
#include "framework/OMWord.h"
#include "game/MazeItem.h"
#include "trinkets/src/OMScriptableObject.h"

class MA2Bezel;
class MazeGate;
class MazeWarp;
class OMAnimation;
class OMTrinketWindow;
class OMXMLDocument;
class OMXMLElement;

// The driving maze: a car steered with the arrow keys over six screens (0-2 above, 3-5
// below), each with a map picture, a path image whose opaque pixels are the road, and the
// items read from the maze's two documents. The car moves in the stage's per-pass link.
class MA2Maze : public OMScriptableObject {
 public:
  static constexpr int screenCount = 6;
  static constexpr int carId = 20041;
  static constexpr int warpSound = 20042;
  static constexpr int rate = 10;
  static constexpr int speed = 60;
  // A stalled pass may not carry the car further than this.
  static constexpr int maxStep = 12;
  using ItemList = std::vector<std::unique_ptr<MazeItem>>;

  MA2Maze(int level, int set, OMTrinketWindow* host);
  ~MA2Maze() override;
  MA2Maze(const MA2Maze&) = delete;
  MA2Maze& operator=(const MA2Maze&) = delete;

  static std::unique_ptr<OMScriptableObject> create();
  // A maze cannot be cloned: null.
  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;

  // Script members' work, also for tests.
  void setMapIds(const std::array<int, screenCount>& ids) { mapIds_ = ids; }
  void setPathIds(const std::array<int, screenCount>& ids) { pathIds_ = ids; }
  // Loads both documents (a file name, or the id of an "XML" resource) and the level.
  void loadData(const char* layout, const char* definitions);
  // The same with documents read already; an unread or damaged one loads nothing.
  void loadDocuments(std::unique_ptr<OMXMLDocument> layout,
                     std::unique_ptr<OMXMLDocument> definitions);
  // Goes to the screen with the car at (x, y); a screen outside 0-5 raises "over".
  void goToScreen(int screen, int x, int y);
  void setRunning(int running) { running_ = running; }
  void setBezel(MA2Bezel* bezel);
  // The step of one pass with the arrow keys given (Up 1, Down 2, Left 4, Right 8) and the
  // clock; what the per-pass link does with the keys held.
  void step(int keys, std::uint32_t now);

  // The loader's and the bezel's view.
  ItemList& items(int screen) { return items_[static_cast<std::size_t>(screen)]; }
  MazeItem* findItem(const char* name, int kind = -1) const;
  void addItem(std::unique_ptr<MazeItem> item);
  void setClues(std::vector<std::optional<std::string>> clues) { clues_ = std::move(clues); }
  void setDestination(const OMXMLElement* destination)
  {
    destination_ = destination;
    goalIndex_ = 0;
  }
  void setHidingSpot(MazeItem* spot) { hidingSpot_ = spot; }
  void setSetCount(int count) { setCount_ = count; }
  // Null when there is none.
  const char* currentClue() const;
  int currentScreen() const { return screen_; }
  OMRect carRect() const;
  OMAnimation* car() const { return car_.get(); }
  OMPoint carPosition() const { return OMPoint(carX_, carY_); }
  int direction() const { return direction_; }
  int setNumber() const { return set_; }
  int setCount() const { return setCount_; }
  int level() const { return level_; }
  int clueIndex() const { return clueIndex_; }
  int goalIndex() const { return goalIndex_; }
  bool roomVisited(int screen) const { return visited_[static_cast<std::size_t>(screen)] != 0; }
  MA2Bezel* bezel() const { return bezel_; }
  // The gate a key dropped with that rectangle opens, or null.
  MazeGate* gateForKey(const OMRect& keyRect) const;
  bool isOnPath(int x, int y) const;
  // Called by a bezel that ends.
  void forgetBezel() { bezel_ = nullptr; }
  // Links for the items' hooks.
  OMWord raiseSolved();
  OMWord raiseDoorClick();
  OMWord raiseWarpClick();

 private:
  OMWord frameStep();
  OMWord raiseCarClick();
  void showDirection(int direction, int force);
  void placeCar(int x, int y);
  void snapToPath(int& x, int& y) const;
  // The target, the slides beside it or the nearest point on the way; false when none is on
  // the path.
  bool findTarget(int ux, int uy, int sx, int sy, int pixels, int& tx, int& ty) const;
  // False when the maze ended in a handler.
  bool meetItems(int oldX, int oldY);
  void crossEdges(int tx, int ty);
  // Both false when the maze ended in a handler.
  bool warpThrough(MazeWarp& warp);
  bool reachRoom(const MazeItem& room);
  void hideScreen();

  // Script members.
  OMWord setMapMember();
  OMWord setPathsMember();
  OMWord positionMember();
  OMWord startMember();
  OMWord stopMember();
  OMWord dataMember();
  OMWord bezelMember();
  OMWord showMember();
  OMWord getSets(OMWord buffer);

  OMTrinketWindow* host_;
  std::unique_ptr<OMXMLDocument> layout_;
  std::unique_ptr<OMXMLDocument> definitions_;
  std::array<int, screenCount> mapIds_{};
  std::array<int, screenCount> pathIds_{};
  std::unique_ptr<OMAnimation> car_;
  int carX_ = 0;
  int carY_ = 0;
  int hotX_ = 0;
  int hotY_ = 0;
  int direction_ = 4;
  std::unique_ptr<OMAnimation> path_;
  int screen_ = -1;
  std::unique_ptr<OMLink> previousLink_;
  int running_ = 0;
  std::array<ItemList, screenCount> items_;
  std::array<int, screenCount> visited_{};
  MazeItem* hidingSpot_ = nullptr;
  MazeItem* lastWarp_ = nullptr;
  MA2Bezel* bezel_ = nullptr;
  int clueIndex_ = 0;
  std::vector<std::optional<std::string>> clues_;
  int goalIndex_ = 0;
  const OMXMLElement* destination_ = nullptr;
  std::int64_t lastStepTime_ = -1;
  int level_;
  int set_;
  int setCount_ = 0;
  // Cleared when the maze ends, so that work after a handler can tell.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
