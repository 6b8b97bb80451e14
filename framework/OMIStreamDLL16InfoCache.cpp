#include "framework/OMIStreamDLL16InfoCache.h"

#include <algorithm>

#include "framework/OMCachedFile.h"
#include "framework/OMNEFile.h"
#include "framework/OMSystemCalls.h"

namespace {

std::vector<std::unique_ptr<OMIStreamDLL16InfoCache>>& entries()
{
  static auto& all = *new std::vector<std::unique_ptr<OMIStreamDLL16InfoCache>>;
  return all;
}

}  // namespace

OMIStreamDLL16InfoCache* OMIStreamDLL16InfoCache::find(const char* fileName)
{
  if (!fileName || !*fileName) return nullptr;
  for (const auto& entry : entries())
    if (omsys::compareNoCase(entry->fileName.c_str(), fileName) == 0) return entry.get();
  return nullptr;
}

bool OMIStreamDLL16InfoCache::isCached(const char* fileName)
{
  return find(fileName) != nullptr;
}

void OMIStreamDLL16InfoCache::add(const char* fileName, int preload)
{
  if (!fileName || !*fileName) return;
  OMCachedFile* cached = findCachedFile(fileName);
  if (cached && cached->loadedData()) return;
  if (OMIStreamDLL16InfoCache* existing = find(fileName)) {
    ++existing->refCount;
    return;
  }
  auto entry = std::make_unique<OMIStreamDLL16InfoCache>();
  entry->fileName = fileName;
  entries().push_back(std::move(entry));
  if (preload) OMNEFile::current().makeCurrent(fileName);
}

void OMIStreamDLL16InfoCache::release(const char* fileName)
{
  OMIStreamDLL16InfoCache* entry = find(fileName);
  if (!entry || --entry->refCount > 0) return;
  OMNEFile& current = OMNEFile::current();
  if (current.isFile(fileName)) current.giveUp();
  auto& all = entries();
  all.erase(std::remove_if(all.begin(), all.end(),
                           [entry](const auto& each) { return each.get() == entry; }),
            all.end());
}

void OMIStreamDLL16InfoCache::clear()
{
  OMNEFile::current().giveUp();
  entries().clear();
}
