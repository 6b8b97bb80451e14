#include "game/BackgroundMusic.h"

#include <cstdint>
#include <memory>

#include "framework/OMApp.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMSystem.h"
#include "framework/OMTask.h"
#include "framework/OMWaveSound.h"
#include "game/AppShell.h"
#include "game/ScenePortShell.h"

namespace {

constexpr int ticksPerSecond = 60;

struct Music {
  BackgroundMusicLoader loader = nullptr;
  std::int16_t id = 0;
  int volume = 100;
  int enabled = 1;
  // The sound plays the stream, which it does not own: the sound goes first.
  std::unique_ptr<OMIStream> stream;
  std::unique_ptr<OMWaveSound> sound;
  std::unique_ptr<OMTask> fadeTask;
  // A fade task that ended inside its own step, deleted once that step is over.
  std::unique_ptr<OMTask> retiredFadeTask;
  bool inFadeStep = false;
  int fadeFrom = 0;
  int fadeTo = 0;
  std::uint32_t fadeStart = 0;
  // Scripts give any number of seconds: their ticks may pass 32 bits.
  std::int64_t fadeLength = 0;
  bool stopAfterFade = false;
  int pauseDepth = 0;
  std::uint32_t pauseTime = 0;
};

Music& music()
{
  static Music theMusic;
  return theMusic;
}

void dropFadeTask()
{
  Music& m = music();
  if (!m.fadeTask) return;
  if (OMApp* app = OMApp::instance()) app->removeTask(m.fadeTask.get());
  if (m.inFadeStep)
    m.retiredFadeTask = std::move(m.fadeTask);
  else
    m.fadeTask.reset();
}

void stopMusicNow()
{
  Music& m = music();
  m.sound.reset();
  m.stream.reset();
  dropFadeTask();
}

bool fadeHasEnded(std::int64_t elapsed, std::int64_t volume)
{
  const Music& m = music();
  if (m.fadeTo > m.fadeFrom) return volume >= m.fadeTo;
  if (m.fadeTo < m.fadeFrom) return volume <= m.fadeTo;
  // Nothing to change: the fade still takes its time (silent music fades out too).
  return elapsed >= m.fadeLength;
}

OMWord fadeStep(OMWord)
{
  Music& m = music();
  m.retiredFadeTask.reset();
  m.inFadeStep = true;
  std::int64_t elapsed = static_cast<std::int32_t>(getTicks() - m.fadeStart);
  if (elapsed < 0) elapsed = 0;
  const std::int64_t volume =
      elapsed * (std::int64_t(m.fadeTo) - m.fadeFrom) / m.fadeLength + m.fadeFrom;
  if (fadeHasEnded(elapsed, volume)) {
    dropFadeTask();
    if (m.stopAfterFade) {
      stopMusicNow();
    } else {
      m.volume = m.fadeTo;
      if (m.sound) m.sound->setVolume(m.fadeTo);
    }
  } else if (m.sound && m.sound->volume() != volume) {
    m.sound->setVolume(static_cast<int>(volume));
  }
  m.inFadeStep = false;
  return 0;
}

// A fade of that length from now; inside a pause it waits for the pause's end.
void beginFade(int from, int to, int seconds, bool stopAfter)
{
  Music& m = music();
  if (!m.fadeTask) {
    const OMLinkToFct step(&fadeStep);
    m.fadeTask = std::make_unique<OMTask>(&step, 0);
    if (OMApp* app = OMApp::instance()) app->addTask(m.fadeTask.get());
  }
  m.fadeFrom = from;
  m.fadeTo = to;
  m.fadeStart = getTicks();
  m.fadeLength = std::int64_t(seconds) * ticksPerSecond;
  m.stopAfterFade = stopAfter;
  if (m.pauseDepth > 0) {
    m.fadeTask->suspend();
    m.pauseTime = m.fadeStart;
  }
}

// Makes the music sound for the music id when there is none.
void loadMusic()
{
  Music& m = music();
  if (m.sound || !m.loader) return;
  std::unique_ptr<OMIStream> stream = m.loader(static_cast<std::uint16_t>(m.id), 0);
  if (!stream) return;
  m.stream = std::move(stream);
  m.sound = std::make_unique<OMWaveSound>(m.stream.get(), 1);
  m.sound->setLoopCount(-1);
}

}  // namespace

void setBackgroundMusicLoader(BackgroundMusicLoader loader)
{
  music().loader = loader;
}

void startBackgroundMusic(int id, int volume, int fadeSeconds)
{
  Music& m = music();
  const auto newId = static_cast<std::int16_t>(id);
  if (newId != m.id) {
    stopMusicNow();
    m.id = newId;
  }
  m.volume = volume;
  if (!m.enabled) return;
  loadMusic();
  if (m.sound) {
    m.sound->setVolume(fadeSeconds >= 1 ? 0 : volume);
    m.sound->play(1);
    // Started inside a pause, it waits there for the pause's end.
    if (m.pauseDepth > 0) m.sound->pause();
  }
  // A new fade takes the place of a running one.
  dropFadeTask();
  if (fadeSeconds >= 1) beginFade(0, volume, fadeSeconds, false);
}

void stopBackgroundMusic(int fadeSeconds)
{
  Music& m = music();
  if (fadeSeconds < 1) {
    stopMusicNow();
    return;
  }
  // A fade-out during a fade goes down from where that fade was heading.
  const int from = m.fadeTask ? m.fadeTo : m.volume;
  beginFade(from, 0, fadeSeconds, true);
}

void stopBackgroundMusicNow()
{
  stopMusicNow();
}

int backgroundMusicId()
{
  return music().id;
}

int backgroundMusicVolume()
{
  return music().volume;
}

int backgroundMusicEnabled()
{
  return music().enabled;
}

void setBackgroundMusicEnabled(int enabled)
{
  Music& m = music();
  if (enabled == m.enabled) return;
  m.enabled = enabled;
  if (enabled)
    startBackgroundMusic(m.id, m.volume, 0);
  else
    stopMusicNow();
}

const OMWaveSound* backgroundMusicSound()
{
  return music().sound.get();
}

bool isBackgroundMusicFading()
{
  return music().fadeTask != nullptr;
}

int scenePauseDepth()
{
  return music().pauseDepth;
}

void beginScenePause()
{
  Music& m = music();
  if (m.pauseDepth++ > 0) return;
  if (m.sound) m.sound->pause();
  if (m.fadeTask) {
    m.fadeTask->suspend();
    m.pauseTime = getTicks();
  }
}

void endScenePause()
{
  Music& m = music();
  if (m.pauseDepth == 0) return;
  if (--m.pauseDepth > 0) return;
  // A movie that plays keeps the music quiet until the next scene change.
  if (shellCalls().currentMovie()) return;
  if (m.sound) m.sound->resume();
  if (m.fadeTask) {
    m.fadeTask->resume();
    m.fadeStart += getTicks() - m.pauseTime;
  }
}

void shutdownBackgroundMusic()
{
  Music& m = music();
  stopMusicNow();
  m.retiredFadeTask.reset();
  m.pauseDepth = 0;
}
