#pragma once

#include <optional>
#include <string>
#include <vector>

// One directory of the ordered search-path list. A cached directory keeps the names of its
// files, so that resolving a name there does not touch the disk.
class OMPathDirectory {
 public:
  OMPathDirectory(const char* directory, bool cache);

  const std::string& path() const { return path_; }
  bool isCached() const { return cached_; }
  int count() const { return int(listing_.size()); }
  // Whether the directory holds a file of that name (letter case aside).
  bool holds(const char* name) const;

 private:
  std::string path_;  // ends in a backslash
  std::vector<std::string> listing_;
  bool cached_ = false;
};

// Appends a directory to the search-path list; null or empty names are ignored.
void addSearchPath(const char* directory, int cache);
// Strict: a name that no directory holds resolves to nothing.
void setSearchPathStrict(int strict);
// The path of a name through the search paths. A name with ":" or "\" is its own path.
std::optional<std::string> findFileOnSearchPath(const char* name);
// Forgets every directory and its listing.
void clearSearchPaths();
