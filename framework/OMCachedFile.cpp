#include "framework/OMCachedFile.h"

#include <algorithm>
#include <vector>

#include "framework/OMBackgroundJob.h"
#include "framework/OMFileSystem.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMNEFile.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMQueriedFile.h"
#include "framework/OMSystemCalls.h"

namespace {

std::vector<std::unique_ptr<OMCachedFile>>& cache()
{
  static auto& entries = *new std::vector<std::unique_ptr<OMCachedFile>>;
  return entries;
}

}  // namespace

OMCachedFile::~OMCachedFile()
{
  if (job_) OMBackgroundJob::cancel(job_);
  // The current resource file may be read from these bytes.
  OMNEFile& current = OMNEFile::current();
  if (data_ && current.image() == data_.get()) current.giveUp();
  if (!copyPath_.empty()) {
    forgetQueriedFile(copyPath_.c_str());
    fileSystemRemove(copyPath_.c_str());
  }
}

OMWord OMCachedFile::jobEnded(OMWord word)
{
  auto* job = reinterpret_cast<OMBackgroundJob*>(word);
  status_ = job->isFailed() ? 1 : 0;
  if (!job->isFailed() && !job->isCopy()) {
    size_ = job->length();
    data_ = job->takeData();
  } else if (!job->isFailed()) {
    size_ = job->length();
  }
  job_ = nullptr;
  if (loadedLink_) loadedLink_->call(reinterpret_cast<OMWord>(this));
  return 0;
}

const std::uint8_t* OMCachedFile::data()
{
  if (job_) finish(job_);
  return data_.get();
}

std::int32_t OMCachedFile::sizeOf()
{
  if (job_) finish(job_);
  return size_;
}

int OMCachedFile::waitLoaded()
{
  if (job_) finish(job_);
  return status_;
}

OMCachedFile* cacheFile(const char* name, const OMLink* doneLink, const char* destination,
                        int priority)
{
  if (OMCachedFile* existing = findCachedFile(name)) {
    existing->addReference();
    return existing;
  }
  if (!name || !*name) return nullptr;
  std::unique_ptr<OMCachedFile> entry(new OMCachedFile);
  entry->refCount_ = 1;
  entry->name_ = name;
  if (destination) entry->copyPath_ = destination;
  entry->loadedLink_ = cloneLink(doneLink);
  OMCachedFile* cached = entry.get();
  cache().push_back(std::move(entry));
  OMLinkToObj<OMCachedFile> ended(cached, &OMCachedFile::jobEnded, 0);
  cached->job_ = OMBackgroundJob::start(name, destination, 0, -1, priority, &ended);
  if (!cached->job_) {
    cached->status_ = 1;
    if (cached->loadedLink_) cached->loadedLink_->call(reinterpret_cast<OMWord>(cached));
  }
  return cached;
}

OMCachedFile* cacheFileAsCopy(const char* name, const char* path)
{
  return cacheFile(name, nullptr, path);
}

OMCachedFile* cacheFileInBackground(const char* name, const OMLink* doneLink, int priority, int)
{
  return cacheFile(name, doneLink, nullptr, priority);
}

OMCachedFile* cacheFileAsCopyInBackground(const char* name, const char* path,
                                          const OMLink* doneLink, int priority, int)
{
  return cacheFile(name, doneLink, path, priority);
}

OMCachedFile* findCachedFile(const char* name)
{
  if (!name || !*name) return nullptr;
  for (const auto& entry : cache())
    if (omsys::compareNoCase(entry->name().c_str(), name) == 0) return entry.get();
  return nullptr;
}

bool isFileCached(const char* name)
{
  return findCachedFile(name) != nullptr;
}

void releaseCachedFile(OMCachedFile* entry)
{
  if (!entry) return;
  if (entry->refCount_ > 0) --entry->refCount_;
  if (entry->refCount_ > 0 || entry->pinCount_ > 0) return;
  auto& entries = cache();
  auto it = std::find_if(entries.begin(), entries.end(),
                         [entry](const auto& each) { return each.get() == entry; });
  if (it == entries.end()) return;
  std::unique_ptr<OMCachedFile> owned = std::move(*it);
  entries.erase(it);
}

void OMCachedFile::unpin()
{
  if (pinCount_ > 0) --pinCount_;
  if (pinCount_ == 0 && refCount_ == 0) {
    ++refCount_;
    releaseCachedFile(this);
  }
}

void uncacheFile(const char* name)
{
  releaseCachedFile(findCachedFile(name));
}

void uncacheAllFiles()
{
  // Entries delete their local copies; each may remove itself from the list while it goes.
  std::vector<std::unique_ptr<OMCachedFile>> entries = std::move(cache());
  cache().clear();
}

std::optional<std::string> readPathOf(const char* name, const OMCachedFile* cached)
{
  if (cached && !cached->copyPath().empty()) return cached->copyPath();
  return findFileOnSearchPath(name);
}
