// Script source text compiled as the engine compiles a script file, then run for a bounded
// number of steps.
#include <memory>
#include <sstream>
#include <string>

#include "fuzz/support/ScriptRun.h"

namespace {

std::string source;

std::unique_ptr<std::istream> openSource(const char* name)
{
  // Only the script itself exists; an included file is missing.
  if (!name || std::string(name) != "fuzz.mps") return nullptr;
  return std::make_unique<std::istringstream>(source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  omfuzz::prepareScripts();
  source.assign(reinterpret_cast<const char*>(data), size);
  omfuzz::runAndForget(std::make_unique<YThread>("fuzz.mps", &openSource));
  return 0;
}
