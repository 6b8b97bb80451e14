#pragma once

#include <wingdi.h>

namespace omgdi {

// The stock object of that index (made on first use), or null.
HGDIOBJ stockObject(int index);
// The 1x1 monochrome bitmap a new memory device context holds.
HGDIOBJ defaultBitmap();

}  // namespace omgdi
