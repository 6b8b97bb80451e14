// A sound file as the mixer takes it: its header read, then played in place and streamed on a
// manual clock, with a play range, a pause and a resume. The play range must lie in the data.
#include <cstring>
#include <string>

#include "framework/OMFileServices.h"
#include "framework/OMIStreamFile.h"
#include "framework/OMWaveSound.h"
#include "fuzz/support/FuzzSupport.h"
#include "platform/host/HostClock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string path = omfuzz::writeInput("input.wav", data, size);
  omhost::useManualClock(1000);
  for (std::int32_t blockSize : {-1, 512}) {
    OMIStreamFile stream(path.c_str(), blockSize, nullptr);
    OMWaveSound sound(&stream, 1);
    if (sound.isLoaded() && (sound.length() < 0 ||
                             std::size_t(sound.dataOffset()) + std::size_t(sound.length()) > size))
      omfuzz::broken("a loaded sound runs past its file");
    if (size > 8) sound.setPlayRange(data[size - 1] * 37, data[size - 2] * 53 - 1000);
    if (sound.length() > 0 && (sound.firstSample() < 0 || sound.lastSample() >= sound.length() ||
                               sound.firstSample() > sound.length() - 1))
      omfuzz::broken("the play range leaves the sound");
    sound.setLoopCount(2);
    if (sound.play(1)) {
      for (int pass = 0; pass < 40; ++pass) {
        omhost::advanceClock(7);
        timeGetTime();
        refillSoundOutput();
        if (pass == 10) sound.pause();
        if (pass == 14) sound.resume();
      }
      sound.detach();
    }
  }
  closeWaveOut();
  omhost::useRealClock();
  terminateFileServices();
  return 0;
}
