#pragma once

#include <memory>

#include "framework/OMCursor.h"
#include "framework/OMPoint.h"
#include "trinkets/src/OMTrinket.h"

// A mouse pointer drawn as a trinket on the stage: selecting it as the window's cursor hides
// the system pointer and makes the trinket follow the mouse. It is handed out as its cursor.
class OMCursorTrinket : public OMTrinket, public OMCursor {
 public:
  explicit OMCursorTrinket(OMTrinketWindow* host);
  ~OMCursorTrinket() override;

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  int frameWeight() const override { return 1; }
  void tick() override {}

  // Cursor operations.
  void select(OMWndCanvas* canvas) override;
  void deselect() override;
  void appActivated() override { moveToMouse(); }
  void appDeactivated() override { refresh(); }
  void hide() override { setShown(0); }
  // Forced: the hot point has followed the mouse while hidden, so only the flag is stale.
  void show() override { moveTo(hotPoint(), 1); }
  // Forced too, so that a cursor that the program's deactivation hid shows again.
  void moveToMouse();
  // Hides the trinket for the system pointer; the stage repaints at once, since an inactive
  // program runs no frames.
  void refresh();

  virtual void moveTo(const OMPoint& point, int forceShow);
  // Moves to the point of a mouse event record, not forced.
  OMWord followMouse(OMWord eventRecord);

  void setHotSpot(const OMPoint& point);
  const OMPoint& hotSpot() const { return hotSpot_; }
  // The hot point in host coordinates.
  OMPoint hotPoint() const;
  void setShown(int flag);
  bool isCurrentCursor() const { return OMCursor::current() == this; }

 private:
  bool isInsideHost(const OMPoint& point) const;
  // Takes back the host's mouse-move listener when it is this cursor's.
  void stopFollowingMouse();

  OMPoint hotSpot_;
};
