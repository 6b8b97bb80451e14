// "DDRAW.DLL" as a built-in module: its exports, registered into the module table from here so
// that the kernel needs to know nothing of DirectDraw. The build keeps this unit in every
// program (it names omDirectDrawModule as undefined), since nothing calls it directly.
#include <ddraw.h>

#include <cstring>

#include "platform/src/ddraw/DirectDrawObject.h"
#include "platform/src/ddraw/DirectDrawWorld.h"
#include "platform/src/kernel/ModuleTable.h"
#include "platform/src/user/WindowManager.h"

namespace {

char deviceDescription[] = "Display";
char deviceName[] = "display";

void activationChanged(bool gained)
{
  omddraw::DirectDrawWorld::instance().hostActivation(gained);
}

bool isDefaultDevice(const GUID* guid)
{
  if (!guid) return true;
  const GUID none{};
  return IsEqualGUID(*guid, none);
}

}  // namespace

extern "C" {

HRESULT WINAPI DirectDrawCreate(GUID* guid, LPDIRECTDRAW* out, void* outer)
{
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer) return DDERR_NOAGGREGATION;
  if (!isDefaultDevice(guid)) return DDERR_INVALIDPARAMS;
  omuser::WindowManager::setHostActivationListener(&activationChanged);
  *out = new omddraw::DirectDrawObject();
  return DD_OK;
}

// One device: the display, named by the NULL GUID.
HRESULT WINAPI DirectDrawEnumerateA(LPDDENUMCALLBACKA callback, LPVOID context)
{
  if (!callback) return DDERR_INVALIDPARAMS;
  callback(nullptr, deviceDescription, deviceName, context);
  return DD_OK;
}

HRESULT WINAPI DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags)
{
  if (!callback || (flags & ~DDENUM_ATTACHEDSECONDARYDEVICES)) return DDERR_INVALIDPARAMS;
  callback(nullptr, deviceDescription, deviceName, context, nullptr);
  return DD_OK;
}

// Named on the link line, so that static linking keeps this unit and its registration.
int omDirectDrawModule = 0;

}  // extern "C"

namespace {

const omwin::ModuleTable::Export exports[] = {
    {"DirectDrawCreate", reinterpret_cast<FARPROC>(&DirectDrawCreate)},
    {"DirectDrawEnumerateA", reinterpret_cast<FARPROC>(&DirectDrawEnumerateA)},
    {"DirectDrawEnumerateExA", reinterpret_cast<FARPROC>(&DirectDrawEnumerateExA)},
};

[[maybe_unused]] const bool registered = [] {
  omwin::ModuleTable::registerBuiltIn("DDRAW.DLL", exports, static_cast<int>(std::size(exports)));
  return true;
}();

}  // namespace
