#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class OMIStream;

// A source of resources found by (id, type name): a registered resource file. Its
// resources answer lookups only while it is active (activeCount above 0).
class OMRes {
 public:
  explicit OMRes(const char* name) : name_(name ? name : "") {}
  // Removes every index record of this source.
  virtual ~OMRes();
  OMRes(const OMRes&) = delete;
  OMRes& operator=(const OMRes&) = delete;

  virtual std::unique_ptr<OMIStream> openStream(int resourceId, const char* typeName,
                                                std::int32_t blockSize) = 0;
  virtual std::vector<std::string> resourceTypes() = 0;
  virtual std::vector<std::int16_t> resourceIds(const char* typeName) = 0;

  const std::string& name() const { return name_; }
  int useCount = 0;
  int activeCount = 0;

 private:
  std::string name_;
};
