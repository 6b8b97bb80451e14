#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class OMIStream;
class OMLink;

// The game's resource files: the index "resource.map", the scan of a folder, the registry of
// files with their activation and caching state, single resources cached ahead of use, and
// the typed lookup behind every typed loader.

// One block of a resource map: a file and the (type, id) pairs it holds.
struct ResourceMapBlock {
  struct Entry {
    std::uint16_t id;
    char type[5];
  };
  std::string fileName;  // lower-cased
  std::vector<Entry> entries;
  bool complete = true;  // false when the file ended inside the block
};

// Reads a resource map from an open text file. Untrusted: malformed lines are skipped.
std::vector<ResourceMapBlock> readResourceMap(std::FILE* file);

void parseResourceMap(const char* path);
void scanResourceFiles(const char* folder);
void registerResourceFile(const char* name);
int resourceFileCount();
void setResourceCacheDirectory(const char* path);
const char* resourceCacheDirectory();

// A stream the caller owns, or null.
std::unique_ptr<OMIStream> findResourceStream(int id, const char* type, std::int32_t options);

struct ResourceFileRecord {
  std::string name;
  std::uint32_t active = 0;
  std::uint32_t sticky = 0;
  std::uint32_t keep = 0;
  std::unique_ptr<OMLink> pendingLink;
  std::uint32_t serial = 0;  // what a background completion finds the record by
};

// The registry in order of registration; null when the name is unknown.
const std::vector<std::unique_ptr<ResourceFileRecord>>& resourceFileRecords();
const ResourceFileRecord* findResourceFileRecord(const char* name);

// Activation and caching, by file name (any letter case) or by (id, type).
void activateDLL(const char* name, std::uint32_t sticky);
void deactivateDLL(const char* name);
void deactivateAllDLLs(int force);
void cacheDLLNow(const char* name, std::uint32_t keep, int toCacheDirectory);
void cacheDLL(const char* name, const OMLink* link, int priority, std::uint32_t keep,
              int toCacheDirectory);
void uncacheDLL(const char* name);
void uncacheAllDLLs(int force);
void cacheResource(int id, const char* type, const OMLink* link, std::uint32_t keep, int priority);
void uncacheResource(int id, const char* type);
void uncacheAllResources();
int cachedResourceCount();

// The last file and resource whose background caching finished (empty / 0 when none).
const char* lastCachedFileName();
int lastCachedResourceId();
const char* lastCachedResourceType();

// Called with "DLLCached" or "resourceCached" when a background caching finishes; the script
// class of resource ports installs it.
using ResourcePortEventHook = void (*)(const char* event);
void setResourcePortEventHook(ResourcePortEventHook hook);

void shutdownResourcePort();
