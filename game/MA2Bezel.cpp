#include "game/MA2Bezel.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "framework/OMLinkToObj.h"
#include "game/BezelItem.h"
#include "game/GameResources.h"
#include "game/MA2Maze.h"
#include "game/MazeGate.h"
#include "game/WorldField.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord bezelRecord("MA2Bezel", &MA2Bezel::create, TrinketRecord::gameEditionOnly);

constexpr std::uint16_t buttonCursor = 4063, keyLeaveCursor = 4064, keyEnterCursor = 4065;
// The buttons' events; the hooks carry their names.
constexpr const char* tindlexEvent = "tindlex";
constexpr const char* radioEvent = "radio";

void moveItem(std::vector<std::unique_ptr<BezelItem>>& from,
              std::vector<std::unique_ptr<BezelItem>>& to, BezelItem* item)
{
  auto found = std::find_if(from.begin(), from.end(),
                            [item](const auto& each) { return each.get() == item; });
  if (found == from.end()) return;
  to.push_back(std::move(*found));
  from.erase(found);
}

}  // namespace

MA2Bezel::MA2Bezel(int upThreshold, OMTrinketWindow* host)
    : host_(host), upThreshold_(upThreshold), downThreshold_(upThreshold)
{
}

MA2Bezel::~MA2Bezel()
{
  *alive_ = false;
  if (maze_ && maze_->bezel() == this) maze_->forgetBezel();
  items_.clear();
  taken_.clear();
}

std::unique_ptr<OMScriptableObject> MA2Bezel::create()
{
  return std::make_unique<MA2Bezel>(decimalValueOf(popScriptArg()), OMTrinketWindow::mainHost());
}

void MA2Bezel::registerMembers()
{
  for (const char* event : {"tindlex", "radio", "beginUp", "endUp", "beginDown", "endDown"})
    addEvent(event);
  addMethod("addItem", OMLinkToObj<MA2Bezel>(this, &MA2Bezel::addItemMember));
}

std::uint32_t MA2Bezel::clock() const
{
  return host_ ? host_->clock() : 0;
}

bool MA2Bezel::raiseAlive(const char* event)
{
  const std::weak_ptr<bool> alive = alive_;
  OMScriptableObject::raise(event);
  return !alive.expired();
}

// Each item's step; the walk ends when a handler ended the bezel. Items are walked by index:
// a step may move an item to the other list.
template <typename Step>
void MA2Bezel::forEachItem(Step step)
{
  const std::weak_ptr<bool> alive = alive_;
  std::vector<BezelItem*> walked;
  for (const auto& item : items_)
    walked.push_back(item.get());
  for (BezelItem* item : walked) {
    if (alive.expired()) return;
    step(*item);
  }
}

OMWord MA2Bezel::addItemMember()
{
  const int number = decimalValueOf(popScriptArg());
  const std::string kind = popScriptArg();
  const int riseId = decimalValueOf(popScriptArg());
  const int lowerId = decimalValueOf(popScriptArg());
  addItem(number, kind.c_str(), riseId, lowerId);
  return 1;
}

void MA2Bezel::addItem(int number, const char* kind, int riseId, int lowerId)
{
  auto item = std::make_unique<BezelItem>(*this, number, riseId, lowerId, host_);
  if (item->lowerAnimation()) downThreshold_ = std::min(downThreshold_, item->top());
  OMAnimation* lower = item->lowerAnimation();
  if (std::strcmp(kind, "key") == 0 && lower) {
    const OMLinkToObj<BezelItem> taken(item.get(), &BezelItem::keyPressed);
    const OMLinkToObj<BezelItem> letGo(item.get(), &BezelItem::keyLetGo);
    lower->setMouseDownHook(&taken);
    lower->setMouseUpHook(&letGo);
    lower->setHoverCursor(cursorById(keyLeaveCursor));
    lower->setTrackingCursor(cursorById(keyEnterCursor));
    item->setMovableWhenUp();
    lower->setMovable(1);
  } else if ((std::strcmp(kind, tindlexEvent) == 0 || std::strcmp(kind, radioEvent) == 0) &&
             lower) {
    const char* event = std::strcmp(kind, tindlexEvent) == 0 ? tindlexEvent : radioEvent;
    const OMLinkToObj<MA2Bezel> pressed(this, &MA2Bezel::buttonPressed,
                                        reinterpret_cast<OMWord>(event));
    lower->setMouseDownHook(&pressed);
    lower->setHoverCursor(cursorById(buttonCursor));
    item->setTouchyWhenUp();
  } else if (std::strcmp(kind, "clue") == 0 && maze_) {
    item->makeClueDisplay(maze_->currentClue());
    clueItem_ = item.get();
  }
  items_.push_back(std::move(item));
}

OMWord MA2Bezel::buttonPressed(OMWord eventName)
{
  locked_ = 1;
  heldUp_ = 0;
  raiseAlive(reinterpret_cast<const char*>(eventName));
  return 0;
}

void MA2Bezel::update(int cursorY)
{
  if (holdUntil_ != 0 && clock() >= holdUntil_) {
    heldUp_ = 0;
    holdUntil_ = 0;
  }
  if (state_ == down) {
    holdUntil_ = 0;
    if (cursorY >= upThreshold_ && !locked_) {
      state_ = rising;
      // An item without a rise is up at once, and "endUp" may end the bezel.
      const std::weak_ptr<bool> alive = alive_;
      forEachItem([](BezelItem& item) { item.startRising(); });
      if (!alive.expired()) raiseAlive("beginUp");
    }
  } else if (state_ == up && (locked_ || (cursorY < downThreshold_ && !heldUp_))) {
    state_ = lowering;
    forEachItem([](BezelItem& item) { item.startLowering(); });
  }
}

void MA2Bezel::setState(int state)
{
  if (state == state_) return;
  state_ = state;
  static constexpr const char* events[] = {"endDown", "beginUp", "beginDown", "endUp"};
  if (state == down) locked_ = 0;
  if (state >= down && state <= up) raiseAlive(events[state]);
}

void MA2Bezel::raise()
{
  if (state_ == up) return;
  const std::weak_ptr<bool> alive = alive_;
  if (state_ != down) forEachItem([](BezelItem& item) { item.lowerFinished(); });
  if (alive.expired()) return;
  heldUp_ = 1;
  state_ = rising;
  forEachItem([](BezelItem& item) { item.startRising(); });
  if (!alive.expired()) raiseAlive("beginUp");
}

void MA2Bezel::holdFor(int seconds)
{
  holdUntil_ = clock() + static_cast<std::uint32_t>(seconds) * 1000;
}

void MA2Bezel::dropHold()
{
  heldUp_ = 0;
  holdUntil_ = 0;
  raiseAlive("beginDown");
}

void MA2Bezel::showClue(const char* clue)
{
  if (clueItem_) clueItem_->showClue(clue);
}

void MA2Bezel::keyTaken(BezelItem* key)
{
  moveItem(items_, taken_, key);
  locked_ = 1;
  heldUp_ = 0;
}

void MA2Bezel::keyReleased(BezelItem* key)
{
  locked_ = 0;
  OMAnimation* lower = key->lowerAnimation();
  MazeGate* gate = maze_ && lower ? maze_->gateForKey(lower->rect()) : nullptr;
  if (gate) {
    if (key->riseAnimation()) key->riseAnimation()->hide();
    lower->hide();
    gate->open(1);
    return;
  }
  moveItem(taken_, items_, key);
  key->putBack();
}
