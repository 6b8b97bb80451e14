#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/OMLink.h"
#include "framework/OMPoint.h"
#include "trinkets/src/OMAnimation.h"

class OMCursor;

// The animation scripts create: frame counts, timing, painting into the background, frame
// sounds, recolouring, its own cursors, a per-frame event and a click-to-track mode.
class RAnimation : public OMAnimation {
 public:
  using CursorLookup = OMCursor* (*)(std::uint16_t id);

  RAnimation(std::unique_ptr<OMIStream> stream, int x, int y, OMTrinketWindow* host);
  RAnimation(const RAnimation& other);
  ~RAnimation() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;

  // Mode 1 notifies on every displayable frame; the link (cloned, null clears) is then called
  // with the animation.
  void setFrameNotification(int mode, const OMLink* link);
  int frameNotificationMode() const { return mode_; }
  void setTracking(bool on);
  bool isTracking() const { return tracking_ != 0; }

  static void setDefaultTrackingCursor(OMCursor* cursor);
  static void setDefaultHoverCursor(OMCursor* cursor);
  static void setCursorLookup(CursorLookup lookup);
  // The assessment edition calls this link (a clone; null clears) with every animation that
  // is being deleted.
  static void setDeletionHook(const OMLink* link);

 private:
  void setUp();
  bool holdsMouse() const;
  OMWord notifyFrame();
  OMWord trackPress();
  OMWord trackRelease();
  OMWord getFrameCount(OMWord buffer);
  OMWord getMode(OMWord buffer);
  OMWord setMode(OMWord text);
  OMWord getFrameRate(OMWord buffer);
  OMWord setFrameRateMember(OMWord text);
  OMWord getHeight(OMWord buffer);
  OMWord getWidth(OMWord buffer);
  OMWord getRepeat(OMWord buffer);
  OMWord setRepeatMember(OMWord text);
  OMWord getSoundSync(OMWord buffer);
  OMWord setSoundSync(OMWord text);
  OMWord getUserData(OMWord buffer);
  OMWord setUserData(OMWord text);
  OMWord setTrackingMember(OMWord text);
  OMWord ignoreSet(OMWord text);
  OMWord hideMember();
  OMWord showMember();
  OMWord paintMember();
  OMWord pauseMember();
  OMWord playMember();
  OMWord suspendMember();
  OMWord resumeMember();
  OMWord attachSoundMember();
  OMWord replacePaletteEntryMember();
  OMWord setAOCursorMember();

  int mode_ = 0;
  std::unique_ptr<std::string> userData_;
  std::unique_ptr<OMLink> frameLink_;
  int tracking_ = 0;
  OMPoint pressPoint_;
  // Expires with the animation, so a notification handler that deleted it is noticed.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
