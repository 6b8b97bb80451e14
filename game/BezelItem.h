#pragma once

#include <memory>

#include "framework/OMWord.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMTrinket.h"

class MA2Bezel;
class OMFont;
class RText;

// One tool on the maze's tray: a rise animation that plays while the tray comes up and a lower
// animation shown while it is up and played while it goes down. A clue item carries a text
// that follows its animations.
class BezelItem : public OMTrinket {
 public:
  static constexpr int itemZ = 101;
  static constexpr int animationZ = 105;
  static constexpr int textBelow = 13;

  BezelItem(MA2Bezel& bezel, int number, int riseId, int lowerId, OMTrinketWindow* host);
  ~BezelItem() override;

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override { OMTrinket::registerMembers(); }
  void paint() override {}
  // Keeps the clue text 13 pixels below the animation shown.
  void tick() override;

  // Top of the lower animation where the resource places it.
  int top() const { return homeY_; }
  OMAnimation* riseAnimation() const { return rise_.get(); }
  OMAnimation* lowerAnimation() const { return lower_.get(); }
  RText* clueText() const { return text_.get(); }
  void setMovableWhenUp() { movableWhenUp_ = 1; }
  void setTouchyWhenUp() { touchyWhenUp_ = 1; }
  // Makes this item show clues: the text lies above its animations.
  void makeClueDisplay(const char* clue);
  void showClue(const char* clue);
  // Back to the tray's place, hidden.
  void putBack();

  void startRising();
  void startLowering();
  OMWord riseFinished();
  OMWord lowerFinished();
  // The key's hooks.
  OMWord keyPressed();
  OMWord keyLetGo();

 private:
  std::unique_ptr<OMAnimation> makeAnimation(int id);

  MA2Bezel& bezel_;
  int number_;
  std::unique_ptr<OMAnimation> rise_;
  std::unique_ptr<OMAnimation> lower_;
  int homeX_ = 0;
  int homeY_ = 0;
  int movableWhenUp_ = 0;
  int touchyWhenUp_ = 0;
  std::unique_ptr<RText> text_;
  OMFont* font_ = nullptr;
};
