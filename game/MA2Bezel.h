#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/OMWord.h"
#include "trinkets/src/OMScriptableObject.h"

class BezelItem;
class MA2Maze;
class OMTrinketWindow;

// The maze's tray: it rises when the cursor comes down to its up threshold, stays up while
// the cursor is below its down threshold or a hold lasts, and lowers otherwise. It carries
// keys that open gates, two buttons that only report clicks, and the clue display.
class MA2Bezel : public OMScriptableObject {
 public:
  enum State { down = 0, rising = 1, lowering = 2, up = 3 };

  MA2Bezel(int upThreshold, OMTrinketWindow* host);
  ~MA2Bezel() override;
  MA2Bezel(const MA2Bezel&) = delete;
  MA2Bezel& operator=(const MA2Bezel&) = delete;

  static std::unique_ptr<OMScriptableObject> create();
  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;

  // The maze's calls.
  void update(int cursorY);
  void raise();
  void holdFor(int seconds);
  void dropHold();
  void showClue(const char* clue);
  void setMaze(MA2Maze* maze) { maze_ = maze; }
  void forgetMaze(MA2Maze* maze)
  {
    if (maze_ == maze) maze_ = nullptr;
  }
  MA2Maze* maze() const { return maze_; }

  // The items' calls.
  void setState(int state);
  void keyTaken(BezelItem* key);
  void keyReleased(BezelItem* key);
  OMWord buttonPressed(OMWord eventName);

  void addItem(int number, const char* kind, int riseId, int lowerId);
  int state() const { return state_; }
  int downThreshold() const { return downThreshold_; }
  int isLocked() const { return locked_; }
  int isHeldUp() const { return heldUp_; }
  std::uint32_t holdUntil() const { return holdUntil_; }
  const std::vector<std::unique_ptr<BezelItem>>& items() const { return items_; }
  const std::vector<std::unique_ptr<BezelItem>>& taken() const { return taken_; }

 private:
  OMWord addItemMember();
  std::uint32_t clock() const;
  // False when a handler ended the bezel.
  bool raiseAlive(const char* event);
  template <typename Step>
  void forEachItem(Step step);

  OMTrinketWindow* host_;
  std::vector<std::unique_ptr<BezelItem>> items_;
  std::vector<std::unique_ptr<BezelItem>> taken_;
  int upThreshold_;
  int downThreshold_;
  int state_ = down;
  MA2Maze* maze_ = nullptr;
  int heldUp_ = 0;
  int locked_ = 0;
  std::uint32_t holdUntil_ = 0;
  BezelItem* clueItem_ = nullptr;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
