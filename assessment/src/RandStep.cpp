#include "assessment/src/RandStep.h"

#include <omcrt.h>

#include <cstdlib>

namespace {

// More values than any draw of answers needs; a wild range is not a reason to fill memory.
constexpr std::int64_t valueLimit = 100000;

}  // namespace

RandStep::RandStep(std::int32_t start, std::int32_t end)
{
  const std::int64_t first = end != 0 ? start : 0;
  const std::int64_t last = end != 0 ? end : std::int64_t(start) - 1;
  for (std::int64_t v = first; v <= last && v - first < valueLimit; ++v)
    values_.push_back(static_cast<std::int32_t>(v));
  std::srand(static_cast<unsigned>(om_time(nullptr)));
}

std::int32_t RandStep::draw()
{
  if (values_.empty()) return -1;
  const auto at = static_cast<std::size_t>(std::rand()) % values_.size();
  const std::int32_t value = values_[at];
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(at));
  return value;
}
