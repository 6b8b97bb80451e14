#include "assessment/src/QvKText.h"

#include "assessment/src/QvKTiming.h"
#include "framework/OMRGBColor.h"
#include "framework/OMRect.h"

namespace {
constexpr int fontId = 31262;
}  // namespace

QvKText::QvKText(OMTrinketWindow* host, const OMLink* problemLink)
    : RText("", OMRect(303, 334, 473, 405), nullptr, OMRGBColor(0, 0, 0), 1, host),
      problemLink_(cloneLink(problemLink))
{
  setFontById(fontId);
  setCenter(1);
}

void QvKText::setText(const char* text)
{
  full_ = shown_ = text ? text : "";
  typed_ = full_.size();
  RText::setText(shown_.c_str());
}

void QvKText::typeText(const char* text)
{
  full_ = text ? text : "";
  shown_.clear();
  typed_ = 0;
  lastTick_ = qvk::ticks();
  RText::setText("");
}

void QvKText::clear()
{
  setText("");
}

void QvKText::tick()
{
  RText::tick();
  const long now = qvk::ticks();
  if (paused_ || !isTyping() || now == lastTick_) return;
  lastTick_ = now;
  shown_ += full_[typed_++];
  RText::setText(shown_.c_str());
  if (!isTyping() && problemLink_) cloneLink(problemLink_.get())->call();
}
