#include "framework/OMNEFile.h"

#include <cstdio>
#include <cstring>

#include "framework/OMAsyncFile.h"
#include "framework/OMCachedFile.h"
#include "framework/OMIStreamDLL16InfoCache.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMResourceReport.h"
#include "framework/OMResourceType.h"
#include "framework/OMSystemCalls.h"

namespace {

constexpr std::size_t headerSize = 64;
constexpr std::uint16_t nameTableType = 0x800F;
constexpr int maxShift = 15;
bool armed = true;

std::uint16_t word(const OMNEFile::Bytes& bytes, std::size_t at)
{
  return std::uint16_t(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t longWord(const OMNEFile::Bytes& bytes, std::size_t at)
{
  return word(bytes, at) | (std::uint32_t(word(bytes, at + 2)) << 16);
}

}  // namespace

OMNEFile& OMNEFile::current()
{
  static OMNEFile& file = *new OMNEFile;
  return file;
}

void OMNEFile::resetStreams()
{
  current().giveUp();
  armed = false;
}

void OMNEFile::armStreams()
{
  armed = true;
}

bool OMNEFile::streamsArmed()
{
  return armed;
}

bool OMNEFile::isFile(const char* fileName) const
{
  return fileName && !name_.empty() && omsys::compareNoCase(name_.c_str(), fileName) == 0;
}

void OMNEFile::giveUp()
{
  name_.clear();
  valid_ = false;
  file_ = nullptr;
  ownFile_.reset();
  info_ = nullptr;
  image_ = nullptr;
  fileSize_ = 0;
  oldHeader_.clear();
  neHeader_.clear();
  table_.clear();
  nameTable_.clear();
  blocks_.clear();
  cutResources_ = 0;
  hasNameTable_ = false;
  shift_ = 0;
}

bool OMNEFile::refuse(const std::string& reason)
{
  reportRefusedResourceFile(name_, reason);
  valid_ = false;
  blocks_.clear();
  return false;
}

bool OMNEFile::makeCurrent(const char* fileName)
{
  if (!fileName || !*fileName) return false;
  if (isFile(fileName)) return valid_;
  giveUp();
  name_ = fileName;
  // A file that could not be opened is not current: the next lookup tries again.
  if (!open()) {
    giveUp();
    return false;
  }
  valid_ = readHeaders() && checkTable() && checkNameTable();
  if (valid_ && cutResources_ > 0)
    reportCutResourceFile(name_, cutResources_);
  if (valid_ && info_ && !info_->filled) {
    info_->oldHeader = oldHeader_;
    info_->neHeader = neHeader_;
    info_->resourceTable = table_;
    info_->nameTable = nameTable_;
    info_->filled = true;
  }
  return valid_;
}

bool OMNEFile::open()
{
  OMCachedFile* cached = findCachedFile(name_.c_str());
  if (cached && cached->loadedData()) {
    image_ = cached->loadedData();
    fileSize_ = cached->loadedSize();
    return true;
  }
  info_ = OMIStreamDLL16InfoCache::find(name_.c_str());
  if (!file()) return refuse("the file cannot be opened");
  fileSize_ = file_->size;
  return true;
}

OMAsyncFile* OMNEFile::file()
{
  if (image_ || name_.empty()) return nullptr;
  if (file_) return file_;
  if (info_ && info_->file) {
    file_ = info_->file.get();
    return file_;
  }
  const std::string path = readPathOf(name_.c_str(), findCachedFile(name_.c_str())).value_or("");
  auto opened = std::make_unique<OMAsyncFile>(path.c_str(), omsys::readOnly, 0, false);
  if (opened->status != OMAsyncFile::ok) return nullptr;
  file_ = opened.get();
  if (info_)
    info_->file = std::move(opened);
  else
    ownFile_ = std::move(opened);
  return file_;
}

std::unique_ptr<OMAsyncFile> OMNEFile::takeFile()
{
  if (!file()) return nullptr;
  file_ = nullptr;
  if (ownFile_) return std::move(ownFile_);
  return info_ ? std::move(info_->file) : nullptr;
}

bool OMNEFile::readAt(std::int64_t offset, std::int64_t length, Bytes& out)
{
  out.clear();
  if (offset < 0 || length < 0 || offset + length > fileSize_) return false;
  out.resize(std::size_t(length));
  if (image_) {
    std::memcpy(out.data(), image_ + offset, std::size_t(length));
    return true;
  }
  OMAsyncFile* source = file();
  std::int32_t count = -1;
  return source && source->seek(std::int32_t(offset), 0) &&
         source->read(out.data(), std::int32_t(length), &count, false) && count == length;
}

bool OMNEFile::readHeaders()
{
  if (info_ && info_->filled) {
    oldHeader_ = info_->oldHeader;
    neHeader_ = info_->neHeader;
    table_ = info_->resourceTable;
    nameTable_ = info_->nameTable;
    return true;
  }
  if (!readAt(0, headerSize, oldHeader_)) return refuse("too short for an MZ header");
  if (oldHeader_[0] != 'M' || oldHeader_[1] != 'Z') return refuse("no \"MZ\" signature");
  if (word(oldHeader_, 24) < 0x40) return refuse("relocation-table offset below 64");
  const std::uint32_t neOffset = longWord(oldHeader_, 60);
  if (!readAt(neOffset, headerSize, neHeader_)) return refuse("NE header past the end");
  if (neHeader_[0] != 'N' || neHeader_[1] != 'E') return refuse("no \"NE\" signature");
  const std::uint16_t tableOffset = word(neHeader_, 0x24);
  const std::uint16_t tableLength = std::uint16_t(word(neHeader_, 0x26) - tableOffset);
  if (tableLength < 4) return refuse("resource table too short");
  if (!readAt(std::int64_t(neOffset) + tableOffset, tableLength, table_))
    return refuse("resource table past the end");
  return true;
}

std::uint16_t OMNEFile::tableWord(std::size_t at) const
{
  return word(table_, at);
}

bool OMNEFile::isWhole(std::size_t entry) const
{
  const std::int64_t offset = std::int64_t(tableWord(entry)) << shift_;
  const std::int64_t length = std::int64_t(tableWord(entry + 2)) << shift_;
  return offset + length <= fileSize_;
}

bool OMNEFile::checkTable()
{
  if (table_.size() < 4) return false;
  shift_ = tableWord(0);
  if (shift_ > maxShift) return refuse("alignment shift " + std::to_string(shift_) + " too large");
  blocks_.clear();
  cutResources_ = 0;
  std::size_t at = 2;
  for (;;) {
    if (at + 2 > table_.size()) return refuse("resource table never ends");
    const std::uint16_t typeWord = tableWord(at);
    if (typeWord == 0) break;
    if (at + 8 > table_.size()) return refuse("type block past the resource table");
    // The name table's block holds its one entry whatever its count says; the other blocks
    // begin right after it.
    const bool nameTableBlock = at == 2 && typeWord == nameTableType;
    const std::uint16_t count = nameTableBlock ? 1 : tableWord(at + 2);
    if (at + 8 + 12 * std::size_t(count) > table_.size())
      return refuse("resource entries past the resource table");
    // A resource cut off by the end of the file is refused on its own; the name table is
    // checked when it is read.
    if (!nameTableBlock)
      for (std::size_t entry = at + 8; entry < at + 8 + 12 * std::size_t(count); entry += 12)
        if (!isWhole(entry)) ++cutResources_;
    blocks_.push_back({typeWord, at, count});
    at += 8 + 12 * std::size_t(count);
  }
  // A table that ends before its first block holds nothing: its offset is most likely wrong.
  if (blocks_.empty()) return refuse("the resource table holds no resource");
  hasNameTable_ = blocks_.front().typeWord == nameTableType;
  if (hasNameTable_) return true;
  for (const Block& block : blocks_) {
    if (block.typeWord & 0x8000) continue;
    const std::size_t nameAt = block.typeWord;
    if (nameAt >= table_.size() || nameAt + 1 + table_[nameAt] > table_.size())
      return refuse("type name runs off the resource table");
  }
  return true;
}

bool OMNEFile::checkNameTable()
{
  if (!hasNameTable_) return true;
  const Block& block = blocks_.front();
  if (block.count < 1) return refuse("name-table block without an entry");
  if (nameTable_.empty()) {
    const std::int64_t offset = std::int64_t(tableWord(block.at + 8)) << shift_;
    const std::int64_t length = std::int64_t(tableWord(block.at + 10)) << shift_;
    if (!readAt(offset, length, nameTable_)) return refuse("name table past the end");
  }
  for (std::size_t at = 0; at + 2 <= nameTable_.size();) {
    const std::uint16_t length = word(nameTable_, at);
    if (length == 0) break;
    if (length < 7 || at + length > nameTable_.size())
      return refuse("name-table entry runs off the name table");
    if (!std::memchr(&nameTable_[at + 6], 0, length - 6))
      return refuse("name-table name without terminator");
    at += length;
  }
  return true;
}

bool OMNEFile::nameTableTypeOf(const char* name, std::uint16_t& typeWord) const
{
  for (std::size_t at = 0; at + 2 <= nameTable_.size();) {
    const std::uint16_t length = word(nameTable_, at);
    if (length == 0) break;
    if (std::strcmp(reinterpret_cast<const char*>(&nameTable_[at + 6]), name) == 0) {
      typeWord = word(nameTable_, at + 2);
      return true;
    }
    at += length;
  }
  return false;
}

bool OMNEFile::nameTableHolds(std::uint16_t typeWord, std::uint16_t idWord) const
{
  for (std::size_t at = 0; at + 2 <= nameTable_.size();) {
    const std::uint16_t length = word(nameTable_, at);
    if (length == 0) break;
    if ((word(nameTable_, at + 2) | 0x8000) == (typeWord | 0x8000) &&
        word(nameTable_, at + 4) == idWord)
      return true;
    at += length;
  }
  return false;
}

const OMNEFile::Block* OMNEFile::findBlock(const char* typeName) const
{
  if (!valid_ || !typeName) return nullptr;
  const char* type = typeNumber(typeName);
  if (hasNameTable_) {
    std::uint16_t wanted = 0;
    if (isResourceNumber(type))
      wanted = numberOfResource(type) | 0x8000;
    else if (!nameTableTypeOf(type, wanted))
      return nullptr;
    for (std::size_t i = 1; i < blocks_.size(); ++i)
      if (blocks_[i].typeWord == wanted) return &blocks_[i];
    return nullptr;
  }
  for (const Block& block : blocks_) {
    if (isResourceNumber(type)) {
      if (block.typeWord == (numberOfResource(type) | 0x8000)) return &block;
      continue;
    }
    if (block.typeWord & 0x8000) continue;
    // A stored name matches the wanted name's first characters of its own length.
    const std::size_t length = table_[block.typeWord];
    if (std::strlen(type) >= length && std::memcmp(&table_[block.typeWord + 1], type, length) == 0)
      return &block;
  }
  return nullptr;
}

bool OMNEFile::locate(int resourceId, const char* typeName, Location& location) const
{
  const Block* block = findBlock(typeName);
  if (!block) return false;
  for (std::size_t i = 0; i < block->count; ++i) {
    const std::size_t entry = block->at + 8 + 12 * i;
    if ((tableWord(entry + 6) & 0x7FFF) != resourceId) continue;
    location.dataOffset = std::int32_t(std::int64_t(tableWord(entry)) << shift_);
    location.size = std::int32_t(std::int64_t(tableWord(entry + 2)) << shift_);
    return location.size > 0 && isWhole(entry);
  }
  return false;
}

std::vector<std::string> OMNEFile::resourceTypes() const
{
  std::vector<std::string> names;
  if (!valid_) return names;
  for (const Block& block : blocks_) {
    const OMResTypeName standard = typeNameOf(block.typeWord & 0x7FFF);
    if (hasNameTable_) {
      if (standard.found) {
        names.push_back(standard.name);
        continue;
      }
      for (std::size_t at = 0; at + 2 <= nameTable_.size();) {
        const std::uint16_t length = word(nameTable_, at);
        if (length == 0) break;
        if (word(nameTable_, at + 2) == block.typeWord) {
          names.push_back(reinterpret_cast<const char*>(&nameTable_[at + 6]));
          break;
        }
        at += length;
      }
    } else if (block.typeWord & 0x8000) {
      if (standard.found) names.push_back(standard.name);
    } else {
      names.emplace_back(reinterpret_cast<const char*>(&table_[block.typeWord + 1]),
                         table_[block.typeWord]);
    }
  }
  return names;
}

std::vector<std::int16_t> OMNEFile::resourceIds(const char* typeName) const
{
  std::vector<std::int16_t> ids;
  const Block* block = findBlock(typeName);
  if (!block) return ids;
  for (std::size_t i = 0; i < block->count; ++i) {
    const std::uint16_t idWord = tableWord(block->at + 8 + 12 * i + 6);
    if (hasNameTable_) {
      if (!nameTableHolds(block->typeWord, idWord)) ids.push_back(std::int16_t(idWord & 0x7FFF));
    } else if (idWord & 0x8000) {
      ids.push_back(std::int16_t(idWord & 0x7FFF));
    }
  }
  return ids;
}
