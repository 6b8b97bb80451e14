#include "game/MazeGate.h"

#include "framework/OMLinkToObj.h"
#include "game/GlobalSoundFunctions.h"

namespace {

constexpr std::uint16_t gateSound = 20041;

}  // namespace

OMAnimation* MazeGate::shownAnimation() const
{
  return type == 3 && transformShown ? transform.get() : animation.get();
}

void MazeGate::show()
{
  if (!closed) return;
  if (OMAnimation* shown = shownAnimation()) shown->show();
}

void MazeGate::hide()
{
  if (!closed) return;
  if (OMAnimation* shown = shownAnimation()) shown->hide();
}

OMAnimation* MazeGate::openingAnimation() const
{
  return type == 3 ? transform.get() : animation.get();
}

void MazeGate::open(int withPartner)
{
  if (!closed) return;
  closed = 0;
  playSoundById(gateSound);
  // The partner opens first: the completion below may end the maze and this gate with it.
  if (withPartner && partner && partner->type == 2) partner->open(0);
  OMAnimation* played = openingAnimation();
  if (!played) {
    openingPlayed();
    return;
  }
  const OMLinkToObj<MazeGate> done(this, &MazeGate::openingPlayed);
  played->setDoneCallback(&done, 0);
  played->resume();
  // One that ran out (a scene change lets every animation run) plays from its start.
  if (played->playState() == OMAnimation::stopped) {
    played->rewind();
    played->restartTiming();
  }
}

OMWord MazeGate::openingPlayed()
{
  if (OMAnimation* played = openingAnimation()) {
    played->setDoneCallback(nullptr, 0);
    played->hide();
  }
  if (type == 4 && partner) {
    if (partner->animation) partner->animation->hide();
    if (partner->transform) partner->transform->show();
    partner->transformShown = 1;
  }
  // Last: the link may end the maze, and this gate with it.
  if (completionLink) completionLink->clone()->call();
  return 0;
}

void MazeGate::close()
{
  if (closed) return;
  closed = 1;
  if (animation) animation->show();
}
