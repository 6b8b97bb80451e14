#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The program-wide progress records and their file, "tovik.dat" in the Windows folder: the
// three sound flags and the low byte of the user count, then 40 records of 91 int16, all
// little-endian. Anything but that exact size is a damaged file.
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
  enum class ReadResult { missing, damaged, read };

  // The program's one set of records.
  static ProgressFile& instance();

  // The sound flags to 1, no users, every record zero; nothing read in this run.
  void reset();
  Record& record(int index) { return records_[static_cast<std::size_t>(index)]; }
  std::int16_t totalUsers() const { return totalUsers_; }
  void setTotalUsers(std::int16_t count) { totalUsers_ = count; }
  bool readThisRun() const { return readThisRun_; }

  // Reads the sound flags and the records. Nothing of a damaged file is used: it is copied to
  // "TOVIK.BAD" and that is said, once for each damaged file met in a run; when no copy can be
  // made, nothing is written over it for the rest of the run.
  ReadResult read();
  // Reads records 1-39 only, as read() treats the file: the users who are not signed in; and
  // record 0 as the file holds it into first, when given.
  ReadResult readOtherUsers(Record* first = nullptr);
  // Replaces the file whole; false (the old file kept, and a failure said) when it could not
  // or may not.
  bool write();

  // A file image's header and records; false, nothing filled, unless it has the exact size.
  static bool parse(const unsigned char* bytes, std::size_t size,
                    std::array<std::uint8_t, 3>& flags, std::array<Record, recordCount>& records);
  // The script variable of a field: its name, or "" inside the name field.
  static std::string fieldVariable(int field);
  // The name field as text; a name is clipped to 13 characters.
  static std::string nameOf(const Record& record);
  static void setName(Record& record, const char* name);

  // Where the file lies: the Windows folder and "tovik.dat".
  static std::string path();

 private:
  ReadResult readImage(std::array<std::uint8_t, 3>& flags,
                       std::array<Record, recordCount>& records);

  std::array<Record, recordCount> records_{};
  std::int16_t totalUsers_ = 0;
  bool readThisRun_ = false;
  // The last damaged file met, and whether it may be written over.
  std::vector<unsigned char> damaged_;
  bool writeRefused_ = false;
};
