// Parses arbitrary bytes as the assessment program's descriptor file and asks every lookup of
// what it read: each key's values, past both ends, every record's skill area and set, and
// whether the program could start with it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

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
  // What the start asks for: a file that lacks nothing has a value for each of the four names.
  std::string key, problem;
  if (!descriptor.lacksWhatTheProgramNeeds(key, problem)) {
    for (const char* needed : {"WinExeNamePath", "AODLL", "WaveDLL", "DataFile"}) {
      const char* text = descriptor.stringValue(needed, 1);
      if (!text) __builtin_trap();
    }
  } else if (key.empty() || problem.empty()) {
    __builtin_trap();
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
