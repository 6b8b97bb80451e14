#pragma once

#include <string>
#include <vector>

#include <windows.h>

class OMResHandle;

// A module whose Win32 resources are read: a library loaded from a file, or the program's
// own resources. It keeps the handles opened on it.
class OMResModule {
 public:
  enum Error { none = 0, notLoaded = 5, notFound = 7 };

  // Null or empty: the program's own resources.
  explicit OMResModule(const char* fileName);
  ~OMResModule();
  OMResModule(const OMResModule&) = delete;
  OMResModule& operator=(const OMResModule&) = delete;

  // The program's own module, made on first use.
  static OMResModule& defaultModule();
  static void releaseDefaultModule();
  static const std::vector<OMResModule*>& modules();

  int error() const { return error_; }
  HMODULE moduleHandle() const { return moduleHandle_; }
  // The module handle the resource calls take: the library's or the program's instance.
  HMODULE instance() const;
  const std::string& fileName() const { return fileName_; }
  const std::vector<OMResHandle*>& handles() const { return handles_; }

  // A resource type or name as the module lists it: a number, or a name.
  struct ResourceName {
    int number;  // 0 for a name
    std::string name;
  };
  // The module's resource types, and the names of one type's resources, as it lists them.
  std::vector<ResourceName> resourceTypes() const;
  std::vector<ResourceName> resourceNames(const char* typeName) const;

 private:
  friend class OMResHandle;

  std::vector<OMResHandle*> handles_;
  int error_ = none;
  HMODULE moduleHandle_ = nullptr;
  std::string fileName_;
};
