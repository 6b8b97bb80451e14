#include "trinkets/lib/LipSyncTable.h"

namespace {

constexpr std::size_t headerBytes = 6;
constexpr std::size_t recordBytes = 6;
constexpr int bigEndianMark = 511;

int word(const std::uint8_t* at, bool bigEndian)
{
  const auto value =
      static_cast<std::uint16_t>(bigEndian ? at[0] << 8 | at[1] : at[1] << 8 | at[0]);
  return static_cast<std::int16_t>(value);
}

std::int16_t entryWord(int value)
{
  return static_cast<std::int16_t>(value);
}

}  // namespace

bool LipSyncTable::read(const std::uint8_t* bytes, std::size_t size)
{
  images_.clear();
  if (!bytes || size < headerBytes) return false;
  // The order in which the table is whole decides; when it is whole in both, or in neither,
  // the mark does.
  const auto whole = [&](bool bigEndian) {
    const int count = word(bytes + 4, bigEndian);
    return count >= 0 && static_cast<std::size_t>(count) <= (size - headerBytes) / recordBytes;
  };
  const bool wholeLittle = whole(false), wholeBig = whole(true);
  const bool bigEndian = wholeLittle != wholeBig
                             ? wholeBig
                             : static_cast<std::uint16_t>(word(bytes, false)) > bigEndianMark;
  int count = word(bytes + 4, bigEndian);
  if (count < 0) count = 0;
  const std::size_t present = (size - headerBytes) / recordBytes;
  if (static_cast<std::size_t>(count) > present) count = static_cast<int>(present);
  for (int i = 0; i < count; ++i)
    images_.push_back(
        word(bytes + headerBytes + recordBytes * static_cast<std::size_t>(i), bigEndian));
  return true;
}

std::vector<OMFrameEntry> LipSyncTable::buildSequence(const LipSyncTable* table,
                                                      const std::vector<OMFrameEntry>& rest,
                                                      int imageCount, int soundId)
{
  // Positions come from the rest sequence's entries 1 and up, when it has them.
  const auto place = [&](std::size_t index) {
    if (index < rest.size() && rest[index].image != OMFrameEntry::end) return rest[index];
    if (rest.size() > 1 && rest[1].image != OMFrameEntry::end) return rest[1];
    return OMFrameEntry{0, 0, 0, 0};
  };
  std::vector<OMFrameEntry> entries;
  entries.push_back({0, 0, OMFrameEntry::hold, 0});
  entries.push_back({place(1).x, place(1).y, 0, 0});
  if (soundId >= 0) entries.push_back({0, 0, OMFrameEntry::sound, entryWord(soundId)});
  if (table) {
    const std::vector<int>& images = table->images();
    for (const int record : images) {
      // Each image stands where sequence 0 shows it, whatever the record's place.
      const int image = record >= 0 && record < imageCount ? record : 0;
      const OMFrameEntry at = place(static_cast<std::size_t>(image) + 1);
      entries.push_back({at.x, at.y, entryWord(image), 0});
    }
  } else {
    entries.push_back({place(1).x, place(1).y, 0, 0});
  }
  entries.push_back({0, 0, OMFrameEntry::loop, 0});
  entries.push_back({0, 0, OMFrameEntry::end, 0});
  return entries;
}
