#include <mmsystem.h>

#include "platform/host/HostClock.h"

DWORD timeGetTime(void)
{
  return omhost::clockMilliseconds();
}
