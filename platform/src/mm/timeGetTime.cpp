#include <mmsystem.h>

#include "platform/host/HostAudioSink.h"
#include "platform/host/HostClock.h"

DWORD timeGetTime(void)
{
  // The programs poll wave-out blocks between readings of the clock; without an audio device
  // pulling the sound, this is where it is consumed.
  omhost::HostAudioSink::instance().pump();
  return omhost::clockMilliseconds();
}
