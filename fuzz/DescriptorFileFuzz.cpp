// Parses arbitrary bytes as the assessment program's descriptor file and asks every lookup of
// what it read: each key's values, past both ends, and every record's skill area and set.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "assessment/src/DescriptorFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const DescriptorFile descriptor(reinterpret_cast<const char*>(data), size);
  for (const Command& command : descriptor.commands()) {
    const int count = static_cast<int>(command.params.size());
    for (int i = 0; i <= count + 1; ++i) {
      const char* text = descriptor.stringValue(command.key.c_str(), i);
      const std::int32_t value = descriptor.intValue(command.key.c_str(), i);
      if (text ? value != DescriptorFile::toInt(text) : value != -1) __builtin_trap();
      if (text && std::strlen(text) > DescriptorFile::textLimit) __builtin_trap();
    }
  }
  for (const auto& area : descriptor.skillAreas()) {
    if (descriptor.skillAreaByGroup(area->group) != area.get()) __builtin_trap();
    for (int i = 0; const QuizletSet* set = area->quizletSetAt(i); ++i) {
      if (!descriptor.quizletSetById(set->id)) __builtin_trap();
      for (const Quizlet& quizlet : set->quizlets)
        if (!set->quizletByLevel(quizlet.level)) __builtin_trap();
    }
  }
  return 0;
}
