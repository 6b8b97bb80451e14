// Dialog boxes and their controls' calls.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/src/user/DialogManager.h"

using omuser::DialogManager;
using omuser::DialogTemplate;

namespace {

// A template from memory has no size: it is read as far as it says (a damaged one may be read
// up to this far).
constexpr std::size_t kUnboundedTemplate = 0x10000;

void traceRefusal(const std::string& why)
{
  if (std::getenv("OM_TRACE") != nullptr)
    std::fprintf(stderr, "om: dialog template refused: %s\n", why.c_str());
}

bool templateFromResource(HINSTANCE instance, LPCSTR name, DialogTemplate& out)
{
  HRSRC found = FindResourceA(instance, name, RT_DIALOG);
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(instance, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  std::string why;
  if (bytes == nullptr ||
      !DialogTemplate::parse(bytes, SizeofResource(instance, found), out, &why)) {
    if (!why.empty()) traceRefusal(why);
    return false;
  }
  return true;
}

bool templateFromMemory(LPCDLGTEMPLATEA dialogTemplate, DialogTemplate& out)
{
  std::string why;
  if (DialogTemplate::parse(dialogTemplate, kUnboundedTemplate, out, &why)) return true;
  traceRefusal(why);
  return false;
}

}  // namespace

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC procedure,
                               LPARAM param)
{
  DialogTemplate parsed;
  if (!templateFromResource(instance, name, parsed)) return -1;
  return DialogManager::instance().runModal(parsed, instance, owner, procedure, param);
}

INT_PTR WINAPI DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate,
                                       HWND owner, DLGPROC procedure, LPARAM param)
{
  DialogTemplate parsed;
  if (!templateFromMemory(dialogTemplate, parsed)) return -1;
  return DialogManager::instance().runModal(parsed, instance, owner, procedure, param);
}

HWND WINAPI CreateDialogParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC procedure,
                               LPARAM param)
{
  DialogTemplate parsed;
  if (!templateFromResource(instance, name, parsed)) return nullptr;
  return DialogManager::instance().create(parsed, instance, owner, procedure, param, false);
}

HWND WINAPI CreateDialogIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate,
                                       HWND owner, DLGPROC procedure, LPARAM param)
{
  DialogTemplate parsed;
  if (!templateFromMemory(dialogTemplate, parsed)) return nullptr;
  return DialogManager::instance().create(parsed, instance, owner, procedure, param, false);
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result)
{
  return DialogManager::instance().end(dialog, result) ? TRUE : FALSE;
}

LRESULT WINAPI DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
  return DialogManager::instance().defaultProcedure(dialog, message, wParam, lParam);
}

BOOL WINAPI IsDialogMessageA(HWND dialog, LPMSG message)
{
  return message != nullptr && DialogManager::instance().isDialogMessage(dialog, *message) ? TRUE
                                                                                           : FALSE;
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text)
{
  const HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? SetWindowTextA(control, text) : FALSE;
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size)
{
  const HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) {
    if (buffer != nullptr && size > 0) buffer[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowTextA(control, buffer, size));
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
  const HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? SendMessageA(control, message, wParam, lParam) : 0;
}

BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check)
{
  const HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return FALSE;
  SendMessageA(control, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int id)
{
  return static_cast<UINT>(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

BOOL WINAPI CheckRadioButton(HWND dialog, int first, int last, int check)
{
  if (!IsWindow(dialog)) return FALSE;
  for (int id = first; id <= last; ++id)
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
  return TRUE;
}

HWND WINAPI GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous)
{
  return DialogManager::instance().nextTabItem(dialog, control, previous != FALSE);
}

HWND WINAPI GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous)
{
  return DialogManager::instance().nextGroupItem(dialog, control, previous != FALSE);
}

BOOL WINAPI MapDialogRect(HWND dialog, LPRECT rect)
{
  return rect != nullptr && DialogManager::instance().mapRect(dialog, *rect) ? TRUE : FALSE;
}

// The units of dialogs without a font of their own: those of the system font.
LONG WINAPI GetDialogBaseUnits(void)
{
  return MAKELONG(8, 16);
}
