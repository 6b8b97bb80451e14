#pragma once

#include <cstdint>

#include <windows.h>

class OMResModule;

// One loaded Win32 resource of a module, with a count of its locks.
class OMResHandle {
 public:
  enum Status { ok = 0, notFound = 1, lockFailed = 3, notLocked = 4 };

  // Null module: the program's own resources.
  OMResHandle(int resourceId, const char* typeName, OMResModule* module);
  ~OMResHandle();
  OMResHandle(const OMResHandle&) = delete;
  OMResHandle& operator=(const OMResHandle&) = delete;

  int lock(const void** data);
  int unlock();
  // Leaves the module's list and frees the resource unless it is still locked.
  void release();

  int status() const { return status_; }
  std::int32_t lockCount() const { return lockCount_; }
  std::uint32_t size() const { return size_; }
  OMResModule* module() const { return module_; }

  // Off while a size is only asked for: the resource is then not locked on load.
  static void setAutomaticLocking(bool on);

 private:
  friend class OMResModule;

  int status_ = notFound;
  HGLOBAL handle_ = nullptr;
  std::int32_t lockCount_ = 0;
  OMResModule* module_ = nullptr;
  std::uint32_t size_ = 0;
  bool released_ = false;
};

struct OMResourceSize {
  int found;
  std::uint32_t size;
};
OMResourceSize resourceSize(int resourceId, const char* typeName, OMResModule* module);
