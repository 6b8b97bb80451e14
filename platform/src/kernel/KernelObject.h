#pragma once

#include <windows.h>

namespace omwin {

// Anything a kernel handle stands for: files, events, threads, listings.
class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // WaitForSingleObject on the handle; objects that cannot be waited for fail.
  virtual DWORD waitFor(DWORD) { return WAIT_FAILED; }
};

}  // namespace omwin
