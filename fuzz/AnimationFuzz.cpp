// Animation resources are untrusted: any bytes are refused or drawn inside the canvases.
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/ResourceDecoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  omfuzz::workFolder();
  omfuzz::DecodingCanvases canvases;
  omfuzz::decodeAnimation(canvases, data, size);
  return 0;
}
