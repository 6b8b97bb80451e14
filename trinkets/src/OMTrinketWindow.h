#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMLink.h"
#include "framework/OMList.h"
#include "framework/OMPoint.h"
#include "framework/OMRegion.h"
#include "framework/OMWindow.h"

class OMDrawLayer;
class OMMemCanvas;
class OMTask;
class OMTrinket;

// The window trinkets live on: an offscreen canvas, a background layer and a depth-sorted
// list of trinkets, repainted by a per-frame task where they changed and copied to the window.
// It routes mouse and key input to trinkets. The first host made is the main host.
class OMTrinketWindow : public OMWindow {
 public:
  // What the input listeners receive.
  struct EventRecord {
    int kind = 0;  // 0 key, 1 press, 2 release, 3 move, 4 double click
    OMPoint point;
  };
  enum FrameLink {
    frameStartLink,
    beforeTimeLink,
    afterTimeLink,
    afterBackgroundLink,
    afterTrinketsLink,
    frameEndLink,
    frameLinkCount
  };

  OMTrinketWindow(OMWindow* parent, OMDrawLayer* background, const OMRect& rect, int width,
                  int height, int depth, int doubleBuffer);
  // The assessment edition's host: the offscreen canvas takes the rectangle's size and the
  // depth that OMApp::offscreenDepth gives.
  OMTrinketWindow(const OMRect& rect, OMWindow* parent, OMDrawLayer* background, int doubleBuffer);
  ~OMTrinketWindow() override;

  void keyDown() override;
  void doubleClick() override;
  void mouseDown() override;
  void mouseMove() override;
  void mouseUp() override;

  virtual void frameStep();
  // The drawing half of a frame step: repaints what changed and presents it.
  void redrawChanges();
  virtual void drawBackgroundImage();
  virtual void repaintWindow();
  virtual void trinketMouseDown(const OMPoint& point);
  virtual void trinketMouseUp(const OMPoint& point);
  virtual void trinketDrag(const OMPoint& point);
  virtual void trinketDoubleClick(const OMPoint& point);
  virtual void setBackground(OMDrawLayer* layer);
  virtual void drawBackground();
  virtual void addRepaintRegion(const OMRegion& region);
  virtual void advanceTime();
  virtual void redrawTrinkets();
  virtual void redrawBackgroundDirty();
  virtual void redrawBackground(const OMRegion& region);
  virtual void present();
  virtual void setOrigin(int x, int y);
  virtual void updateHover(const OMPoint& point, int force);

  void addDirtyRegion(const OMRegion& region);
  // A trinket's rectangle, without a region of its own when the areas already hold it.
  void addDirtyRect(const OMRect& rect);
  void addRepaintRect(const OMRect& rect);
  void setDirty(int flag) { needsRedraw_ = flag; }
  int needsRedraw() const { return needsRedraw_; }
  void setPalette(const OMRGBColor* colors, int clearIfChanged);
  void setTrinketFlags(std::uint32_t mask, const char* className);
  void clearTrinketFlags(std::uint32_t mask, const char* className);
  OMTrinket* hitTest(const OMPoint& point);
  // The hit-test walk without storing the result.
  OMTrinket* trinketAt(const OMPoint& point) const;
  void pause();
  void resume();
  bool isPaused() const { return pauseStart_ != 0; }
  bool isInFrameStep() const { return frameDepth_ > 0; }
  OMWord addPausedTime(OMWord milliseconds);
  void refreshCursor(int force);
  // Draws the region's outline on the window, for the flash diagnostic.
  void outline(const OMRegion& region, const OMRGBColor& color);

  OMMemCanvas* offscreen() const { return offscreen_.get(); }
  std::uint32_t clock() const { return clock_; }
  OMDrawLayer* background() const { return background_.get(); }
  int offsetX() const { return originX_; }
  int offsetY() const { return originY_; }
  int zFloor() const { return zFloor_; }
  void setZFloor(int value);

  // The list, its z range and the press.
  OMList<OMTrinket>& trinkets() { return trinkets_; }
  const OMList<OMTrinket>& trinkets() const { return trinkets_; }
  int lowestZ() const { return lowestZ_; }
  int highestZ() const { return highestZ_; }
  void widenZRange(int z);
  OMTrinket* pressed() const { return pressed_; }
  void setPressed(OMTrinket* trinket) { pressed_ = trinket; }
  // Called by a trinket's destructor.
  void forgetTrinket(OMTrinket* trinket);

  int isDoubleBuffered() const { return doubleBuffered_; }
  int currentBuffer() const { return buffer_; }
  OMRegion& repaintRegion(int buffer) { return repaint_[buffer]; }
  OMRegion& dirtyRegion(int buffer) { return dirty_[buffer]; }
  int cursorHandling() const { return cursorHandling_; }
  void setCursorHandling(int on) { cursorHandling_ = on; }
  int flashDelay() const { return flashDelay_; }
  void setFlashDelay(int milliseconds) { flashDelay_ = milliseconds; }
  void setBackgroundRedraw(int on) { backgroundRedraw_ = on; }
  void setPresentEnabled(int on) { presentEnabled_ = on; }
  int presentEnabled() const { return presentEnabled_; }
  void setPresentForced(int on) { presentForced_ = on; }
  void setNoReentry(int on) { noReentry_ = on; }
  void setHoverOnMoveOnly(int on) { hoverOnMoveOnly_ = on; }
  void setInputDisabled(int on) { inputDisabled_ = on; }
  int inputDisabled() const { return inputDisabled_; }
  std::uint32_t defaultTrinketFlags() const { return defaultFlags_; }
  // The task that runs frameStep; a modal freeze leaves it running.
  OMTask* frameTask() const { return frameTask_.get(); }
  void setDefaultTrinketFlags(std::uint32_t flags) { defaultFlags_ = flags; }

  void setFrameLink(int which, const OMLink* link);
  // Null when none is set or `which` names no link.
  OMLink* frameLink(int which) const
  {
    return which >= 0 && which < frameLinkCount ? frameLinks_[which].get() : nullptr;
  }
  void setInputListener(const OMLink* link);
  OMLink* inputListener() const { return inputListener_.get(); }
  void setMoveListener(const OMLink* link);
  OMLink* moveListener() const { return moveListener_.get(); }
  void setAfterPresentLink(const OMLink* link);

  static OMTrinketWindow* mainHost() { return mainHost_; }
  static EventRecord& eventRecord() { return eventRecord_; }

 private:
  OMWord frameTaskEntry();
  void routeMouse(int kind, void (OMTrinketWindow::*handler)(const OMPoint&));
  void changeTrinketFlags(std::uint32_t mask, const char* className, bool set);
  void collisionStep();
  static void callLink(const std::unique_ptr<OMLink>& link, OMWord argument = 0);
  // The layer takes a click when it has a link for it, lets it through and was hit.
  bool layerTakes(int linkIndex, std::uint32_t flag, const OMPoint& point);

  int doubleBuffered_ = 0;
  int buffer_ = 0;
  int flashDelay_ = 0;
  int cursorHandling_ = 1;
  int needsRedraw_ = 1;
  int backgroundRedraw_ = 1;
  OMList<OMTrinket> trinkets_;
  int originX_ = 0, originY_ = 0;
  int zFloor_ = -32767;
  std::unique_ptr<OMLink> soundStallLink_;
  std::uint32_t clock_ = 0;
  std::uint32_t pausedTotal_ = 0;
  std::uint32_t pauseStart_ = 0;
  std::unique_ptr<OMTask> frameTask_;
  std::unique_ptr<OMLink> afterPresentLink_;
  int presentEnabled_ = 1;
  int presentForced_ = 0;
  int noReentry_ = 0;
  int frameDepth_ = 0;
  // The frame being run repaints the other buffer with the last frame's change.
  bool otherBufferCatchingUp_ = false;
  int hoverOnMoveOnly_ = 0;
  OMRegion repaint_[2];
  OMRegion dirty_[2];
  std::unique_ptr<OMDrawLayer> background_;
  std::unique_ptr<OMMemCanvas> offscreen_;
  int inputDisabled_ = 0;
  int lowestZ_ = 0, highestZ_ = 0;
  OMTrinket* pressed_ = nullptr;
  std::unique_ptr<OMLink> inputListener_;
  std::unique_ptr<OMLink> moveListener_;
  std::unique_ptr<OMLink> frameLinks_[frameLinkCount];
  std::uint32_t defaultFlags_ = 0;

  static OMTrinketWindow* mainHost_;
  static OMTrinketWindow* running_;
  static EventRecord eventRecord_;
};
