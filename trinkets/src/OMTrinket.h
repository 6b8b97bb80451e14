#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "framework/OMLink.h"
#include "framework/OMPoint.h"
#include "framework/OMRect.h"
#include "framework/OMRegion.h"
#include "trinkets/src/OMScriptableObject.h"

class OMCursor;
class OMMemCanvas;
class OMTrinketWindow;

// A drawable script object on a host window: a rectangle with a depth, visibility, input
// hooks, drag confinement and one dirty region per display buffer. Subclasses paint.
class OMTrinket : public OMScriptableObject {
 public:
  // Event-suppression flags.
  enum Flags : std::uint32_t {
    noMouseDown = 0x1,
    noMouseUp = 0x2,
    noDrag = 0x4,
    noDoubleClick = 0x8,
    noKeyHook = 0x20,
    noFlyOn = 0x80,
    noFlyOff = 0x100,
    noTick = 0x200,
  };
  // Input modes.
  enum InputMode { dragging = 0, normal = 1, holdingInput = 2, holdingWithHover = 3 };
  // Hooks.
  enum Hook {
    mouseDownHook,
    mouseUpHook,
    dragHook,
    doubleClickHook,
    keyDownHook,
    focusLostHook,
    flyOnHook,
    flyOffHook,
    hookCount
  };
  // Draw states.
  enum DrawState { clean = 0, partlyDirty = 1, whollyDirty = 2 };

  static constexpr int noPosition = 11111;
  static constexpr int highestScriptZ = 32764;

  OMTrinket(OMTrinketWindow* host, int redrawMode);
  OMTrinket(const OMTrinket& other);
  OMTrinket& operator=(const OMTrinket&) = delete;
  ~OMTrinket() override;

  void stateText(char* buffer, std::size_t size) const override;
  void registerMembers() override;

  virtual int frameWeight() const { return 1; }
  virtual int mnemonic() const { return 0; }
  virtual void invalidateRegion(const OMRegion& region);
  virtual void invalidate();
  virtual void showTrackingCursor();
  virtual void showHoverCursor();
  virtual void setAttribute(int code, int a, int b);
  virtual const OMRegion& hitRegion() const;
  virtual bool containsPoint(const OMPoint& point) const;
  virtual bool intersects(const OMTrinket& other) const;
  virtual bool intersectsRegion(const OMRegion& region) const;
  virtual bool overlapsRect(const OMRect& rect) const;
  // Whether the trinket is among those this one carries, at any depth (a container's pieces,
  // a group's members): taking in a trinket that carries oneself would make a loop.
  virtual bool carries(const OMTrinket* /*trinket*/) const { return false; }
  virtual OMRect rect() const { return rect_; }
  virtual void reorder();
  virtual void setX(int x) { setAttribute(0, x, 0); }
  virtual int x() const { return rect_.left(); }
  virtual void setY(int y) { setAttribute(1, y, 0); }
  virtual int y() const { return rect_.top(); }
  virtual void setPosition(int x, int y) { setAttribute(2, x, y); }
  virtual void getPosition(int* x, int* y) const;
  virtual void setZ(int z) { setAttribute(3, z, 0); }
  virtual int z() const { return z_; }
  virtual void bringToFront();
  virtual void sendToBack();
  virtual void setVisible(int visible) { setAttribute(4, visible, 0); }
  virtual int isVisible() const { return visible_; }
  virtual void setMovable(int movable) { setAttribute(5, movable, 0); }
  virtual int isMovable() const { return movable_; }
  virtual void setRunning(int running) { setAttribute(6, running, 0); }
  virtual int isRunning() const { return running_; }
  virtual void setTouchy(int touchy) { setAttribute(7, touchy, 0); }
  virtual int isTouchy() const { return touchy_; }
  virtual void show() { setVisible(1); }
  virtual void hide() { setVisible(0); }
  virtual void makeMovable() { setMovable(1); }
  virtual void makeFixed() { setMovable(0); }
  virtual void start() { setAttribute(6, 1, 0); }
  virtual void stop() { setAttribute(6, 0, 0); }
  virtual void onFlyOn() { callHook(flyOnHook); }
  virtual void onFlyOff() { callHook(flyOffHook); }
  virtual void onKeyDown() { callHook(keyDownHook); }
  virtual void onMouseDown() { callHook(mouseDownHook); }
  virtual void onMouseUp() { callHook(mouseUpHook); }
  virtual void onDrag() { callHook(dragHook); }
  virtual void onDoubleClick() { callHook(doubleClickHook); }
  virtual void snapToGrid();
  virtual void offset(int& dx, int& dy);
  virtual void offsetBy(int dx, int dy);
  virtual void markWholeDirty();
  virtual void setDirtyArea(const OMRegion& region);
  virtual void addDirtyArea(const OMRegion& region);
  virtual void refreshHover();
  virtual void setRectLTRB(int left, int top, int right, int bottom);
  virtual void setRect(const OMRect& rect);
  virtual void setDirtyRegion(const OMRegion& region);
  virtual void addDirtyRegion(const OMRegion& region);
  virtual void setDrawState(int state);
  virtual void tick() {}
  virtual void paint() = 0;
  virtual void draw();
  virtual void dragTo(int& dx, int& dy);
  virtual void showDefaultCursor();

  void setMouseDownHook(const OMLink* link) { setHook(mouseDownHook, link); }
  void setMouseUpHook(const OMLink* link) { setHook(mouseUpHook, link); }
  void setDragHook(const OMLink* link) { setHook(dragHook, link); }
  void setDoubleClickHook(const OMLink* link) { setHook(doubleClickHook, link); }
  OMLink* keyHook() const { return hooks_[keyDownHook].get(); }

  void setTrackingCursor(OMCursor* cursor) { trackingCursor_ = cursor; }
  void setHoverCursor(OMCursor* cursor);
  OMCursor* trackingCursor() const { return trackingCursor_; }
  OMCursor* hoverCursor() const { return hoverCursor_; }

  void removeFromWindow();
  void addToWindow();
  void setConfined(int flag) { confined_ = flag; }
  int isConfined() const { return confined_; }
  void setTag(int tag) { tag_ = tag; }
  int tag() const { return tag_; }
  void setBounds(const OMRect& bounds) { bounds_ = bounds; }
  const OMRect& bounds() const { return bounds_; }
  void setClipToBounds(int flag) { clipToBounds_ = flag; }
  int redrawMode() const { return redrawMode_; }
  void setRedrawMode(int mode) { redrawMode_ = mode; }
  void setSnapArea(const OMRect& area) { snapArea_ = area; }
  void setGrid(int stepX, int stepY, int originX, int originY);
  bool isGrabbingInput(int* withHover) const;
  int inputMode() const { return inputMode_; }
  void setInputMode(int mode) { inputMode_ = mode; }
  std::uint32_t flags() const { return flags_; }
  void setFlags(std::uint32_t mask) { flags_ |= mask; }
  void clearFlags(std::uint32_t mask) { flags_ &= ~mask; }
  void setTopLayer(int level);
  void grabInput(int on, int withHover);
  void setFocus();
  void loseFocus();
  bool hasFocus() const { return focusHolder_ == this; }
  static OMTrinket* focusHolder() { return focusHolder_; }
  int subclassWord() const { return subclassWord_; }
  void setSubclassWord(int word) { subclassWord_ = word; }
  void clearDragHysteresis();

  OMMemCanvas* windowCanvas() const;
  std::uint32_t windowClock() const;
  OMTrinketWindow* window() const { return host_; }
  // Expires when the trinket is destroyed, whatever its class: a holder that does not own the
  // trinket asks this before each use.
  std::weak_ptr<int> trinketLifetime() const { return trinketLifetime_; }
  int drawState() const;
  const OMRegion& dirtyRegion() const;
  bool isInWindowList() const;
  int indexInWindowList() const;

  static void setDefaultVisible(int visible) { defaultVisible_ = visible; }
  static int defaultVisible() { return defaultVisible_; }
  static void setConfineDrags(int on) { confineDrags_ = on; }
  static int confineDrags() { return confineDrags_; }
  static void setDefaultTrackingCursor(OMCursor* cursor) { defaultTrackingCursor_ = cursor; }
  static OMCursor* defaultTrackingCursor() { return defaultTrackingCursor_; }
  static void setDefaultHoverCursor(OMCursor* cursor) { defaultHoverCursor_ = cursor; }
  static OMCursor* defaultHoverCursor() { return defaultHoverCursor_; }
  static void setDefaultCursor(OMCursor* cursor, int applyNow);
  static OMCursor* defaultCursor() { return defaultCursor_; }
  // The trinket under the pointer, the trinket whose fly hook runs, the last mouse point.
  static OMTrinket* hovered() { return hovered_; }
  static void setHovered(OMTrinket* trinket) { hovered_ = trinket; }
  static OMTrinket* flyGuard() { return flyGuard_; }
  static void setFlyGuard(OMTrinket* trinket) { flyGuard_ = trinket; }
  static const OMPoint& lastMousePoint() { return lastMousePoint_; }
  static void setLastMousePoint(const OMPoint& point) { lastMousePoint_ = point; }

 protected:
  void setHook(int hook, const OMLink* link);
  void callHook(int hook);
  // Moves the rectangle without marking anything.
  void moveRect(int dx, int dy) { rect_.offset(dx, dy); }
  OMRect& rectField() { return rect_; }
  void setZField(int z) { z_ = z; }
  void setVisibleField(int visible) { visible_ = visible; }
  // The buffers a dirty operation reaches: both when the host double-buffers.
  int bufferCount() const;

 private:
  template <int Which>
  OMWord getNumber(OMWord buffer)
  {
    return writeNumber(buffer, numberField(Which));
  }
  template <int Which>
  OMWord setNumber(OMWord text)
  {
    setNumberField(Which, std::atoi(reinterpret_cast<const char*>(text)));
    return 1;
  }
  int numberField(int which) const;
  void setNumberField(int which, int value);
  // Visible and not below the host's z floor.
  bool onStage() const;
  void draw(bool whole);
  void addRepaintRegion(const OMRegion& region);
  OMWord placeMember();
  OMWord offsetMember();

  int redrawMode_;
  int drawState_[2] = {clean, clean};
  OMRegion dirty_[2];
  OMTrinketWindow* host_;
  int inputMode_ = normal;
  std::uint32_t flags_ = 0;
  int confined_ = 1;
  OMRect snapArea_;
  OMRect rect_;
  int z_ = 0;
  int subclassWord_ = 0;
  int tag_ = 0;
  OMRect bounds_;
  int clipToBounds_ = 0;
  int touchy_ = 1;
  int gridStepX_ = 0, gridStepY_ = 0, gridOriginX_ = 0, gridOriginY_ = 0;
  int savedX_ = 0, savedY_ = 0, clampedX_ = 0, clampedY_ = 0;
  int visible_;
  int movable_ = 1;
  int running_ = 0;
  std::unique_ptr<OMLink> hooks_[hookCount];
  OMCursor* hoverCursor_;
  OMCursor* trackingCursor_;
  // A copy is another trinket: it gets a token of its own.
  std::shared_ptr<int> trinketLifetime_ = std::make_shared<int>(0);

  static OMTrinket* focusHolder_;
  static OMTrinket* hovered_;
  static OMTrinket* flyGuard_;
  static OMPoint lastMousePoint_;
  static int defaultVisible_;
  static int confineDrags_;
  static OMCursor* defaultTrackingCursor_;
  static OMCursor* defaultHoverCursor_;
  static OMCursor* defaultCursor_;
};
