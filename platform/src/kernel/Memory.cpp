// VirtualAlloc/VirtualFree and the Global* memory calls. Blocks are tracked so that freeing
// something that was never handed out is refused instead of corrupting the heap.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include <windows.h>

#include "platform/src/kernel/GlobalMemory.h"

namespace {

struct GlobalBlock {
  std::unique_ptr<char[]> bytes;
  SIZE_T size = 0;
  int lockCount = 0;
};

struct FreeWithFree {
  void operator()(void* memory) const { std::free(memory); }
};

struct Blocks {
  std::mutex mutex;
  std::unordered_map<void*, std::unique_ptr<void, FreeWithFree>> virtualBlocks;
  std::unordered_map<void*, GlobalBlock> globalBlocks;
};

Blocks& blocks()
{
  static Blocks* const all = new Blocks;  // outlives late frees during exit
  return *all;
}

}  // namespace

LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD)
{
  // Only fresh regions are served: the callers never ask for an address.
  if (address || size == 0 || !(allocationType & (MEM_COMMIT | MEM_RESERVE))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const auto page = static_cast<SIZE_T>(::sysconf(_SC_PAGESIZE));
  const SIZE_T rounded = (size + page - 1) / page * page;
  void* memory = std::aligned_alloc(page, rounded);
  if (!memory) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::memset(memory, 0, rounded);  // fresh pages are zero
  std::lock_guard lock(blocks().mutex);
  blocks().virtualBlocks.emplace(memory, std::unique_ptr<void, FreeWithFree>(memory));
  return memory;
}

BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType)
{
  std::lock_guard lock(blocks().mutex);
  auto& all = blocks().virtualBlocks;
  const auto found = all.find(address);
  if (found == all.end() || (freeType == MEM_RELEASE && size != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (freeType == MEM_RELEASE) all.erase(found);
  // MEM_DECOMMIT keeps the pages; they are released with the region.
  return TRUE;
}

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
  GlobalBlock block;
  block.size = bytes;
  block.bytes.reset(new (std::nothrow) char[bytes ? bytes : 1]);
  if (!block.bytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (flags & GMEM_ZEROINIT) std::memset(block.bytes.get(), 0, bytes ? bytes : 1);
  // Fixed and moveable blocks alike: the handle is the memory's address.
  void* handle = block.bytes.get();
  std::lock_guard lock(blocks().mutex);
  blocks().globalBlocks.emplace(handle, std::move(block));
  return handle;
}

LPVOID GlobalLock(HGLOBAL memory)
{
  std::lock_guard lock(blocks().mutex);
  const auto found = blocks().globalBlocks.find(memory);
  if (found == blocks().globalBlocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  ++found->second.lockCount;
  return found->second.bytes.get();
}

BOOL GlobalUnlock(HGLOBAL memory)
{
  std::lock_guard lock(blocks().mutex);
  const auto found = blocks().globalBlocks.find(memory);
  if (found == blocks().globalBlocks.end() || found->second.lockCount == 0) {
    SetLastError(found == blocks().globalBlocks.end() ? ERROR_INVALID_HANDLE : ERROR_NOT_LOCKED);
    return FALSE;
  }
  return --found->second.lockCount > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL memory)
{
  std::lock_guard lock(blocks().mutex);
  if (blocks().globalBlocks.erase(memory) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return memory;
  }
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL memory)
{
  std::lock_guard lock(blocks().mutex);
  const auto found = blocks().globalBlocks.find(memory);
  return found == blocks().globalBlocks.end() ? 0 : found->second.size;
}

std::size_t omwin::globalBlockCount()
{
  std::lock_guard lock(blocks().mutex);
  return blocks().globalBlocks.size();
}
