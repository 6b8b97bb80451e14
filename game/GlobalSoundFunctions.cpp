#include "game/GlobalSoundFunctions.h"

#include <algorithm>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMTask.h"
#include "framework/OMWaveSound.h"
#include "game/PlayedSound.h"
#include "game/ResourceFileRegistry.h"
#include "game/WorldField.h"
#include "trinkets/lib/RAnswer.h"
#include "trinkets/lib/RContainer.h"
#include "trinkets/lib/RPButton.h"
#include "trinkets/lib/RPentominoGame.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rthread/YNativeFunction.h"

namespace {

// After the mixer's own task in each pass.
constexpr std::uint32_t reaperTaskWord = 1000;

struct SoundPlayerState {
  // The sounds that play or are paused, in order of starting.
  std::vector<std::unique_ptr<PlayedSound>> played;
  // Records that left the list inside their own sound's notification: deleted once it returned.
  std::vector<std::unique_ptr<PlayedSound>> retired;
  std::int32_t handleCounter = 0;
  SoundResourceOpener opener = nullptr;
  std::unique_ptr<OMTask> reaper;
};

SoundPlayerState& state()
{
  static SoundPlayerState player;
  return player;
}

void reapRetired()
{
  auto& retired = state().retired;
  // Deleting a sound may end another one's notification chain; take the list first.
  std::vector<std::unique_ptr<PlayedSound>> kept, gone;
  for (auto& record : retired)
    (record->isNotifying() ? kept : gone).push_back(std::move(record));
  retired = std::move(kept);
  gone.clear();
}

OMWord reapTask(OMWord)
{
  reapRetired();
  return 0;
}

void ensureReaper()
{
  SoundPlayerState& s = state();
  OMApp* app = OMApp::instance();
  if (!app) return;
  if (!s.reaper) {
    const OMLinkToFct link(&reapTask);
    s.reaper = std::make_unique<OMTask>(&link, reaperTaskWord);
  }
  if (!app->taskList().contains(s.reaper.get())) app->addTask(s.reaper.get());
}

// Deletes a record that has left the list, or keeps it until its notification has returned.
void dispose(std::unique_ptr<PlayedSound> record)
{
  if (!record) return;
  if (record->isNotifying()) {
    state().retired.push_back(std::move(record));
    ensureReaper();
    return;
  }
  record.reset();
}

auto positionOf(std::int32_t handle)
{
  auto& played = state().played;
  return std::find_if(played.begin(), played.end(),
                      [&](const auto& record) { return record->handle() == handle; });
}

std::unique_ptr<PlayedSound> takeOut(std::int32_t handle)
{
  auto& played = state().played;
  auto found = positionOf(handle);
  if (found == played.end()) return nullptr;
  std::unique_ptr<PlayedSound> record = std::move(*found);
  played.erase(found);
  return record;
}

std::unique_ptr<OMIStream> openWave(int id)
{
  if (SoundResourceOpener opener = state().opener) return opener(id, -1);
  return findResourceStream(id, "WAVE", -1);
}

// The end of a sound played once; the word is its handle.
OMWord soundEnded(OMWord word)
{
  const auto handle = static_cast<std::int32_t>(word);
  PlayedSound* record = findPlayedSound(handle);
  if (!record) return 0;
  record->enterNotification();
  record->callFinishedLink();
  record->leaveNotification();
  // The mixer is still inside this sound's notification: the record goes after it returns.
  std::unique_ptr<PlayedSound> taken = takeOut(handle);
  if (taken) {
    state().retired.push_back(std::move(taken));
    ensureReaper();
  }
  return 0;
}

std::int32_t handleArgument()
{
  return decimalValueOf(popScriptArg());
}

OMWord killSound(OMWord)
{
  stopPlayedSound(handleArgument());
  return 1;
}

OMWord pauseSound(OMWord)
{
  if (PlayedSound* record = findPlayedSound(handleArgument()))
    if (!record->sound().isPaused()) record->sound().pause();
  return 1;
}

OMWord resumeSound(OMWord)
{
  if (PlayedSound* record = findPlayedSound(handleArgument()))
    if (record->sound().isPaused()) record->sound().resume();
  return 1;
}

OMWord playSound(OMWord)
{
  const int id = decimalValueOf(popScriptArg());
  const char* repeat = popScriptArg();
  const int forever = *repeat && decimalValueOf(repeat) != 0;
  const char* volume = popScriptArg();
  const bool hasVolume = *volume != 0;
  const int level = decimalValueOf(volume);
  const std::int32_t handle = playSoundResource(static_cast<std::uint16_t>(id), nullptr, forever);
  if (hasVolume) setPlayedSoundVolume(handle, level);
  setScriptResultInt(handle);
  return 1;
}

void playClickSound(std::uint16_t id)
{
  playSoundById(id);
}

}  // namespace

void setSoundResourceOpener(SoundResourceOpener opener)
{
  state().opener = opener;
}

std::int32_t playSoundResource(std::uint16_t id, const OMLink* link, int forever)
{
  if (id == 0) return -1;
  std::unique_ptr<OMIStream> stream = openWave(id);
  if (!stream) {
    reportMissingResource("PlaySound", "WAVE", id);
    return -1;
  }
  auto sound = std::make_unique<OMWaveSound>(stream.get(), 0);
  // A damaged resource plays nothing and takes no handle.
  if (!sound->load()) {
    reportDamagedResource("PlaySound", "WAVE", id, nullptr);
    return -1;
  }
  SoundPlayerState& s = state();
  const std::int32_t handle = s.handleCounter++;
  auto record = std::make_unique<PlayedSound>(handle, std::move(stream), std::move(sound));
  if (forever == 0) {
    const OMLinkToFct ended(&soundEnded, static_cast<OMWord>(handle));
    record->sound().setFinishedLink(&ended);
    record->sound().setLoopCount(1);
    record->setFinishedLink(link);
  } else {
    record->sound().setLoopCount(-1);
  }
  PlayedSound* started = record.get();
  s.played.push_back(std::move(record));
  started->sound().play(1);
  return handle;
}

void stopPlayedSound(std::int32_t handle)
{
  dispose(takeOut(handle));
}

void setPlayedSoundVolume(std::int32_t handle, int volume)
{
  if (PlayedSound* record = findPlayedSound(handle)) record->sound().setVolume(volume);
}

void playSoundById(std::uint16_t id)
{
  playSoundResource(id, nullptr, 0);
}

void killAllPlayedSounds()
{
  std::vector<std::unique_ptr<PlayedSound>> all = std::move(state().played);
  state().played.clear();
  for (auto& record : all)
    dispose(std::move(record));
  reapRetired();
}

PlayedSound* findPlayedSound(std::int32_t handle)
{
  auto found = positionOf(handle);
  return found == state().played.end() ? nullptr : found->get();
}

int playedSoundCount()
{
  return static_cast<int>(state().played.size());
}

void installSoundHooks()
{
  RPButton::setClickSoundPlayer(&playClickSound);
  RPentominoGame::setSoundPlayer(&playSoundResource);
  RPentominoGame::setSoundStopper(&stopPlayedSound);
  RAnswer::setSoundPlayer(&playSoundResource);
  RAnswer::setSoundStopper(&stopPlayedSound);
  RContainer::setSoundPlayer(&playSoundResource);
  RContainer::setSoundStopper(&stopPlayedSound);
}

void registerSoundFunctions()
{
  const OMLinkToFct kill(&killSound), pause(&pauseSound), play(&playSound), resume(&resumeSound);
  registerScriptFunction("KillSound", &kill);
  registerScriptFunction("PauseSound", &pause);
  registerScriptFunction("PlaySound", &play);
  registerScriptFunction("ResumeSound", &resume);
}

void shutdownSoundFunctions()
{
  killAllPlayedSounds();
  RPButton::setClickSoundPlayer(nullptr);
  RPentominoGame::setSoundPlayer(nullptr);
  RPentominoGame::setSoundStopper(nullptr);
  RAnswer::setSoundPlayer(nullptr);
  RAnswer::setSoundStopper(nullptr);
  RContainer::setSoundPlayer(nullptr);
  RContainer::setSoundStopper(nullptr);
  SoundPlayerState& s = state();
  s.reaper.reset();
  s.opener = nullptr;
  // The next run counts from 0 again.
  s.handleCounter = 0;
}
