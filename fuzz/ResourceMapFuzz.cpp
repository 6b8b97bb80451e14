// Resource maps are read from the program CD: any bytes must parse without harm.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "game/ResourceFileRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  std::FILE* file = std::tmpfile();
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::rewind(file);
  for (const ResourceMapBlock& block : readResourceMap(file))
    for (const auto& entry : block.entries)
      if (entry.id == 0 || entry.type[4] != 0) __builtin_trap();
  std::fclose(file);
  return 0;
}
