#pragma once

#include <memory>
#include <string>

#include "framework/OMIStream.h"

class OMResHandle;
class OMResModule;

// A stream over a Win32 resource of a loaded module (the program itself by default). A
// whole-content stream hands out the locked resource bytes in place.
class OMIStreamRes final : public OMIStream {
 public:
  static const OMClassDescriptor classDescriptor;

  OMIStreamRes(int resourceId, const char* typeName, OMResModule* module, std::int32_t blockSize,
               void* buffer);
  ~OMIStreamRes() override;

  const OMClassDescriptor& descriptor() const override { return classDescriptor; }
  std::int32_t load(int async) override;
  void unload() override;
  std::unique_ptr<OMIStream> clone() const override;
  bool isLoading() const override { return false; }

 private:
  bool loadFirstWhole();
  bool loadFirstBlock();

  int resourceId_ = 0;
  std::string typeName_;
  OMResModule* module_ = nullptr;
  std::unique_ptr<OMResHandle> resource_;
  std::unique_ptr<OMResHandle> blockResource_;
  const std::uint8_t* resourceData_ = nullptr;
  std::int32_t requestedBlockSize_ = 0;
};
