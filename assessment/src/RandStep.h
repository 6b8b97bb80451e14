#pragma once

#include <cstdint>
#include <vector>

// A draw without repetition: start..end, or 0..start - 1 when end is 0. Making one reseeds
// the C library's generator from the time.
class RandStep {
 public:
  RandStep(std::int32_t start, std::int32_t end);

  // A value not drawn before, or -1 when all have been.
  std::int32_t draw();
  int count() const { return static_cast<int>(values_.size()); }

 private:
  std::vector<std::int32_t> values_;
};
