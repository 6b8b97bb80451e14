// Menu templates from untrusted bytes: built into menus, walked as the menu code walks them,
// and destroyed.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/support/FuzzSupport.h"
#include "platform/src/user/MenuTemplate.h"

namespace {

// Every item answers its state and text within bounds, down through the popups.
void walk(HMENU menu, int depth)
{
  if (depth > 64) omfuzz::broken("menus nest deeper than a template can say");
  const int count = GetMenuItemCount(menu);
  if (count < 0) omfuzz::broken("a built menu has no item count");
  for (int i = 0; i < count; ++i) {
    char text[64];
    const int length = GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    if (length < 0 || length >= static_cast<int>(sizeof text) ||
        std::strlen(text) != static_cast<std::size_t>(length))
      omfuzz::broken("a menu text runs past its buffer");
    GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    if (HMENU sub = GetSubMenu(menu, i)) walk(sub, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  HMENU bar = omuser::menuFromTemplate(data, size);
  if (bar == nullptr) return 0;
  walk(bar, 0);
  if (!DestroyMenu(bar)) omfuzz::broken("a built menu cannot be destroyed");
  return 0;
}
