#include "framework/OMPlainFileSystem.h"

#include "framework/OMAsyncFile.h"
#include "framework/OMSystemCalls.h"

OMPlainFileSystem& OMPlainFileSystem::instance()
{
  static OMPlainFileSystem plain;
  return plain;
}

void OMPlainFileSystem::open(OMAsyncFile& file)
{
  file.handle =
      omsys::openFile(file.path.c_str(), file.openFlags | omsys::untranslated, file.permission);
  file.size = -1;
  if (file.handle == -1) return;
  const std::int64_t size = omsys::fileSize(file.handle);
  if (size < 0 || size > 0x7FFFFFFF) {
    omsys::closeFile(file.handle);
    file.handle = -1;
    return;
  }
  file.size = std::int32_t(size);
}

void OMPlainFileSystem::read(OMAsyncFile& file)
{
  file.lastRead =
      omsys::readFileAt(file.handle, file.position, file.readBuffer, unsigned(file.readLength));
}

void OMPlainFileSystem::write(OMAsyncFile& file)
{
  file.lastWritten =
      omsys::writeFileAt(file.handle, file.position, file.writeBuffer, unsigned(file.writeLength));
}

void OMPlainFileSystem::close(OMAsyncFile& file)
{
  if (file.handle != -1) omsys::closeFile(file.handle);
  file.handle = -1;
}

bool OMPlainFileSystem::find(const char* pattern, const OMFindEntry*& entries, int& count)
{
  lastFind_.clear();
  std::vector<omsys::DirectoryEntry> listing;
  const bool listed = omsys::listDirectory(pattern, listing);
  for (omsys::DirectoryEntry& entry : listing)
    lastFind_.push_back({entry.size, std::move(entry.name), entry.attributes});
  entries = lastFind_.data();
  count = int(lastFind_.size());
  return listed;
}

bool OMPlainFileSystem::stat(const char* path, OMFileStatus& status)
{
  status = OMFileStatus();
  omsys::PathStatus host;
  if (!omsys::statPath(path, host)) return false;
  status.size = host.size;
  status.modified = host.modified;
  status.directory = host.directory;
  return true;
}

bool OMPlainFileSystem::remove(const char* path)
{
  return omsys::removeFile(path);
}
