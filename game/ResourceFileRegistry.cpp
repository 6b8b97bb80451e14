#include "game/ResourceFileRegistry.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include <omcrt.h>
#include <windows.h>

#include "framework/OMCachedFile.h"
#include "framework/OMIStreamDLL16.h"
#include "framework/OMIStreamDLL16InfoCache.h"
#include "framework/OMLinkToBoundFct.h"
#include "framework/OMResFile.h"

namespace {

struct CachedResourceRecord {
  std::uint16_t id = 0;
  std::string type;
  std::uint32_t keep = 0;
  std::unique_ptr<OMIStreamDLL16> stream;
  std::unique_ptr<OMLink> pendingLink;
  std::uint32_t serial = 0;
};

std::vector<std::unique_ptr<ResourceFileRecord>> registry;
std::vector<std::unique_ptr<CachedResourceRecord>> cachedResources;
std::string cacheDirectory;
bool hasCacheDirectory = false;
std::string lastCachedFile;
int lastCachedResource = 0;
std::string lastCachedType;  // of lastCachedResource
std::uint32_t nextSerial = 1;
ResourcePortEventHook eventHook = nullptr;

std::string lowerCased(const char* text)
{
  std::string out = text ? text : "";
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

ResourceFileRecord* recordNamed(const char* name)
{
  const std::string key = lowerCased(name);
  for (auto& record : registry)
    if (record->name == key) return record.get();
  return nullptr;
}

ResourceFileRecord* recordWithSerial(std::uint32_t serial)
{
  for (auto& record : registry)
    if (record->serial == serial) return record.get();
  return nullptr;
}

auto findCached(int id, const char* type)
{
  return std::find_if(cachedResources.begin(), cachedResources.end(), [&](const auto& record) {
    return record->id == static_cast<std::uint16_t>(id) && record->type == (type ? type : "");
  });
}

// Calls a record's pending link once: the link is taken off the record first, so that the
// call may set a new one.
void callPendingLink(std::unique_ptr<OMLink>& pending)
{
  std::unique_ptr<OMLink> link = std::move(pending);
  if (link) link->call();
}

void raiseEvent(const char* event)
{
  if (eventHook) eventHook(event);
}

OMWord fileCached(OMWord serial)
{
  ResourceFileRecord* record = recordWithSerial(static_cast<std::uint32_t>(serial));
  if (!record) return 0;
  // The background caching holds the file's reference already: one more would keep the file
  // cached after its uncaching.
  lastCachedFile = record->name;
  callPendingLink(record->pendingLink);
  raiseEvent("DLLCached");
  return 0;
}

OMWord resourceCached(OMWord serial)
{
  auto found = std::find_if(cachedResources.begin(), cachedResources.end(),
                            [&](const auto& record) { return record->serial == serial; });
  if (found == cachedResources.end()) return 0;
  CachedResourceRecord& record = **found;
  lastCachedResource = record.id;
  lastCachedType = record.type;
  callPendingLink(record.pendingLink);
  raiseEvent("resourceCached");
  return 0;
}

// The last cached resource is that record's when both its id and its type are.
void forgetIfLastCached(const CachedResourceRecord& record)
{
  if (lastCachedResource == record.id && lastCachedType == record.type) lastCachedResource = 0;
}

// A record whose read is still in flight is detached from it and waited for, so that no
// completion reaches a deleted record.
void deleteCachedRecord(std::unique_ptr<CachedResourceRecord> record)
{
  if (record->stream) {
    record->stream->setLoadedLink(nullptr);
    record->stream->waitLoaded();
  }
  forgetIfLastCached(*record);
}

std::string cachePathOf(const std::string& name)
{
  return cacheDirectory + name;
}

bool isEndOfBlock(const std::string& line)
{
  return line.find("ENDFILE") != std::string::npos;
}

// A whole line, whatever its length, without its line end; false at the end of the file.
bool readLine(std::FILE* file, std::string& line)
{
  line.clear();
  int c = 0;
  while ((c = std::getc(file)) != EOF && c != '\n')
    line += static_cast<char>(c);
  if (c == EOF && line.empty()) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

const char* skipBlanks(const char* text)
{
  while (*text && std::isspace(static_cast<unsigned char>(*text)))
    ++text;
  return text;
}

std::size_t wordLength(const char* text)
{
  std::size_t length = 0;
  while (text[length] && !std::isspace(static_cast<unsigned char>(text[length])))
    ++length;
  return length;
}

// "TYPE id": the type is the first word (at most four characters kept), the id a decimal
// number 1-65535. False for anything else.
bool parseEntry(const char* line, ResourceMapBlock::Entry& entry)
{
  const char* type = skipBlanks(line);
  const std::size_t typeLength = wordLength(type);
  if (typeLength == 0) return false;
  const char* number = skipBlanks(type + typeLength);
  if (!std::isdigit(static_cast<unsigned char>(*number))) return false;
  char* end = nullptr;
  const unsigned long id = std::strtoul(number, &end, 10);
  if (id < 1 || id > 65535) return false;
  std::memset(entry.type, 0, sizeof entry.type);
  std::memcpy(entry.type, type, std::min<std::size_t>(typeLength, 4));
  entry.id = static_cast<std::uint16_t>(id);
  return true;
}

}  // namespace

std::vector<ResourceMapBlock> readResourceMap(std::FILE* file)
{
  std::vector<ResourceMapBlock> blocks;
  if (!file) return blocks;
  std::string line;
  if (!readLine(file, line)) return blocks;
  // The first line's capacity only sizes the list; longer blocks make it grow.
  const long capacity = std::strtol(line.c_str(), nullptr, 10);
  while (readLine(file, line)) {
    const char* name = skipBlanks(line.c_str());
    const std::size_t length = wordLength(name);
    if (length == 0) continue;
    ResourceMapBlock block;
    block.fileName = lowerCased(std::string(name, length).c_str());
    if (capacity > 0 && capacity < 65536) block.entries.reserve(static_cast<std::size_t>(capacity));
    block.complete = false;
    while (readLine(file, line)) {
      if (isEndOfBlock(line)) {
        block.complete = true;
        break;
      }
      ResourceMapBlock::Entry entry{};
      if (parseEntry(line.c_str(), entry)) block.entries.push_back(entry);
    }
    blocks.push_back(std::move(block));
  }
  return blocks;
}

void parseResourceMap(const char* path)
{
  std::FILE* file = path ? om_fopen(path, "r") : nullptr;
  if (!file) return;
  const std::vector<ResourceMapBlock> blocks = readResourceMap(file);
  std::fclose(file);
  for (const ResourceMapBlock& block : blocks) {
    if (!block.complete)
      std::fprintf(stderr, "%s: the block of %s has no ENDFILE line\n", path,
                   block.fileName.c_str());
    if (recordNamed(block.fileName.c_str())) continue;
    auto record = std::make_unique<ResourceFileRecord>();
    record->name = block.fileName;
    record->serial = nextSerial++;
    std::vector<OMResIndexRecord> index;
    index.reserve(block.entries.size());
    for (const auto& entry : block.entries)
      index.push_back({entry.id, entry.type});
    openResFileWithIndex(record->name.c_str(), index.data(), static_cast<int>(index.size()), 1);
    registry.push_back(std::move(record));
  }
}

void scanResourceFiles(const char* folder)
{
  const std::string pattern = std::string(folder ? folder : "") + "*.*";
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::string name = lowerCased(found.cFileName);
    if (name.find(".rsc") != std::string::npos) registerResourceFile(name.c_str());
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

void registerResourceFile(const char* name)
{
  const std::string key = lowerCased(name);
  if (key.empty() || recordNamed(key.c_str())) return;
  OMIStreamDLL16InfoCache::add(key.c_str(), 1);
  const OMIStreamDLL16InfoCache* info = OMIStreamDLL16InfoCache::find(key.c_str());
  if (!isFileCached(key.c_str()) && (!info || !info->filled)) {
    // Not a resource file the framework can read: no record.
    if (info) OMIStreamDLL16InfoCache::release(key.c_str());
    return;
  }
  openResFile(key.c_str(), 1);
  auto record = std::make_unique<ResourceFileRecord>();
  record->name = key;
  record->serial = nextSerial++;
  registry.push_back(std::move(record));
}

int resourceFileCount()
{
  return static_cast<int>(registry.size());
}

void setResourceCacheDirectory(const char* path)
{
  hasCacheDirectory = path != nullptr;
  cacheDirectory = path ? path : "";
}

const char* resourceCacheDirectory()
{
  return hasCacheDirectory ? cacheDirectory.c_str() : nullptr;
}

std::unique_ptr<OMIStream> findResourceStream(int id, const char* type, std::int32_t options)
{
  if (static_cast<std::int16_t>(id) <= 0 || !type) return nullptr;
  auto cached = findCached(id, type);
  if (cached != cachedResources.end()) {
    CachedResourceRecord& record = **cached;
    record.stream->setLoadedLink(nullptr);
    record.stream->waitLoaded();
    if (record.keep != 0) return record.stream->clone();
    std::unique_ptr<CachedResourceRecord> taken = std::move(*cached);
    cachedResources.erase(cached);
    forgetIfLastCached(*taken);
    return std::move(taken->stream);
  }
  const std::optional<std::string> file = resourceFileOf(id, type);
  if (!file) return nullptr;
  if (OMCachedFile* entry = findCachedFile(file->c_str()); entry && entry->isLoading())
    entry->waitLoaded();
  return openResourceStream(id, type, options);
}

const std::vector<std::unique_ptr<ResourceFileRecord>>& resourceFileRecords()
{
  return registry;
}

const ResourceFileRecord* findResourceFileRecord(const char* name)
{
  return recordNamed(name);
}

void activateDLL(const char* name, std::uint32_t sticky)
{
  ResourceFileRecord* record = recordNamed(name);
  if (!record || record->active) return;
  pinResFile(record->name.c_str());
  record->active = 1;
  record->sticky = sticky;
}

void deactivateDLL(const char* name)
{
  ResourceFileRecord* record = recordNamed(name);
  if (!record || !record->active || record->sticky != 0) return;
  unpinResFile(record->name.c_str());
  record->active = 0;
}

void deactivateAllDLLs(int force)
{
  for (auto& record : registry) {
    if (!record->active || (record->sticky != 0 && force == 0)) continue;
    unpinResFile(record->name.c_str());
    record->active = 0;
  }
}

void cacheDLLNow(const char* name, std::uint32_t keep, int toCacheDirectory)
{
  ResourceFileRecord* record = recordNamed(name);
  if (!record) return;
  if (OMCachedFile* entry = findCachedFile(record->name.c_str())) {
    entry->waitLoaded();
    return;
  }
  if (toCacheDirectory)
    cacheFileAsCopy(record->name.c_str(), cachePathOf(record->name).c_str());
  else
    cacheFile(record->name.c_str());
  record->keep = keep;
}

void cacheDLL(const char* name, const OMLink* link, int priority, std::uint32_t keep,
              int toCacheDirectory)
{
  ResourceFileRecord* record = recordNamed(name);
  if (!record) return;
  if (OMCachedFile* entry = findCachedFile(record->name.c_str())) {
    if (!link) return;
    if (entry->isLoading())
      record->pendingLink = cloneLink(link);
    else
      cloneLink(link)->call();
    return;
  }
  record->pendingLink = cloneLink(link);
  const OMLinkToBoundFct done(&fileCached, record->serial);
  if (toCacheDirectory)
    cacheFileAsCopyInBackground(record->name.c_str(), cachePathOf(record->name).c_str(), &done,
                                priority, 0);
  else
    cacheFileInBackground(record->name.c_str(), &done, priority, 0);
  record->keep = keep;
}

void uncacheDLL(const char* name)
{
  ResourceFileRecord* record = recordNamed(name);
  if (!record) return;
  if (record->keep == 0 && isFileCached(record->name.c_str())) uncacheFile(record->name.c_str());
  record->pendingLink.reset();
}

void uncacheAllDLLs(int force)
{
  for (auto& record : registry) {
    const bool cached = isFileCached(record->name.c_str());
    if (cached && (record->keep == 0 || force != 0)) uncacheFile(record->name.c_str());
    record->pendingLink.reset();
  }
}

void cacheResource(int id, const char* type, const OMLink* link, std::uint32_t keep, int priority)
{
  if (!type) return;
  auto cached = findCached(id, type);
  if (cached != cachedResources.end()) {
    CachedResourceRecord& record = **cached;
    record.pendingLink = cloneLink(link);
    if (!record.stream->isLoading())
      callPendingLink(record.pendingLink);
    else
      requeueStreamRead(record.stream.get(), priority);
    return;
  }
  std::unique_ptr<OMIStream> stream = findResourceStream(id, type, -1);
  auto* resourceStream = dynamic_cast<OMIStreamDLL16*>(stream.get());
  if (!resourceStream) return;
  stream.release();
  auto record = std::make_unique<CachedResourceRecord>();
  record->id = static_cast<std::uint16_t>(id);
  record->type = type;
  record->keep = keep;
  record->stream.reset(resourceStream);
  record->pendingLink = cloneLink(link);
  record->serial = nextSerial++;
  CachedResourceRecord* kept = record.get();
  cachedResources.push_back(std::move(record));
  const OMLinkToBoundFct done(&resourceCached, kept->serial);
  kept->stream->loadAsync(&done, priority);
}

void uncacheResource(int id, const char* type)
{
  auto cached = findCached(id, type);
  if (cached == cachedResources.end()) return;
  std::unique_ptr<CachedResourceRecord> taken = std::move(*cached);
  cachedResources.erase(cached);
  deleteCachedRecord(std::move(taken));
}

void uncacheAllResources()
{
  std::vector<std::unique_ptr<CachedResourceRecord>> all = std::move(cachedResources);
  cachedResources.clear();
  for (auto& record : all)
    deleteCachedRecord(std::move(record));
}

int cachedResourceCount()
{
  return static_cast<int>(cachedResources.size());
}

const char* lastCachedFileName()
{
  return lastCachedFile.c_str();
}

int lastCachedResourceId()
{
  return lastCachedResource;
}

const char* lastCachedResourceType()
{
  return lastCachedResource != 0 ? lastCachedType.c_str() : "";
}

void setResourcePortEventHook(ResourcePortEventHook hook)
{
  eventHook = hook;
}

void shutdownResourcePort()
{
  for (auto& record : registry) {
    const char* name = record->name.c_str();
    if (isFileCached(name)) uncacheFile(name);
    if (record->active) unpinResFile(name);
    closeResFile(name, 1);
    if (OMIStreamDLL16InfoCache::find(name)) OMIStreamDLL16InfoCache::release(name);
    if (lastCachedFile == record->name) lastCachedFile.clear();
  }
  registry.clear();
  uncacheAllResources();
  setResourceCacheDirectory(nullptr);
}
