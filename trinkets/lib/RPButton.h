#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMLink.h"
#include "trinkets/src/OMAnimation.h"

class OMCursor;
class OMIStream;
class OMWaveSound;

// The script's push button: frame 1 up, 2 pressed, 3 disabled. A click that ends over the
// button raises "hit" (or calls the hit link) within the release, with a click sound at the
// press.
class RPButton : public OMAnimation {
 public:
  using ClickSoundPlayer = void (*)(std::uint16_t soundId);

  RPButton(std::unique_ptr<OMIStream> animation, OMTrinketWindow* host);
  RPButton(const OMPoint& point, std::unique_ptr<OMIStream> animation, OMTrinketWindow* host);
  RPButton(const OMPoint& point, int resourceId, OMTrinketWindow* host);
  RPButton(int resourceId, OMTrinketWindow* host);
  RPButton(const RPButton& other);
  ~RPButton() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override;
  void stateText(char* buffer, std::size_t size) const override;
  void registerMembers() override;
  void onMouseDown() override;
  void onMouseUp() override;
  void onDrag() override;
  void onDoubleClick() override;
  void tick() override;

  // A clone of the link replaces "hit" (null clears).
  void setHitLink(const OMLink* link);
  const OMLink* hitLink() const { return hitLink_.get(); }
  int clickSoundId() const { return clickSoundId_; }
  int playDelay() const { return playDelay_; }
  bool hasOwnClickSound() const { return clickSound_ != nullptr; }

  static void setDefaultTrackingCursor(OMCursor* cursor);
  static void setDefaultHoverCursor(OMCursor* cursor);
  static void setClickSoundPlayer(ClickSoundPlayer player);

 private:
  void setUp();
  void playClickSound();
  void dropClickSound();
  OMWord playMember();
  OMWord setEnabled(OMWord text);
  OMWord getEnabled(OMWord buffer);
  OMWord setClickSound(OMWord text);
  OMWord getClickSound(OMWord buffer);
  OMWord setDelay(OMWord text);
  OMWord getDelay(OMWord buffer);

  std::uint16_t clickSoundId_ = 65535;
  std::unique_ptr<OMIStream> clickSoundResource_;
  std::unique_ptr<OMWaveSound> clickSound_;
  // Whether a "play" is waiting for its delay, and since when.
  bool playPending_ = false;
  std::uint32_t playStart_ = 0;
  std::int32_t playDelay_ = 250;
  std::unique_ptr<OMLink> hitLink_;
  // Expires with the button, so a callback that deleted it is noticed.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
