#include "framework/OMResHandle.h"

#include <algorithm>

#include "framework/OMResModule.h"
#include "framework/OMResourceType.h"
#include "framework/OMSystemCalls.h"

namespace {

bool automaticLocking = true;

}  // namespace

void OMResHandle::setAutomaticLocking(bool on)
{
  automaticLocking = on;
}

OMResHandle::OMResHandle(int resourceId, const char* typeName, OMResModule* module)
    : module_(module ? module : &OMResModule::defaultModule())
{
  module_->handles_.push_back(this);
  if (module_->error() != 0) return;
  HMODULE instance = module_->instance();
  HRSRC found = omsys::findResource(instance, resourceId & 0xFFFF, typeNumber(typeName));
  if (!found) return;
  handle_ = omsys::loadResource(instance, found);
  if (!handle_) return;
  if (automaticLocking) omsys::lockResource(handle_);
  size_ = omsys::sizeofResource(instance, found);
  status_ = ok;
}

OMResHandle::~OMResHandle()
{
  release();
}

int OMResHandle::lock(const void** data)
{
  const void* locked = handle_ ? omsys::lockResource(handle_) : nullptr;
  if (handle_) ++lockCount_;
  status_ = locked ? ok : lockFailed;
  if (data) *data = locked;
  return status_;
}

int OMResHandle::unlock()
{
  if (!handle_) return status_ = notLocked;
  --lockCount_;
  return status_ = lockCount_ >= 0 ? ok : notLocked;
}

void OMResHandle::release()
{
  if (released_) return;
  released_ = true;
  if (module_) {
    auto& handles = module_->handles_;
    handles.erase(std::remove(handles.begin(), handles.end(), this), handles.end());
  }
  if (handle_ && lockCount_ == 0) omsys::freeResource(handle_);
}

OMResourceSize resourceSize(int resourceId, const char* typeName, OMResModule* module)
{
  OMResHandle::setAutomaticLocking(false);
  OMResHandle handle(resourceId, typeName, module);
  OMResHandle::setAutomaticLocking(true);
  return {handle.status() == OMResHandle::ok ? 1 : 0, handle.size()};
}
