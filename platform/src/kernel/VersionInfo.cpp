// Version information from a module's VERSION resource. The block is our own compiler's:
// nodes of {u16 length, u16 value length, key text, padding to 4, value, padding to 4,
// children}, texts in the Windows code page. Every length is checked against its parent.
#include <cstring>
#include <string>

#include <windows.h>

#include "platform/src/kernel/Codepage.h"
#include "platform/src/kernel/ModuleTable.h"
#include "platform/src/kernel/WindowsPaths.h"

namespace {

struct Node {
  std::size_t start = 0;
  std::size_t end = 0;
  std::string key;
  std::size_t valueStart = 0;
  std::size_t valueLength = 0;
  std::size_t childrenStart = 0;
};

std::size_t alignedTo4(std::size_t offset)
{
  return (offset + 3) & ~std::size_t{3};
}

// Reads the node at start, within limit; false when it does not fit.
bool readNode(const unsigned char* block, std::size_t start, std::size_t limit, Node& node)
{
  if (start + 4 > limit) return false;
  const std::size_t length = block[start] | (block[start + 1] << 8);
  const std::size_t valueLength = block[start + 2] | (block[start + 3] << 8);
  if (length < 4 || start + length > limit) return false;
  node.start = start;
  node.end = start + length;
  const auto* keyStart = reinterpret_cast<const char*>(block + start + 4);
  const void* terminator = std::memchr(keyStart, '\0', node.end - start - 4);
  if (!terminator) return false;
  node.key.assign(keyStart, static_cast<const char*>(terminator));
  node.valueStart = alignedTo4(start + 4 + node.key.size() + 1);
  node.valueLength = valueLength;
  if (node.valueStart + valueLength > node.end) return false;
  node.childrenStart = alignedTo4(node.valueStart + valueLength);
  return true;
}

std::size_t blockSize(const unsigned char* block)
{
  return block[0] | (block[1] << 8);
}

// The VERSION resource of the loaded module whose file this is.
const unsigned char* versionResource(LPCSTR fileName, DWORD& size)
{
  if (!fileName) return nullptr;
  const auto host = omwin::hostPathFor(fileName);
  if (!host) return nullptr;
  HMODULE module = omwin::ModuleTable::instance().findByHostPath(*host);
  if (!module) return nullptr;
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(1), RT_VERSION);
  if (!resource) return nullptr;
  size = SizeofResource(module, resource);
  return static_cast<const unsigned char*>(LockResource(LoadResource(module, resource)));
}

}  // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle)
{
  if (handle) *handle = 0;
  DWORD size = 0;
  if (!versionResource(fileName, size) || size < 4) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return 0;
  }
  return size;
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD, DWORD length, LPVOID data)
{
  DWORD size = 0;
  const unsigned char* resource = versionResource(fileName, size);
  if (!resource || !data || size < 4) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return FALSE;
  }
  const DWORD copied = std::min<DWORD>(size, length);
  std::memcpy(data, resource, copied);
  // A cut copy, or a block that claims more than its resource holds, says in its own length
  // what is there, so that nothing reads past it.
  auto* bytes = static_cast<unsigned char*>(data);
  if (copied >= 2 && blockSize(bytes) > copied) {
    bytes[0] = static_cast<unsigned char>(copied & 0xFF);
    bytes[1] = static_cast<unsigned char>((copied >> 8) & 0xFF);
  }
  return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* value, UINT* length)
{
  if (!block || !subBlock || !value || !length) return FALSE;
  const auto* bytes = static_cast<const unsigned char*>(block);
  Node node;
  if (!readNode(bytes, 0, blockSize(bytes), node)) return FALSE;
  std::string path = subBlock;
  std::size_t position = 0;
  while (position < path.size()) {
    while (position < path.size() && path[position] == '\\')
      ++position;
    if (position >= path.size()) break;
    const auto next = path.find('\\', position);
    const std::string wanted = path.substr(position, next - position);
    position = next == std::string::npos ? path.size() : next;
    bool found = false;
    Node child;
    for (std::size_t at = node.childrenStart; at < node.end; at = alignedTo4(child.end)) {
      if (!readNode(bytes, at, node.end, child)) return FALSE;
      if (omwin::equalsIgnoringCase(child.key, wanted)) {
        found = true;
        break;
      }
    }
    if (!found) return FALSE;
    node = child;
  }
  *value = const_cast<unsigned char*>(bytes + node.valueStart);
  *length = static_cast<UINT>(node.valueLength);
  return node.valueLength > 0 ? TRUE : FALSE;
}
