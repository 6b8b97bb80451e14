#include "trinkets/src/ResourceCachePort.h"

namespace {

ResourceCachePort* current = nullptr;

}  // namespace

ResourceCachePort::~ResourceCachePort()
{
  if (current == this) current = nullptr;
}

ResourceCachePort* ResourceCachePort::installed()
{
  return current;
}

void ResourceCachePort::install(ResourceCachePort* port)
{
  current = port;
}
