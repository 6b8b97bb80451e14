#pragma once

#include <memory>

#include "trinkets/src/OMCursorTrinket.h"

class OMAnimation;
class OMIStream;

// A cursor trinket shown by an animation of its own, which steps and draws itself on the
// host; the cursor only moves it, shows it and hides it.
class OMAnimatedCursor : public OMCursorTrinket {
 public:
  OMAnimatedCursor(std::unique_ptr<OMIStream> stream, OMTrinketWindow* host);
  // The stream comes from the animation resolver.
  OMAnimatedCursor(int animationId, OMTrinketWindow* host);
  ~OMAnimatedCursor() override;

  void invalidateRegion(const OMRegion& region) override;
  void invalidate() override;
  OMRect rect() const override;
  void setPosition(int x, int y) override;
  void setVisible(int visible) override;
  int isVisible() const override;
  void offset(int& dx, int& dy) override;
  void markWholeDirty() override;
  void setRectLTRB(int left, int top, int right, int bottom) override;
  void setRect(const OMRect& rect) override;
  bool containsPoint(const OMPoint& point) const override;
  void tick() override {}
  void paint() override {}

  virtual void setConfined(int flag);
  virtual int isConfined() const;

  OMAnimation* animation() const { return animation_.get(); }

 private:
  void build(std::unique_ptr<OMIStream> stream);

  std::unique_ptr<OMAnimation> animation_;
};
