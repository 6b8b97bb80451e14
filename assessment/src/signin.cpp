#include "assessment/src/signin.h"

#include <direct.h>
#include <omcrt.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "assessment/src/RDatFile.h"
#include "assessment/src/RWSlider.h"
#include "assessment/src/UserStore.h"
#include "framework/OMFont.h"
#include "framework/OMFontManager.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMRGBColor.h"
#include "framework/OMSystem.h"
#include "trinkets/lib/ScopedCanvasPens.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("signin", &signin::create, TrinketRecord::assessmentEditionOnly);

constexpr double rowHeight = 20.8;
constexpr int sliderInset = 17;
constexpr int textInset = 4;
constexpr std::uint32_t controlR = 18;
constexpr std::uint32_t backspaceKey = 0xE800;
constexpr std::uint32_t enterKey = 0xE802;
constexpr std::uint32_t upKey = 0xE80A;
constexpr std::uint32_t downKey = 0xE80C;

const OMRGBColor rowBackground = OMRGBColor::fromIndex(89);
constexpr OMRGBColor nameColor(0xFFFF, 0xFFFF, 0xFFFF);
constexpr OMRGBColor typedColor(0, 0, 0xFFFF);
constexpr OMRGBColor selectedBackground(0x7F00, 0x7F00, 0x7F00);

const char storeName[] = "users\\users.dat";
const char removeQuestion[] = "Do you want to remove the highlighted entry?";
const char fullMessage[] = "The maximum number of users is reached.\rNew user cannot be added.";
const char emptyMessage[] = "Type a user name to start the session.";
const char duplicateMessage[] = "This user name is already on the list. Use a new name.";

int rowEdge(int y, int row)
{
  return static_cast<int>(std::trunc(y + row * rowHeight));
}

}  // namespace

signin::signin(int x, int y, int width, OMTrinketWindow* host) : OMTrinket(host, 2)
{
  list_ = OMRect(x, y, x + width, rowEdge(y, rowCount));
  for (int i = 0; i < rowCount; ++i)
    rows_.emplace_back(x, rowEdge(y, i), x + width, rowEdge(y, i + 1));
  setRect(list_);
  setMovable(0);
  // The users' folder may be missing on a first run.
  _mkdir("users");
  store_ = std::make_unique<RDatFile>(RDatFile::maxSlots, storeName);
  users_ = std::make_unique<UserStore>(*store_);
  font_ = getNFNTFont(fontId);
  reload();
  setFocus();
}

signin::~signin()
{
  *alive_ = false;
  if (hasFocus()) loseFocus();
  slider_.reset();
  if (font_) releaseFont(font_);
}

std::unique_ptr<OMScriptableObject> signin::create()
{
  int n[3];
  for (int& number : n)
    number = clampCoordinate(std::atoll(popScriptArg()));
  return std::make_unique<signin>(n[0], n[1], clampLength(n[0], n[2]), OMTrinketWindow::mainHost());
}

void signin::registerMembers()
{
  OMTrinket::registerMembers();
  using Link = OMLinkToObj<signin>;
  for (const char* event : {"hit", "noName", "cSignin", "cCancel", "killedUser"})
    addEvent(event);
  addProperty("isNew", nullptr, Link(this, &signin::getIsNew, 0));
  addMethod("start", Link(this, &signin::startMember));
  addMethod("newplayer", Link(this, &signin::newPlayerMember));
  addMethod("cancel", Link(this, &signin::cancelMember));
  addMethod("clear", Link(this, &signin::clearMember));
  addMethod("enable", Link(this, &signin::enableMember));
  addMethod("disable", Link(this, &signin::disableMember));
}

void signin::reload()
{
  selected_ = 1;
  top_ = 0;
  typed_.clear();
  newEntry_ = insertedRow_ = false;
  names_.clear();
  for (const std::string& name : users_->names())
    insertInOrder(name);
  updateSlider();
  invalidate();
}

void signin::insertInOrder(const std::string& name)
{
  names_.insert(std::upper_bound(names_.begin(), names_.end(), name), name);
}

void signin::sortNames()
{
  const std::string chosen = selected_ <= entryCount() ? entry(selected_) : std::string();
  std::stable_sort(names_.begin(), names_.end());
  const auto at = std::find(names_.begin(), names_.end(), chosen);
  if (at != names_.end()) selected_ = static_cast<int>(at - names_.begin()) + 1;
}

void signin::select(int number)
{
  selected_ = std::clamp(number, 1, std::max(entryCount(), 1));
  if (selected_ - 1 < top_) top_ = selected_ - 1;
  if (selected_ - 1 >= top_ + rowCount) top_ = selected_ - rowCount;
  if (slider_) slider_->setValue(top_ + RWSlider::silentOffset);
  invalidate();
}

void signin::updateSlider()
{
  if (entryCount() <= rowCount) {
    slider_.reset();
    top_ = 0;
    return;
  }
  // The travel of the list, not the script rule that reads 0 as 99.
  const int maximum = entryCount() - rowCount;
  if (!slider_ || slider_->maximum() != maximum) {
    slider_ =
        std::make_unique<RWSlider>(list_.right(), list_.top() + sliderInset,
                                   list_.height() - 2 * sliderInset, true, maximum, 0, window());
    const OMLinkToObj<signin> moved(this, &signin::sliderMoved, 0);
    slider_->setOwnerLink(&moved);
  }
  top_ = std::min(top_, maximum);
  slider_->setValue(top_ + RWSlider::silentOffset);
}

OMWord signin::sliderMoved(OMWord value)
{
  if (!typed_.empty()) {
    slider_->setValue(top_ + RWSlider::silentOffset);
    return 0;
  }
  const int delta = static_cast<int>(value) - top_;
  top_ = static_cast<int>(value);
  selected_ = std::clamp(selected_ + delta, 1, std::max(entryCount(), 1));
  invalidate();
  return 0;
}

bool signin::raiseAlive(const char* event)
{
  const std::shared_ptr<bool> alive = alive_;
  raise(event);
  return *alive;
}

bool signin::fitsRow(const std::string& text) const
{
  return !font_ || font_->textWidth(text.c_str()) <= list_.width() - 10;
}

void signin::onKeyDown()
{
  if (keyWait_ || disabled_) return;
  const auto nameAt = [this](int number) {
    return number >= 1 && number <= entryCount() ? entry(number) : std::string();
  };
  if (entryCount() > 0 && nameAt(selected_).empty() && nameAt(selected_ + 1).empty() &&
      !insertedRow_)
    return;
  const auto key = static_cast<std::uint32_t>(currentEventWParam());
  if (key == backspaceKey) {
    backspace();
  } else if (key == enterKey) {
    if (signIn()) raiseAlive("hit");
  } else if (key == upKey || key == downKey) {
    if (typed_.empty()) select(selected_ + (key == upKey ? -1 : 1));
  } else if (key == controlR) {
    removeSelected();
  } else if ((key > 32 && key <= 127) || (key == 32 && !typed_.empty())) {
    typeCharacter(static_cast<char>(key));
  }
}

void signin::typeCharacter(char c)
{
  if (typed_.empty() && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  const std::string candidate = typed_ + c;
  const auto matches = [&](const std::string& name) {
    return name.compare(0, candidate.size(), candidate) == 0;
  };
  // A 100th name is not added by typing either.
  const bool wouldAdd = !newEntry_ && std::none_of(names_.begin(), names_.end(), matches);
  if (typed_.size() >= maxTyped || !fitsRow(candidate) ||
      (wouldAdd && entryCount() >= maxEntries)) {
    MessageBeep(0);
    return;
  }
  typed_ = candidate;
  keyWait_ = true;
  invalidate();
  if (!raiseAlive("cSignin")) return;
  lookUpTyped();
}

void signin::lookUpTyped()
{
  if (newEntry_) {
    names_[static_cast<std::size_t>(selected_ - 1)] = typed_;
    invalidate();
    return;
  }
  for (int i = 0; i < entryCount(); ++i) {
    if (names_[static_cast<std::size_t>(i)].compare(0, typed_.size(), typed_) == 0) {
      select(i + 1);
      return;
    }
  }
  insertInOrder(typed_);
  newEntry_ = true;
  updateSlider();
  select(static_cast<int>(std::find(names_.begin(), names_.end(), typed_) - names_.begin()) + 1);
  if (!keyWait_) raiseAlive("cCancel");
}

void signin::backspace()
{
  if (typed_.empty()) return;
  typed_.pop_back();
  if (!typed_.empty()) {
    lookUpTyped();
    return;
  }
  if (newEntry_) names_.erase(names_.begin() + (selected_ - 1));
  newEntry_ = insertedRow_ = false;
  updateSlider();
  select(1);
  raiseAlive("noName");
}

void signin::removeSelected()
{
  if (newEntry_ || selected_ > entryCount()) return;
  if (alertBox(removeQuestion, 0x3004, "Alert") != IDYES) return;
  if (users_->removeUser(entry(selected_).c_str())) {
    store_->save();
    names_.erase(names_.begin() + (selected_ - 1));
    updateSlider();
    select(selected_);
  }
  raiseAlive("killedUser");
}

bool signin::signIn()
{
  if (disabled_) return false;
  std::string name = selected_ <= entryCount() ? entry(selected_) : std::string();
  name.erase(name.find_last_not_of(' ') + 1);
  if (selected_ <= entryCount()) names_[static_cast<std::size_t>(selected_ - 1)] = name;
  if (name.empty()) {
    alertBox(emptyMessage, 0x3000, "Alert");
    result_ = noNameTyped;
    return false;
  }
  for (int i = 1; i <= entryCount(); ++i) {
    if (i != selected_ && entry(i) == name) {
      alertBox(duplicateMessage, 0x3000, "Alert");
      result_ = noNameTyped;
      return false;
    }
  }
  sortNames();
  result_ = users_->signInUser(name.c_str()) == 0 ? newUser : existingUser;
  store_->save();
  typed_.clear();
  newEntry_ = insertedRow_ = false;
  hide();
  loseFocus();
  disabled_ = true;
  return true;
}

void signin::newPlayer()
{
  if (entryCount() >= maxEntries) {
    alertBox(fullMessage, 0x3000, "Alert");
    return;
  }
  if (insertedRow_) return;
  names_.insert(names_.begin(), std::string());
  insertedRow_ = newEntry_ = true;
  typed_.clear();
  top_ = 0;
  updateSlider();
  select(1);
}

int signin::rowAt(const OMPoint& point) const
{
  for (int i = 0; i < rowCount; ++i)
    if (rows_[static_cast<std::size_t>(i)].containsPoint(point)) return i;
  return -1;
}

void signin::onMouseDown()
{
  const int row = rowAt(currentEventMousePoint());
  const int number = top_ + row + 1;
  if (row < 0 || number > entryCount() || entry(number).empty() || !typed_.empty()) return;
  select(number);
}

void signin::onDoubleClick()
{
  const int row = rowAt(currentEventMousePoint());
  const int number = top_ + row + 1;
  if (row < 0 || number > entryCount() || entry(number).empty()) return;
  if (typed_.empty()) select(number);
  if (signIn()) raiseAlive("hit");
}

void signin::paint()
{
  OMMemCanvas* canvas = windowCanvas();
  if (!canvas) return;
  const ScopedCanvasPens kept(*canvas);
  canvas->setFrame(false);
  canvas->setFill(true);
  canvas->setFont(font_);
  const OMFont* font = canvas->font();
  for (int i = 0; i < rowCount; ++i) {
    const OMRect& area = rows_[static_cast<std::size_t>(i)];
    const int number = top_ + i + 1;
    canvas->setFillColor(number == selected_ ? selectedBackground : rowBackground);
    canvas->drawRect(area);
    if (number > entryCount()) continue;
    const int baseline =
        area.top() + (area.height() + (font ? font->ascent() - font->descent() : 0)) / 2;
    canvas->setTextColor(nameColor);
    canvas->drawText(area.left() + textInset, baseline, entry(number).c_str());
    if (number == selected_ && !typed_.empty()) {
      canvas->setTextColor(typedColor);
      canvas->drawText(area.left() + textInset, baseline, typed_.c_str());
    }
  }
  canvas->setFont(nullptr);
}

OMWord signin::getIsNew(OMWord buffer)
{
  return writeNumber(buffer, result_);
}

OMWord signin::startMember()
{
  signIn();
  return 1;
}

OMWord signin::newPlayerMember()
{
  newPlayer();
  return 1;
}

OMWord signin::cancelMember()
{
  reload();
  return 1;
}

OMWord signin::clearMember()
{
  keyWait_ = false;
  setFocus();
  return 1;
}

OMWord signin::enableMember()
{
  disabled_ = false;
  setFocus();
  return 1;
}

OMWord signin::disableMember()
{
  disabled_ = true;
  return 1;
}
