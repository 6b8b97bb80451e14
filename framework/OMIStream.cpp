#include "framework/OMIStream.h"

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
