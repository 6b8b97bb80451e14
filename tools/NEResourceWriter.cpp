#include "tools/NEResourceWriter.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr std::size_t neOffset = 64;
constexpr std::size_t neHeaderSize = 64;
constexpr std::size_t tableOffset = neOffset + neHeaderSize;
constexpr std::uint16_t nameTableType = 0x800F;
// Named types get numbers from here when a name table carries their names.
constexpr std::uint16_t firstPrivateType = 0x100;

struct StandardType {
  const char* name;
  std::uint16_t number;
};

constexpr StandardType standardTypes[] = {
    {"CURSOR", 12}, {"BITMAP", 2},  {"ICON", 14}, {"MENU", 4},        {"DIALOG", 5},
    {"STRING", 6},  {"FONTDIR", 7}, {"FONT", 8},  {"ACCELERATOR", 9}, {"RCDATA", 10},
};

bool parseNumber(const std::string& text, long& number)
{
  if (text.empty() || text.size() > 6) return false;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit((unsigned char)c); }))
    return false;
  number = std::stol(text);
  return true;
}

void put16(NEResourceWriter::Bytes& file, std::size_t at, std::uint32_t value)
{
  file[at] = std::uint8_t(value);
  file[at + 1] = std::uint8_t(value >> 8);
}

void put32(NEResourceWriter::Bytes& file, std::size_t at, std::uint32_t value)
{
  put16(file, at, value & 0xFFFF);
  put16(file, at + 2, value >> 16);
}

}  // namespace

std::uint16_t standardResourceType(const std::string& name)
{
  for (const StandardType& type : standardTypes)
    if (name == type.name) return type.number;
  return 0;
}

bool NEResourceWriter::fail(const std::string& message)
{
  error_ = message;
  return false;
}

bool NEResourceWriter::setAlignShift(int shift)
{
  if (shift < 0 || shift > 15) return fail("alignment shift must be 0 to 15");
  shift_ = shift;
  return true;
}

NEResourceWriter::Type& NEResourceWriter::typeFor(const std::string& type)
{
  Type wanted;
  long number = 0;
  const std::string digits = !type.empty() && type[0] == '#' ? type.substr(1) : type;
  if (parseNumber(digits, number))
    wanted.number = std::uint16_t(number);
  else if (std::uint16_t standard = standardResourceType(type))
    wanted.number = standard;
  else
    wanted.name = type;
  for (Type& existing : types_)
    if (existing.number == wanted.number && existing.name == wanted.name) return existing;
  types_.push_back(std::move(wanted));
  return types_.back();
}

bool NEResourceWriter::add(const std::string& type, const std::string& id, Bytes data)
{
  if (type.empty() || type.size() > 255) return fail("type name must be 1 to 255 characters");
  if (id.empty() || id.size() > 255) return fail("resource name must be 1 to 255 characters");
  Type& target = typeFor(type);
  if (target.number == 0x0F || target.number >= 0x8000 || (target.name.empty() && !target.number))
    return fail("type " + type + " cannot be stored");
  Resource resource;
  long number = 0;
  if (parseNumber(id, number)) {
    if (number < 1 || number > 0x7FFF) return fail("resource id " + id + " is not 1 to 32767");
    resource.number = std::uint16_t(number);
  } else {
    resource.name = id;
  }
  resource.data = std::move(data);
  target.resources.push_back(std::move(resource));
  return true;
}

NEResourceWriter::Bytes NEResourceWriter::nameTableData(
    const std::vector<std::uint16_t>& typeWords,
    const std::vector<std::vector<std::uint16_t>>& idWords) const
{
  Bytes table;
  auto addEntry = [&table](std::uint16_t typeWord, std::uint16_t idWord, const std::string& name) {
    const std::size_t at = table.size();
    table.resize(at + 6 + name.size() + 1);
    put16(table, at, std::uint32_t(6 + name.size() + 1));
    put16(table, at + 2, typeWord);
    put16(table, at + 4, idWord);
    std::memcpy(table.data() + at + 6, name.data(), name.size());
  };
  // Type names first: a listing takes the first entry that carries a block's type word.
  for (std::size_t t = 0; t < types_.size(); ++t)
    if (!types_[t].name.empty()) addEntry(typeWords[t], 0, types_[t].name);
  for (std::size_t t = 0; t < types_.size(); ++t)
    for (std::size_t r = 0; r < types_[t].resources.size(); ++r)
      if (!types_[t].resources[r].name.empty())
        addEntry(typeWords[t] | 0x8000, idWords[t][r], types_[t].resources[r].name);
  table.resize(table.size() + 2);  // the terminating zero length
  return table;
}

bool NEResourceWriter::build(Bytes& file)
{
  fields_.clear();
  const std::uint32_t unit = 1u << shift_;

  // Type and id words; names without a name table are placed after the blocks.
  std::size_t blocksSize = 2 + (nameTable_ ? 20 : 0) + 2;
  for (const Type& type : types_)
    blocksSize += 8 + 12 * type.resources.size();
  Bytes names;
  auto placeName = [&](const std::string& name) -> std::uint32_t {
    const std::size_t at = blocksSize + names.size();
    names.push_back(std::uint8_t(name.size()));
    names.insert(names.end(), name.begin(), name.end());
    return std::uint32_t(at);
  };
  std::vector<std::uint16_t> typeWords;
  std::vector<std::vector<std::uint16_t>> idWords;
  std::uint16_t nextPrivateType = firstPrivateType;
  for (const Type& type : types_) {
    std::uint32_t typeWord = 0x8000 | type.number;
    if (type.number == 0) typeWord = nameTable_ ? 0x8000 | nextPrivateType++ : placeName(type.name);
    if (typeWord == 0 || (type.number == 0 && !nameTable_ && typeWord >= 0x8000))
      return fail("resource table too large for the names");
    typeWords.push_back(std::uint16_t(typeWord));
    std::vector<std::uint16_t> ids;
    std::uint16_t nextPrivateId = 0x7FFF;
    for (const Resource& resource : type.resources) {
      std::uint32_t idWord = 0x8000 | resource.number;
      if (resource.number == 0) {
        if (nameTable_) {
          while (std::any_of(type.resources.begin(), type.resources.end(),
                             [&](const Resource& r) { return r.number == nextPrivateId; }))
            --nextPrivateId;
          idWord = 0x8000 | nextPrivateId--;
        } else {
          idWord = placeName(resource.name);
          if (idWord >= 0x8000) return fail("resource table too large for the names");
        }
      }
      ids.push_back(std::uint16_t(idWord));
    }
    idWords.push_back(std::move(ids));
  }
  const std::size_t tableLength = blocksSize + names.size();
  if (neHeaderSize + tableLength + 1 > 0xFFFF) return fail("resource table longer than 64 KB");

  // Data: the name table first, then every resource, each at a whole unit.
  const Bytes nameTable = nameTable_ ? nameTableData(typeWords, idWords) : Bytes();
  auto alignUp = [unit](std::size_t at) { return (at + unit - 1) / unit * unit; };
  std::size_t dataAt = alignUp(tableOffset + tableLength + 1);
  struct Placed {
    std::size_t at;
    std::size_t units;
  };
  std::vector<Placed> placed;
  auto place = [&](std::size_t size) -> bool {
    const std::size_t units = (size + unit - 1) / unit;
    if (dataAt / unit > 0xFFFF) return fail("data offset does not fit the alignment shift");
    if (units > 0xFFFF) return fail("resource longer than the alignment shift allows");
    placed.push_back({dataAt, units});
    dataAt += units * unit;
    return true;
  };
  if (nameTable_ && !place(nameTable.size())) return false;
  for (const Type& type : types_)
    for (const Resource& resource : type.resources)
      if (!place(resource.data.size())) return false;

  file.assign(dataAt, 0);
  file[0] = 'M';
  file[1] = 'Z';
  put16(file, 24, 0x40);
  put32(file, 60, neOffset);
  file[neOffset] = 'N';
  file[neOffset + 1] = 'E';
  put16(file, neOffset + 0x24, neHeaderSize);
  put16(file, neOffset + 0x26, std::uint32_t(neHeaderSize + tableLength));
  fields_.push_back({0, 2, "MZ magic"});
  fields_.push_back({24, 2, "relocation-table offset"});
  fields_.push_back({60, 4, "NE header offset"});
  fields_.push_back({neOffset, 2, "NE magic"});
  fields_.push_back({neOffset + 0x24, 2, "resource-table offset"});
  fields_.push_back({neOffset + 0x26, 2, "resident-name-table offset"});

  std::size_t at = tableOffset;
  put16(file, at, std::uint32_t(shift_));
  fields_.push_back({at, 2, "alignment shift"});
  at += 2;
  std::size_t next = 0;
  auto writeEntry = [&](std::uint16_t idWord, const Placed& where) {
    put16(file, at, std::uint32_t(where.at / unit));
    put16(file, at + 2, std::uint32_t(where.units));
    put16(file, at + 4, 0x30);
    put16(file, at + 6, idWord);
    fields_.push_back({at, 2, "entry offset"});
    fields_.push_back({at + 2, 2, "entry length"});
    fields_.push_back({at + 6, 2, "entry id"});
    at += 12;
  };
  auto writeBlockHeader = [&](std::uint16_t typeWord, std::size_t count) {
    put16(file, at, typeWord);
    put16(file, at + 2, std::uint32_t(count));
    fields_.push_back({at, 2, "type word"});
    fields_.push_back({at + 2, 2, "entry count"});
    at += 8;
  };
  if (nameTable_) {
    writeBlockHeader(nameTableType, 1);
    writeEntry(0x8001, placed[next++]);
  }
  for (std::size_t t = 0; t < types_.size(); ++t) {
    writeBlockHeader(typeWords[t], types_[t].resources.size());
    for (std::size_t r = 0; r < types_[t].resources.size(); ++r)
      writeEntry(idWords[t][r], placed[next++]);
  }
  fields_.push_back({at, 2, "end of types"});
  at += 2;
  for (std::size_t i = 0; i < names.size(); i += 1 + names[i])
    fields_.push_back({at + i, 1, "name length"});
  std::copy(names.begin(), names.end(), file.begin() + std::ptrdiff_t(at));

  next = 0;
  if (nameTable_) {
    const Placed& where = placed[next++];
    std::copy(nameTable.begin(), nameTable.end(), file.begin() + std::ptrdiff_t(where.at));
    for (std::size_t i = 0; i + 2 <= nameTable.size();) {
      const std::size_t length = nameTable[i] | (nameTable[i + 1] << 8);
      fields_.push_back({where.at + i, 2, "name-table entry length"});
      if (length == 0) break;
      fields_.push_back({where.at + i + 2, 2, "name-table type word"});
      fields_.push_back({where.at + i + 4, 2, "name-table id word"});
      i += length;
    }
  }
  for (const Type& type : types_) {
    for (const Resource& resource : type.resources) {
      const Placed& where = placed[next++];
      std::copy(resource.data.begin(), resource.data.end(),
                file.begin() + std::ptrdiff_t(where.at));
    }
  }
  return true;
}
