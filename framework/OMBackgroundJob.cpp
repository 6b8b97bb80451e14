#include "framework/OMBackgroundJob.h"

#include <algorithm>
#include <list>

#include "framework/OMApp.h"
#include "framework/OMFileSystem.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMQueriedFile.h"
#include "framework/OMTask.h"

namespace {

constexpr int ownerReadWrite = 0600;
constexpr std::int32_t finishCopyChunk = 65536;

struct Jobs {
  std::list<std::unique_ptr<OMBackgroundJob>> list;
  bool suspended = false;
  // Made by the first job ever started; it steps the jobs once per main-loop pass.
  std::unique_ptr<OMTask> task;
};

Jobs& jobs()
{
  static Jobs& all = *new Jobs;
  return all;
}

OMWord stepJobsTask(OMWord)
{
  stepBackgroundJobs();
  return 0;
}

// The jobs task, made once and registered with the application (again when a new
// application object has come since).
void registerJobsTask()
{
  Jobs& all = jobs();
  if (!all.task) {
    const OMLinkToFct link(&stepJobsTask);
    all.task = std::make_unique<OMTask>(&link, 0);
  }
  if (all.suspended)
    all.task->suspend();
  else
    all.task->resume();
  OMApp* app = OMApp::instance();
  if (app && !app->taskList().contains(all.task.get())) app->addTask(all.task.get());
}

// Takes a job out of the list; the caller owns it.
std::unique_ptr<OMBackgroundJob> unlink(OMBackgroundJob* job)
{
  auto& list = jobs().list;
  auto it =
      std::find_if(list.begin(), list.end(), [job](const auto& each) { return each.get() == job; });
  if (it == list.end()) return nullptr;
  std::unique_ptr<OMBackgroundJob> owned = std::move(*it);
  list.erase(it);
  return owned;
}

// Before the first job of equal or lower priority.
void enlist(std::unique_ptr<OMBackgroundJob> job)
{
  auto& list = jobs().list;
  auto it = std::find_if(list.begin(), list.end(),
                         [&job](const auto& each) { return each->priority() <= job->priority(); });
  list.insert(it, std::move(job));
}

// Calls the done link, then deletes the job.
void endJob(std::unique_ptr<OMBackgroundJob> job)
{
  if (job) job->callDoneLink();
}

}  // namespace

OMBackgroundJob* OMBackgroundJob::start(const char* sourceName, const char* destinationPath,
                                        std::int32_t offset, std::int32_t length, int priority,
                                        const OMLink* doneLink)
{
  if (!sourceName || !*sourceName || offset < 0 || length < -1) return nullptr;
  std::unique_ptr<OMBackgroundJob> job(new OMBackgroundJob);
  job->sourceName_ = sourceName;
  if (destinationPath) job->destinationPath_ = destinationPath;
  job->offset_ = offset;
  job->length_ = length;
  job->priority_ = priority;
  job->doneLink_ = cloneLink(doneLink);
  OMBackgroundJob* started = job.get();
  registerJobsTask();
  enlist(std::move(job));
  return started;
}

void OMBackgroundJob::cancel(OMBackgroundJob* job)
{
  unlink(job);
}

OMBackgroundJob::~OMBackgroundJob()
{
  // A cancelled job may still have a read in flight into its buffers: the files wait for
  // their workers before the buffers go.
  source_.reset();
  destination_.reset();
}

void OMBackgroundJob::callDoneLink()
{
  if (doneLink_) doneLink_->call(reinterpret_cast<OMWord>(this));
}

bool OMBackgroundJob::isWaiting() const
{
  return (source_ && source_->isBusy()) || (destination_ && destination_->isBusy());
}

bool OMBackgroundJob::step()
{
  if (finished_ || failed_) return true;
  if (isWaiting()) return false;
  if (isCopy())
    stepCopy();
  else
    stepRead();
  return true;
}

void OMBackgroundJob::openSource()
{
  std::optional<std::string> path = findFileOnSearchPath(sourceName_.c_str());
  if (!path) {
    end(failedState);
    return;
  }
  sourcePath_ = *path;
  source_ = std::make_unique<OMAsyncFile>(sourcePath_.c_str(), omsys::readOnly, 0, true);
  state_ = opening;
}

bool OMBackgroundJob::takeOpenedLength()
{
  if (!source_ || source_->status != OMAsyncFile::ok) return false;
  if (offset_ > source_->size) return false;
  if (length_ == -1) length_ = source_->size - offset_;
  if (length_ > source_->size - offset_) return false;
  if (!source_->seek(offset_, 0)) return false;
  remaining_ = length_;
  return true;
}

void OMBackgroundJob::recomputeChunk()
{
  if (!chunkChanged_) return;
  chunk_ = chunkSize_ == -1 ? remaining_ : chunkSize_;
  if (chunk_ <= 0) chunk_ = defaultChunkSize;
  chunkChanged_ = false;
}

void OMBackgroundJob::stepRead()
{
  switch (state_) {
    case starting:
      openSource();
      return;
    case opening:
      if (!takeOpenedLength()) return end(failedState);
      data_ = std::make_unique_for_overwrite<std::uint8_t[]>(std::size_t(length_) + 1);
      writePointer_ = data_.get();
      state_ = nextChunk;
      return;
    case nextChunk: {
      if (remaining_ == 0) return end(finishedState);
      recomputeChunk();
      const std::int32_t bytes = std::min(remaining_, chunk_);
      source_->read(writePointer_, bytes, nullptr, true);
      if (source_->hasFailed()) return end(failedState);
      state_ = reading;
      return;
    }
    case reading:
      // A file that shrank under us reads 0 bytes; that is a failure, not a loop.
      if (source_->status != OMAsyncFile::ok || source_->lastRead <= 0) return end(failedState);
      remaining_ -= source_->lastRead;
      writePointer_ += source_->lastRead;
      state_ = remaining_ > 0 ? nextChunk : finishedState;
      if (state_ == finishedState) end(finishedState);
      return;
    default:
      return;
  }
}

void OMBackgroundJob::stepCopy()
{
  switch (state_) {
    case starting:
      // Created afresh, so that nothing of an older, longer file stays behind.
      forgetQueriedFile(destinationPath_.c_str());
      fileSystemRemove(destinationPath_.c_str());
      destination_ = std::make_unique<OMAsyncFile>(
          destinationPath_.c_str(), omsys::writeOnly | omsys::create, ownerReadWrite, true);
      openSource();
      return;
    case opening:
      if (!takeOpenedLength() || destination_->status != OMAsyncFile::ok) return end(failedState);
      state_ = nextChunk;
      return;
    case nextChunk: {
      if (remaining_ == 0) return end(finishedState);
      recomputeChunk();
      buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(std::size_t(chunk_));
      source_->read(buffer_.get(), std::min(remaining_, chunk_), nullptr, true);
      if (source_->hasFailed()) return end(failedState);
      state_ = reading;
      return;
    }
    case reading:
      if (source_->status != OMAsyncFile::ok || source_->lastRead <= 0) return end(failedState);
      destination_->write(buffer_.get(), source_->lastRead, nullptr, true);
      if (destination_->hasFailed()) return end(failedState);
      state_ = writing;
      return;
    case writing:
      if (destination_->status != OMAsyncFile::ok || destination_->lastWritten <= 0)
        return end(failedState);
      remaining_ -= destination_->lastWritten;
      state_ = remaining_ > 0 ? nextChunk : finishedState;
      if (state_ == finishedState) end(finishedState);
      return;
    default:
      return;
  }
}

void OMBackgroundJob::end(State state)
{
  state_ = state;
  source_.reset();
  destination_.reset();
  buffer_.reset();
  finished_ = state == finishedState;
  failed_ = state == failedState;
  status_ = failed_ ? 1 : 0;
  if (failed_) data_.reset();
}

void setPriority(OMBackgroundJob* job, int priority)
{
  std::unique_ptr<OMBackgroundJob> owned = unlink(job);
  if (!owned) return;
  owned->priority_ = priority;
  enlist(std::move(owned));
}

void setChunkSize(OMBackgroundJob* job, std::int32_t bytes)
{
  if (!job || (bytes <= 0 && bytes != -1)) return;
  job->chunkSize_ = bytes;
  job->chunkChanged_ = true;
}

bool finish(OMBackgroundJob* job)
{
  std::unique_ptr<OMBackgroundJob> owned = unlink(job);
  if (!owned) return false;
  setChunkSize(job, job->isCopy() ? finishCopyChunk : -1);
  while (!job->finished_ && !job->failed_) {
    if (job->source_) job->source_->waitDone();
    if (job->destination_) job->destination_->waitDone();
    job->step();
  }
  const bool finished = job->finished_;
  endJob(std::move(owned));
  return finished;
}

void suspendBackgroundReads()
{
  jobs().suspended = true;
  if (jobs().task) jobs().task->suspend();
}

void resumeBackgroundReads()
{
  jobs().suspended = false;
  if (jobs().task) jobs().task->resume();
}

bool backgroundReadsSuspended()
{
  return jobs().suspended;
}

int backgroundJobCount()
{
  return int(jobs().list.size());
}

void stepBackgroundJobs()
{
  if (jobs().suspended) return;
  auto& list = jobs().list;
  auto it =
      std::find_if(list.begin(), list.end(), [](const auto& job) { return !job->isWaiting(); });
  if (it == list.end()) return;
  OMBackgroundJob* job = it->get();
  job->step();
  if (!job->isFinished() && !job->isFailed()) return;
  endJob(unlink(job));
}

void cancelAllBackgroundJobs()
{
  jobs().list.clear();
}
