// Critical sections over a recursive mutex: the owner may enter again, as on Windows.
#include <mutex>

#include <windows.h>

namespace {

std::recursive_mutex& lockOf(LPCRITICAL_SECTION section)
{
  return *static_cast<std::recursive_mutex*>(section->lock);
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section)
{
  section->lock = new std::recursive_mutex;  // the caller's record holds it until Delete
  section->lockCount = -1;
}

void EnterCriticalSection(LPCRITICAL_SECTION section)
{
  lockOf(section).lock();
  ++section->lockCount;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section)
{
  --section->lockCount;
  lockOf(section).unlock();
}

void DeleteCriticalSection(LPCRITICAL_SECTION section)
{
  delete static_cast<std::recursive_mutex*>(section->lock);
  section->lock = nullptr;
}
