// The screen's device context until the window system hands out window contexts.
#include <memory>

#include "platform/src/gdi/DeviceContext.h"

using namespace omgdi;

HDC GetDC(HWND hwnd)
{
  if (hwnd != nullptr) return nullptr;
  return registerDC(std::make_unique<DeviceContext>(DeviceContext::Kind::screen, nullptr));
}

int ReleaseDC(HWND, HDC hdc)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr || dc->contextKind() == DeviceContext::Kind::memory) return 0;
  return destroyDC(hdc) ? 1 : 0;
}
