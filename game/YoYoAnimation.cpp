#include "game/YoYoAnimation.h"

#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "game/WorldField.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord yoYoRecord("YoYoAnimation", &YoYoAnimation::create, TrinketRecord::gameEditionOnly);

}  // namespace

YoYoAnimation::YoYoAnimation(std::unique_ptr<OMIStream> stream, OMTrinketWindow* host)
    : OMAnimation(std::move(stream), noPosition, noPosition, host)
{
  buildBackAndForth();
}

std::unique_ptr<OMScriptableObject> YoYoAnimation::create()
{
  const int id = decimalValueOf(popScriptArg());
  std::unique_ptr<OMIStream> stream = animationResolver ? animationResolver(id) : nullptr;
  if (!stream) return nullptr;
  return std::make_unique<YoYoAnimation>(std::move(stream), OMTrinketWindow::mainHost());
}

void YoYoAnimation::registerMembers()
{
  OMAnimation::registerMembers();
  addMethod("play", OMLinkToObj<YoYoAnimation>(this, &YoYoAnimation::playMember));
  addMethod("pause", OMLinkToObj<YoYoAnimation>(this, &YoYoAnimation::pauseMember));
}

// Behind the frames (before the two closing entries) a copy of entry 0, then the frames from
// the last down to the first whose half-word is negative (a code), or entry 0.
void YoYoAnimation::buildBackAndForth()
{
  const int sequence = sequenceIndex();
  int n = 0;
  while (sequenceEntry(sequence, n))
    ++n;
  if (n < 3) return;
  const OMFrameEntry first = *sequenceEntry(sequence, 0);
  insertEntry(first, n - 2);
  int at = n - 1;
  for (int i = n - 3; i >= 0; --i) {
    const OMFrameEntry entry = *sequenceEntry(sequence, i);
    if (entry.image < 0) break;
    insertEntry(entry, at++);
  }
}

OMWord YoYoAnimation::playMember()
{
  resume();
  return 1;
}

OMWord YoYoAnimation::pauseMember()
{
  pause();
  return 1;
}
