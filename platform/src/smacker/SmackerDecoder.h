#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/src/smacker/SmackerHeader.h"

namespace omsmack {

// Where a movie's bytes come from: a file through the platform's file calls, or memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual int read(std::uint8_t* buffer, int size) = 0;  // 0 at the end, -1 on error
  virtual bool seek(std::uint64_t offset) = 0;
  virtual std::uint64_t size() const = 0;
};

std::unique_ptr<ByteSource> memorySource(std::vector<std::uint8_t> bytes);

// One movie's demuxer and decoders (FFmpeg's), read front to back.
class SmackerDecoder {
 public:
  struct Frame {
    int number = -1;  // which frame this is, by its timestamp
    bool pictureOk = false;
    std::array<std::uint8_t, 768> palette{};
    std::array<std::vector<std::uint8_t>, 7> sound;  // interleaved PCM per track
  };

  SmackerDecoder();
  ~SmackerDecoder();
  SmackerDecoder(const SmackerDecoder&) = delete;
  SmackerDecoder& operator=(const SmackerDecoder&) = delete;

  bool open(ByteSource& source, const SmackerHeader& header, std::string& why);
  // Back to the first frame.
  bool restart();
  // Decodes the next frame in the file into `picture` (width x height indices, untouched
  // when the picture does not decode); false at the end of the file. Sound only for tracks
  // in `trackMask` (bit i: track i).
  bool next(Frame& frame, std::vector<std::uint8_t>& picture, unsigned trackMask);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace omsmack
