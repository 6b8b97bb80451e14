#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMClassDescriptor.h"
#include "framework/OMLink.h"

// A sound with its four notification links. Each notification calls its link without an
// argument when one is set.
class OMSound {
 public:
  OMSound() = default;
  virtual ~OMSound();
  OMSound(const OMSound&) = delete;
  OMSound& operator=(const OMSound&) = delete;

  virtual const OMClassDescriptor& descriptor() const = 0;
  // Answers 0 when the sound could not be started.
  virtual int play(int async) = 0;
  virtual void detach() = 0;
  virtual bool load() = 0;
  virtual void unload() = 0;
  virtual void setVolume(int percent) = 0;
  virtual int volume() const = 0;
  virtual std::int32_t durationMs() const = 0;
  virtual void pause() = 0;
  virtual void resume() = 0;
  virtual void fireStarted();
  virtual void fireFinished();
  virtual void firePaused();
  virtual void fireResumed();
  virtual void waitUntilDone() = 0;

  void setStartedLink(const OMLink* link) { startedLink_ = cloneLink(link); }
  void setFinishedLink(const OMLink* link) { finishedLink_ = cloneLink(link); }
  void setPausedLink(const OMLink* link) { pausedLink_ = cloneLink(link); }
  void setResumedLink(const OMLink* link) { resumedLink_ = cloneLink(link); }
  // -1 plays for ever; other values below 1 are ignored.
  void setLoopCount(int count);
  int loopCount() const { return loopCount_; }
  int loopsDone() const { return loopsDone_; }
  bool isLoaded() const { return loaded_; }
  bool isStarted() const { return started_; }
  bool isPaused() const { return paused_; }

 protected:
  std::unique_ptr<OMLink> startedLink_, finishedLink_, pausedLink_, resumedLink_;
  int volume_ = 100;
  bool loaded_ = false;
  bool started_ = false;
  int loopCount_ = 1;
  int loopsDone_ = 0;
  bool paused_ = false;
};
