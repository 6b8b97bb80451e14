// Dialog templates from untrusted bytes: read, then made into a dialog and destroyed.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "platform/host/headless/HeadlessHost.h"
#include "platform/src/user/DialogManager.h"
#include "platform/src/user/DialogTemplate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  static const bool started = (omhost::startHeadlessSession(), true);
  (void)started;
  omuser::DialogTemplate parsed;
  if (!omuser::DialogTemplate::parse(data, size, parsed, nullptr)) return 0;
  // Keep the windows small: a fuzzed size must not make the test slow.
  parsed.cx = static_cast<short>(parsed.cx & 0x3FF);
  parsed.cy = static_cast<short>(parsed.cy & 0x3FF);
  HWND dialog =
      omuser::DialogManager::instance().create(parsed, nullptr, nullptr, nullptr, 0, false);
  if (dialog != nullptr) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageA(&msg);
    DestroyWindow(dialog);
  }
  return 0;
}
