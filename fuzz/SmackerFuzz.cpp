// Movies are untrusted files: any bytes either fail to open or play to the end cleanly.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/src/smacker/SmackerMovie.h"

// FFmpeg 5.1's Smacker sound decoder loses its tables on some damaged packets; that leak
// is the library's, not ours (without a deep unwind it shows only as av_realloc_f).
extern "C" const char* __lsan_default_suppressions()
{
  return "leak:libavcodec.so\nleak:av_realloc_f\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  auto movie = omsmack::SmackerMovie::open(
      omsmack::memorySource(std::vector<std::uint8_t>(data, data + size)), SMACKTRACKS, 0);
  if (!movie) return 0;
  Smack& record = movie->record();
  // A buffer smaller than the movie, so that clipping runs too.
  std::vector<std::uint8_t> pixels(64 * 48 * 2);
  movie->toBuffer(-3, -2, 64 * 2, 48, pixels.data(), SMACKBUFFER565);
  for (DWORD frame = 0; frame < record.Frames && frame < 300; ++frame) {
    movie->doFrame();
    while (movie->nextRect()) {
    }
    movie->nextFrame();
  }
  movie->gotoFrame(record.Frames / 2);
  movie->doFrame();
  return 0;
}
