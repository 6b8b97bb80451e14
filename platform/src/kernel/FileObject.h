#pragma once

#include "platform/src/kernel/KernelObject.h"

namespace omwin {

// An open file behind a kernel handle; the descriptor closes with the last reference.
class FileObject : public KernelObject {
 public:
  explicit FileObject(int descriptor) : descriptor_(descriptor) {}
  ~FileObject() override;
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  int descriptor() const { return descriptor_; }

 private:
  int descriptor_;
};

}  // namespace omwin
