#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/Action.h"

class OMTrinket;
class RAnimation;

// One axis of a move: the position goes on by the velocity, which grows by the acceleration.
struct MoveAxis {
  int position = 0;
  int acceleration = 0;
  int start = 0;
  int end = 0;
  int velocity = 0;

  // Held to the coordinate range: a move that never passes its end runs on without overflow.
  void advance()
  {
    position = clampCoordinate(std::int64_t(position) + velocity);
    velocity = clampCoordinate(std::int64_t(velocity) + acceleration);
  }
  // A start equal to the end is never passed.
  bool passed() const
  {
    if (start < end) return position > end;
    if (start > end) return position < end;
    return false;
  }
};

// The common road of the move actions: a playing animation paces the steps, one per frame
// that has an image. Both objects are watched, so that their deletion leaves no dangling
// reference behind; a target that is a trinket is also asked whether it still lives before
// each use, since most trinket classes do not report their deletion.
class MoveAction : public Action {
 public:
  // A halt puts the target at the ends given; an axis without one stays.
  MoveAction(RAnimation* animation, OMScriptableObject* target, int interruptible,
             std::optional<int> endX, std::optional<int> endY);
  ~MoveAction() override;

  void halt() override;
  void pause() override;
  void resume() override;
  void start() override;

 protected:
  // A copy watches the same two objects.
  MoveAction(const MoveAction& other);

  // The objects the two names hold (null when either is missing).
  struct Objects {
    RAnimation* animation = nullptr;
    OMScriptableObject* target = nullptr;
  };
  static Objects popObjects();
  // Pops start, velocity, acceleration and end; the end's text tells whether it was given.
  static const char* popAxis(MoveAxis& axis);
  // The interruptible flag popped last: as given, else the registry's default when the end
  // was given, else none (the action cannot be made).
  static std::optional<int> popInterruptible(int registryDefault, const char* end);

  // Moves the target, when there is one; an axis without a value stays.
  void placeTarget(std::optional<int> x, std::optional<int> y);
  virtual void moveToStart() = 0;
  // One frame's step; false once the move has passed its end.
  virtual bool advance() = 0;

 private:
  OMWord stepFrame(OMWord animation);
  OMWord forget(OMWord object);
  void unwatchAll();
  // The target while it lives; found gone, it is forgotten.
  OMScriptableObject* liveTarget();
  // The same without forgetting: null once a trinket target is gone.
  OMScriptableObject* targetIfAlive() const;
  void forgetTarget();

  std::optional<int> endX_, endY_;
  int savedMode_ = 0;
  RAnimation* animation_;
  OMScriptableObject* target_;
  OMTrinket* trinket_;  // the target, when it is a trinket (only trinkets are moved)
  std::weak_ptr<int> trinketAlive_;
};
