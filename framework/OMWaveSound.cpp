#include "framework/OMWaveSound.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "framework/OMApp.h"
#include "framework/OMAppInitTerm.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMList.h"
#include "framework/OMTask.h"

const OMClassDescriptor OMWaveSound::classDescriptor = {"OMWaveSound"};

namespace {

std::uint32_t readLE32(const std::uint8_t* p)
{
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

std::uint32_t readBE32(const std::uint8_t* p)
{
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
         std::uint32_t(p[3]);
}

// How surely four bytes name a RIFF chunk: 2 a chunk of sound files, 1 any printable name, 0
// none (a pad byte is not printable).
int chunkNameRank(const std::uint8_t* id)
{
  static constexpr const char* known[] = {"fmt ", "data", "fact", "LIST", "JUNK", "PAD ",
                                          "cue ", "smpl", "inst", "bext", "id3 ", "DISP"};
  for (const char* name : known)
    if (std::memcmp(id, name, 4) == 0) return 2;
  return std::all_of(id, id + 4, [](std::uint8_t c) { return c >= 0x20 && c < 0x7F; }) ? 1 : 0;
}

// The offset of the chunk after the one at `at`. It follows at 8 + size; writers that pad an
// odd-sized chunk put it a byte further, taken when only there a better chunk name stands.
std::int64_t nextChunk(const std::uint8_t* p, std::int32_t n, std::int64_t at)
{
  const std::uint32_t size = readLE32(p + at + 4);
  const std::int64_t next = at + 8 + std::int64_t(size);
  if (!(size & 1) || next + 5 > n) return next;
  return chunkNameRank(p + next + 1) > chunkNameRank(p + next) ? next + 1 : next;
}

// One block of the output ring: its header over its memory and the sounds whose first
// block, last block or first block after a resume it holds.
struct OutputBlock {
  WAVEHDR header{};
  OMList<OMWaveSound> starts;
  OMList<OMWaveSound> ends;
  OMList<OMWaveSound> resumes;
};

}  // namespace

struct OMSoundEngine {
  int blockBytes = 1024;
  int ringCount = 16;
  int startLead = 4;
  int queueAhead = 6;
  int streamRing = 32;

  HWAVEOUT device = nullptr;
  DWORD deviceRate = 0;
  std::vector<OutputBlock> blocks;
  std::vector<std::uint8_t> memory;
  std::vector<std::int16_t> accumulator;
  int oldest = 0;
  int lastWritten = -1;
  OMList<OMWaveSound> mixing, draining, paused, guard;
  // The sounds of a reclaimed block whose "finished" notifications are still to come.
  OMList<OMWaveSound> finishing;
  OMList<OMLink> stallListeners;
  bool outputPaused = false;
  DWORD pauseTime = 0;
  int alive = 0;
  bool keepOpen = false;
  std::unique_ptr<OMTask> task;
  int reportCountdown = 0;
  DWORD lastWriteTime = 0;
  // The ring played out to its last written block, which is reclaimed already.
  bool ranDry = false;
  bool refilling = false;
  std::unique_ptr<OMTask> retiredTask;
  // Counts set-ups and tear-downs: the block memory of an earlier one is gone.
  unsigned generation = 0;
  // Grows whenever a sound joins or leaves a list, so that walks notice notifications.
  unsigned changes = 0;

  static OMSoundEngine& get()
  {
    static OMSoundEngine engine;
    return engine;
  }

  // ---- set-up -------------------------------------------------------------------------
  void setUp()
  {
    ++generation;
    blocks = std::vector<OutputBlock>(static_cast<std::size_t>(ringCount));
    memory.assign(static_cast<std::size_t>(ringCount) * std::size_t(blockBytes), 128);
    accumulator.assign(static_cast<std::size_t>(blockBytes), 0);
    for (int i = 0; i < ringCount; ++i) {
      WAVEHDR& h = blocks[std::size_t(i)].header;
      h.lpData = reinterpret_cast<LPSTR>(memory.data() + std::size_t(i) * std::size_t(blockBytes));
      h.dwBufferLength = DWORD(blockBytes);
    }
    oldest = 0;
    lastWritten = -1;
    OMLinkToFct link([](OMWord) -> OMWord {
      refillSoundOutput();
      return 0;
    });
    task = std::make_unique<OMTask>(&link, 0);
    if (OMApp* app = OMApp::instance()) app->addTask(task.get());
  }

  void tearDown()
  {
    ++generation;
    if (device) {
      resetOutput();
      if (!keepOpen) closeDevice();
    }
    // A sound deleted by its own notification inside the refill ends the engine from within
    // its task: the task is let go when the refill returns.
    if (refilling && !retiredTask) {
      if (OMApp* app = OMApp::instance()) app->removeTask(task.get());
      retiredTask = std::move(task);
    }
    task.reset();
    blocks.clear();
    memory.clear();
    accumulator.clear();
  }

  // ---- the device ---------------------------------------------------------------------
  bool openDevice(DWORD rate)
  {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = rate;
    format.nAvgBytesPerSec = rate;
    format.nBlockAlign = 1;
    format.wBitsPerSample = 8;
    HWAVEOUT opened = nullptr;
    if (waveOutOpen(&opened, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR ||
        !opened) {
      device = nullptr;
      return false;
    }
    device = opened;
    deviceRate = rate;
    return true;
  }

  void closeDevice()
  {
    if (!device) return;
    resetOutput();
    waveOutClose(device);
    device = nullptr;
    deviceRate = 0;
  }

  bool probe(bool keep)
  {
    if (device) return true;
    const bool low = openDevice(11025);
    closeDevice();
    const bool high = openDevice(22050);
    if (!keep) closeDevice();
    return low && high;
  }

  // Stops the output: every prepared header unprepared, the ring empty.
  void resetOutput()
  {
    if (device) waveOutReset(device);
    for (OutputBlock& b : blocks) {
      if (device && (b.header.dwFlags & WHDR_PREPARED))
        waveOutUnprepareHeader(device, &b.header, sizeof(WAVEHDR));
      b.header.dwFlags = 0;
      b.starts.removeAll();
      b.ends.removeAll();
      b.resumes.removeAll();
    }
    oldest = 0;
    lastWritten = -1;
    reportCountdown = 0;
    ranDry = false;
    auto clear = [](OMWaveSound* s) {
      for (auto& r : s->records_)
        r.used = false;
    };
    mixing.forEach(clear);
    draining.forEach(clear);
  }

  // ---- the ring -----------------------------------------------------------------------
  int next(int slot) const { return (slot + 1) % ringCount; }
  int distance(int from, int to) const { return (to - from + ringCount) % ringCount; }
  bool isQueued(int slot) const
  {
    return (blocks[std::size_t(slot)].header.dwFlags & WHDR_PREPARED) != 0;
  }
  bool isDone(int slot) const
  {
    return (blocks[std::size_t(slot)].header.dwFlags & WHDR_DONE) != 0;
  }
  std::uint8_t* bytesOf(int slot)
  {
    return memory.data() + std::size_t(slot) * std::size_t(blockBytes);
  }
  int queuedCount() const
  {
    if (lastWritten < 0) return 0;
    int count = 0;
    for (int i = 0; i < ringCount; ++i)
      if (isQueued(i)) ++count;
    return count;
  }
  int waitingCount() const
  {
    int count = 0;
    for (int i = 0; i < ringCount; ++i)
      if (isQueued(i) && !isDone(i)) ++count;
    return count;
  }
  // The first block from the oldest on that is still waiting or playing; -1 when none.
  int firstWaiting() const
  {
    if (lastWritten < 0) return -1;
    for (int slot = oldest;; slot = next(slot)) {
      if (isQueued(slot) && !isDone(slot)) return slot;
      if (slot == lastWritten) return -1;
    }
  }
  bool outputIdle() const { return lastWritten < 0 || isDone(lastWritten); }

  // ---- mixing -------------------------------------------------------------------------
  void addContribution(OMWaveSound* sound, int slot, bool inPlace, int& longest)
  {
    const OMWaveSound::BlockRecord& record = sound->records_[std::size_t(slot)];
    if (!record.used || record.bytes <= 0) return;
    const std::uint8_t* samples = sound->samplesOf(record);
    if (!samples) return;
    const bool full = sound->volume_ == 100;
    const auto& table = sound->volumeTable_;
    std::uint8_t* out = bytesOf(slot);
    if (inPlace) {
      for (int i = 0; i < record.bytes; ++i) {
        const int v = full ? samples[i] : table[samples[i]];
        out[i] = static_cast<std::uint8_t>(std::clamp(out[i] + v - 128, 0, 255));
      }
      return;
    }
    for (int i = 0; i < record.bytes; ++i) {
      const int v = full ? samples[i] : table[samples[i]];
      accumulator[std::size_t(i)] =
          static_cast<std::int16_t>(accumulator[std::size_t(i)] + v - 128);
    }
    longest = std::max(longest, record.bytes);
  }

  // Mixes a block afresh from the records of every sound that takes part in it.
  void compose(int slot)
  {
    std::uint8_t* out = bytesOf(slot);
    OMWaveSound* only = nullptr;
    int contributors = 0;
    auto count = [&](OMWaveSound* s) {
      if (s->records_[std::size_t(slot)].used) {
        only = s;
        ++contributors;
      }
    };
    mixing.forEach(count);
    draining.forEach(count);
    int longest = 0;
    if (contributors == 1) {
      const OMWaveSound::BlockRecord& record = only->records_[std::size_t(slot)];
      const std::uint8_t* samples = record.bytes > 0 ? only->samplesOf(record) : nullptr;
      if (samples) {
        longest = record.bytes;
        if (only->volume_ == 100) {
          std::memcpy(out, samples, std::size_t(longest));
        } else {
          for (int i = 0; i < longest; ++i)
            out[i] = only->volumeTable_[samples[i]];
        }
      }
    } else if (contributors > 1) {
      std::fill(accumulator.begin(), accumulator.end(), std::int16_t(0));
      auto add = [&](OMWaveSound* s) { addContribution(s, slot, false, longest); };
      mixing.forEach(add);
      draining.forEach(add);
      for (int i = 0; i < longest; ++i)
        out[i] = static_cast<std::uint8_t>(std::clamp(accumulator[std::size_t(i)] + 128, 0, 255));
    }
    std::memset(out + longest, 128, std::size_t(blockBytes - longest));
  }

  // Mixes every queued block that has not played yet again from the records.
  void remixQueued()
  {
    const int from = firstWaiting();
    if (from < 0) return;
    for (int slot = from;; slot = next(slot)) {
      if (isQueued(slot) && !isDone(slot)) compose(slot);
      if (slot == lastWritten) break;
    }
  }

  // Every mixing sound takes its next block into the slot; those whose data ended drain.
  void takeInto(int slot)
  {
    OutputBlock& block = blocks[std::size_t(slot)];
    mixing.forEach([&](OMWaveSound* s) {
      const bool ended = s->takeBlock(slot);
      if (s->pendingStart_) {
        block.starts.add(s);
        s->pendingStart_ = false;
      }
      if (s->pendingResume_) {
        block.resumes.add(s);
        s->pendingResume_ = false;
      }
      if (ended) {
        mixing.remove(s);
        draining.add(s);
        block.ends.add(s);
        ++changes;
      }
    });
  }

  void writeBlock(int slot)
  {
    WAVEHDR& header = blocks[std::size_t(slot)].header;
    header.dwFlags = 0;
    header.dwBufferLength = DWORD(blockBytes);
    waveOutPrepareHeader(device, &header, sizeof(WAVEHDR));
    waveOutWrite(device, &header, sizeof(WAVEHDR));
    reportStall(slot);
    if (lastWritten < 0) oldest = slot;
    lastWritten = slot;
  }

  void reportStall(int slot)
  {
    const DWORD now = timeGetTime();
    const int previous = lastWritten;
    const bool playedOut = ranDry || (previous >= 0 && previous != slot && isDone(previous));
    ranDry = false;
    if (previous < 0 && !playedOut) {
      reportCountdown = 0;
    } else if (reportCountdown == 0 && playedOut) {
      reportCountdown = queueAhead - 1;
      const DWORD played = deviceRate ? DWORD(blockBytes) * 1000 / deviceRate : 0;
      const OMWord lost = OMWord(std::int32_t(now - played - lastWriteTime));
      stallListeners.forEach([lost](OMLink* link) { link->call(lost); });
    } else if (reportCountdown > 0) {
      --reportCountdown;
    }
    lastWriteTime = now;
  }

  // The next free slot, or -1 when the ring is full.
  int freeSlot() const
  {
    const int slot = lastWritten < 0 ? 0 : next(lastWritten);
    return isQueued(slot) ? -1 : slot;
  }

  // Mixes and writes one new block; false when the ring is full.
  bool writeNext()
  {
    const int slot = freeSlot();
    if (slot < 0) return false;
    takeInto(slot);
    compose(slot);
    writeBlock(slot);
    return true;
  }

  // Joins a sound to the mix as it starts or resumes: into the queued blocks from the start
  // lead on, or, with the output idle, into new blocks written at once.
  void join(OMWaveSound* sound, bool resuming)
  {
    mixing.add(sound);
    ++changes;
    sound->pendingStart_ = !resuming || !sound->started_;
    sound->pendingResume_ = resuming && sound->started_;
    if (outputPaused || !device) return;
    const int waiting = firstWaiting();
    if (waiting >= 0) {
      const int lead = std::min(startLead, ringCount - 1);
      const int from = (waiting + lead) % ringCount;
      if (distance(waiting, from) <= distance(waiting, lastWritten)) {
        for (int slot = from;; slot = next(slot)) {
          OutputBlock& block = blocks[std::size_t(slot)];
          const bool ended = sound->takeBlock(slot);
          int longest = 0;
          addContribution(sound, slot, true, longest);
          if (sound->pendingStart_) block.starts.add(sound);
          if (sound->pendingResume_) block.resumes.add(sound);
          sound->pendingStart_ = sound->pendingResume_ = false;
          if (ended) {
            mixing.remove(sound);
            draining.add(sound);
            block.ends.add(sound);
            break;
          }
          if (slot == lastWritten) break;
        }
      }
      return;
    }
    const bool idle = outputIdle();
    // From idle output a resume is reported at once, not when its block is reached.
    const bool resumedNow = idle && sound->pendingResume_;
    if (resumedNow) sound->pendingResume_ = false;
    if (idle) waveOutPause(device);
    if (mixing.count() == 1 && mixing.first() == sound) {
      while (mixing.contains(sound) && writeNext()) {
      }
    }
    if (idle) {
      waveOutRestart(device);
      if (resumedNow) sound->fireResumed();
    }
  }

  // Takes a sound out of every block list and of the mix.
  void leave(OMWaveSound* sound)
  {
    for (OutputBlock& b : blocks) {
      b.starts.remove(sound);
      b.ends.remove(sound);
      b.resumes.remove(sound);
    }
    finishing.remove(sound);
    mixing.remove(sound);
    draining.remove(sound);
    paused.remove(sound);
    for (auto& r : sound->records_)
      r.used = false;
    ++changes;
  }

  bool inAnyEndList(OMWaveSound* sound)
  {
    for (OutputBlock& b : blocks)
      if (b.ends.contains(sound)) return true;
    return false;
  }

  void releasePlayState(OMWaveSound* sound)
  {
    sound->records_.clear();
    sound->finishReading();
  }

  void finish(OMWaveSound* sound)
  {
    if (mixing.contains(sound) || inAnyEndList(sound)) return;
    draining.remove(sound);
    ++changes;
    releasePlayState(sound);
    if (mixing.isEmpty() && draining.isEmpty()) {
      resetOutput();
      if (paused.isEmpty() && !keepOpen) closeDevice();
    }
    if (sound->started_) {
      sound->started_ = false;
      guard.add(sound);
      sound->fireFinished();
      guard.remove(sound);
    }
  }

  // ---- the refill pass ----------------------------------------------------------------
  void refill()
  {
    if (!device || blocks.empty() || refilling) return;
    refilling = true;
    const unsigned made = generation;
    reclaim();
    if (device && !blocks.empty() && generation == made) writeAndReadAhead();
    refilling = false;
    retiredTask.reset();
  }

  void writeAndReadAhead()
  {
    bool wrote = false;
    for (int i = 0; i < ringCount; ++i) {
      if (mixing.isEmpty() || waitingCount() >= queueAhead) break;
      if (!writeNext()) break;
      wrote = true;
    }
    if (!wrote && !mixing.isEmpty()) readAheadOne();
  }

  void reclaim()
  {
    if (lastWritten < 0) return;
    const unsigned before = changes;
    const unsigned made = generation;
    for (int slot = oldest;;) {
      OutputBlock& block = blocks[std::size_t(slot)];
      if (!isQueued(slot)) break;
      while (!block.starts.isEmpty()) {
        OMWaveSound* s = block.starts.first();
        block.starts.remove(s);
        s->started_ = true;
        s->fireStarted();
        if (generation != made) return;  // the last sound was deleted
      }
      while (!block.resumes.isEmpty()) {
        OMWaveSound* s = block.resumes.first();
        block.resumes.remove(s);
        s->fireResumed();
        if (generation != made) return;
      }
      if (changes != before || !device) return;
      if (!isDone(slot)) return;
      waveOutUnprepareHeader(device, &block.header, sizeof(WAVEHDR));
      block.header.dwFlags = 0;
      auto advance = [slot](OMWaveSound* s) { s->records_[std::size_t(slot)].used = false; };
      mixing.forEach(advance);
      draining.forEach(advance);
      const bool last = slot == lastWritten;
      // The block is free before its sounds hear that they finished: one that starts again
      // from its notification may write new blocks after it, or this very block anew.
      oldest = next(slot);
      while (!block.ends.isEmpty()) {
        OMWaveSound* s = block.ends.first();
        block.ends.remove(s);
        finishing.add(s);
      }
      while (!finishing.isEmpty()) {
        OMWaveSound* s = finishing.first();
        finishing.remove(s);
        finish(s);
        if (generation != made) return;
      }
      if (last) {
        if (device && lastWritten == slot && !isQueued(slot)) {
          // Everything played and nothing new came: the ring starts afresh.
          lastWritten = -1;
          oldest = 0;
          ranDry = true;
        }
        return;
      }
      if (changes != before || !device || lastWritten < 0) return;
      slot = oldest;
    }
  }

  void readAheadOne()
  {
    OMWaveSound* chosen = nullptr;
    std::int64_t fewest = ringCount;
    mixing.forEach([&](OMWaveSound* s) {
      if (!s->isStreamed() || s->reading_ || s->allRead()) return;
      const std::int64_t ahead = s->readSequence_ - s->takenSequence_;
      if (ahead < fewest) {
        fewest = ahead;
        chosen = s;
      }
    });
    if (chosen) chosen->readAhead(1);
  }
};

namespace {

OMSoundEngine& engine()
{
  return OMSoundEngine::get();
}

// The device is let go when the program ends.
OMAppInitTerm waveSoundModule(nullptr, &closeWaveOut);

}  // namespace

// ---- the sound --------------------------------------------------------------------------

OMWaveSound::OMWaveSound(OMIStream* stream, int preload)
    : stream_(stream), streamBlockSize_(stream ? stream->blockSize() : 0)
{
  OMSoundEngine& e = engine();
  if (e.alive++ == 0) e.setUp();
  parseHeader();
  fillVolumeTable();
  if (preload) load();
}

OMWaveSound::~OMWaveSound()
{
  OMSoundEngine& e = engine();
  const bool active = e.mixing.contains(this) || e.draining.contains(this);
  e.leave(this);
  e.guard.remove(this);
  if (active) {
    if (e.mixing.isEmpty() && e.draining.isEmpty())
      e.resetOutput();
    else
      e.remixQueued();
  }
  unload();
  if (--e.alive == 0) e.tearDown();
}

void OMWaveSound::parseHeader()
{
  if (!stream_) return;
  stream_->setPosition(0);
  const std::int32_t loaded = stream_->load(0);
  const std::uint8_t* p = stream_->data();
  if (loaded > 0 && p) parseLayout(p, std::min<std::int32_t>(loaded, 1024));
  // A sound without a usable rate plays at the lower standard rate.
  if (sampleRate_ == 0 || sampleRate_ > 192000) sampleRate_ = 11025;
  lastSample_ = length_ - 1;
}

void OMWaveSound::parseLayout(const std::uint8_t* p, std::int32_t n)
{
  if (n >= 12 && std::memcmp(p, "RIFF", 4) == 0 && std::memcmp(p + 8, "WAVE", 4) == 0) {
    std::int64_t at = 12;
    bool haveFormat = false;
    bool playable = false;
    while (at + 8 <= n) {
      const std::uint32_t size = readLE32(p + at + 4);
      const std::uint8_t* id = p + at;
      if (!haveFormat && std::memcmp(id, "fmt ", 4) == 0) {
        if (at + 8 + 16 > n) return;
        const std::uint8_t* f = p + at + 8;
        sampleRate_ = readLE32(f + 4);
        const unsigned tag = f[0] | f[1] << 8;
        const unsigned channels = f[2] | f[3] << 8;
        const unsigned bits = f[14] | f[15] << 8;
        playable = tag == 1 && channels == 1 && bits == 8 && sampleRate_ > 0;
        haveFormat = true;
      } else if (haveFormat && std::memcmp(id, "data", 4) == 0) {
        // Only 8-bit mono PCM can be mixed; anything else stays without samples.
        if (!playable) return;
        length_ = std::int32_t(std::min<std::uint32_t>(size, 0x7FFFFFFF));
        dataOffset_ = std::int32_t(at + 8);
        formatKnown_ = true;
        break;
      }
      at = nextChunk(p, n, at);
    }
  } else if (n >= 2 && p[0] == 0 && (p[1] == 1 || p[1] == 2)) {
    if (p[1] == 1 && n >= 46) {
      if (p[40] == 0) {
        dataOffset_ = 42;
        length_ = std::int32_t(readBE32(p + 24) & 0x7FFFFFFF);
      } else {
        dataOffset_ = 84;
        length_ = std::int32_t(readBE32(p + 42) & 0x7FFFFFFF);
      }
      sampleRate_ = readBE32(p + 28) >> 16;
      formatKnown_ = true;
    } else if (p[1] == 2 && n >= 40) {
      if (p[34] == 0) {
        dataOffset_ = 36;
        length_ = std::int32_t(readBE32(p + 18) & 0x7FFFFFFF);
      } else {
        dataOffset_ = 78;
        length_ = std::int32_t(readBE32(p + 36) & 0x7FFFFFFF);
      }
      sampleRate_ = readBE32(p + 22) >> 16;
      formatKnown_ = true;
    }
  }
}

void OMWaveSound::fillVolumeTable()
{
  for (int s = 0; s < 256; ++s)
    volumeTable_[std::size_t(s)] = static_cast<std::uint8_t>(128 + (s - 128) * volume_ / 100);
}

bool OMWaveSound::isStreamed() const
{
  return stream_ && !stream_->isWhole();
}

std::int32_t OMWaveSound::rangeLength() const
{
  return length_ > 0 ? lastSample_ - firstSample_ + 1 : 0;
}

std::int32_t OMWaveSound::blockCount() const
{
  const int bytes = engine().blockBytes;
  return std::max<std::int32_t>(1, (rangeLength() + bytes - 1) / bytes);
}

std::int32_t OMWaveSound::bytesOfBlock(std::int32_t block) const
{
  const int bytes = engine().blockBytes;
  return std::clamp<std::int32_t>(rangeLength() - block * bytes, 0, bytes);
}

bool OMWaveSound::load()
{
  if (loaded_) return true;
  if (!stream_ || !formatKnown_) return false;
  OMSoundEngine& e = engine();
  if (!isStreamed()) {
    stream_->setPosition(0);
    if (!stream_->isLoaded() || stream_->blockOffset() != 0 || !stream_->data()) stream_->load(0);
    const std::uint8_t* all = stream_->data();
    // A length that runs past the stream's content is refused.
    if (!all || stream_->blockOffset() != 0 ||
        std::int64_t(dataOffset_) + length_ > std::int64_t(stream_->size()))
      return false;
    samples_ = all + dataOffset_;
  } else {
    if (std::int64_t(dataOffset_) + length_ > std::int64_t(stream_->size())) return false;
    const std::size_t bytes = std::size_t(e.blockBytes);
    preloadedBlocks_ =
        std::min<std::int32_t>(e.ringCount, (rangeLength() + e.blockBytes - 1) / e.blockBytes);
    preload_.assign(std::size_t(e.ringCount) * bytes, 128);
    for (std::int32_t i = 0; i < preloadedBlocks_; ++i) {
      stream_->setBuffer(std::uint32_t(bytes), preload_.data() + std::size_t(i) * bytes);
      stream_->setPosition(dataOffset_ + firstSample_ + i * e.blockBytes);
      if (stream_->load(0) < bytesOfBlock(i)) {
        preload_.clear();
        preloadedBlocks_ = 0;
        stream_->unload();
        return false;
      }
    }
  }
  loaded_ = true;
  return true;
}

void OMWaveSound::unload()
{
  if (!loaded_) return;
  if (engine().mixing.contains(this) || engine().draining.contains(this)) detach();
  finishReading();
  samples_ = nullptr;
  preload_.clear();
  preloadedBlocks_ = 0;
  if (isStreamed()) {
    // The stream must not keep pointing into this sound's blocks.
    stream_->unload();
    stream_->setBuffer(streamBlockSize_, nullptr);
  }
  loaded_ = false;
}

std::int64_t OMWaveSound::sequenceOf(std::int32_t block, std::int32_t loops) const
{
  // Blocks after the preloaded ones are read in turn, pass after pass.
  const std::int64_t rest = blockCount() - preloadedBlocks_;
  return rest > 0 ? std::int64_t(loops) * rest + std::max(0, block - preloadedBlocks_) : 0;
}

std::int32_t OMWaveSound::streamBlockOf(std::int64_t sequence) const
{
  const std::int64_t rest = blockCount() - preloadedBlocks_;
  return rest > 0 ? std::int32_t(preloadedBlocks_ + sequence % rest) : 0;
}

bool OMWaveSound::allRead() const
{
  const std::int64_t rest = blockCount() - preloadedBlocks_;
  if (rest <= 0) return true;
  // A sound that loops again needs its blocks once more.
  const std::int64_t loops = loopCount_ == -1 ? loopsDone_ + 2 : loopCount_;
  return readSequence_ >= rest * loops;
}

bool OMWaveSound::readAhead(int async)
{
  OMSoundEngine& e = engine();
  if (readRing_.empty()) return false;
  const std::int64_t sequence = readSequence_;
  const std::size_t slot = std::size_t(sequence % e.streamRing);
  const std::int32_t block = streamBlockOf(sequence);
  stream_->setBuffer(std::uint32_t(e.blockBytes),
                     readRing_.data() + slot * std::size_t(e.blockBytes));
  stream_->setPosition(dataOffset_ + firstSample_ + block * e.blockBytes);
  reading_ = true;
  const std::int32_t got = stream_->load(async);
  ++readSequence_;
  if (!async) reading_ = false;
  return got > 0;
}

void OMWaveSound::finishReading()
{
  if (reading_ && stream_) {
    while (stream_->isLoading())
      Sleep(0);
  }
  reading_ = false;
  readRing_.clear();
  readSequence_ = 0;
  takenSequence_ = 0;
}

const std::uint8_t* OMWaveSound::samplesOf(const BlockRecord& record)
{
  OMSoundEngine& e = engine();
  if (!isStreamed()) {
    return samples_ ? samples_ + firstSample_ + std::int64_t(record.block) * e.blockBytes : nullptr;
  }
  if (record.block < preloadedBlocks_)
    return preload_.data() + std::size_t(record.block) * std::size_t(e.blockBytes);
  if (readRing_.empty()) return nullptr;
  // A block not read yet is read now; one still being read is waited for.
  while (record.sequence >= readSequence_)
    if (!readAhead(0)) return nullptr;
  if (reading_ && record.sequence == readSequence_ - 1) {
    while (stream_->isLoading())
      Sleep(0);
    reading_ = false;
  }
  const std::size_t slot = std::size_t(record.sequence % e.streamRing);
  return readRing_.data() + slot * std::size_t(e.blockBytes);
}

bool OMWaveSound::takeBlock(int slot)
{
  BlockRecord& record = records_[std::size_t(slot)];
  record.used = true;
  record.block = nextBlock_;
  record.loops = loopsDone_;
  record.bytes = bytesOfBlock(nextBlock_);
  record.sequence = sequenceOf(nextBlock_, loopsDone_);
  if (isStreamed() && nextBlock_ >= preloadedBlocks_) takenSequence_ = record.sequence + 1;
  ++nextBlock_;
  if (nextBlock_ < blockCount()) return false;
  ++loopsDone_;
  if (loopCount_ == -1 || loopsDone_ < loopCount_) {
    nextBlock_ = 0;
    return false;
  }
  return true;
}

int OMWaveSound::play(int async)
{
  OMSoundEngine& e = engine();
  if (e.mixing.contains(this) || e.draining.contains(this)) detach();
  if (!e.probe(e.keepOpen)) return 0;
  if (!load()) return 0;
  if (e.mixing.isEmpty() && e.draining.isEmpty() && e.paused.isEmpty() &&
      !(e.device && e.deviceRate == sampleRate_)) {
    e.closeDevice();
    if (!e.openDevice(sampleRate_)) return 0;
  }
  if (!e.device) return 0;
  // An application made after the first sound still gets the refill task.
  OMApp* app = OMApp::instance();
  if (app && e.task && !app->taskList().contains(e.task.get())) app->addTask(e.task.get());
  loopsDone_ = 0;
  nextBlock_ = 0;
  finishReading();
  readRing_.assign(isStreamed() ? std::size_t(e.streamRing) * std::size_t(e.blockBytes) : 0, 128);
  readSequence_ = takenSequence_ = 0;
  records_.assign(std::size_t(e.ringCount), BlockRecord{});
  fillVolumeTable();
  if (paused_) {
    e.paused.remove(this);
    e.paused.add(this);
    return 1;
  }
  e.join(this, false);
  if (!async) waitUntilDone();
  return 1;
}

void OMWaveSound::waitUntilDone()
{
  OMSoundEngine& e = engine();
  auto active = [&] { return e.mixing.contains(this) || e.draining.contains(this); };
  if (!active() || e.mixing.count() + e.draining.count() != 1) return;
  // A device that stopped playing must not hold the caller for ever: the wait ends when no
  // block has finished for about two seconds.
  int idlePasses = 0;
  while (active() && e.device && idlePasses < 2000) {
    const int before = e.oldest;
    const int written = e.lastWritten;
    e.refill();
    if (e.oldest != before || e.lastWritten != written) {
      idlePasses = 0;
    } else {
      ++idlePasses;
      Sleep(1);
    }
  }
}

void OMWaveSound::detach()
{
  OMSoundEngine& e = engine();
  const bool active = e.mixing.contains(this) || e.draining.contains(this);
  const bool wasPaused = e.paused.contains(this);
  if (!active && !wasPaused) return;
  e.leave(this);
  paused_ = false;
  if (active && !(e.mixing.isEmpty() && e.draining.isEmpty())) e.remixQueued();
  e.finish(this);
}

void OMWaveSound::setVolume(int percent)
{
  volume_ = std::clamp(percent, 0, 100);
  fillVolumeTable();
  OMSoundEngine& e = engine();
  if (e.mixing.contains(this) || e.draining.contains(this)) e.remixQueued();
}

std::int32_t OMWaveSound::durationMs() const
{
  return sampleRate_ ? std::int32_t(std::int64_t(length_) * 1000 / sampleRate_) : 0;
}

void OMWaveSound::pause()
{
  OMSoundEngine& e = engine();
  if (paused_ || !(e.mixing.contains(this) || e.draining.contains(this))) return;
  paused_ = true;
  // The sound goes on later from the block playing now, or from its first block queued.
  if (!records_.empty() && e.lastWritten >= 0) {
    for (int slot = e.oldest;; slot = e.next(slot)) {
      const BlockRecord& r = records_[std::size_t(slot)];
      if (r.used && e.isQueued(slot)) {
        nextBlock_ = r.block;
        loopsDone_ = r.loops;
        takenSequence_ = sequenceOf(std::max(r.block, preloadedBlocks_), r.loops);
        break;
      }
      if (slot == e.lastWritten) break;
    }
  }
  if (nextBlock_ >= blockCount()) nextBlock_ = 0;
  e.leave(this);
  if (e.mixing.isEmpty() && e.draining.isEmpty())
    e.resetOutput();
  else
    e.remixQueued();
  e.paused.add(this);
  firePaused();
}

void OMWaveSound::resume()
{
  if (!paused_) return;
  OMSoundEngine& e = engine();
  paused_ = false;
  e.paused.remove(this);
  if (!e.device && !e.openDevice(sampleRate_)) return;
  e.join(this, true);
}

void OMWaveSound::setPlayRange(std::int32_t first, std::int32_t count)
{
  const std::int32_t oldFirst = firstSample_, oldLast = lastSample_;
  firstSample_ = length_ > 0 ? std::clamp(first, 0, length_ - 1) : 0;
  const std::int64_t last =
      count < 0 ? std::int64_t(length_) - 1 : std::int64_t(firstSample_) + count - 1;
  lastSample_ = std::int32_t(std::min<std::int64_t>(last, length_ - 1));
  if ((firstSample_ != oldFirst || lastSample_ != oldLast) && loaded_) {
    unload();
    load();
  }
}

// ---- the engine's free functions ------------------------------------------------------

void setBlockBytes(int bytes)
{
  OMSoundEngine& e = engine();
  if (bytes > 0 && e.alive == 0) e.blockBytes = bytes;
}

void setRingCount(int count)
{
  OMSoundEngine& e = engine();
  if (count <= 1 || e.alive != 0) return;
  e.ringCount = count;
  e.streamRing = 2 * count;
  if (e.startLead >= count) e.startLead = count - 1;
  if (e.queueAhead > count) e.queueAhead = count;
}

int blockBytes()
{
  return engine().blockBytes;
}

int ringCount()
{
  return engine().ringCount;
}

int openWaveOut(int keepOpen)
{
  OMSoundEngine& e = engine();
  if (e.device) return 1;
  e.keepOpen = keepOpen != 0;
  return e.probe(e.keepOpen) ? 1 : 0;
}

void closeWaveOut()
{
  engine().closeDevice();
}

void pauseSoundOutput()
{
  OMSoundEngine& e = engine();
  if (e.outputPaused) return;
  e.outputPaused = true;
  e.pauseTime = timeGetTime();
  if (e.device) waveOutPause(e.device);
}

void resumeSoundOutput()
{
  OMSoundEngine& e = engine();
  if (!e.outputPaused) return;
  e.outputPaused = false;
  const OMWord elapsed = OMWord(timeGetTime() - e.pauseTime);
  e.stallListeners.forEach([elapsed](OMLink* link) { link->call(elapsed); });
  if (e.device) waveOutRestart(e.device);
}

bool isSoundOutputPaused()
{
  return engine().outputPaused;
}

void pauseMixingSounds()
{
  OMSoundEngine& e = engine();
  e.mixing.forEach([](OMWaveSound* s) { s->pause(); });
  e.draining.forEach([](OMWaveSound* s) { s->pause(); });
}

void resumePausedSounds()
{
  engine().paused.forEach([](OMWaveSound* s) { s->resume(); });
}

void detachAllSounds()
{
  OMSoundEngine& e = engine();
  e.mixing.forEach([](OMWaveSound* s) { s->detach(); });
  e.draining.forEach([](OMWaveSound* s) { s->detach(); });
  e.paused.forEach([](OMWaveSound* s) { s->detach(); });
}

void addToSoundList(OMLink* link)
{
  if (link && !engine().stallListeners.contains(link)) engine().stallListeners.add(link);
}

void removeFromSoundList(OMLink* link)
{
  engine().stallListeners.remove(link);
}

void refillSoundOutput()
{
  engine().refill();
}
