#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/OMLink.h"
#include "framework/OMPoint.h"
#include "framework/OMRGBColor.h"
#include "framework/OMRect.h"
#include "framework/OMRegion.h"
#include "trinkets/src/OMTrinketWindow.h"

class OMDrawLayer;
class OMIStream;
class OMTask;
class OMWindow;

// The hooks of the stage unit. A loader maps a 16-bit resource id to a new stream, or null.
using StageStreamLoader = std::unique_ptr<OMIStream> (*)(std::uint16_t id);
// Adjusts a table of 256 colours in place before it becomes the stage's palette.
using PaletteShiftHook = void (*)(OMRGBColor* colors);

void installPaletteShiftHook(PaletteShiftHook hook);
void setBackgroundLoader(StageStreamLoader loader);
void setPaletteLoader(StageStreamLoader loader);

// The game's palette adjustment: entries 10 to 245 get brighter (value + 0.13), and none of
// them becomes pure white or pure black; the system entries stay as they are.
void paletteColourShift(OMRGBColor* colors);

// The game's one window of trinkets: whole-screen operations, the timed transitions that
// reveal or hide the offscreen picture on the window, a throttle on mouse moves, double
// clicks as presses, a guard against nested per-pass work, and palette loading.
class OMStageWindow : public OMTrinketWindow {
 public:
  // What the window shows while an effect runs.
  enum EffectMode { noEffect = 0, reveal = 1, change = 2, hide = 3 };

  // The shell passes (0, 0, 0, 640, 480, screen depth, 0) after the rectangle.
  OMStageWindow(const OMRect& rect, OMWindow* parent, OMDrawLayer* background, int reserved,
                int width, int height, int depth, int doubleBuffer);
  ~OMStageWindow() override;

  void doubleClick() override;
  void mouseMove() override;
  void frameStep() override;

  void displayScreen(int skipRedraw);
  void goToBlack();
  bool scene(std::uint16_t backgroundId, std::uint16_t paletteId);
  bool loadPalette(std::uint16_t paletteId);

  // Durations in ticks of 1/60 s; below 1 counts as 1. The link (cloned) is called when the
  // effect ends by itself.
  void dissolve(int duration, int mode, const OMLink* finished);
  void iris(int duration, const OMPoint& centre, int targetRadius, const OMLink* finished);
  void wipe(int direction, int duration, int mode, const OMLink* finished);
  void shake(int duration, int xAmplitude, int yAmplitude, const OMLink* finished);
  int effectMode() const { return effectMode_; }
  void endEffect(bool notify);

  void setDoubleClicksDisabled(int disabled) { doubleClicksDisabled_ = disabled; }
  int doubleClicksDisabled() const { return doubleClicksDisabled_; }
  void setMouseMoveInterval(int milliseconds) { mouseMoveInterval_ = milliseconds; }
  int mouseMoveInterval() const { return mouseMoveInterval_; }

  // The paint link the stage sets on itself, for whoever takes it off for a while.
  OMWord paintHandler();
  // Called without argument when the stage has made its background layer (the first scene);
  // the stage keeps a clone, null removes it.
  void setLayerMadeLink(const OMLink* link);

  // The throttle's own state, and the presses that hand on a kept move first.
  void mouseDown() override;
  void mouseUp() override;

 private:
  using StepFunction = OMWord (OMStageWindow::*)();
  using EndFunction = void (OMStageWindow::*)();

  void startEffect(int duration, int mode, const OMLink* finished, StepFunction step,
                   EndFunction end, bool setClip);
  // Ends the running effect at once, without notice; the end function puts back what the
  // effect changed.
  void stopEffect();
  // Takes the running effect's task off the application.
  void dropEffectTask();
  OMWord effectTaskEntry();
  int ticksSinceStart() const;
  OMRect windowRect() const;
  // Null: the whole window.
  void setWindowClip(const OMRegion* region);
  void markAllDirty();
  void fillOnWindow(const OMRegion& area);
  void copyToWindow(const OMRegion& area);
  OMWord dissolveStep();
  OMWord irisStep();
  // The iris's circle within the window.
  OMRegion irisCircle(int x, int y, int radius) const;
  OMWord wipeStep();
  OMWord shakeStep();
  void shakeEnd();
  // Hands a move that the throttle kept to the trinkets: when its time has come, or at once
  // before a press or release.
  void deliverHeldMove(bool now);

  int doubleClicksDisabled_ = 0;
  int dissolveState_ = 0;
  int effectCount_ = 0;
  int effectDuration_ = 0;
  int irisRadiusTarget_ = 0;
  int wipeEdge_ = 0;
  int mouseMoveInterval_ = 0;
  int savedOffsetX_ = 0, savedOffsetY_ = 0;
  int shakeX_ = 0, shakeY_ = 0;
  int irisRadiusStart_ = 0;
  std::uint32_t effectStart_ = 0;
  std::unique_ptr<OMLink> effectFinishedLink_;
  std::unique_ptr<OMLink> layerMadeLink_;
  OMPoint irisCentreStart_, irisCentreTarget_;
  std::unique_ptr<OMTask> effectTask_;
  int effectMode_ = noEffect;
  EndFunction effectEndFunction_ = nullptr;
  int wipeDirection_ = 0;
  StepFunction effectStep_ = nullptr;
  // Tasks taken off while a step ran, deleted when no step runs.
  std::vector<std::unique_ptr<OMTask>> retiredTasks_;
  int stepDepth_ = 0;
  // The part of the window that shows the offscreen picture.
  OMRegion visible_;
  // The throttle: the time of the next handled move, and the newest move dropped since.
  std::uint32_t nextMove_ = 0;
  bool moveHeld_ = false;
  MSG heldMove_{};
};
