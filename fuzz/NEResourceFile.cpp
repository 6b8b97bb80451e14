// An NE resource file as the engine reaches it: registered, listed, and every resource read
// whole, in blocks and through the registry. What a stream hands out must be the file's own
// bytes, however it is reached.
#include <cstring>
#include <string>

#include "framework/OMFileServices.h"
#include "framework/OMIStreamDLL16.h"
#include "framework/OMResFile.h"
#include "fuzz/support/FuzzSupport.h"
#include "tests/framework/StreamDrain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string path = omfuzz::writeInput("input.rsc", data, size);
  openResFile(path.c_str(), 1);
  if (OMRes* file = findResFile(path.c_str())) {
    int opened = 0;
    for (const auto& type : file->resourceTypes()) {
      for (const std::int16_t id : file->resourceIds(type.c_str())) {
        if (++opened > 64) break;
        OMIStreamDLL16 whole(id, type.c_str(), path.c_str(), -1, nullptr);
        const std::string bytes = omtest::drain(whole);
        if (whole.dataOffset() < 0 || std::size_t(whole.dataOffset()) + bytes.size() > size)
          omfuzz::broken("a resource lies outside its file");
        if (std::memcmp(bytes.data(), data + whole.dataOffset(), bytes.size()) != 0)
          omfuzz::broken("a resource is not the file's own bytes");
        OMIStreamDLL16 blocks(id, type.c_str(), path.c_str(), 100, nullptr);
        if (omtest::drain(blocks) != bytes) omfuzz::broken("blocks differ from the whole resource");
        if (auto registered = openResourceStream(id, type.c_str(), -1))
          if (omtest::drain(*registered) != bytes) omfuzz::broken("the registry reads other bytes");
      }
    }
  }
  closeAllResFiles();
  terminateFileServices();
  return 0;
}
