#include "framework/OMQueriedFile.h"

#include "framework/OMAsyncFile.h"
#include "framework/OMCachedFile.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMSystemCalls.h"

OMQueriedFile& OMQueriedFile::record()
{
  static OMQueriedFile& last = *new OMQueriedFile;
  return last;
}

bool OMQueriedFile::isFor(const char* queried) const
{
  return valid && queried && omsys::compareNoCase(name.c_str(), queried) == 0;
}

OMAsyncFile* OMQueriedFile::fileFor(const char* queried) const
{
  return isFor(queried) ? file.get() : nullptr;
}

std::unique_ptr<OMAsyncFile> OMQueriedFile::takeFile(const char* queried)
{
  if (!isFor(queried)) return nullptr;
  return std::move(file);
}

void OMQueriedFile::store(const char* queried, std::int32_t queriedSize,
                          std::unique_ptr<OMAsyncFile> opened)
{
  valid = true;
  size = queriedSize;
  name = queried;
  file = std::move(opened);
}

void OMQueriedFile::forget(const char* nameOrPath)
{
  if (!valid || !nameOrPath) return;
  const bool byName = omsys::compareNoCase(name.c_str(), nameOrPath) == 0;
  const bool byPath = file && omsys::compareNoCase(file->path.c_str(), nameOrPath) == 0;
  if (byName || byPath) clear();
}

void OMQueriedFile::clear()
{
  valid = false;
  size = 0;
  name.clear();
  file.reset();
}

OMFileQuery queryFile(const char* name)
{
  OMQueriedFile& record = OMQueriedFile::record();
  if (record.isFor(name)) return {1, record.size, 0};
  record.clear();
  if (!name || !*name) return {};
  OMCachedFile* cached = findCachedFile(name);
  if (cached && cached->loadedData()) return {1, cached->loadedSize(), 0};
  const std::optional<std::string> resolved = readPathOf(name, cached);
  if (!resolved) return {};
  const std::string& path = *resolved;
  auto file = std::make_unique<OMAsyncFile>(path.c_str(), omsys::readOnly, 0, false);
  if (file->status != OMAsyncFile::ok) return {};
  const std::int32_t size = file->size;
  record.store(name, size, std::move(file));
  return {1, size, 0};
}

void forgetQueriedFile(const char* nameOrPath)
{
  OMQueriedFile::record().forget(nameOrPath);
}
