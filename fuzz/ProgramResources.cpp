// A program's own resources as the programs load them: cursor and icon groups with their
// pictures, menus, bitmaps and the version block. The input is a group (its length in the
// first two bytes, little-endian) and the bytes that every other resource is made of.
#include <windows.h>

#include <omresource.h>
#include <winver.h>

#include <string>
#include <vector>

#include "framework/OMBitmap.h"
#include "fuzz/support/FuzzSupport.h"

namespace {

constexpr unsigned kGroupCursor = 12, kGroupIcon = 14, kCursor = 1, kIcon = 3, kMenu = 4,
                   kBitmap = 2, kVersion = 16;

void loadVersion()
{
  char program[MAX_PATH];
  if (!GetModuleFileNameA(nullptr, program, sizeof program)) return;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(program, &handle);
  if (size == 0 || size > (1u << 20)) return;
  std::vector<std::uint8_t> block(size);
  if (!GetFileVersionInfoA(program, handle, size, block.data())) return;
  for (const char* path :
       {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\ProductName",
        "\\StringFileInfo\\040904E4\\ProductVersion"}) {
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), path, &value, &length)) continue;
    const auto* at = static_cast<const std::uint8_t*>(value);
    if (at < block.data() || at + length > block.data() + block.size())
      omfuzz::broken("a version value lies outside its block");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  omfuzz::workFolder();
  if (size < 2) return 0;
  const std::size_t groupSize = std::min<std::size_t>(data[0] | (data[1] << 8), size - 2);
  // Copies, so that a read past either part is a read past its own block.
  const std::vector<std::uint8_t> group(data + 2, data + 2 + groupSize);
  const std::vector<std::uint8_t> rest(data + 2 + groupSize, data + size);
  const auto* g = group.data();
  const auto* r = rest.data();
  const unsigned gs = unsigned(group.size()), rs = unsigned(rest.size());
  std::vector<OMResourceEntry> entries = {{nullptr, kGroupCursor, nullptr, 1, g, gs},
                                          {nullptr, kGroupIcon, nullptr, 1, g, gs},
                                          {nullptr, kMenu, nullptr, 1, r, rs},
                                          {nullptr, kBitmap, nullptr, 1, r, rs},
                                          {nullptr, kVersion, nullptr, 1, r, rs}};
  for (unsigned id = 1; id <= 4; ++id) {
    entries.push_back({nullptr, kCursor, nullptr, id, r, rs});
    entries.push_back({nullptr, kIcon, nullptr, id, r, rs});
  }
  const OMResourceTable table{entries.data(), entries.size()};
  omRegisterProgramResources(&table);

  const HINSTANCE program = GetModuleHandleA(nullptr);
  if (HCURSOR cursor = LoadCursorA(program, MAKEINTRESOURCEA(1))) DestroyCursor(cursor);
  if (HICON icon = LoadIconA(program, MAKEINTRESOURCEA(1))) DestroyIcon(icon);
  if (HMENU menu = LoadMenuA(program, MAKEINTRESOURCEA(1))) DestroyMenu(menu);
  {
    OMBitmap bitmap(1, nullptr);
    bitmap.makeMask();
    bitmap.dib();
    bitmap.maskDib();
  }
  loadVersion();

  omRegisterProgramResources(nullptr);
  return 0;
}
