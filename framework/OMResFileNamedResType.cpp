#include "framework/OMResFileNamedResType.h"

#include <algorithm>
#include <cstdio>

#include "framework/OMRes.h"

namespace {

std::vector<std::unique_ptr<OMResFileNamedResType>>& index()
{
  static std::vector<std::unique_ptr<OMResFileNamedResType>> types;
  return types;
}

}  // namespace

OMResFileNamedResType* OMResFileNamedResType::find(const char* typeName)
{
  if (!typeName) return nullptr;
  for (const auto& type : index())
    if (type->typeName_ == typeName) return type.get();
  return nullptr;
}

void OMResFileNamedResType::merge(const char* typeName, std::vector<std::int16_t> ids, OMRes* file)
{
  if (!typeName || ids.empty()) return;
  std::stable_sort(ids.begin(), ids.end());
  OMResFileNamedResType* type = find(typeName);
  if (!type) {
    index().push_back(std::make_unique<OMResFileNamedResType>(typeName));
    type = index().back().get();
  }
  type->mergeSorted(ids, file);
}

void OMResFileNamedResType::mergeSorted(const std::vector<std::int16_t>& ids, OMRes* file)
{
  std::vector<OMResFileResID> merged;
  merged.reserve(entries_.size() + ids.size());
  std::size_t old = 0;
  for (std::int16_t id : ids) {
    // An existing record goes first only when its id is below the new one.
    while (old < entries_.size() && entries_[old].id < id)
      merged.push_back(entries_[old++]);
    merged.push_back({id, file});
  }
  merged.insert(merged.end(), entries_.begin() + std::ptrdiff_t(old), entries_.end());
  entries_ = std::move(merged);
  for (std::size_t i = 0; i + 1 < entries_.size(); ++i)
    if (entries_[i].id > entries_[i + 1].id) std::fputs("help me\n", stdout);
}

void OMResFileNamedResType::removeSource(const OMRes* file)
{
  auto& types = index();
  for (auto& type : types) {
    auto& entries = type->entries_;
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [file](const OMResFileResID& each) { return each.file == file; }),
                  entries.end());
  }
  types.erase(std::remove_if(types.begin(), types.end(),
                             [](const auto& type) { return type->entries_.empty(); }),
              types.end());
}

OMRes* OMResFileNamedResType::sourceOf(int resourceId, const char* typeName)
{
  OMResFileNamedResType* type = find(typeName);
  if (!type || type->entries_.empty()) return nullptr;
  const auto& entries = type->entries_;
  if (resourceId < entries.front().id || resourceId > entries.back().id) return nullptr;
  auto first = std::lower_bound(entries.begin(), entries.end(), resourceId,
                                [](const OMResFileResID& entry, int id) { return entry.id < id; });
  for (auto it = first; it != entries.end() && it->id == resourceId; ++it)
    if (it->file->activeCount > 0) return it->file;
  return nullptr;
}

void OMResFileNamedResType::clear()
{
  index().clear();
}
