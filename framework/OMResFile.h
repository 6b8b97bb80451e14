#pragma once

#include <optional>
#include <string>

#include "framework/OMRes.h"

// A resource source backed by one NE resource file on disk.
class OMResFile final : public OMRes {
 public:
  explicit OMResFile(const char* fileName) : OMRes(fileName) {}

  std::unique_ptr<OMIStream> openStream(int resourceId, const char* typeName,
                                        std::int32_t blockSize) override;
  std::vector<std::string> resourceTypes() override;
  std::vector<std::int16_t> resourceIds(const char* typeName) override;

  // Merges every (id, type) of the file into the index.
  void indexFile();
};

// One record of an index the caller gives instead of the file's own table.
struct OMResIndexRecord {
  int resourceId;
  const char* typeName;
};

// The registry of resource files. File names compare without regard to letter case.
void openResFile(const char* fileName, int activate);
void openResFileWithIndex(const char* fileName, const OMResIndexRecord* records, int count,
                          int activate);
void pinResFile(const char* fileName);
void unpinResFile(const char* fileName);
void closeResFile(const char* fileName, int deactivate);
OMRes* findResFile(const char* fileName);
OMRes* findResourceFile(int resourceId, const char* typeName);
std::unique_ptr<OMIStream> openResourceStream(int resourceId, const char* typeName,
                                              std::int32_t blockSize);
// The name of the file that answers for the resource, if any.
std::optional<std::string> resourceFileOf(int resourceId, const char* typeName);
// Forgets every registered file and the index.
void closeAllResFiles();
