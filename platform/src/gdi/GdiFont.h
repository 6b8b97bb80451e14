#pragma once

#include "platform/src/gdi/GdiHandles.h"

namespace omgdi {

// A logical font: what was asked for. The font engine finds the face and size when the font
// is used.
class GdiFont : public GdiObject {
 public:
  explicit GdiFont(const LOGFONTA& logFont) : GdiObject(OBJ_FONT), logFont_(logFont)
  {
    logFont_.lfFaceName[LF_FACESIZE - 1] = '\0';
  }

  const LOGFONTA& logFont() const { return logFont_; }
  // The stock system font is matched to the Windows system font's cell, not by height.
  bool isSystemFont() const { return systemFont_; }
  void markSystemFont() { systemFont_ = true; }

 private:
  LOGFONTA logFont_;
  bool systemFont_ = false;
};

}  // namespace omgdi
