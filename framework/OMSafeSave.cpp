#include "framework/OMSafeSave.h"

#include <io.h>
#include <omcrt.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool saveFileSafely(const std::string& path, const std::string& temporaryPath,
                    const std::function<bool(std::FILE*)>& write, std::string* whyNot)
{
  if (path.empty() || temporaryPath.empty()) {
    if (whyNot) *whyNot = "it has no name";
    return false;
  }
  bool written = false;
  errno = 0;
  if (File out{om_fopen(temporaryPath.c_str(), "wb")}) {
    written = write(out.get());
    written = written && std::fflush(out.get()) == 0 && !std::ferror(out.get()) &&
              _commit(_fileno(out.get())) == 0;
    written = std::fclose(out.release()) == 0 && written;
  }
  const int error = errno;
  const bool saved = written && MoveFileExA(temporaryPath.c_str(), path.c_str(),
                                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (saved) return true;
  om_remove(temporaryPath.c_str());
  if (whyNot) {
    if (written)
      *whyNot = "the new file could not replace the old one";
    else
      *whyNot = error != 0 ? std::strerror(error) : "the disk refused it";
  }
  return false;
}

bool commitClosedFile(const std::string& path)
{
  File file{om_fopen(path.c_str(), "rb+")};
  return file && _commit(_fileno(file.get())) == 0;
}

bool copyFileBytes(const std::string& from, const std::string& to)
{
  File in{om_fopen(from.c_str(), "rb")};
  File out{in ? om_fopen(to.c_str(), "wb") : nullptr};
  bool copied = in && out;
  char block[1024];
  while (copied) {
    const std::size_t got = std::fread(block, 1, sizeof block, in.get());
    if (got == 0) break;
    copied = std::fwrite(block, 1, got, out.get()) == got;
  }
  copied = copied && !std::ferror(in.get()) && std::fflush(out.get()) == 0;
  return out && std::fclose(out.release()) == 0 && copied;
}
