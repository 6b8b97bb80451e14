#pragma once

#include <memory>

#include "trinkets/src/OMAnimation.h"

// A cartoon for scripts: an animation whose frames the script plays between two frame numbers
// at a rate in frames per second, a number of times or for ever, or shows one at a time. It
// can stamp its frame onto the stage background and tells clicks on its drawn pixels from
// clicks beside them.
class RToon : public OMAnimation {
 public:
  enum Status { idle = 0, showOne = 1, forward = 2, backward = 3 };

  RToon(std::unique_ptr<OMIStream> stream, int x, int y, int id, int visible, int firstFrame,
        int live, OMTrinketWindow* host);
  ~RToon() override;

  // Pops x, y, ASEQ id, visible flag, first frame and live flag.
  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;
  void tick() override;
  // The whole rectangle takes presses; the press tells pixel from rectangle.
  bool containsPoint(const OMPoint& point) const override;
  void onMouseDown() override;
  void onDoubleClick() override;
  void onFlyOn() override;
  // The toon does not move by offsets.
  void offset(int&, int&) override {}

  void startToon(int from, int to, int plays, int delay);
  void stopToon(int frame);
  void setRate(int rate);
  int status() const { return status_; }
  int shownFrame() const { return shown_; }
  int currentFrame() const { return current_; }
  int stepDelay() const { return stepDelay_; }
  int resourceId() const { return id_; }

 private:
  void showFrame(int frame);
  void step();
  bool onDrawnPixel() const;

  OMWord startToonMember();
  OMWord stopToonMember();
  OMWord stampMember();
  OMWord getVisible(OMWord buffer);
  OMWord setVisibleMember(OMWord text);
  OMWord getRate(OMWord buffer);
  OMWord setRateMember(OMWord text);
  OMWord getFrame(OMWord buffer);
  OMWord setFrameMember(OMWord text);
  OMWord getStatus(OMWord buffer);
  OMWord setMovableMember(OMWord text);
  OMWord setOffsetMember(OMWord text);
  OMWord getFrames(OMWord buffer);
  OMWord getWidth(OMWord buffer);
  OMWord getHeight(OMWord buffer);
  OMWord setHot(OMWord text);
  OMWord setTouchyMember(OMWord text);
  OMWord ignore(OMWord text);

  int id_;
  int hot_ = 0;
  int from_ = 0, to_ = 0, current_ = 0, shown_ = -1;
  int playsLeft_ = 0;
  int live_;
  int status_ = idle;
  long nextStep_ = 0;
  int stepDelay_ = 4;
  int frameCount_ = 0;
  int rate_ = 15;
};
