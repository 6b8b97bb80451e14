#include "fuzz/support/RunRecord.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/host/headless/HeadlessHost.h"

namespace {

const char* recordFile()
{
  const char* file = std::getenv("OM_FUZZ_RECORD");
  return file && *file ? file : nullptr;
}

// FNV-1a, carried on from a hash so far.
std::uint64_t hashed(const void* data, std::size_t size, std::uint64_t hash = 14695981039346656037u)
{
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < size; ++i)
    hash = (hash ^ bytes[i]) * 1099511628211u;
  return hash;
}

std::uint64_t hashed(const std::string& text, std::uint64_t hash)
{
  // The length too, so that the parts of a record cannot run into each other.
  const std::uint64_t length = text.size();
  return hashed(text.data(), text.size(), hashed(&length, sizeof length, hash));
}

// A printed page carries the time it was printed, which is no part of what a run did.
std::string contentsOf(const std::filesystem::path& file)
{
  std::ifstream in(file, std::ios::binary);
  std::string contents{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::string printedAt = "/CreationDate (";
  if (const std::size_t at = contents.find(printedAt); at != std::string::npos)
    contents.erase(at, contents.find(')', at) - at);
  return contents;
}

}  // namespace

RunRecord::RunRecord(const std::uint8_t* data, std::size_t size)
    : input_(hashed(data, size)), pictures_(hashed(nullptr, 0))
{
}

bool RunRecord::wanted()
{
  return recordFile() != nullptr;
}

void RunRecord::pass(const omhost::ScreenBuffer& screen)
{
  if (passes_++ % passesBetweenPictures == 0)
    pictures_ = hashed(screen.bytes.data(), screen.bytes.size(), pictures_);
}

void RunRecord::takeDialogs(const omhost::HeadlessHost& host)
{
  std::uint64_t hash = hashed(nullptr, 0);
  for (const omhost::DialogRecord& dialog : host.dialogs()) {
    hash = hashed(dialog.caption, hashed(dialog.text, hash));
    hash = hashed(&dialog.answer, sizeof dialog.answer, hash);
  }
  dialogs_ = hash;
}

void RunRecord::takeFiles(const std::string& folder)
{
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
    if (entry.is_regular_file(error)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::uint64_t hash = hashed(nullptr, 0);
  for (const auto& file : files)
    hash = hashed(contentsOf(file), hashed(file.lexically_relative(folder).string(), hash));
  files_ = hash;
}

std::string RunRecord::line() const
{
  char text[160];
  std::snprintf(text, sizeof text,
                "input %016" PRIx64 " pictures %016" PRIx64 " dialogs %016" PRIx64
                " files %016" PRIx64,
                input_, pictures_, dialogs_, files_);
  return text;
}

void RunRecord::append() const
{
  if (const char* file = recordFile()) std::ofstream(file, std::ios::app) << line() << "\n";
}
