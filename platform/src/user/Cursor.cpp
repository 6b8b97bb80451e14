#include "platform/src/user/Cursor.h"

#include <algorithm>

#include "platform/host/Host.h"
#include "platform/src/kernel/CursorImage.h"
#include "platform/src/user/MessageQueue.h"
#include "platform/src/user/SystemMetrics.h"

namespace omuser {
namespace {

CursorResourceLoader resourceLoader = &loadCursorResource;

struct CursorState {
  HCURSOR current = nullptr;
  bool set = false;      // until the program sets one, the desktop's arrow shows
  int displayCount = 0;  // the cursor shows while this is 0 or more
};

CursorState& state()
{
  static CursorState s;
  return s;
}

// The host gets the cursor's picture, never its handle.
void tellHost()
{
  omhost::CursorShape shape;
  if (!state().set) shape.systemId = omhost::kArrowCursor;
  if (const Cursor* cursor = CursorTable::instance().find(state().current)) {
    shape.systemId = cursor->systemId;
    if (cursor->systemId == 0) {
      shape.width = cursor->width;
      shape.height = cursor->height;
      shape.hotX = cursor->hotSpot.x;
      shape.hotY = cursor->hotSpot.y;
      shape.pixels = cursor->pixels;
    }
  }
  omhost::host().cursorChanged(shape, state().displayCount >= 0);
}

}  // namespace

CursorTable& CursorTable::instance()
{
  static CursorTable table;
  return table;
}

HICON CursorTable::add(std::unique_ptr<Cursor> cursor)
{
  if (!cursor) return nullptr;
  const std::uintptr_t key = next_;
  next_ += 4;
  entries_.emplace_back(key, std::move(cursor));
  return reinterpret_cast<HICON>(key);
}

HICON CursorTable::system(int systemId, bool icon)
{
  for (const auto& [key, cursor] : entries_)
    if (cursor->systemId == systemId && cursor->isIcon == icon) return reinterpret_cast<HICON>(key);
  auto made = std::make_unique<Cursor>();
  made->systemId = systemId;
  made->isIcon = icon;
  made->width = made->height = icon ? metrics::kIcon : metrics::kCursor;
  return add(std::move(made));
}

const Cursor* CursorTable::find(HICON handle) const
{
  const auto key = reinterpret_cast<std::uintptr_t>(handle);
  for (const auto& [k, cursor] : entries_)
    if (k == key) return cursor.get();
  return nullptr;
}

bool CursorTable::destroy(HICON handle)
{
  const auto key = reinterpret_cast<std::uintptr_t>(handle);
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [key](const auto& entry) { return entry.first == key; });
  if (it == entries_.end()) return false;
  if (it->second->systemId != 0) return true;
  entries_.erase(it);
  if (state().current == handle) {
    state().current = nullptr;
    tellHost();
  }
  return true;
}

std::unique_ptr<Cursor> loadCursorResource(HINSTANCE module, LPCSTR name, bool icon)
{
  std::optional<omwin::CursorImage> image = omwin::loadCursorImage(module, name, icon);
  if (!image) return nullptr;
  auto loaded = std::make_unique<Cursor>();
  loaded->width = image->width;
  loaded->height = image->height;
  loaded->hotSpot = image->hotSpot;
  loaded->pixels = std::move(image->pixels);
  return loaded;
}

void setCursorResourceLoader(CursorResourceLoader loader)
{
  resourceLoader = loader != nullptr ? loader : &loadCursorResource;
}

void resetCursorState()
{
  state() = CursorState{};
}

}  // namespace omuser

using omuser::CursorTable;

namespace {

constexpr int kFirstSystemCursor = 32512;  // IDC_ARROW
constexpr int kLastSystemCursor = 32515;   // IDC_CROSS
constexpr int kFirstSystemIcon = 32512;    // IDI_APPLICATION
constexpr int kLastSystemIcon = 32516;     // IDI_ASTERISK

HICON load(HINSTANCE instance, LPCSTR name, bool icon)
{
  if (name == nullptr) return nullptr;
  if (instance == nullptr) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    const int id = static_cast<int>(reinterpret_cast<std::uintptr_t>(name));
    const int first = icon ? kFirstSystemIcon : kFirstSystemCursor;
    const int last = icon ? kLastSystemIcon : kLastSystemCursor;
    if (id < first || id > last) return nullptr;
    return CursorTable::instance().system(id, icon);
  }
  std::unique_ptr<omuser::Cursor> loaded = omuser::resourceLoader(instance, name, icon);
  if (!loaded) return nullptr;
  loaded->systemId = 0;
  loaded->isIcon = icon;
  return CursorTable::instance().add(std::move(loaded));
}

}  // namespace

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
  return load(instance, name, false);
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
  return load(instance, name, true);
}

// Icons and cursors; the loader gives each resource the size it has (one size per resource).
HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int, int, UINT)
{
  if (type == IMAGE_ICON) return load(instance, name, true);
  if (type == IMAGE_CURSOR) return load(instance, name, false);
  return nullptr;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor)
{
  const HCURSOR previous = omuser::state().current;
  if (cursor != nullptr && CursorTable::instance().find(cursor) == nullptr) return previous;
  const bool first = !omuser::state().set;
  omuser::state().current = cursor;
  omuser::state().set = true;
  if (cursor != previous || first) omuser::tellHost();
  return previous;
}

HCURSOR WINAPI GetCursor(void)
{
  return omuser::state().current;
}

BOOL WINAPI DestroyCursor(HCURSOR cursor)
{
  return CursorTable::instance().destroy(cursor) ? TRUE : FALSE;
}

BOOL WINAPI DestroyIcon(HICON icon)
{
  return CursorTable::instance().destroy(icon) ? TRUE : FALSE;
}

int WINAPI ShowCursor(BOOL show)
{
  int& count = omuser::state().displayCount;
  const bool wasShown = count >= 0;
  count += show ? 1 : -1;
  if (wasShown != (count >= 0)) omuser::tellHost();
  return count;
}

BOOL WINAPI DrawIcon(HDC dc, int x, int y, HICON icon)
{
  const omuser::Cursor* image = omuser::CursorTable::instance().find(icon);
  if (dc == nullptr || image == nullptr) return FALSE;
  // System icons carry no picture here; only icons made from resources have pixels.
  const std::size_t expected = static_cast<std::size_t>(image->width) * image->height;
  if (image->pixels.size() != expected) return TRUE;
  for (int row = 0; row < image->height; ++row) {
    for (int column = 0; column < image->width; ++column) {
      const std::uint32_t argb =
          image->pixels[static_cast<std::size_t>(row) * image->width + column];
      if ((argb >> 24) < 0x80) continue;  // transparent under the icon's mask
      SetPixel(dc, x + column, y + row, RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF));
    }
  }
  return TRUE;
}
