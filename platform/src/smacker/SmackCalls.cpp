#include <windows.h>

#include <smack.h>

#include <map>
#include <memory>

#include "platform/src/smacker/SmackerMovie.h"

namespace {

// A movie file read through the platform's own file calls (drive table, any case).
class FileSource : public omsmack::ByteSource {
 public:
  explicit FileSource(HANDLE file) : file_(file), size_(GetFileSize(file, nullptr)) {}
  ~FileSource() override { CloseHandle(file_); }
  int read(std::uint8_t* buffer, int size) override
  {
    DWORD done = 0;
    if (!ReadFile(file_, buffer, static_cast<DWORD>(size), &done, nullptr)) return -1;
    return static_cast<int>(done);
  }
  bool seek(std::uint64_t offset) override
  {
    if (offset > size_) return false;
    return SetFilePointer(file_, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
           static_cast<DWORD>(offset);
  }
  std::uint64_t size() const override { return size_; }

 private:
  HANDLE file_;
  std::uint64_t size_;
};

std::map<Smack*, std::unique_ptr<omsmack::SmackerMovie>>& movies()
{
  static std::map<Smack*, std::unique_ptr<omsmack::SmackerMovie>> open;
  return open;
}

omsmack::SmackerMovie* movieFor(Smack* smack)
{
  const auto found = movies().find(smack);
  return found == movies().end() ? nullptr : found->second.get();
}

}  // namespace

Smack* SmackOpen(LPCSTR name, DWORD flags, DWORD extraBuffer)
{
  if (!name) return nullptr;
  HANDLE file =
      CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  std::unique_ptr<omsmack::ByteSource> source = std::make_unique<FileSource>(file);
  if (flags & SMACKPRELOADALL) {
    // The whole file first; playing never touches the device again.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(source->size()));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const int n =
          source->read(bytes.data() + done,
                       static_cast<int>(std::min<std::size_t>(bytes.size() - done, 1 << 20)));
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    source = omsmack::memorySource(std::move(bytes));
  }
  std::unique_ptr<omsmack::SmackerMovie> movie =
      omsmack::SmackerMovie::open(std::move(source), flags, extraBuffer);
  if (!movie) return nullptr;
  Smack* record = &movie->record();
  movies()[record] = std::move(movie);
  return record;
}

void SmackSummary(Smack* smack, SmackSum* sum)
{
  if (!sum) return;
  if (omsmack::SmackerMovie* movie = movieFor(smack)) {
    movie->summary(*sum);
  } else {
    *sum = SmackSum{};
  }
}

DWORD SmackDoFrame(Smack* smack)
{
  if (omsmack::SmackerMovie* movie = movieFor(smack)) movie->doFrame();
  return 0;
}

void SmackNextFrame(Smack* smack)
{
  if (omsmack::SmackerMovie* movie = movieFor(smack)) movie->nextFrame();
}

void SmackToBuffer(Smack* smack, DWORD left, DWORD top, DWORD pitch, DWORD destHeight, void* buffer,
                   DWORD flags)
{
  if (omsmack::SmackerMovie* movie = movieFor(smack))
    movie->toBuffer(static_cast<LONG>(left), static_cast<LONG>(top), pitch, destHeight, buffer,
                    flags);
}

DWORD SmackToBufferRect(Smack* smack, DWORD)
{
  omsmack::SmackerMovie* movie = movieFor(smack);
  return movie && movie->nextRect() ? 1 : 0;
}

DWORD SmackWait(Smack* smack)
{
  omsmack::SmackerMovie* movie = movieFor(smack);
  return movie && movie->wait() ? 1 : 0;
}

void SmackGoto(Smack* smack, DWORD frame)
{
  if (omsmack::SmackerMovie* movie = movieFor(smack)) movie->gotoFrame(frame);
}

void SmackClose(Smack* smack)
{
  // The sound tracks leave the mixer before the movie's memory goes.
  movies().erase(smack);
}

DWORD SmackSoundOnOff(Smack* smack, DWORD on)
{
  omsmack::SmackerMovie* movie = movieFor(smack);
  if (!movie) return 0;
  movie->soundOnOff(on != 0);
  return 1;
}
