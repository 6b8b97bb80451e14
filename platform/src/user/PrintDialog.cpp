// The print dialog: never shown, it answers the default printer.
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/src/gdi/Printer.h"
#include "platform/src/user/CommonDialogError.h"

namespace {

constexpr DWORD returnDefaultFailure = 0x1009;  // PDERR_RETDEFFAILURE

HGLOBAL deviceModeOf(const omgdi::PrinterModel& model)
{
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DEVMODEA));
  auto* mode = static_cast<DEVMODEA*>(GlobalLock(memory));
  if (mode == nullptr) return memory;
  std::strncpy(reinterpret_cast<char*>(mode->dmDeviceName), model.name.c_str(), CCHDEVICENAME - 1);
  mode->dmSpecVersion = 0x0401;
  mode->dmSize = sizeof(DEVMODEA);
  mode->dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PRINTQUALITY;
  mode->dmOrientation = DMORIENT_PORTRAIT;
  mode->dmPaperSize = DMPAPER_LETTER;
  mode->dmPrintQuality = static_cast<short>(model.dotsPerInch);
  GlobalUnlock(memory);
  return memory;
}

HGLOBAL deviceNamesOf(const omgdi::PrinterModel& model)
{
  const std::string names = model.driver + '\0' + model.name + '\0' + model.port + '\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DEVNAMES) + names.size());
  auto* header = static_cast<DEVNAMES*>(GlobalLock(memory));
  if (header == nullptr) return memory;
  header->wDriverOffset = sizeof(DEVNAMES);
  header->wDeviceOffset = static_cast<WORD>(sizeof(DEVNAMES) + model.driver.size() + 1);
  header->wOutputOffset = static_cast<WORD>(header->wDeviceOffset + model.name.size() + 1);
  header->wDefault = 1;
  std::memcpy(header + 1, names.data(), names.size());
  GlobalUnlock(memory);
  return memory;
}

}  // namespace

BOOL PrintDlgA(LPPRINTDLGA dialog)
{
  omuser::setCommonDialogError(0);
  if (dialog == nullptr || dialog->lStructSize != sizeof(PRINTDLGA)) {
    omuser::setCommonDialogError(CDERR_STRUCTSIZE);
    return FALSE;
  }
  if ((dialog->Flags & PD_RETURNDEFAULT) != 0 &&
      (dialog->hDevMode != nullptr || dialog->hDevNames != nullptr)) {
    omuser::setCommonDialogError(returnDefaultFailure);
    return FALSE;
  }
  const omgdi::PrinterModel* model = omgdi::PrinterTable::instance().defaultPrinter();
  if (model == nullptr) {
    omuser::setCommonDialogError(PDERR_NODEFAULTPRN);
    return FALSE;
  }
  if (dialog->hDevMode != nullptr) GlobalFree(dialog->hDevMode);
  if (dialog->hDevNames != nullptr) GlobalFree(dialog->hDevNames);
  dialog->hDevMode = deviceModeOf(*model);
  dialog->hDevNames = deviceNamesOf(*model);
  dialog->hDC =
      (dialog->Flags & PD_RETURNDC) != 0 ? omgdi::createPrinterDC(*model, false) : nullptr;
  return TRUE;
}
