#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "framework/OMSound.h"

class OMIStream;
class OMLink;
struct OMSoundEngine;

// A sound whose 8-bit mono samples come from a stream holding a RIFF WAVE image or a
// big-endian sampled-sound resource (formats 1 and 2). Every playing sound is mixed by one
// engine into a ring of output blocks kept queued on the wave-out device; a task refills it.
// A stream that hands out its whole content is played in place; any other stream is read
// block by block: its first blocks are preloaded, the rest read ahead while it plays.
class OMWaveSound : public OMSound {
 public:
  static const OMClassDescriptor classDescriptor;

  // The stream is not owned. With preload the samples are loaded at once.
  OMWaveSound(OMIStream* stream, int preload);
  ~OMWaveSound() override;

  const OMClassDescriptor& descriptor() const override { return classDescriptor; }
  int play(int async) override;
  void detach() override;
  bool load() override;
  void unload() override;
  void setVolume(int percent) override;
  int volume() const override { return volume_; }
  std::int32_t durationMs() const override;
  void pause() override;
  void resume() override;
  void waitUntilDone() override;

  // first is clamped into the sound; a negative count plays to the end.
  void setPlayRange(std::int32_t first, std::int32_t count);

  std::int32_t length() const { return length_; }
  std::int32_t firstSample() const { return firstSample_; }
  std::int32_t lastSample() const { return lastSample_; }
  std::int32_t dataOffset() const { return dataOffset_; }
  std::uint32_t sampleRate() const { return sampleRate_; }
  const std::array<std::uint8_t, 256>& volumeTable() const { return volumeTable_; }

 private:
  friend struct OMSoundEngine;

  // What this sound put into one output block, so that the block can be mixed again.
  struct BlockRecord {
    bool used = false;
    std::int32_t block = 0;     // stream block within the play range
    std::int32_t loops = 0;     // loops done before it
    std::int64_t sequence = 0;  // read-ahead sequence of a streamed block
    std::int32_t bytes = 0;
  };

  void parseHeader();
  // Reads the layout from the first n bytes of the stream.
  void parseLayout(const std::uint8_t* header, std::int32_t n);
  void fillVolumeTable();
  bool isStreamed() const;
  std::int32_t rangeLength() const;
  std::int32_t blockCount() const;
  std::int32_t bytesOfBlock(std::int32_t block) const;
  // The samples of a block that a record names; waits for a block still being read.
  const std::uint8_t* samplesOf(const BlockRecord& record);
  // Takes the next block of the range into output slot `slot`; true when the data ended.
  bool takeBlock(int slot);
  // Streamed sounds: the stream position of a read-ahead sequence number and its reading.
  std::int64_t sequenceOf(std::int32_t block, std::int32_t loops) const;
  std::int32_t streamBlockOf(std::int64_t sequence) const;
  bool readAhead(int async);
  bool allRead() const;
  void finishReading();

  std::array<std::uint8_t, 256> volumeTable_{};
  std::int32_t length_ = 0;
  std::int32_t firstSample_ = 0;
  std::int32_t lastSample_ = -1;
  std::int32_t dataOffset_ = 0;
  OMIStream* stream_;
  std::uint32_t streamBlockSize_;  // as the owner set it up
  std::uint32_t sampleRate_ = 0;
  bool formatKnown_ = false;

  // Whole content: the first sample of the sound's data.
  const std::uint8_t* samples_ = nullptr;
  // Streamed: preloaded blocks, then a ring of blocks read ahead.
  std::vector<std::uint8_t> preload_;
  std::int32_t preloadedBlocks_ = 0;
  std::vector<std::uint8_t> readRing_;
  std::int64_t readSequence_ = 0;   // next sequence to read
  std::int64_t takenSequence_ = 0;  // next sequence to mix
  bool reading_ = false;

  std::vector<BlockRecord> records_;
  std::int32_t nextBlock_ = 0;
  bool pendingStart_ = false;
  bool pendingResume_ = false;
};

// The engine's settings; each setter acts only while no OMWaveSound exists.
void setBlockBytes(int bytes);
void setRingCount(int count);
int blockBytes();
int ringCount();

// Probes the device at 11,025 and 22,050 Hz; answers whether both opened (1 at once when a
// device is open). keepOpen leaves it open, also while no sound plays.
int openWaveOut(int keepOpen);
void closeWaveOut();
void pauseSoundOutput();
void resumeSoundOutput();
bool isSoundOutputPaused();
void pauseMixingSounds();
void resumePausedSounds();
void detachAllSounds();
// Stall listeners are called with the milliseconds of output lost.
void addToSoundList(OMLink* link);
void removeFromSoundList(OMLink* link);
// The engine's per-pass work: reclaims played blocks and writes new ones.
void refillSoundOutput();
