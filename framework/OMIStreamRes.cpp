#include "framework/OMIStreamRes.h"

#include <algorithm>
#include <cstring>

#include "framework/OMResHandle.h"
#include "framework/OMResModule.h"

const OMClassDescriptor OMIStreamRes::classDescriptor = {"OMIStreamRes"};

OMIStreamRes::OMIStreamRes(int resourceId, const char* typeName, OMResModule* module,
                           std::int32_t blockSize, void* buffer)
    : module_(module), requestedBlockSize_(blockSize)
{
  if (resourceId <= 0 || !typeName || !*typeName || blockSize < -1) return;
  resourceId_ = resourceId;
  typeName_ = typeName;
  const OMResourceSize found = resourceSize(resourceId, typeName, module);
  size_ = found.found && found.size <= 0x7FFFFFFF ? std::int32_t(found.size) : 0;
  recordBuffer(blockSize, buffer);
}

OMIStreamRes::~OMIStreamRes()
{
  unload();
}

bool OMIStreamRes::loadFirstWhole()
{
  auto handle = std::make_unique<OMResHandle>(resourceId_, typeName_.c_str(), module_);
  const void* bytes = nullptr;
  if (handle->lock(&bytes) != OMResHandle::ok || !bytes) return false;
  // The size may not exceed what the module says the resource holds.
  size_ = std::min<std::int32_t>(size_, std::int32_t(handle->size()));
  blockSize_ = std::uint32_t(size_);
  if (callerBuffer_) {
    std::memcpy(buffer_, bytes, std::size_t(size_));
    handle->unlock();
    handle->release();
    return true;
  }
  buffer_ = static_cast<std::uint8_t*>(const_cast<void*>(bytes));
  resource_ = std::move(handle);
  return true;
}

bool OMIStreamRes::loadFirstBlock()
{
  if (blockSize_ == 0) blockSize_ = defaultBlockSize;
  ensureBuffer(blockSize_);
  blockResource_ = std::make_unique<OMResHandle>(resourceId_, typeName_.c_str(), module_);
  const void* bytes = nullptr;
  if (blockResource_->lock(&bytes) != OMResHandle::ok || !bytes) return false;
  size_ = std::min<std::int32_t>(size_, std::int32_t(blockResource_->size()));
  resourceData_ = static_cast<const std::uint8_t*>(bytes);
  return true;
}

std::int32_t OMIStreamRes::load(int)
{
  if (size_ <= 0) return 0;
  if (!loaded_) {
    loaded_ = true;
    if (!(whole_ ? loadFirstWhole() : loadFirstBlock())) {
      size_ = 0;
      return 0;
    }
  }
  if (whole_) return handOutWhole();
  if (nextOffset_ >= size_ || !resourceData_) return 0;
  const std::int32_t length = std::int32_t(std::min<std::int64_t>(blockSize_, size_ - nextOffset_));
  std::memcpy(buffer_, resourceData_ + nextOffset_, std::size_t(length));
  blockOffset_ = nextOffset_;
  data_ = buffer_;
  nextOffset_ += length;
  return length;
}

void OMIStreamRes::unload()
{
  if (!whole_ && !callerBuffer_) {
    freeOwnBuffer();
    buffer_ = nullptr;
  }
  if (whole_ && !callerBuffer_) buffer_ = nullptr;
  for (auto* kept : {&resource_, &blockResource_}) {
    if (!*kept) continue;
    (*kept)->unlock();
    (*kept)->release();
    kept->reset();
  }
  resourceData_ = nullptr;
  data_ = nullptr;
  blockOffset_ = 0;
  nextOffset_ = 0;
  loaded_ = false;
}

std::unique_ptr<OMIStream> OMIStreamRes::clone() const
{
  auto copy =
      std::make_unique<OMIStreamRes>(resourceId_, typeName_.empty() ? nullptr : typeName_.c_str(),
                                     module_, requestedBlockSize_, nullptr);
  if (loaded_) {
    copy->setPosition(blockOffset_);
    copy->load(0);
  }
  return copy;
}
