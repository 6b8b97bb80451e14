#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class OMAsyncFile;
class OMIStreamDLL16InfoCache;

// The NE resource file being read: one file at a time is current, with its headers and
// resource table. Making a file current checks every offset, length and count of its
// headers and tables against the file's size and the table's bounds; a file that fails is
// refused with a message on standard error and yields no types, ids or resources. A file cut
// short keeps its tables and its whole resources: only the resources whose data runs past its
// end are refused (not found), said once on standard error.
class OMNEFile {
 public:
  using Bytes = std::vector<std::uint8_t>;

  struct Location {
    std::int32_t dataOffset = 0;
    std::int32_t size = 0;
  };

  static OMNEFile& current();
  // While the layer is armed (from the start) the file read last stays open for the next
  // resource. A reset closes it, frees its tables and disarms the layer: until it is armed
  // again, each resource stream opens its file for itself (a CD may be changed meanwhile).
  static void resetStreams();
  static void armStreams();
  static bool streamsArmed();

  // False when the file is missing or not a sound NE resource file.
  bool makeCurrent(const char* fileName);
  void giveUp();
  bool isFile(const char* fileName) const;
  bool isValid() const { return valid_; }
  const std::string& name() const { return name_; }

  // The resource of that id and type in the current file; false when absent, empty or cut off.
  bool locate(int resourceId, const char* typeName, Location& location) const;
  std::vector<std::string> resourceTypes() const;
  std::vector<std::int16_t> resourceIds(const char* typeName) const;

  // The whole file in memory when the file cache holds it, else null.
  const std::uint8_t* image() const { return image_; }
  // The file the current file is read through (opened again when a stream took it over).
  OMAsyncFile* file();
  // Hands the open file over to a stream; the info cache forgets it.
  std::unique_ptr<OMAsyncFile> takeFile();

 private:
  struct Block {
    std::uint16_t typeWord;
    std::size_t at;  // offset of the block in the resource table
    std::uint16_t count;
  };

  bool open();
  bool readHeaders();
  bool readAt(std::int64_t offset, std::int64_t length, Bytes& out);
  bool checkTable();
  bool checkNameTable();
  bool refuse(const std::string& reason);
  const Block* findBlock(const char* typeName) const;
  bool nameTableTypeOf(const char* name, std::uint16_t& typeWord) const;
  bool nameTableHolds(std::uint16_t typeWord, std::uint16_t idWord) const;
  std::uint16_t tableWord(std::size_t at) const;
  // Whether the data of the 12-byte entry at that table offset lies within the file.
  bool isWhole(std::size_t entry) const;

  std::string name_;
  bool valid_ = false;
  OMAsyncFile* file_ = nullptr;
  std::unique_ptr<OMAsyncFile> ownFile_;
  OMIStreamDLL16InfoCache* info_ = nullptr;
  const std::uint8_t* image_ = nullptr;
  std::int64_t fileSize_ = 0;
  Bytes oldHeader_;
  Bytes neHeader_;
  Bytes table_;
  Bytes nameTable_;
  int shift_ = 0;
  bool hasNameTable_ = false;
  std::vector<Block> blocks_;
  int cutResources_ = 0;
};
