#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace omhost {
class HeadlessHost;
struct ScreenBuffer;
}  // namespace omhost

// What a run leaves to be seen, each part as a hash: the pictures of its passes (of every
// sixteenth), the message boxes and dialogs it showed, and the files it left in the working
// folder (the debug log among them). A run depends on the runs before it when the same input gives
// another record after them; with OM_FUZZ_RECORD naming a file, each run appends a line there, the
// input's hash and the record, for the suite's check of that.
class RunRecord {
 public:
  // The hash of an input, as the record's line names it.
  explicit RunRecord(const std::uint8_t* data, std::size_t size);

  // Whether OM_FUZZ_RECORD asks for the records.
  static bool wanted();
  static constexpr int passesBetweenPictures = 16;
  // A pass of the main loop begins: every so many the screen is taken into the record.
  void pass(const omhost::ScreenBuffer& screen);
  void takeDialogs(const omhost::HeadlessHost& host);
  void takeFiles(const std::string& folder);
  // Appends the line to the file that OM_FUZZ_RECORD names.
  void append() const;
  std::string line() const;

 private:
  std::uint64_t input_;
  int passes_ = 0;
  std::uint64_t pictures_;
  std::uint64_t dialogs_ = 0;
  std::uint64_t files_ = 0;
};
