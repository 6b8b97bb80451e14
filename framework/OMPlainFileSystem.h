#pragma once

#include <vector>

#include "framework/OMFileSystem.h"

// The handler over the C library's file calls; one for the whole program.
class OMPlainFileSystem final : public OMFileSystem {
 public:
  static OMPlainFileSystem& instance();

  void open(OMAsyncFile& file) override;
  void read(OMAsyncFile& file) override;
  void write(OMAsyncFile& file) override;
  void close(OMAsyncFile& file) override;
  bool find(const char* pattern, const OMFindEntry*& entries, int& count) override;
  bool stat(const char* path, OMFileStatus& status) override;
  bool remove(const char* path) override;

 private:
  OMPlainFileSystem() = default;

  std::vector<OMFindEntry> lastFind_;
};
