#include "game/TransitionSound.h"

#include <cstdint>
#include <memory>

#include "framework/OMApp.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMTask.h"
#include "framework/OMWaveSound.h"
#include "game/WorldField.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rthread/YScriptEngine.h"

namespace {

// After the mixer's own task in each pass.
constexpr std::uint32_t reaperTaskWord = 1000;
constexpr int transitionRing = 2;

struct TransitionSoundState {
  // The sound lookup as it was at the first play.
  bool lookupTaken = false;
  OMStreamResolver lookup = nullptr;
  std::unique_ptr<OMIStream> stream;
  std::unique_ptr<OMWaveSound> sound;
  // The output's settings before the sound changed them; 0 when nothing is saved.
  int savedRing = 0;
  int savedBlockBytes = 0;
  // A sound that ended inside its own notification, with its stream, deleted once the
  // notification has returned.
  std::unique_ptr<OMWaveSound> retiredSound;
  std::unique_ptr<OMIStream> retiredStream;
  std::unique_ptr<OMTask> reaper;
};

TransitionSoundState& state()
{
  static TransitionSoundState transition;
  return transition;
}

void restoreOutputSettings()
{
  TransitionSoundState& s = state();
  if (s.savedRing) setRingCount(s.savedRing);
  if (s.savedBlockBytes) setBlockBytes(s.savedBlockBytes);
  s.savedRing = s.savedBlockBytes = 0;
}

// Deletes a retired sound; the output takes its settings back once no sound exists.
void reapRetired()
{
  TransitionSoundState& s = state();
  if (s.reaper) {
    if (OMApp* app = OMApp::instance()) app->removeTask(s.reaper.get());
  }
  if (!s.retiredSound) return;
  s.retiredSound.reset();
  s.retiredStream.reset();
  restoreOutputSettings();
}

OMWord reapTask(OMWord)
{
  reapRetired();
  return 0;
}

void retireSound()
{
  TransitionSoundState& s = state();
  s.retiredSound = std::move(s.sound);
  s.retiredStream = std::move(s.stream);
  OMApp* app = OMApp::instance();
  if (!app) return;
  if (!s.reaper) {
    const OMLinkToFct link(&reapTask);
    s.reaper = std::make_unique<OMTask>(&link, reaperTaskWord);
  }
  if (!app->taskList().contains(s.reaper.get())) app->addTask(s.reaper.get());
}

void deleteSound()
{
  TransitionSoundState& s = state();
  if (!s.sound) return;
  s.sound->setFinishedLink(nullptr);
  s.sound.reset();
  s.stream.reset();
  restoreOutputSettings();
}

// The end of the sound, or a stop; the sound's own notification (inside) may not delete it.
void finishSound(bool inside)
{
  TransitionSoundState& s = state();
  if (!s.sound) return;
  if (s.sound->isPaused()) {
    holdAllThreads();
    return;
  }
  if (inside) {
    retireSound();
  } else {
    deleteSound();
  }
  releaseAllThreads();
}

OMWord soundEnded(OMWord)
{
  finishSound(true);
  return 0;
}

// The WAVE resource read whole, with the output set to carry it in one buffer of a ring of 2.
std::unique_ptr<OMIStream> loadIntoOneBuffer(int id)
{
  TransitionSoundState& s = state();
  s.savedRing = ringCount();
  setRingCount(transitionRing);
  std::unique_ptr<OMIStream> stream = s.lookup(id);
  if (!stream) return nullptr;
  stream->setBuffer(OMIStream::wholeContent, nullptr);
  const std::int32_t loaded = stream->load(0);
  if (loaded <= 0) return nullptr;
  s.savedBlockBytes = blockBytes();
  setBlockBytes(loaded);
  return stream;
}

void playSound(int id)
{
  TransitionSoundState& s = state();
  s.stream = loadIntoOneBuffer(id);
  if (!s.stream) {
    restoreOutputSettings();
    return;
  }
  s.sound = std::make_unique<OMWaveSound>(s.stream.get(), 0);
  const OMLinkToFct ended(&soundEnded);
  s.sound->setFinishedLink(&ended);
  s.sound->setPlayRange(0, -1);
  // A sound that cannot start never ends: it must not keep the output's settings.
  if (!s.sound->play(1)) deleteSound();
}

}  // namespace

namespace scriptfn {

OMWord playTransitionSound(OMWord)
{
  const char* id = popScriptArg();
  if (!*id) return 1;
  TransitionSoundState& s = state();
  if (!s.lookupTaken) {
    s.lookup = OMAnimation::soundResolver;
    s.lookupTaken = true;
  }
  detachAllSounds();
  // The sound before, ended by the detach, goes first, and so do the settings it made.
  reapRetired();
  deleteSound();
  if (s.lookup) playSound(decimalValueOf(id));
  return 1;
}

OMWord stopTransitionSound(OMWord)
{
  finishSound(false);
  return 1;
}

}  // namespace scriptfn

bool isTransitionSoundPlaying()
{
  return state().sound != nullptr;
}

void shutdownTransitionSound()
{
  reapRetired();
  deleteSound();
  TransitionSoundState& s = state();
  s.reaper.reset();
  s.lookup = nullptr;
  s.lookupTaken = false;
}
