#include "framework/OMIStream.h"

#include <algorithm>

#include "framework/OMAsyncFile.h"

OMIStream::~OMIStream() = default;

void OMIStream::recordBuffer(std::int32_t blockSize, void* buffer)
{
  blockSize_ = std::uint32_t(blockSize);
  whole_ = blockSize_ == wholeContent;
  callerBuffer_ = buffer != nullptr;
  buffer_ = static_cast<std::uint8_t*>(buffer);
  data_ = nullptr;
}

void OMIStream::setBuffer(std::uint32_t blockSize, void* buffer)
{
  if (!loaded_) {
    recordBuffer(std::int32_t(blockSize), buffer);
    return;
  }
  if (whole_) return;
  freeOwnBuffer();
  blockSize_ = blockSize == 0 ? defaultBlockSize : blockSize;
  // The whole content after a load: one block as long as the content.
  if (blockSize_ == wholeContent) blockSize_ = std::uint32_t(size_ > 0 ? size_ : 1);
  callerBuffer_ = buffer != nullptr;
  buffer_ = static_cast<std::uint8_t*>(buffer);
  if (!buffer_) ensureBuffer(blockSize_);
  data_ = nullptr;
}

std::int32_t OMIStream::setPosition(std::int32_t offset)
{
  nextOffset_ = offset < 0 ? 0 : offset > size_ ? size_ : offset;
  data_ = nullptr;
  return nextOffset_;
}

void OMIStream::ensureBuffer(std::uint32_t length)
{
  if (callerBuffer_ || buffer_) return;
  ownBuffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(length ? length : 1);
  buffer_ = ownBuffer_.get();
}

void OMIStream::freeOwnBuffer()
{
  if (buffer_ == ownBuffer_.get()) buffer_ = nullptr;
  ownBuffer_.reset();
}

std::int32_t OMIStream::handOutWhole()
{
  if (nextOffset_ >= size_ || !buffer_) return 0;
  const std::int32_t from = nextOffset_;
  blockOffset_ = from;
  data_ = buffer_ + from;
  nextOffset_ = size_;
  return size_ - from;
}

bool OMIStream::readWhole(OMAsyncFile& file, std::int32_t base)
{
  std::int32_t count = -1;
  // A file that changed since its size was taken is not handed out.
  return file.seek(base, 0) && file.read(buffer_, size_, &count, false) && count == size_;
}

std::int32_t OMIStream::readBlock(OMAsyncFile& file, std::int32_t base, int async)
{
  if (nextOffset_ >= size_) return 0;
  const std::int32_t length = std::int32_t(std::min<std::int64_t>(blockSize_, size_ - nextOffset_));
  if (!file.seek(base + nextOffset_, 0)) return 0;
  std::int32_t count = length;
  if (async) {
    // A posted read counts in full at once.
    file.read(buffer_, length, nullptr, true);
    if (file.hasFailed()) return 0;
  } else if (!file.read(buffer_, length, &count, false) || count <= 0) {
    return 0;
  }
  blockOffset_ = nextOffset_;
  data_ = buffer_;
  nextOffset_ += count;
  return count;
}

std::int32_t OMIStream::loadThroughWorker(std::int32_t base, int async)
{
  if (!whole_) return worker_ ? readBlock(*worker_, base, async) : 0;
  if (worker_) {
    failed_ = !readWhole(*worker_, base);
    ownWorker_.reset();
    worker_ = nullptr;
    if (failed_) return 0;
  }
  return handOutWhole();
}
