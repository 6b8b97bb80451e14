#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class OMRes;

// One record of the index: a resource id and the source that holds it.
struct OMResFileResID {
  std::int16_t id;
  OMRes* file;
};

// The index of one resource type name: every registered source's ids of that type, sorted
// by id; for equal ids the source indexed later comes first.
class OMResFileNamedResType {
 public:
  explicit OMResFileNamedResType(const char* typeName) : typeName_(typeName) {}

  const std::string& typeName() const { return typeName_; }
  int count() const { return int(entries_.size()); }
  const std::vector<OMResFileResID>& entries() const { return entries_; }

  // The type's entry by exact name, or null.
  static OMResFileNamedResType* find(const char* typeName);
  // Merges the ids of one type that a source holds.
  static void merge(const char* typeName, std::vector<std::int16_t> ids, OMRes* file);
  static void removeSource(const OMRes* file);
  // The active source that answers for (id, type), or null.
  static OMRes* sourceOf(int resourceId, const char* typeName);
  static void clear();

 private:
  void mergeSorted(const std::vector<std::int16_t>& ids, OMRes* file);

  std::vector<OMResFileResID> entries_;
  std::string typeName_;
};
