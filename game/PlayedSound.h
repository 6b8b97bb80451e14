#pragma once

#include <cstdint>
#include <memory>

class OMIStream;
class OMLink;
class OMWaveSound;

// One sound started by the game's sound player: its handle, the sound and the stream it plays
// (both owned), and the link called when a sound played once has ended.
class PlayedSound {
 public:
  PlayedSound(std::int32_t handle, std::unique_ptr<OMIStream> stream,
              std::unique_ptr<OMWaveSound> sound);
  ~PlayedSound();
  PlayedSound(const PlayedSound&) = delete;
  PlayedSound& operator=(const PlayedSound&) = delete;

  std::int32_t handle() const { return handle_; }
  OMWaveSound& sound() { return *sound_; }
  const OMWaveSound& sound() const { return *sound_; }

  void setFinishedLink(const OMLink* link);
  // Calls the finished link, when there is one, on a copy: the call may end this record.
  void callFinishedLink();

  // True while the sound's own end notification runs: the record may not be deleted then.
  bool isNotifying() const { return notifying_ != 0; }
  void enterNotification() { ++notifying_; }
  void leaveNotification() { --notifying_; }

 private:
  std::int32_t handle_;
  std::unique_ptr<OMIStream> stream_;
  std::unique_ptr<OMWaveSound> sound_;
  std::unique_ptr<OMLink> finishedLink_;
  int notifying_ = 0;
};
