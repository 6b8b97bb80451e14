#include "framework/OMResFile.h"

#include <algorithm>
#include <map>

#include "framework/OMIStreamDLL16.h"
#include "framework/OMNEFile.h"
#include "framework/OMResFileNamedResType.h"
#include "framework/OMSystemCalls.h"

namespace {

// The registered sources, in the order of registration.
std::vector<std::unique_ptr<OMRes>>& sources()
{
  static auto& all = *new std::vector<std::unique_ptr<OMRes>>;
  return all;
}

OMRes* registerFile(const char* fileName, bool& made)
{
  made = false;
  if (OMRes* existing = findResFile(fileName)) return existing;
  sources().push_back(std::make_unique<OMResFile>(fileName));
  made = true;
  return sources().back().get();
}

}  // namespace

std::unique_ptr<OMIStream> OMResFile::openStream(int resourceId, const char* typeName,
                                                 std::int32_t blockSize)
{
  return std::make_unique<OMIStreamDLL16>(resourceId, typeName, name().c_str(), blockSize, nullptr);
}

std::vector<std::string> OMResFile::resourceTypes()
{
  OMNEFile& file = OMNEFile::current();
  if (!file.makeCurrent(name().c_str())) return {};
  return file.resourceTypes();
}

std::vector<std::int16_t> OMResFile::resourceIds(const char* typeName)
{
  OMNEFile& file = OMNEFile::current();
  if (!file.makeCurrent(name().c_str())) return {};
  return file.resourceIds(typeName);
}

void OMResFile::indexFile()
{
  std::vector<std::string> types = resourceTypes();
  std::vector<std::string> indexed;
  for (const std::string& type : types) {
    // A type that two blocks give is indexed once: both listings give the same ids.
    if (std::find(indexed.begin(), indexed.end(), type) != indexed.end()) continue;
    indexed.push_back(type);
    OMResFileNamedResType::merge(type.c_str(), resourceIds(type.c_str()), this);
  }
}

void openResFile(const char* fileName, int activate)
{
  if (!fileName || !*fileName) return;
  bool made = false;
  OMRes* source = registerFile(fileName, made);
  if (made) static_cast<OMResFile*>(source)->indexFile();
  ++source->useCount;
  if (activate) ++source->activeCount;
}

void openResFileWithIndex(const char* fileName, const OMResIndexRecord* records, int count,
                          int activate)
{
  if (!fileName || !*fileName) return;
  bool made = false;
  OMRes* source = registerFile(fileName, made);
  if (made && records) {
    std::map<std::string, std::vector<std::int16_t>> byType;
    for (int i = 0; i < count; ++i)
      if (records[i].typeName)
        byType[records[i].typeName].push_back(std::int16_t(records[i].resourceId));
    for (auto& [type, ids] : byType)
      OMResFileNamedResType::merge(type.c_str(), std::move(ids), source);
  }
  ++source->useCount;
  if (activate) ++source->activeCount;
}

void pinResFile(const char* fileName)
{
  if (OMRes* source = findResFile(fileName)) ++source->activeCount;
}

void unpinResFile(const char* fileName)
{
  OMRes* source = findResFile(fileName);
  if (source && source->activeCount >= 1) --source->activeCount;
}

void closeResFile(const char* fileName, int deactivate)
{
  OMRes* source = findResFile(fileName);
  if (!source) return;
  if (deactivate) --source->activeCount;
  const bool lastUse = source->useCount == 1;
  --source->useCount;
  if (!lastUse || source->activeCount > 0) return;
  auto& all = sources();
  all.erase(std::remove_if(all.begin(), all.end(),
                           [source](const auto& each) { return each.get() == source; }),
            all.end());
}

OMRes* findResFile(const char* fileName)
{
  if (!fileName) return nullptr;
  for (const auto& source : sources())
    if (omsys::compareNoCase(source->name().c_str(), fileName) == 0) return source.get();
  return nullptr;
}

OMRes* findResourceFile(int resourceId, const char* typeName)
{
  return OMResFileNamedResType::sourceOf(resourceId, typeName);
}

std::unique_ptr<OMIStream> openResourceStream(int resourceId, const char* typeName,
                                              std::int32_t blockSize)
{
  if (resourceId < 1 || !typeName || !*typeName) return nullptr;
  OMRes* source = findResourceFile(resourceId, typeName);
  return source ? source->openStream(resourceId, typeName, blockSize) : nullptr;
}

std::optional<std::string> resourceFileOf(int resourceId, const char* typeName)
{
  OMRes* source = findResourceFile(resourceId, typeName);
  if (!source) return std::nullopt;
  return source->name();
}

void closeAllResFiles()
{
  sources().clear();
  OMResFileNamedResType::clear();
}
