// The common file dialogs go to the host.
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/host/Host.h"
#include "platform/src/user/CommonDialogError.h"

namespace {

DWORD lastDialogError = 0;

bool copyBounded(const std::string& text, LPSTR buffer, DWORD size)
{
  if (buffer == nullptr || text.size() + 1 > size) return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

BOOL runFileDialog(LPOPENFILENAMEA dialog, bool save)
{
  lastDialogError = 0;
  if (dialog == nullptr || dialog->lpstrFile == nullptr || dialog->nMaxFile == 0) {
    lastDialogError = CDERR_INITIALIZATION;
    return FALSE;
  }
  const std::string initial(dialog->lpstrFile, strnlen(dialog->lpstrFile, dialog->nMaxFile));
  const std::string chosen = omhost::host().chooseFile(
      save, dialog->lpstrTitle != nullptr ? dialog->lpstrTitle : "", initial, dialog->Flags);
  if (chosen.empty()) return FALSE;  // cancelled: no error
  if (!copyBounded(chosen, dialog->lpstrFile, dialog->nMaxFile)) {
    lastDialogError = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  const std::size_t separator = chosen.find_last_of("\\/:");
  const std::size_t nameAt = separator == std::string::npos ? 0 : separator + 1;
  const std::size_t dot = chosen.rfind('.');
  dialog->nFileOffset = static_cast<WORD>(nameAt);
  dialog->nFileExtension =
      static_cast<WORD>(dot == std::string::npos || dot < nameAt ? 0 : dot + 1);
  if (dialog->lpstrFileTitle != nullptr)
    copyBounded(chosen.substr(nameAt), dialog->lpstrFileTitle, dialog->nMaxFileTitle);
  return TRUE;
}

}  // namespace

BOOL GetOpenFileNameA(LPOPENFILENAMEA dialog)
{
  return runFileDialog(dialog, false);
}

BOOL GetSaveFileNameA(LPOPENFILENAMEA dialog)
{
  return runFileDialog(dialog, true);
}

void omuser::setCommonDialogError(DWORD error)
{
  lastDialogError = error;
}

DWORD CommDlgExtendedError(void)
{
  return lastDialogError;
}
