#pragma once

#include <cstddef>
#include <cstdint>

// One slot of a variable data file: a name, a text value and the time either was last set.
// A slot named "empty" is free (its value then " "). On disk a slot is 68 bytes: the name and
// the value as 32 bytes each, then the time as little-endian int32.
class RData {
 public:
  static constexpr std::size_t textSize = 32;
  static constexpr std::size_t recordSize = 2 * textSize + 4;

  RData();

  const char* name() const { return name_; }
  const char* value() const { return value_; }
  std::int32_t modified() const { return modified_; }
  bool isFree() const;

  // Both stamp the slot with the current time. A name that does not fit leaves the slot free;
  // a value that does not fit is stored as " ".
  void setName(const char* name);
  void setValue(const char* value);
  // Frees the slot.
  void clear();

  // The character at position (0-31); replacing one keeps the NUL at 31.
  char characterAt(std::size_t position) const { return value_[position]; }
  void setCharacterAt(std::size_t position, char c);
  // Makes every NUL of the value a blank but the last character: 31 characters.
  void padWithBlanks();

  void writeTo(unsigned char* record) const;
  // How a record read from a file stands: as a save writes it; damaged (bytes after a NUL, a
  // text without its NUL, a cut record) but with a name and a value that could be read, and
  // those kept; or past reading (no whole name or value, or a free slot's name), the slot
  // then unchanged. A record cut short has fewer than recordSize bytes.
  enum class Reading { whole, salvaged, unreadable };
  Reading readFrom(const unsigned char* record, std::size_t size = recordSize);

 private:
  void stamp();

  char name_[textSize];
  char value_[textSize];
  std::int32_t modified_ = 0;
};
