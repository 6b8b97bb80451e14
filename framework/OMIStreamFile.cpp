#include "framework/OMIStreamFile.h"

#include <algorithm>

#include "framework/OMAsyncFile.h"
#include "framework/OMCachedFile.h"
#include "framework/OMEdition.h"
#include "framework/OMLoadedFile.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMQueriedFile.h"

const OMClassDescriptor OMIStreamFile::classDescriptor = {"OMIStreamFile"};

OMIStreamFile::OMIStreamFile(const char* fileName, std::int32_t blockSize, void* buffer)
    : requestedBlockSize_(blockSize)
{
  if (!fileName || !*fileName || blockSize < -1) return;
  fileName_ = fileName;
  size_ = std::max(queryFile(fileName).size, 0);
  cacheEntry_ = findCachedFile(fileName);
  if (cacheEntry_) cacheEntry_->addReference();
  if (cacheEntry_ && cacheEntry_->loadedData()) {
    // Cached content is handed out in place, whole, whatever was asked.
    fromCache_ = true;
    recordBuffer(-1, nullptr);
    callerBuffer_ = false;
    buffer_ = const_cast<std::uint8_t*>(cacheEntry_->loadedData());
    size_ = cacheEntry_->loadedSize();
    loaded_ = true;
    load(0);
    return;
  }
  if (OMEdition::isAssessment() && holdLoadedFile()) return;
  recordBuffer(blockSize, buffer);
}

bool OMIStreamFile::holdLoadedFile()
{
  OMLoadedFile* held = findLoadedFile(fileName_.c_str());
  if (!held || !held->data()) return false;
  // The entry stays while the stream reads from it.
  heldFile_ = held;
  heldFile_->addUse();
  fromCache_ = true;
  recordBuffer(-1, nullptr);
  callerBuffer_ = false;
  buffer_ = const_cast<std::uint8_t*>(held->data());
  size_ = static_cast<std::int32_t>(held->size());
  loaded_ = true;
  load(0);
  return true;
}

OMIStreamFile::~OMIStreamFile()
{
  unload();
  if (heldFile_) heldFile_->dropUse();
  OMQueriedFile& record = OMQueriedFile::record();
  const bool lastReference = !cacheEntry_ || cacheEntry_->refCount() <= 1;
  if (cacheEntry_) releaseCachedFile(cacheEntry_);
  if (!fileName_.empty() && lastReference && record.isFor(fileName_.c_str())) record.clear();
}

bool OMIStreamFile::isLoading() const
{
  return worker_ && worker_->isBusy();
}

void OMIStreamFile::acquireWorker()
{
  OMQueriedFile& record = OMQueriedFile::record();
  if (record.fileFor(fileName_.c_str())) {
    if (whole_) {
      worker_ = record.fileFor(fileName_.c_str());
    } else {
      ownWorker_ = record.takeFile(fileName_.c_str());
      worker_ = ownWorker_.get();
    }
  } else {
    const std::string path = readPathOf(fileName_.c_str(), cacheEntry_).value_or("");
    ownWorker_ = std::make_unique<OMAsyncFile>(path.c_str(), 0, 0, false);
    worker_ = ownWorker_.get();
  }
  if (blockSize_ == 0) blockSize_ = defaultBlockSize;
  if (blockSize_ == wholeContent) blockSize_ = std::uint32_t(size_);
  ensureBuffer(blockSize_);
}

std::int32_t OMIStreamFile::load(int async)
{
  if (fileName_.empty() || failed_) return 0;
  if (loaded_ && !fromCache_) {
    if (worker_) worker_->waitDone();
  } else if (!loaded_) {
    acquireWorker();
  }
  loaded_ = true;
  return loadThroughWorker(0, async);
}

void OMIStreamFile::unload()
{
  ownWorker_.reset();
  worker_ = nullptr;
  if (!fromCache_) {
    if (!callerBuffer_) freeOwnBuffer();
    if (!callerBuffer_) buffer_ = nullptr;
    loaded_ = false;
    failed_ = false;
  }
  data_ = nullptr;
  blockOffset_ = 0;
  nextOffset_ = 0;
}

std::unique_ptr<OMIStream> OMIStreamFile::clone() const
{
  auto copy = std::make_unique<OMIStreamFile>(fileName_.empty() ? nullptr : fileName_.c_str(),
                                              requestedBlockSize_, nullptr);
  if (loaded_) {
    copy->setPosition(blockOffset_);
    copy->load(0);
  }
  return copy;
}
