// Packed backgrounds are untrusted: any bytes are refused or unpack into the canvas.
#include <algorithm>
#include <vector>

#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/ResourceDecoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  omfuzz::workFolder();
  // A header of another size only raises a message box, which costs the headless host far
  // more than a decode: the fuzzer's time goes to the header fields and packed data behind.
  std::vector<std::uint8_t> bytes(data, data + size);
  if (bytes.size() >= 4) {
    const std::uint8_t header[4] = {32, 0, 0, 0};
    std::copy(header, header + 4, bytes.begin());
  }
  omfuzz::DecodingCanvases canvases;
  omfuzz::decodeBackground(canvases, bytes.data(), bytes.size());
  return 0;
}
