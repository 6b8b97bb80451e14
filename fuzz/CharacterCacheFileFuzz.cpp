// The speech-record cache file of the talking characters: each line that matches the format
// adds exactly one shared record.
#include "fuzz/support/FuzzSupport.h"
#include "trinkets/lib/RCharacter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  omfuzz::workFolder();
  const int read = RCharacter::loadSpeechRecords(reinterpret_cast<const char*>(data), size);
  if (read < 0 || static_cast<std::size_t>(read) != RCharacter::sharedSpeechRecords().size())
    omfuzz::broken("records read and kept differ");
  std::size_t lines = 1;
  for (std::size_t i = 0; i < size; ++i)
    lines += data[i] == '\n';
  if (static_cast<std::size_t>(read) > lines) omfuzz::broken("more records than lines");
  RCharacter::releaseShared();
  return 0;
}
