#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMAsyncFile.h"
#include "framework/OMClassDescriptor.h"

// The stream every byte of a file or resource comes through. It hands its content out in
// blocks, one per load, into a buffer that belongs to the stream or to its caller.
class OMIStream {
 public:
  static constexpr std::uint32_t wholeContent = 0xFFFFFFFF;
  static constexpr std::uint32_t defaultBlockSize = 4096;

  virtual const OMClassDescriptor& descriptor() const = 0;
  virtual ~OMIStream();
  // Makes the next block available; its length, 0 at the end or on failure.
  virtual std::int32_t load(int async) = 0;
  // Drops the block; the position goes back to 0.
  virtual void unload() = 0;
  virtual std::unique_ptr<OMIStream> clone() const = 0;
  virtual bool isLoading() const = 0;

  // blockSize: 0 the default, 0xFFFFFFFF (-1) the whole content; buffer may be null.
  void setBuffer(std::uint32_t blockSize, void* buffer);
  // Clamps to 0..size; answers the clamped value.
  std::int32_t setPosition(std::int32_t offset);

  const std::uint8_t* data() const { return data_; }
  std::int32_t size() const { return size_; }
  std::int32_t blockOffset() const { return blockOffset_; }
  std::int32_t nextOffset() const { return nextOffset_; }
  std::uint32_t blockSize() const { return blockSize_; }
  bool isWhole() const { return whole_; }
  bool isLoaded() const { return loaded_; }
  bool isFromCache() const { return fromCache_; }
  bool is(const OMClassDescriptor& descriptor) const { return &this->descriptor() == &descriptor; }

 protected:
  OMIStream() = default;
  OMIStream(const OMIStream&) = delete;
  OMIStream& operator=(const OMIStream&) = delete;

  // Records the block size and buffer before the first load.
  void recordBuffer(std::int32_t blockSize, void* buffer);
  // The stream's own buffer of that length, unless the caller gave one.
  void ensureBuffer(std::uint32_t length);
  void freeOwnBuffer();
  // Hands out the whole content from the position; answers the length handed out.
  std::int32_t handOutWhole();
  // Reads the whole content, which lies at base in the file; false when it comes short.
  bool readWhole(OMAsyncFile& file, std::int32_t base);
  // Reads the next block (posted to the worker with async); answers its length.
  std::int32_t readBlock(OMAsyncFile& file, std::int32_t base, int async);
  // The next load through the worker, whose content lies at base: the whole content (the
  // worker is then let go) or the next block.
  std::int32_t loadThroughWorker(std::int32_t base, int async);

  std::uint8_t* data_ = nullptr;
  std::uint8_t* buffer_ = nullptr;
  std::uint32_t blockSize_ = 0;
  std::int32_t size_ = 0;
  std::int32_t nextOffset_ = 0;
  std::int32_t blockOffset_ = 0;
  bool callerBuffer_ = false;
  bool whole_ = false;
  bool loaded_ = false;
  std::unique_ptr<std::uint8_t[]> ownBuffer_;
  // The file the content is read through; owned unless it belongs to a shared record.
  OMAsyncFile* worker_ = nullptr;
  std::unique_ptr<OMAsyncFile> ownWorker_;
  bool fromCache_ = false;
  bool failed_ = false;
};
