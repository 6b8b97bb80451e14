#pragma once

#include <cstdint>

class OMLink;

// The game shell's resource port as the engine sees it: it opens, caches and drops resource
// files and single resources, some in the background. The shell installs its port at
// start-up; until then there is none, and what would ask it does nothing. A completion link
// is cloned by the port and called without argument when the work is done; a null link asks
// for no report.
class ResourceCachePort {
 public:
  virtual ~ResourceCachePort();

  // Makes a registered resource file available at once (from its cache copy when the flag
  // is set) and records the owner value; an unknown name is ignored.
  virtual void activateDLL(const char* fileName, int owner, int cacheCopy) = 0;
  // Reads a resource file in the background (or copies it into the cache folder when the
  // flag is set) and calls the link when it is ready.
  virtual void cacheDLL(const char* fileName, const OMLink* completion, int priority, int owner,
                        int cacheCopy) = 0;
  // Closes a cached resource file that no owner holds.
  virtual void uncacheDLL(const char* fileName) = 0;
  // Reads one resource into memory in the background and calls the link when it is read.
  virtual void cacheResource(std::uint16_t id, const char* type, const OMLink* completion,
                             int owner, int priority) = 0;
  // Drops one cached resource; nothing when it is not cached.
  virtual void uncacheResource(std::uint16_t id, const char* type) = 0;

  // The installed port (not owned), or null.
  static ResourceCachePort* installed();
  static void install(ResourceCachePort* port);
};
