#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/OMRect.h"
#include "trinkets/src/OMTrinket.h"

class OMFont;

// The dialog's block of black text, wrapped into its width at blanks and line breaks.
class OMDialogLabel : public OMTrinket {
 public:
  // The font is the dialog's; null borrows the host canvas's current font.
  OMDialogLabel(const OMRect& rect, const char* text, OMFont* font, OMTrinketWindow* host);
  ~OMDialogLabel() override;

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void showTrackingCursor() override { showHoverCursor(); }
  void reorder() override {}
  void offset(int& /*dx*/, int& /*dy*/) override {}
  void paint() override;

  void setText(const char* text);
  const std::vector<std::string>& lines() const { return lines_; }

  // The text without surrounding double quotes (a text of at least two characters).
  static std::string unquoted(const char* text);
  // The lines of the text in a box of that width: a word that does not fit starts the next
  // line; a word wider than the box is split, the character at the split being dropped; the
  // last line is cut from its end. Every line keeps at least one character.
  static std::vector<std::string> wrap(const std::string& text, const OMFont& font, int width);

 private:
  OMFont* usedFont() const;

  OMFont* font_;
  std::vector<std::string> lines_;
};
