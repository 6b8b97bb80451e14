#include "framework/OMEdition.h"

#include <atomic>

namespace {

// Set once by the entry point; atomic so that a worker thread that asks reads a whole value.
std::atomic<OMEdition::Kind> edition{OMEdition::game};

}  // namespace

OMEdition::Kind OMEdition::current()
{
  return edition.load(std::memory_order_relaxed);
}

void OMEdition::set(Kind kind)
{
  edition.store(kind, std::memory_order_relaxed);
}
