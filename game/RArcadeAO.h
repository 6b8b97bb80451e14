#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/OMRect.h"
#include "framework/OMWord.h"
#include "trinkets/src/OMTrinket.h"

class OMAnimation;
class OMCursor;
class OMLink;
class OMTask;

// One animation of an arcade actor, by the key it shows for: 0 main, 1-4 the moves (1 and 2
// sideways, 3 and 4 up and down), 5 the fidget, 6 one played on demand.
struct ArcadeAnim {
  int id = 0;
  int key = 0;
  std::unique_ptr<OMAnimation> animation;
};

// The player figure of an arcade scene: steered by the arrow keys or following the pointer
// inside a box, it shows a standing, a moving, a fidget or a played animation. While it lives
// it holds the stage's key, key-changed and pointer-move links and the background's press and
// release links, passing every event on to the link it found.
class RArcadeAO : public OMTrinket {
 public:
  enum Key { mainKey = 0, fidgetKey = 5, playedKey = 6 };
  // Fidget intervals when a script gives 0.
  static constexpr int defaultFidgetMinimum = 3000;
  static constexpr int defaultFidgetMaximum = 6000;

  RArcadeAO(int mainId, int x, int y, int z, int step, OMTrinketWindow* host);
  ~RArcadeAO() override;

  static std::unique_ptr<OMScriptableObject> create();
  // The newest actor alive, or null.
  static RArcadeAO* current();

  // An actor cannot be cloned: null.
  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;
  void paint() override {}

  // Moves the shown animation by (dx, dy) within the box, choosing the key by the direction.
  void move(int dx, int dy);
  // The key's record with a new animation of the id, or the record as it was when the id is 0
  // or does not resolve.
  ArcadeAnim* setAnim(int id, int key);
  ArcadeAnim* record(int key);
  OMAnimation* animationOf(int key);
  void setPaused(int paused) { paused_ = paused; }
  int isPaused() const { return paused_; }
  int currentKey() const { return currentKey_; }

 private:
  enum Slot { keyDownSlot, keyUpSlot, pointerMoveSlot, pressSlot, releaseSlot, slotCount };

  OMLink* heldLink(int slot) const;
  void holdLink(int slot, const OMLink* link);
  void takeLink(int slot, const OMLink& mine);
  void giveBackLink(int slot);
  void passOn(int slot, OMWord argument);

  void steer(std::uint32_t key);
  OMWord swallow(OMWord unused);
  OMWord keyPressed(OMWord unused);
  OMWord pointerMoved(OMWord unused);
  OMWord backgroundPressed(OMWord point);
  OMWord backgroundReleased(OMWord point);
  OMWord navigationDone(OMWord unused);
  OMWord fidgetCheck(OMWord unused);
  OMWord fidgetDoneMember(OMWord unused);
  OMWord playedDone(OMWord unused);
  void fidgetDone();
  void showMainOnly();
  void scheduleFidget();
  int isActive() const { return !paused_ && isVisible(); }

  OMWord setBoundingBox(OMWord text);
  // "%d" members of plain fields.
  template <int RArcadeAO::*Field>
  OMWord getField(OMWord buffer);
  template <int RArcadeAO::*Field>
  OMWord setField(OMWord text);
  template <bool Across>
  OMWord getAxis(OMWord buffer);
  template <bool Across>
  OMWord setAxis(OMWord text);
  OMWord getVisibleMember(OMWord buffer);
  OMWord setVisibleMember(OMWord text);
  OMWord getFrame(OMWord buffer);
  OMWord setFrame(OMWord text);
  OMWord playAnimMember(OMWord unused);
  OMWord addNavigationAnimsMember(OMWord unused);
  OMWord addFidgetMember(OMWord unused);

  int step_;
  OMRect box_;
  int direction_ = 0;
  int paused_ = 0;
  int fast_ = 0;
  std::unique_ptr<OMLink> saved_[slotCount];
  bool holding_[slotCount] = {};
  OMCursor* savedCursor_ = nullptr;
  bool cursorSaved_ = false;
  int currentKey_ = mainKey;
  std::uint32_t nextFidget_ = 0;
  std::vector<ArcadeAnim> animations_;
  std::unique_ptr<OMTask> fidgetTask_;
  int fidgetMinimum_ = 0;
  int fidgetMaximum_ = 0;
  int fidgetsEnabled_ = 0;
  // Expires with the actor, so that an "animDone" handler that dropped it is noticed.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
