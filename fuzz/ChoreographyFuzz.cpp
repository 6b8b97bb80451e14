// A choreography document as a talking character reads it: refused with a reason, or frames
// at a positive rate with a track per usable "ANIM".
#include <string>

#include "fuzz/support/FuzzSupport.h"
#include "trinkets/lib/CharacterChoreography.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  omfuzz::workFolder();
  CharacterChoreography choreography;
  const char* problem = nullptr;
  if (!choreography.read(reinterpret_cast<const char*>(data), size, &problem)) {
    if (!problem || !*problem) omfuzz::broken("a refused document gives no reason");
    return 0;
  }
  if (choreography.frameTime() < 0 || choreography.frameTime() > 1000)
    omfuzz::broken("a frame time outside one second");
  std::size_t frames = 0;
  for (const CharacterChoreography::Track& track : choreography.tracks())
    frames += track.frames.size();
  if (frames > size) omfuzz::broken("more frames than the document has bytes");
  return 0;
}
