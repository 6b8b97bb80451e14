// A lip-sync table as a talking character reads it, and the sequence built from it: every
// image it shows exists, and the sequence ends as the animation needs.
#include <vector>

#include "fuzz/support/FuzzSupport.h"
#include "trinkets/lib/LipSyncTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  omfuzz::workFolder();
  LipSyncTable table;
  if (!table.read(data, size)) {
    if (size >= 6) omfuzz::broken("a table with a whole header was refused");
    return 0;
  }
  if (table.images().size() > (size - 6) / 6) omfuzz::broken("more records than bytes");
  constexpr int imageCount = 3;
  const std::vector<OMFrameEntry> rest = {
      {0, 0, OMFrameEntry::hold, 0}, {4, 5, 0, 0}, {6, 7, 1, 0}, {0, 0, OMFrameEntry::end, 0}};
  const std::vector<OMFrameEntry> built = LipSyncTable::buildSequence(&table, rest, imageCount, 9);
  if (built.size() != table.images().size() + 5) omfuzz::broken("a record lost or added");
  if (built.back().image != OMFrameEntry::end ||
      built[built.size() - 2].image != OMFrameEntry::loop)
    omfuzz::broken("the sequence does not end with loop and end");
  for (std::size_t i = 3; i + 2 < built.size(); ++i) {
    if (built[i].image < 0 || built[i].image >= imageCount) omfuzz::broken("an image outside");
  }
  return 0;
}
