#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/OMLink.h"
#include "framework/OMPoint.h"
#include "framework/OMRect.h"
#include "trinkets/src/OMTrinket.h"

class OMCanvas;
class OMCursor;

// An invisible clickable rectangle, optionally outlined in red; "stamp" burns the outline into
// the background and retires it. The assessment edition is smaller: corners in any order, a
// cursor flag, and only "top", "hit" and "dblClick".
class RHotSpot : public OMTrinket {
 public:
  using CursorLookup = OMCursor* (*)(std::uint16_t id);

  RHotSpot(const OMPoint& topLeft, const OMPoint& bottomRight, int z, OMTrinketWindow* host);
  RHotSpot(const OMRect& rect, int z, OMTrinketWindow* host);
  ~RHotSpot() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;
  void paint() override;
  // A rectangle given with its corners the wrong way round contains no point.
  bool containsPoint(const OMPoint& point) const override;
  void showTrackingCursor() override;
  void showHoverCursor() override;
  void onMouseUp() override;
  void reorder() override;
  void offset(int& dx, int& dy) override;

  static void setCursorLookup(CursorLookup lookup) { cursorLookup_ = lookup; }
  // Called with the hot spot at the start of every hot spot's destruction.
  static void setDestructionLink(const OMLink* link);
  static OMLink* destructionLink() { return destructionLink_.get(); }

  void setOutlined(int flag);
  int isOutlined() const { return isOutlined_; }
  bool usesTrinketCursor() const { return useTrinketCursor_ != 0; }
  void stamp();

 private:
  // Draws the red frame of the rectangle moved by (-dx, -dy), the canvas's pens kept.
  void drawFrame(OMCanvas* canvas, int dx, int dy) const;
  OMWord setOutlinedMember(OMWord text);
  OMWord getOutlinedMember(OMWord buffer);
  OMWord setUserDataMember(OMWord text);
  OMWord getUserDataMember(OMWord buffer);
  OMWord setAOCursorMember();
  OMWord stampMember();
  OMWord topMember();

  int isOutlined_ = 0;
  std::string userData_;
  int useTrinketCursor_ = 1;

  static CursorLookup cursorLookup_;
  static std::unique_ptr<OMLink> destructionLink_;
};
