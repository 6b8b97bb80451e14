#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include <mmsystem.h>
#include <smack.h>

#include "platform/src/smacker/SmackerDecoder.h"

namespace omsmack {

// One open movie: the record callers read, the decoder, the target buffer, the frame clock
// and the sound tracks on their wave-out devices.
class SmackerMovie {
 public:
  // Null, with a line under OM_TRACE, when the file is not a movie we can play.
  static std::unique_ptr<SmackerMovie> open(std::unique_ptr<ByteSource> source, DWORD flags,
                                            DWORD extraBuffer);
  ~SmackerMovie();

  Smack& record() { return record_; }

  void toBuffer(LONG left, LONG top, DWORD pitch, DWORD height, void* buffer, DWORD flags);
  void doFrame();
  bool nextRect();
  bool wait();
  void nextFrame();
  void gotoFrame(DWORD frame);
  void summary(SmackSum& sum) const;
  void soundOnOff(bool on);

 private:
  SmackerMovie() = default;
  void decodeThrough(int frame);
  void writePicture(int x0, int y0, int x1, int y1);
  static int bytesPerPixel(DWORD format);
  static std::uint32_t pixelValue(unsigned r, unsigned g, unsigned b, DWORD format);
  void queueSound(const SmackerDecoder::Frame& frame);
  void stopSound();

  struct Target {
    LONG left = 0;
    LONG top = 0;
    DWORD pitch = 0;
    DWORD height = 0;
    std::uint8_t* pixels = nullptr;
    DWORD flags = 0;
    bool operator==(const Target&) const = default;
  };
  struct SoundBlock {
    std::vector<std::uint8_t> bytes;
    WAVEHDR header{};
  };
  struct Track {
    int index = 0;
    HWAVEOUT device = nullptr;
    // Silence that starts the sound on a device that has run dry, in the track's format.
    std::vector<std::uint8_t> lead;
    std::vector<std::unique_ptr<SoundBlock>> blocks;
  };

  Smack record_{};
  SmackerHeader header_;
  std::unique_ptr<ByteSource> source_;
  SmackerDecoder decoder_;
  unsigned trackMask_ = 0;
  std::vector<Track> tracks_;
  bool soundOn_ = true;

  std::vector<std::uint8_t> picture_;  // the last frame decoded
  std::vector<std::uint8_t> shown_;    // what was last written to the target
  std::array<std::uint8_t, 768> palette_{};
  int decoded_ = -1;            // number of the frame in picture_
  bool restartNeeded_ = false;  // a goto went back: decode from the start
  bool wholeNext_ = true;       // the next write covers the whole frame
  bool paletteKnown_ = false;
  Target target_;
  bool rectPending_ = false;
  LONG rect_[4] = {0, 0, 0, 0};

  // The frame clock: frame `scheduleFrame_` was shown at `scheduleStart_` (ms).
  bool scheduled_ = false;
  DWORD scheduleStart_ = 0;
  DWORD scheduleFrame_ = 0;

  // Statistics.
  DWORD openTime_ = 0;
  DWORD firstShown_ = 0;
  DWORD lastShown_ = 0;
  DWORD framesPlayed_ = 0;
  DWORD underruns_ = 0;
  DWORD blitTime_ = 0;
  DWORD decodeTime_ = 0;
  DWORD slowest_[2] = {0, 0};
  DWORD slowestFrame_[2] = {0, 0};
  DWORD extraBuffer_ = 0;
};

}  // namespace omsmack
