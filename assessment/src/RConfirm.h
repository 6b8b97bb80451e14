#pragma once

#include <memory>
#include <vector>

#include "framework/OMLink.h"
#include "trinkets/src/OMTrinket.h"

class DelayAction;
class DescriptorFile;
class OMIStream;
class OMWaveSound;
class RAnimation;
class RQueue;

// The screen after the assessment: one picture per skill area, placed by the level it got,
// and two buttons. One keeps the result file, the other deletes it; either way the program
// then starts the main program and closes.
class RConfirm : public OMTrinket {
 public:
  static constexpr int keepDelayMs = 10000;

  explicit RConfirm(OMTrinketWindow* host);
  ~RConfirm() override;

  // No script arguments.
  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;
  void tick() override;
  void paint() override {}

  bool keeps() const { return keep_; }
  RAnimation* keepButton() const { return keepButton_.get(); }
  RAnimation* deleteButton() const { return deleteButton_.get(); }
  RAnimation* exitPicture() const { return exitPicture_.get(); }
  const std::vector<std::unique_ptr<RAnimation>>& levelPictures() const { return levels_; }

 private:
  enum Step { noStep, keepButtonDone, deleteButtonDone, delayDone };

  std::unique_ptr<RAnimation> part(const char* key, int i, int x, int y) const;
  int value(const char* key, int i) const;
  void placeLevelPictures();
  void pressButton(RAnimation* button, bool keep, int then);
  void showKeepExit();
  void leave();

  OMWord defer(OMWord step);
  OMWord onKeepClick();
  OMWord onDeleteClick();
  OMWord onExitPictureClick();

  DescriptorFile* descriptor_;
  bool keep_ = false;
  bool pressed_ = false;
  bool left_ = false;
  int pending_ = noStep;
  std::unique_ptr<RAnimation> keepButton_, deleteButton_, sparkle_, exitPicture_, exitSparkle_;
  std::vector<std::unique_ptr<RAnimation>> levels_;
  std::unique_ptr<OMIStream> clickStream_;
  std::unique_ptr<OMWaveSound> click_;
  std::unique_ptr<DelayAction> delay_;
  std::unique_ptr<RQueue> queue_;
};
