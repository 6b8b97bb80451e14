#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMRGBColor.h"
#include "trinkets/src/OMTrinket.h"

class OMFont;
class OMIStream;

// A scrolling list of short entries kept in byte order, with a highlighted line and an entry
// editor fed one character at a time: typing jumps to the first entry that begins with the
// text, or grows a new entry from it. Clicking a line highlights it; a double click raises
// "entrySelected".
class RSelList : public OMTrinket {
 public:
  using FontOpener = std::unique_ptr<OMIStream> (*)(std::uint16_t id);

  static constexpr int maxEntries = 99;
  static constexpr std::size_t maxLength = 16;

  // 0 browsing, 1 the typed text matches an entry, 2 it forms a new entry, 3 a new entry
  // started with "startNewEntry".
  enum Mode { browsing = 0, matching = 1, growing = 2, starting = 3 };

  RSelList(int x, int y, int width, int height, OMTrinketWindow* host);
  ~RSelList() override;

  static std::unique_ptr<OMScriptableObject> create();
  static void setFontOpener(FontOpener opener) { fontOpener_ = opener; }

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;
  void onMouseDown() override;
  void onDoubleClick() override;
  void paint() override;

  // The RESULT codes of addChar.
  int addChar(const char* text);
  void deleteChar();
  void startNewEntry();
  void addListEntry(const char* text);
  void deleteEntry();

  int mode() const { return mode_; }
  int highlight() const { return highlight_; }
  int topLine() const { return topLine_; }
  int visibleLines() const { return visibleLines_; }
  int lineHeight() const { return lineHeight_; }
  const std::string& editText() const { return editText_; }
  const std::vector<std::string>& entries() const { return entries_; }
  int entryCount() const { return static_cast<int>(entries_.size()); }

 private:
  bool isOutsideWindow() const;
  void recentre();
  void recentreIfNeeded();
  // The first entry whose first L bytes compare >= the text (L its length), or the count.
  int lowerBound(const std::string& text) const;
  // The first entry that begins with the text, skipping one index; the count when none.
  int firstStartingWith(const std::string& text, int skip = -1) const;
  bool isUniqueExceptHighlight(const std::string& text) const;
  void insertEntry(int index, const std::string& text);
  void removeEntry(int index);
  void redraw() { invalidate(); }
  void setLineHeight();
  void replaceFont(std::unique_ptr<OMFont> font);
  // The row a press at the current event's point lies on, or -1.
  int pressedRow() const;

  OMWord canAddChar(OMWord buffer);
  OMWord canDeleteChar(OMWord buffer);
  OMWord canMoveDown(OMWord buffer);
  OMWord canMoveUp(OMWord buffer);
  OMWord canScrollDown(OMWord buffer);
  OMWord canScrollUp(OMWord buffer);
  OMWord getCurrentEntry(OMWord buffer);
  OMWord setCurrentEntry(OMWord text);
  OMWord getDrawBackground(OMWord buffer);
  OMWord setDrawBackground(OMWord text);
  OMWord getDeletedEntry(OMWord buffer);
  OMWord getEntryIsNew(OMWord buffer);
  OMWord getEntryIsValid(OMWord buffer);
  OMWord getListIsFull(OMWord buffer);
  OMWord getNotifyDeleted(OMWord buffer);
  template <OMRGBColor RSelList::*Field>
  OMWord setColor(OMWord text);
  OMWord getTextFont(OMWord buffer);
  OMWord setTextFont(OMWord text);
  OMWord setTextFontID(OMWord text);
  OMWord getTextSize(OMWord buffer);
  OMWord setTextSize(OMWord text);
  OMWord getTextStyle(OMWord buffer);
  OMWord setTextStyle(OMWord text);
  OMWord getVisibleLines(OMWord buffer);
  OMWord setVisibleLines(OMWord text);
  OMWord addCharMember();
  OMWord addListEntryMember();
  OMWord deleteCharMember();
  OMWord deleteEntryMember();
  OMWord moveHighlightDown();
  OMWord moveHighlightUp();
  OMWord scrollListLineDown();
  OMWord scrollListLineUp();
  OMWord scrollListPageDown();
  OMWord scrollListPageUp();
  OMWord startNewEntryMember();

  OMRGBColor highlightedBackgroundColor_;
  OMRGBColor listBackgroundColor_;
  OMRGBColor matchedTextColor_;
  OMRGBColor normalTextColor_;
  OMRGBColor selectedTextColor_;
  std::unique_ptr<OMFont> font_;
  int mode_ = browsing;
  int entryValid_ = 0;
  int drawBackground_ = 1;
  int notifyDeleted_ = 0;
  int highlight_ = 0;
  int topLine_ = 0;
  int lineHeight_ = 1;
  int visibleLines_ = 3;
  std::string editText_;
  std::vector<std::string> entries_;
  std::string deletedEntry_;

  static FontOpener fontOpener_;
};
