// The resource-script compiler over any text: it accepts or refuses with a line, and what it
// accepts becomes a source file.
#include <string>

#include "fuzz/support/FuzzSupport.h"
#include "tools/rc/ResourceScript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  // Scripts may name the files that the seeds put beside them.
  static const std::string folder = omfuzz::workFolder();
  omrc::ResourceScript script({folder});
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (!script.compile(text)) {
    if (script.error().rfind("line ", 0) != 0) omfuzz::broken("a refusal names no line");
    return 0;
  }
  const std::string source = omrc::writeResourceSource(script.resources(), false, "fuzz");
  if (source.empty()) omfuzz::broken("accepted resources wrote no source");
  return 0;
}
