// The movie writer's inputs: any bytes as a PNG frame or a WAVE track are read or refused.
#include <cstddef>
#include <cstdint>

#include "tools/MovieSources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const moviesources::Bytes bytes(data, data + size);
  std::string error;
  moviesources::IndexedImage image;
  if (moviesources::readIndexedPng(bytes, image, error) &&
      image.indices.size() != std::size_t(image.width) * image.height)
    __builtin_trap();
  moviesources::Wave wave;
  moviesources::readWave(bytes, wave, error);
  return 0;
}
