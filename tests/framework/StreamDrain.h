#pragma once

#include <cstdint>
#include <string>

#include "framework/OMIStream.h"

namespace omtest {

// Everything the stream hands out: the block it holds already (a stream over a cached file
// hands out its content when it is made), then block by block.
inline std::string drain(OMIStream& stream)
{
  std::string out;
  if (stream.data() && stream.nextOffset() > stream.blockOffset())
    out.append(reinterpret_cast<const char*>(stream.data()),
               std::size_t(stream.nextOffset() - stream.blockOffset()));
  for (int i = 0; i < 100000; ++i) {
    const std::int32_t length = stream.load(0);
    if (length == 0) break;
    out.append(reinterpret_cast<const char*>(stream.data()), std::size_t(length));
  }
  return out;
}

}  // namespace omtest
