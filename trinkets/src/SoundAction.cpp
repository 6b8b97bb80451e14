#include "trinkets/src/SoundAction.h"

#include <cstdlib>

#include "framework/OMBackgroundJob.h"
#include "framework/OMEdition.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMWaveSound.h"
#include "trinkets/src/ActionRegistrar.h"
#include "trinkets/src/OMSParameter.h"

namespace {

ActionRegistrar registrar("SoundAction", &SoundAction::create);

SoundAction::SoundOpener soundOpenerHook = nullptr;

}  // namespace

SoundAction::SoundAction(std::uint16_t soundId, int hold, int interruptible, int volume)
    : Action(interruptible), hold_(hold), volume_(volume), soundId_(soundId)
{
}

SoundAction::SoundAction(const SoundAction& other)
    : SoundAction(other.soundId_, other.hold_, other.interruptibleFlag(), other.volume_)
{
}

SoundAction::~SoundAction()
{
  if (isActive()) halt();
  dropSound();
}

std::unique_ptr<Action> SoundAction::create(int interruptible)
{
  const char* id = popScriptArg();
  if (!*id) return nullptr;
  const int soundId = std::atoi(id);
  const char* hold = popScriptArg();
  const char* flag = popScriptArg();
  int volume = 100;
  if (!OMEdition::isAssessment()) {
    const char* given = popScriptArg();
    if (*given) volume = std::atoi(given);
  }
  return std::make_unique<SoundAction>(static_cast<std::uint16_t>(soundId),
                                       *hold ? std::atoi(hold) : 0,
                                       *flag ? std::atoi(flag) : interruptible, volume);
}

void SoundAction::setSoundOpener(SoundOpener opener)
{
  soundOpenerHook = opener;
}

void SoundAction::start()
{
  Action::start();
  dropSound();
  if (soundId_ != 0 && soundOpenerHook) stream_ = soundOpenerHook(soundId_, hold_ ? 0 : -1);
  if (!stream_) {
    finish();
    return;
  }
  if (hold_) {
    suspendBackgroundReads();
    readsHeld_ = true;
  }
  sound_ = std::make_unique<OMWaveSound>(stream_.get(), 1);
  const OMLinkToObj<SoundAction> handler(this, &SoundAction::done);
  sound_->setFinishedLink(&handler);
  sound_->setVolume(volume_);
  // A sound that cannot play must not hold up what waits for the action.
  if (!sound_->load() || !sound_->play(1)) done();
}

OMWord SoundAction::done()
{
  halt();
  finish();
  return 1;
}

void SoundAction::halt()
{
  Action::halt();
  dropSound();
}

void SoundAction::dropSound()
{
  if (sound_) sound_->setFinishedLink(nullptr);
  sound_.reset();
  stream_.reset();
  if (readsHeld_) {
    readsHeld_ = false;
    resumeBackgroundReads();
  }
}

void SoundAction::pause()
{
  if (sound_) sound_->pause();
}

void SoundAction::resume()
{
  if (sound_) sound_->resume();
}
