#pragma once

#include <memory>
#include <string>

#include "framework/OMIStream.h"

class OMAsyncFile;
class OMCachedFile;
class OMLoadedFile;

// A stream over a named file, read through an OMAsyncFile, or straight from the file cache
// when the cache holds the file.
class OMIStreamFile final : public OMIStream {
 public:
  static const OMClassDescriptor classDescriptor;

  // blockSize: -1 the whole content, 0 the default, or a positive length.
  OMIStreamFile(const char* fileName, std::int32_t blockSize, void* buffer);
  ~OMIStreamFile() override;

  const OMClassDescriptor& descriptor() const override { return classDescriptor; }
  std::int32_t load(int async) override;
  void unload() override;
  std::unique_ptr<OMIStream> clone() const override;
  bool isLoading() const override;

  const std::string& fileName() const { return fileName_; }

 private:
  void acquireWorker();
  // In the assessment edition: reads a file the background loader holds, from memory.
  bool holdLoadedFile();

  std::string fileName_;
  OMCachedFile* cacheEntry_ = nullptr;
  OMLoadedFile* heldFile_ = nullptr;
  std::int32_t requestedBlockSize_ = 0;
};
