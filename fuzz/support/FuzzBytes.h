#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads a fuzz input as a row of choices. Past its end every choice is the first one, so a
// short input makes a short, plain result.
class FuzzBytes {
 public:
  FuzzBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return at_ >= size_; }
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  // A number below the count (0 for a count of 0 or 1).
  std::size_t below(std::size_t count)
  {
    if (count <= 1) return 0;
    const std::size_t wide = count > 255 ? static_cast<std::size_t>(byte()) << 8 | byte() : byte();
    return wide % count;
  }
  bool chance(int inEight) { return (byte() & 7) < inEight; }
  template <typename T>
  const T& pick(const std::vector<T>& from)
  {
    return from[below(from.size())];
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};
