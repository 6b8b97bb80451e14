// A compiled script image loaded as the engine loads one, then run for a bounded number of
// steps: operands, jumps and symbols of a damaged image must never reach outside it.
#include <memory>
#include <sstream>
#include <string>

#include "fuzz/support/ScriptRun.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  omfuzz::prepareScripts();
  std::istringstream image(std::string(reinterpret_cast<const char*>(data), size));
  omfuzz::runAndForget(std::make_unique<YThread>(image));
  return 0;
}
