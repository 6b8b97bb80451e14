#pragma once

#include <windef.h>

namespace omuser {

// What CommDlgExtendedError answers after the last common dialog.
void setCommonDialogError(DWORD error);

}  // namespace omuser
