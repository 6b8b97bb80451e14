#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The program-wide progress records and their file, "tovik.dat" in the Windows folder: the
// three sound flags and the low byte of the user count, then 40 records of 91 int16, all
// little-endian. A file is read as far as it goes: its header and the whole records in it,
// the records it lacks kept as a missing file leaves them; bytes past the 40 are not read.
class ProgressFile {
 public:
  static constexpr int recordCount = 40;
  static constexpr int fieldCount = 91;
  static constexpr std::size_t headerSize = 4;
  static constexpr std::size_t recordSize = 2 * fieldCount;
  static constexpr std::size_t fileSize = headerSize + recordCount * recordSize;
  // The name field: int16 82-88, at most 13 characters and a NUL.
  static constexpr int nameField = 82;
  static constexpr std::size_t nameSize = 14;
  static constexpr int prizeFlagsField = 9;

  using Record = std::array<std::int16_t, fieldCount>;
  // A file shorter than its header is read as a missing one.
  enum class ReadResult { missing, read };

  // The program's one set of records.
  static ProgressFile& instance();

  // The sound flags to 1, no users, every record zero; nothing read in this run.
  void reset();
  Record& record(int index) { return records_[static_cast<std::size_t>(index)]; }
  std::int16_t totalUsers() const { return totalUsers_; }
  void setTotalUsers(std::int16_t count) { totalUsers_ = count; }
  bool readThisRun() const { return readThisRun_; }

  // Reads the sound flags and the records the file holds.
  ReadResult read();
  // Reads records 1-39 only, as read() treats the file: the users who are not signed in; and
  // record 0 as the file holds it into first, when given and the file holds it.
  ReadResult readOtherUsers(Record* first = nullptr);
  // Replaces the file whole; false (the old file kept, and the failure said) when it could not.
  bool write();

  // A file image's header and the whole records in it, in order: how many records were
  // filled, or -1 (nothing filled) when the image is shorter than the header.
  static int parse(const unsigned char* bytes, std::size_t size,
                   std::array<std::uint8_t, 3>& flags, std::array<Record, recordCount>& records);
  // The script variable of a field: its name, or "" inside the name field.
  static std::string fieldVariable(int field);
  // The name field as text; a name is clipped to 13 characters.
  static std::string nameOf(const Record& record);
  static void setName(Record& record, const char* name);

  // Where the file lies: the Windows folder and "tovik.dat".
  static std::string path();

 private:
  // The header and the records of the file; -1 when it is missing or shorter than its header.
  static int readImage(std::array<std::uint8_t, 3>& flags,
                       std::array<Record, recordCount>& records);

  std::array<Record, recordCount> records_{};
  std::int16_t totalUsers_ = 0;
  bool readThisRun_ = false;
};
