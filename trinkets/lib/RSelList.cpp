#include "trinkets/lib/RSelList.h"

#include <algorithm>
#include <cstdlib>

#include "framework/OMFont.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMNFNTFont.h"
#include "framework/OMSysFont.h"
#include "framework/OMSystem.h"
#include "framework/OMTTFont.h"
#include "trinkets/lib/ScopedCanvasPens.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/YNativeFunction.h"

namespace {

TrinketRecord record("RSelList", &RSelList::create);

// Lower-case letters and their capitals: a-z, then accented letters of the Mac character set.
constexpr unsigned char lowerCase[] =
    "abcdefghijklmnopqrstuvwxyz"
    "\x88\x89\x8D\x8E\x8F\x90\x91\x95\x94\x9D\x99";
constexpr unsigned char upperCase[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "\xCB\xE5\x82\x83\xE9\xE6\xE8\xEC\xEB\xF4\xEF";
static_assert(sizeof lowerCase == 38 && sizeof upperCase == 38);

char capitalOf(char c)
{
  for (std::size_t i = 0; i + 1 < sizeof lowerCase; ++i)
    if (static_cast<unsigned char>(c) == lowerCase[i]) return static_cast<char>(upperCase[i]);
  return c;
}

bool beginsWith(const std::string& entry, const std::string& prefix)
{
  return entry.compare(0, prefix.size(), prefix) == 0;
}

int textNumber(OMWord text)
{
  return std::atoi(reinterpret_cast<const char*>(text));
}

}  // namespace

RSelList::FontOpener RSelList::fontOpener_ = nullptr;

RSelList::RSelList(int x, int y, int width, int height, OMTrinketWindow* host)
    : OMTrinket(host, 2), font_(std::make_unique<OMSysFont>())
{
  setRect(OMRect(x, y, clampCoordinate(std::int64_t(x) + width),
                 clampCoordinate(std::int64_t(y) + height)));
  setTouchy(1);
  setMovable(0);
  setLineHeight();
}

RSelList::~RSelList()
{
  replaceFont(nullptr);
}

std::unique_ptr<OMScriptableObject> RSelList::create()
{
  int values[4];
  for (int& value : values)
    value = clampCoordinate(std::atoi(popScriptArg()));
  return std::make_unique<RSelList>(values[0], values[1], values[2], values[3],
                                    OMTrinketWindow::mainHost());
}

void RSelList::registerMembers()
{
  using Link = OMLinkToObj<RSelList>;
  using L = RSelList;
  const auto property = [this](const char* name, Link::MemberFnWithArg set,
                               Link::MemberFnWithArg get) {
    const Link setter(this, set, 0), getter(this, get, 0);
    addProperty(name, set ? &setter : nullptr, get ? &getter : nullptr);
  };
  property("canAddChar", nullptr, &L::canAddChar);
  property("canDeleteChar", nullptr, &L::canDeleteChar);
  property("canMoveHighlightDown", nullptr, &L::canMoveDown);
  property("canMoveHighlightUp", nullptr, &L::canMoveUp);
  property("canScrollListDown", nullptr, &L::canScrollDown);
  property("canScrollListUp", nullptr, &L::canScrollUp);
  property("currentEntry", &L::setCurrentEntry, &L::getCurrentEntry);
  property("drawBackground", &L::setDrawBackground, &L::getDrawBackground);
  property("deletedEntry", nullptr, &L::getDeletedEntry);
  property("entryIsNew", nullptr, &L::getEntryIsNew);
  property("entryIsValid", nullptr, &L::getEntryIsValid);
  property("highlightedBackgroundColor", &L::setColor<&L::highlightedBackgroundColor_>, nullptr);
  property("listBackgroundColor", &L::setColor<&L::listBackgroundColor_>, nullptr);
  property("listIsFull", nullptr, &L::getListIsFull);
  property("matchedTextColor", &L::setColor<&L::matchedTextColor_>, nullptr);
  property("normalTextColor", &L::setColor<&L::normalTextColor_>, nullptr);
  property("notifyDeleted", nullptr, &L::getNotifyDeleted);
  property("selectedTextColor", &L::setColor<&L::selectedTextColor_>, nullptr);
  property("textFont", &L::setTextFont, &L::getTextFont);
  property("textFontID", &L::setTextFontID, nullptr);
  property("textSize", &L::setTextSize, &L::getTextSize);
  property("textStyle", &L::setTextStyle, &L::getTextStyle);
  property("visibleLines", &L::setVisibleLines, &L::getVisibleLines);
  addMethod("addChar", Link(this, &L::addCharMember));
  addMethod("addListEntry", Link(this, &L::addListEntryMember));
  addMethod("deleteChar", Link(this, &L::deleteCharMember));
  addMethod("deleteEntry", Link(this, &L::deleteEntryMember));
  addMethod("moveHighlightDown", Link(this, &L::moveHighlightDown));
  addMethod("moveHighlightUp", Link(this, &L::moveHighlightUp));
  addMethod("scrollListLineDown", Link(this, &L::scrollListLineDown));
  addMethod("scrollListLineUp", Link(this, &L::scrollListLineUp));
  addMethod("scrollListPageDown", Link(this, &L::scrollListPageDown));
  addMethod("scrollListPageUp", Link(this, &L::scrollListPageUp));
  addMethod("startNewEntry", Link(this, &L::startNewEntryMember));
  addEvent("entrySelected");
  addEvent("listFull");
}

bool RSelList::isOutsideWindow() const
{
  return highlight_ < topLine_ || highlight_ >= topLine_ + visibleLines_;
}

void RSelList::recentre()
{
  topLine_ = highlight_ - visibleLines_ / 2;
  topLine_ = std::min(topLine_, entryCount() - visibleLines_);
  topLine_ = std::max(topLine_, 0);
}

void RSelList::recentreIfNeeded()
{
  if (isOutsideWindow() || topLine_ > entryCount() - visibleLines_) recentre();
}

int RSelList::lowerBound(const std::string& text) const
{
  for (int i = 0; i < entryCount(); ++i)
    if (entries_[i].compare(0, text.size(), text) >= 0) return i;
  return entryCount();
}

int RSelList::firstStartingWith(const std::string& text, int skip) const
{
  for (int i = 0; i < entryCount(); ++i)
    if (i != skip && beginsWith(entries_[i], text)) return i;
  return entryCount();
}

bool RSelList::isUniqueExceptHighlight(const std::string& text) const
{
  for (int i = 0; i < entryCount(); ++i)
    if (i != highlight_ && entries_[i] == text) return false;
  return true;
}

void RSelList::insertEntry(int index, const std::string& text)
{
  entries_.insert(entries_.begin() + std::clamp(index, 0, entryCount()), text.substr(0, maxLength));
}

void RSelList::removeEntry(int index)
{
  if (index >= 0 && index < entryCount()) entries_.erase(entries_.begin() + index);
}

int RSelList::addChar(const char* text)
{
  if (editText_.size() >= maxLength) return 1;
  char c = text ? text[0] : '\0';
  if (c == ' ') {
    if (editText_.empty()) return 2;
    if (editText_.back() == ' ') return 3;
  }
  if (editText_.empty() || editText_.back() == ' ' || editText_.back() == '-') c = capitalOf(c);
  if (c) editText_ += c;
  int result = 0;
  switch (mode_) {
    case browsing:
    case matching: {
      const int i = lowerBound(editText_);
      if (entryCount() > 0 && i < entryCount() && beginsWith(entries_[i], editText_)) {
        mode_ = matching;
        highlight_ = i;
      } else if (entryCount() < maxEntries) {
        mode_ = growing;
        highlight_ = i;
        insertEntry(i, editText_);
      } else {
        if (c) editText_.pop_back();
        result = 4;
      }
      recentreIfNeeded();
      entryValid_ = 1;
      break;
    }
    case growing:
      if (highlight_ < entryCount()) entries_[highlight_] = editText_;
      break;
    case starting:
      if (highlight_ < entryCount()) entries_[highlight_] = editText_;
      entryValid_ = isUniqueExceptHighlight(editText_) ? 1 : 0;
      break;
  }
  redraw();
  return result;
}

void RSelList::deleteChar()
{
  if (!editText_.empty()) editText_.pop_back();
  switch (mode_) {
    case browsing:
      return;
    case matching:
      if (!editText_.empty()) {
        highlight_ = firstStartingWith(editText_);
        recentreIfNeeded();
        entryValid_ = entryCount() > 0 ? 1 : 0;
      } else {
        mode_ = browsing;
      }
      break;
    case growing:
      if (!editText_.empty()) {
        int j = firstStartingWith(editText_, highlight_);
        if (j == entryCount()) {
          if (highlight_ < entryCount()) entries_[highlight_] = editText_;
        } else {
          mode_ = matching;
          removeEntry(highlight_);
          if (j > highlight_) --j;
          highlight_ = j;
          recentreIfNeeded();
        }
        entryValid_ = 1;
      } else {
        mode_ = browsing;
        removeEntry(highlight_);
        topLine_ = 0;
        highlight_ = 0;
        entryValid_ = entryCount() >= 1 ? 1 : 0;
      }
      break;
    case starting:
      if (!editText_.empty()) {
        if (highlight_ < entryCount()) entries_[highlight_] = editText_;
        entryValid_ = isUniqueExceptHighlight(editText_) ? 1 : 0;
      } else {
        mode_ = browsing;
        removeEntry(highlight_);
        if (highlight_ >= entryCount() && entryCount() > 0) highlight_ = entryCount() - 1;
        recentreIfNeeded();
        entryValid_ = entryCount() > 0 ? 1 : 0;
      }
      break;
  }
  redraw();
}

void RSelList::startNewEntry()
{
  switch (mode_) {
    case browsing:
    case matching:
      if (entryCount() >= maxEntries) {
        raise("listFull");
        return;
      }
      if (mode_ == browsing) {
        highlight_ = 0;
        insertEntry(0, "");
        topLine_ = 0;
        entryValid_ = 0;
      } else {
        const bool same = highlight_ < entryCount() && entries_[highlight_] == editText_;
        entryValid_ = same ? 0 : 1;
        insertEntry(highlight_, editText_);
      }
      mode_ = starting;
      redraw();
      break;
    case growing:
      mode_ = starting;
      break;
    default:
      break;
  }
}

void RSelList::addListEntry(const char* text)
{
  if (entryCount() >= maxEntries) {
    raise("listFull");
    return;
  }
  // Entries hold 16 characters: a longer text is cut.
  const std::string entry = std::string(text ? text : "").substr(0, maxLength);
  int i = 0;
  while (i < entryCount() && entries_[i] < entry)
    ++i;
  insertEntry(i, entry);
  if (mode_ == browsing) entryValid_ = 1;
  if (entryCount() <= visibleLines_ || (topLine_ <= i && i < topLine_ + visibleLines_)) redraw();
}

void RSelList::deleteEntry()
{
  if (entryCount() == 0) return;
  const bool inRange = highlight_ >= 0 && highlight_ < entryCount();
  if (mode_ == browsing || mode_ == matching) {
    deletedEntry_ = inRange ? entries_[highlight_] : std::string();
    notifyDeleted_ = 1;
  } else {
    notifyDeleted_ = 0;
  }
  removeEntry(highlight_);
  mode_ = browsing;
  if (highlight_ >= entryCount() && entryCount() >= 1) highlight_ = entryCount() - 1;
  recentreIfNeeded();
  editText_.clear();
  entryValid_ = entryCount() >= 1 ? 1 : 0;
  redraw();
}

int RSelList::pressedRow() const
{
  if (mode_ != browsing && mode_ != matching) return -1;
  const OMPoint point = currentEventMousePoint();
  if (!containsPoint(point)) return -1;
  // Truncated toward zero: the pixels above the first line's descent are its row too.
  const int row = (point.y - y() - font_->descent()) / lineHeight_;
  if (row < 0 || row >= visibleLines_ || topLine_ + row >= entryCount()) return -1;
  return row;
}

void RSelList::onMouseDown()
{
  const int row = pressedRow();
  if (row < 0) return;
  mode_ = browsing;
  highlight_ = topLine_ + row;
  editText_.clear();
  redraw();
}

void RSelList::onDoubleClick()
{
  if (pressedRow() >= 0) raise("entrySelected");
}

void RSelList::paint()
{
  OMMemCanvas* canvas = windowCanvas();
  if (!canvas) return;
  const ScopedCanvasPens kept(*canvas);
  canvas->setFrame(false);
  canvas->setFill(true);
  if (drawBackground_ == 1) {
    canvas->setFillColor(listBackgroundColor_);
    canvas->drawRect(rect());
  }
  // The list's font is the canvas's for the paint only: a text made later without a font of
  // its own takes the canvas's, and must not be left holding this one when the list goes.
  OMFont* previous = canvas->font();
  canvas->setFont(font_.get());
  const auto text = [&](const OMRGBColor& color, const std::string& s, int tx, int ty) {
    canvas->setTextColor(color);
    canvas->drawText(tx, ty, s.c_str());
  };
  // Lines past the last entry and the highlight show nothing: however many lines a script
  // asks to see, only those are walked.
  const auto end = static_cast<int>(std::min<std::int64_t>(std::int64_t(topLine_) + visibleLines_,
                                                           std::max(entryCount(), highlight_ + 1)));
  for (int i = topLine_; i < end; ++i) {
    const int row = i - topLine_;
    const int tx = x() + 10, ty = y() + (row + 1) * lineHeight_;
    if (i == highlight_) {
      OMRect bar(x(), y(), rect().right(), y() + lineHeight_);
      bar.offset(0, row * lineHeight_ + font_->descent());
      canvas->setFillColor(highlightedBackgroundColor_);
      canvas->drawRect(bar);
      if (i >= entryCount()) continue;
      if (mode_ == browsing || mode_ == matching) text(selectedTextColor_, entries_[i], tx, ty);
      if (mode_ == matching) text(matchedTextColor_, editText_, tx, ty);
      if (mode_ == growing || mode_ == starting) text(matchedTextColor_, entries_[i], tx, ty);
    } else if (i < entryCount()) {
      text(normalTextColor_, entries_[i], tx, ty);
    }
  }
  canvas->setFont(previous);
}

void RSelList::setLineHeight()
{
  lineHeight_ = std::max(1, font_->ascent() + font_->descent() + font_->leading());
}

void RSelList::replaceFont(std::unique_ptr<OMFont> font)
{
  if (OMMemCanvas* canvas = windowCanvas(); canvas && canvas->font() == font_.get())
    canvas->setFont(nullptr);
  font_ = std::move(font);
  if (!font_) return;
  setLineHeight();
  redraw();
}

OMWord RSelList::canAddChar(OMWord buffer)
{
  return writeNumber(buffer, editText_.size() < maxLength ? 1 : 0);
}

OMWord RSelList::canDeleteChar(OMWord buffer)
{
  return writeNumber(buffer, mode_ == starting || !editText_.empty() ? 1 : 0);
}

OMWord RSelList::canMoveDown(OMWord buffer)
{
  return writeNumber(buffer, mode_ == browsing && highlight_ < entryCount() - 1 ? 1 : 0);
}

OMWord RSelList::canMoveUp(OMWord buffer)
{
  return writeNumber(buffer, mode_ == browsing && highlight_ > 0 ? 1 : 0);
}

OMWord RSelList::canScrollDown(OMWord buffer)
{
  return writeNumber(buffer, mode_ == browsing && topLine_ < entryCount() - visibleLines_ ? 1 : 0);
}

OMWord RSelList::canScrollUp(OMWord buffer)
{
  return writeNumber(buffer, mode_ == browsing && topLine_ > 0 ? 1 : 0);
}

OMWord RSelList::getCurrentEntry(OMWord buffer)
{
  const bool shown = entryValid_ == 1 && highlight_ >= 0 && highlight_ < entryCount();
  return writeText(buffer, shown ? entries_[highlight_].c_str() : "");
}

OMWord RSelList::setCurrentEntry(OMWord text)
{
  if (mode_ != browsing) return 1;
  const int found = firstStartingWith(reinterpret_cast<const char*>(text));
  if (found == entryCount()) {
    highlight_ = 0;
    return 1;
  }
  highlight_ = found;
  recentre();
  redraw();
  return 1;
}

OMWord RSelList::getDrawBackground(OMWord buffer)
{
  return writeNumber(buffer, drawBackground_);
}

OMWord RSelList::setDrawBackground(OMWord text)
{
  drawBackground_ = textNumber(text);
  redraw();
  return 1;
}

OMWord RSelList::getDeletedEntry(OMWord buffer)
{
  return writeText(buffer, notifyDeleted_ == 1 ? deletedEntry_.c_str() : "");
}

OMWord RSelList::getEntryIsNew(OMWord buffer)
{
  return writeNumber(buffer, mode_ == growing || mode_ == starting ? 1 : 0);
}

OMWord RSelList::getEntryIsValid(OMWord buffer)
{
  return writeNumber(buffer, entryValid_);
}

OMWord RSelList::getListIsFull(OMWord buffer)
{
  return writeNumber(buffer, entryCount() == maxEntries ? 1 : 0);
}

OMWord RSelList::getNotifyDeleted(OMWord buffer)
{
  return writeNumber(buffer, notifyDeleted_);
}

// Channels as 16-bit values when red and green come first; else a palette index.
template <OMRGBColor RSelList::*Field>
OMWord RSelList::setColor(OMWord text)
{
  const int value = textNumber(text);
  const std::string red = popScriptArg();
  const std::string green = popScriptArg();
  if (!red.empty()) {
    this->*Field = OMRGBColor(static_cast<std::uint16_t>(std::atoi(red.c_str())),
                              static_cast<std::uint16_t>(std::atoi(green.c_str())),
                              static_cast<std::uint16_t>(value));
  } else {
    this->*Field = OMRGBColor::fromIndex(value);
  }
  return 1;
}

OMWord RSelList::getTextFont(OMWord buffer)
{
  return writeText(buffer, font_->name().c_str());
}

OMWord RSelList::setTextFont(OMWord text)
{
  auto font = std::make_unique<OMTTFont>(reinterpret_cast<const char*>(text), nullptr, "", "");
  font->setSize(0);
  font->setStyle(0);
  replaceFont(std::move(font));
  return 1;
}

OMWord RSelList::setTextFontID(OMWord text)
{
  if (!fontOpener_) return 1;
  const std::unique_ptr<OMIStream> stream =
      fontOpener_(static_cast<std::uint16_t>(textNumber(text)));
  if (!stream) return 1;
  replaceFont(std::make_unique<OMNFNTFont>(stream.get()));
  return 1;
}

OMWord RSelList::getTextSize(OMWord buffer)
{
  return writeNumber(buffer, font_->size());
}

OMWord RSelList::setTextSize(OMWord text)
{
  const int size = textNumber(text);
  if (!font_->is(OMTTFont::classDescriptor) || size <= 0) return 1;
  font_->setSize(size);
  setLineHeight();
  redraw();
  return 1;
}

OMWord RSelList::getTextStyle(OMWord buffer)
{
  return writeNumber(buffer, font_->style());
}

OMWord RSelList::setTextStyle(OMWord text)
{
  const int style = textNumber(text);
  if (!font_->is(OMTTFont::classDescriptor) || style <= 0) return 1;
  font_->setStyle(style);
  setLineHeight();
  redraw();
  return 1;
}

OMWord RSelList::getVisibleLines(OMWord buffer)
{
  return writeNumber(buffer, visibleLines_);
}

OMWord RSelList::setVisibleLines(OMWord text)
{
  const int lines = textNumber(text);
  if (lines <= 0) return 1;
  visibleLines_ = lines;
  // More lines may show the end of the list from an earlier first line.
  topLine_ = std::clamp(topLine_, 0, std::max(0, entryCount() - visibleLines_));
  redraw();
  return 1;
}

OMWord RSelList::addCharMember()
{
  setScriptResultInt(addChar(popScriptArg()));
  return 1;
}

OMWord RSelList::addListEntryMember()
{
  addListEntry(popScriptArg());
  return 1;
}

OMWord RSelList::deleteCharMember()
{
  deleteChar();
  return 1;
}

OMWord RSelList::deleteEntryMember()
{
  deleteEntry();
  return 1;
}

OMWord RSelList::moveHighlightDown()
{
  if (mode_ != browsing) return 1;
  if (highlight_ < entryCount() - 1) {
    ++highlight_;
    if (highlight_ == topLine_ + visibleLines_) recentre();
  }
  editText_.clear();
  redraw();
  return 1;
}

OMWord RSelList::moveHighlightUp()
{
  if (mode_ != browsing) return 1;
  if (highlight_ >= 1) {
    --highlight_;
    if (highlight_ < topLine_) recentre();
  }
  editText_.clear();
  redraw();
  return 1;
}

OMWord RSelList::scrollListLineDown()
{
  if (mode_ != browsing || topLine_ >= entryCount() - visibleLines_) return 1;
  ++topLine_;
  if (highlight_ < topLine_) highlight_ = topLine_;
  redraw();
  return 1;
}

OMWord RSelList::scrollListLineUp()
{
  if (mode_ != browsing || topLine_ <= 0) return 1;
  --topLine_;
  if (highlight_ == topLine_ + visibleLines_) --highlight_;
  redraw();
  return 1;
}

OMWord RSelList::scrollListPageDown()
{
  if (mode_ != browsing || topLine_ >= entryCount() - visibleLines_) return 1;
  topLine_ = std::min(topLine_ + visibleLines_, entryCount() - visibleLines_);
  if (highlight_ < topLine_) highlight_ = topLine_;
  redraw();
  return 1;
}

OMWord RSelList::scrollListPageUp()
{
  if (mode_ != browsing || topLine_ <= 0) return 1;
  topLine_ = std::max(topLine_ - visibleLines_, 0);
  if (highlight_ >= topLine_ + visibleLines_) highlight_ = topLine_ + visibleLines_ - 1;
  redraw();
  return 1;
}

OMWord RSelList::startNewEntryMember()
{
  startNewEntry();
  return 1;
}
