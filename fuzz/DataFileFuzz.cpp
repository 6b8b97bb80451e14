// Reads arbitrary bytes as a variable data file and checks what the table then holds: every
// used slot answers its own name, the used count matches the slots, and a whole read came
// from a file of exactly the right size; then sets, removes and steps characters on it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "assessment/src/RDatFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  RDatFile file(40, "");
  const bool whole = file.readImage(data, size);
  if (whole && size != 4 + RData::recordSize * static_cast<std::size_t>(file.usedCount()))
    __builtin_trap();
  int used = 0;
  for (int i = 0; i < file.slotCount(); ++i) {
    const RData& slot = file.slot(i);
    if (slot.isFree()) continue;
    ++used;
    if (std::strlen(slot.name()) >= RData::textSize) __builtin_trap();
    if (std::strlen(slot.value()) >= RData::textSize) __builtin_trap();
  }
  if (used != file.usedCount()) __builtin_trap();
  for (int i = 0; i < file.slotCount(); ++i) {
    const std::string name = file.slot(i).name();
    if (file.slot(i).isFree()) continue;
    // The first slot of a name answers for it.
    const char* value = file.get(name.c_str());
    if (std::strlen(value) >= RData::textSize) __builtin_trap();
    file.setSubVar(name.c_str(), i % 32, 'x');
    file.stepSubVar(name.c_str(), (i * 7) % 32, 1);
    if (std::strlen(file.get(name.c_str())) >= RData::textSize) __builtin_trap();
  }
  file.createArray("a", 90, '.');
  file.set("fresh", "1");
  if (file.slot(0).isFree() && file.usedCount() > 0 && file.usedCount() < file.slotCount() &&
      std::strcmp(file.get("fresh"), "1") != 0)
    __builtin_trap();
  while (file.usedCount() > 0) {
    int i = 0;
    while (file.slot(i).isFree())
      ++i;
    const std::string name = file.slot(i).name();
    if (!file.remove(name.c_str())) __builtin_trap();
  }
  return 0;
}
