#pragma once

#include "trinkets/src/ResourceCachePort.h"

// The engine's resource cache actions reach the game's resource-file registry through this
// port: activation from an action is caching at once, with the owner as the keep value.
class RegistryCachePort final : public ResourceCachePort {
 public:
  void activateDLL(const char* fileName, int owner, int cacheCopy) override;
  void cacheDLL(const char* fileName, const OMLink* completion, int priority, int owner,
                int cacheCopy) override;
  void uncacheDLL(const char* fileName) override;
  void cacheResource(std::uint16_t id, const char* type, const OMLink* completion, int owner,
                     int priority) override;
  void uncacheResource(std::uint16_t id, const char* type) override;
};
