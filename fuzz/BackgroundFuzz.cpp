// Packed backgrounds are untrusted: any bytes are refused or unpack into the canvas.
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/ResourceDecoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  omfuzz::workFolder();
  omfuzz::DecodingCanvases canvases;
  omfuzz::decodeBackground(canvases, data, size);
  return 0;
}
