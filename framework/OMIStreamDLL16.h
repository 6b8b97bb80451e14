#pragma once

#include <memory>
#include <string>

#include "framework/OMIStream.h"
#include "framework/OMLink.h"
#include "framework/OMWord.h"

class OMAsyncFile;
class OMBackgroundJob;
class OMCachedFile;

// A stream over one resource inside a 16-bit NE resource file (".rsc"). It reads the
// resource's bytes straight out of the file, or hands them out in place when the file cache
// holds the whole file; a whole-content stream can also be filled by a background job.
class OMIStreamDLL16 final : public OMIStream {
 public:
  static const OMClassDescriptor classDescriptor;

  OMIStreamDLL16(int resourceId, const char* typeName, const char* fileName, std::int32_t blockSize,
                 void* buffer);
  ~OMIStreamDLL16() override;

  const OMClassDescriptor& descriptor() const override { return classDescriptor; }
  std::int32_t load(int async) override;
  void unload() override;
  std::unique_ptr<OMIStream> clone() const override;
  bool isLoading() const override;

  // Starts reading the whole resource in the background; the link is called with the
  // stream when the read has ended (at once when it cannot start).
  void loadAsync(const OMLink* done, int priority = 0);
  void setLoadedLink(const OMLink* link);
  // Runs a pending background read to its end; the read's status (0 ok).
  int waitLoaded();
  int loadStatus() const { return loadStatus_; }
  // The background read while one is pending, e.g. to change its priority; else null.
  OMBackgroundJob* pendingJob() const { return job_; }

  int resourceId() const { return resourceId_; }
  const std::string& typeName() const { return typeName_; }
  const std::string& fileName() const { return fileName_; }
  std::int32_t dataOffset() const { return dataOffset_; }

 private:
  void acquireWorker();
  OMWord jobEnded(OMWord job);

  int resourceId_ = 0;
  std::string typeName_;
  std::string fileName_;
  std::int32_t dataOffset_ = 0;
  OMCachedFile* cacheEntry_ = nullptr;
  int loadStatus_ = 0;
  OMBackgroundJob* job_ = nullptr;
  std::unique_ptr<OMLink> done_;
  std::int32_t requestedBlockSize_ = 0;
};

// Queues a stream's pending background read again with that priority; nothing when none is
// pending.
void requeueStreamRead(OMIStreamDLL16* stream, int priority);
