#include "framework/OMIStreamDLL16.h"

#include <algorithm>
#include <cstring>

#include "framework/OMAsyncFile.h"
#include "framework/OMBackgroundJob.h"
#include "framework/OMCachedFile.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMNEFile.h"
#include "framework/OMPathDirectory.h"

const OMClassDescriptor OMIStreamDLL16::classDescriptor = {"OMIStreamDLL16"};

OMIStreamDLL16::OMIStreamDLL16(int resourceId, const char* typeName, const char* fileName,
                               std::int32_t blockSize, void* buffer)
    : requestedBlockSize_(blockSize)
{
  if (resourceId <= 0 || resourceId > 0xFFFF || !typeName || !*typeName || !fileName ||
      !*fileName || blockSize < -1)
    return;
  resourceId_ = resourceId;
  typeName_ = typeName;
  fileName_ = fileName;
  OMNEFile& file = OMNEFile::current();
  OMNEFile::Location location;
  const bool located = file.makeCurrent(fileName) && file.locate(resourceId, typeName, location);
  // A disarmed layer keeps nothing open: the stream opens the file itself when it reads.
  if (!OMNEFile::streamsArmed()) file.giveUp();
  if (!located) return;
  dataOffset_ = location.dataOffset;
  size_ = location.size;
  cacheEntry_ = findCachedFile(fileName);
  if (cacheEntry_ && cacheEntry_->loadedData() &&
      std::int64_t(dataOffset_) + size_ > cacheEntry_->loadedSize()) {
    // The cached bytes are not the file whose table was read: nothing is handed out.
    cacheEntry_ = nullptr;
    dataOffset_ = size_ = 0;
    return;
  }
  if (cacheEntry_) cacheEntry_->addReference();
  if (cacheEntry_ && cacheEntry_->loadedData()) {
    fromCache_ = true;
    recordBuffer(-1, nullptr);
    buffer_ = const_cast<std::uint8_t*>(cacheEntry_->loadedData()) + dataOffset_;
    loaded_ = true;
    load(0);
    return;
  }
  recordBuffer(blockSize, buffer);
}

OMIStreamDLL16::~OMIStreamDLL16()
{
  if (job_) OMBackgroundJob::cancel(job_);
  job_ = nullptr;
  unload();
  if (cacheEntry_) releaseCachedFile(cacheEntry_);
}

bool OMIStreamDLL16::isLoading() const
{
  return job_ || (worker_ && worker_->isBusy());
}

void OMIStreamDLL16::acquireWorker()
{
  // The current file's open file serves when it is this stream's file; else one of its own.
  OMNEFile& file = OMNEFile::current();
  if (file.isFile(fileName_.c_str()) && file.isValid()) {
    if (whole_) {
      worker_ = file.file();
    } else {
      ownWorker_ = file.takeFile();
      worker_ = ownWorker_.get();
    }
  }
  if (!worker_) {
    const std::string path = readPathOf(fileName_.c_str(), cacheEntry_).value_or("");
    ownWorker_ = std::make_unique<OMAsyncFile>(path.c_str(), 0, 0, false);
    worker_ = ownWorker_.get();
  }
  if (blockSize_ == 0) blockSize_ = defaultBlockSize;
  if (blockSize_ == wholeContent) blockSize_ = std::uint32_t(size_);
  ensureBuffer(blockSize_);
}

std::int32_t OMIStreamDLL16::load(int async)
{
  if (size_ <= 0 || failed_) return 0;
  if (job_) waitLoaded();
  if (loaded_ && !fromCache_) {
    if (worker_) worker_->waitDone();
  } else if (!loaded_) {
    acquireWorker();
  }
  loaded_ = true;
  return loadThroughWorker(dataOffset_, async);
}

void OMIStreamDLL16::unload()
{
  if (job_) waitLoaded();
  ownWorker_.reset();
  worker_ = nullptr;
  if (!fromCache_) {
    if (!callerBuffer_) {
      freeOwnBuffer();
      buffer_ = nullptr;
    }
    loaded_ = false;
    failed_ = false;
  }
  data_ = nullptr;
  blockOffset_ = 0;
  nextOffset_ = 0;
}

void OMIStreamDLL16::loadAsync(const OMLink* done, int priority)
{
  if (!whole_ || job_) return;
  done_ = cloneLink(done);
  // Already in (from the cache, or read before): nothing to wait for.
  if (loaded_) {
    if (done_) done_->call(reinterpret_cast<OMWord>(this));
    return;
  }
  OMLinkToObj<OMIStreamDLL16> ended(this, &OMIStreamDLL16::jobEnded, 0);
  if (size_ > 0)
    job_ = OMBackgroundJob::start(fileName_.c_str(), nullptr, dataOffset_, size_, priority, &ended);
  if (!job_) {
    loadStatus_ = 1;
    if (done_) done_->call(reinterpret_cast<OMWord>(this));
  }
}

OMWord OMIStreamDLL16::jobEnded(OMWord word)
{
  auto* job = reinterpret_cast<OMBackgroundJob*>(word);
  loadStatus_ = job->isFailed() ? 1 : 0;
  if (loadStatus_ == 0) {
    freeOwnBuffer();
    ownBuffer_ = job->takeData();
    buffer_ = ownBuffer_.get();
    callerBuffer_ = false;
    blockSize_ = std::uint32_t(size_);
    loaded_ = true;
  }
  job_ = nullptr;
  if (done_) done_->call(reinterpret_cast<OMWord>(this));
  return 0;
}

void OMIStreamDLL16::setLoadedLink(const OMLink* link)
{
  done_ = cloneLink(link);
}

int OMIStreamDLL16::waitLoaded()
{
  if (job_) finish(job_);
  return loadStatus_;
}

std::unique_ptr<OMIStream> OMIStreamDLL16::clone() const
{
  if (job_) const_cast<OMIStreamDLL16*>(this)->waitLoaded();
  auto copy = std::make_unique<OMIStreamDLL16>(
      resourceId_, typeName_.empty() ? nullptr : typeName_.c_str(),
      fileName_.empty() ? nullptr : fileName_.c_str(), requestedBlockSize_, nullptr);
  if (!loaded_ || copy->fromCache_) {
    if (loaded_) copy->setPosition(nextOffset_ >= size_ ? 0 : blockOffset_);
    return copy;
  }
  if (whole_ && buffer_ && copy->size_ == size_) {
    // A copy of the bytes, not a second read.
    copy->ownBuffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(std::size_t(size_));
    std::memcpy(copy->ownBuffer_.get(), buffer_, std::size_t(size_));
    copy->buffer_ = copy->ownBuffer_.get();
    copy->blockSize_ = std::uint32_t(size_);
    copy->loaded_ = true;
    copy->setPosition(nextOffset_ >= size_ ? 0 : blockOffset_);
    return copy;
  }
  copy->setPosition(blockOffset_);
  copy->load(0);
  return copy;
}

void requeueStreamRead(OMIStreamDLL16* stream, int priority)
{
  if (stream && stream->pendingJob()) setPriority(stream->pendingJob(), priority);
}
