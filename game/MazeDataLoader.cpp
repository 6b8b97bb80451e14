#include "game/MazeDataLoader.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include <windows.h>

#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMXMLElement.h"
#include "game/MA2Maze.h"
#include "game/MazeBlock.h"
#include "game/MazeGate.h"
#include "game/MazeWarp.h"
#include "game/WorldField.h"
#include "trinkets/src/OMTrinketWindow.h"

namespace {

constexpr int itemZ = 9;
constexpr int frontZ = 11;
constexpr int warpSize = 16;
constexpr int keyZoneLong = 30, keyZoneShort = 10;
constexpr const char* itemAttributes[] = {"name", "screen", "id", "x", "y", "orientation", nullptr};
constexpr const char* warpAttributes[] = {"name",        "screen", "id", "x",    "y",
                                          "orientation", "wx",     "wy", nullptr};

void refuse(const std::string& why)
{
  OutputDebugStringA(("MA2Maze: " + why).c_str());
}

bool startsWith(const char* text, const char* prefix)
{
  return text && std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

int numberOf(const OMXMLElement& element, const char* name)
{
  return decimalValueOf(element.attributeValue(name));
}

// Sums held at the limits of 32 bits.
int saturated(long long value)
{
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Up to four numbers written as "%d %d %d %d"; how many were read.
int readMargins(const char* text, int margins[4])
{
  int count = 0;
  while (text && count < 4) {
    while (*text == ' ' || *text == '\t')
      ++text;
    const char* digits = text + (*text == '-' || *text == '+');
    if (!std::isdigit(static_cast<unsigned char>(*digits))) break;
    margins[count++] = decimalValueOf(text);
    text = digits;
    while (std::isdigit(static_cast<unsigned char>(*text)))
      ++text;
  }
  return count;
}

template <typename Visit>
void forEachAttribute(const OMXMLElement& element, Visit&& visit)
{
  element.attributes().firstThat([&](OMXMLAttribute* attribute) {
    visit(*attribute);
    return false;
  });
}

template <typename Visit>
void forEachChild(const OMXMLElement& element, Visit&& visit)
{
  element.children().firstThat([&](OMXMLElement* child) {
    visit(*child);
    return false;
  });
}

std::unique_ptr<OMAnimation> animationOf(int id)
{
  std::unique_ptr<OMIStream> stream =
      OMAnimation::animationResolver && id ? OMAnimation::animationResolver(id) : nullptr;
  if (!stream) return nullptr;
  auto animation = std::make_unique<OMAnimation>(
      std::move(stream), OMTrinket::noPosition, OMTrinket::noPosition, OMTrinketWindow::mainHost());
  // Still until shown or opened.
  animation->rewind();
  return animation;
}

}  // namespace

int MazeDataLoader::loadLevel(int levelNumber, int set)
{
  char name[32];
  std::snprintf(name, sizeof name, "Level_%d", levelNumber);
  const OMXMLElement* level = layout_.findDescendant(name);
  if (!level) {
    refuse(std::string("the layout has no ") + name);
  } else {
    const int count = level->children().count();
    maze_.setSetCount(count);
    if (set == 0 && count > 0) set = std::rand() % count + 1;
    if (set < 1 || set > count) set = 1;
    std::snprintf(name, sizeof name, "Set_%d", set);
    if (const OMXMLElement* chosen = level->findDescendant(name))
      forEachChild(*chosen, [this](const OMXMLElement& child) { readSetChild(child); });
    else
      refuse(std::string("the level has no ") + name);
  }
  readRooms();
  return set;
}

void MazeDataLoader::readSetChild(const OMXMLElement& child)
{
  const char* name = child.name().text();
  if (startsWith(name, "Block"))
    readBlocks(child);
  else if (startsWith(name, "Warp"))
    readWarps(child);
  else if (startsWith(name, "Gate"))
    readGates(child);
  else if (startsWith(name, "Linked_Gate"))
    readGateLinks(child);
  else if (startsWith(name, "Clue"))
    readClues(child);
  else if (startsWith(name, "Destination"))
    readDestination(child);
}

const OMXMLElement* MazeDataLoader::holder(const char* name, const OMXMLElement& root) const
{
  const OMXMLElement* found = root.findDescendant(name);
  if (!found) refuse(std::string("the maze documents have no ") + name);
  return found;
}

bool MazeDataLoader::buildItem(const OMXMLElement& element, MazeItem& item,
                               const char* const* required) const
{
  const char* name = element.name().text() ? element.name().text() : "";
  for (const char* const* attribute = required; *attribute; ++attribute) {
    if (!element.attributeValue(*attribute)) {
      refuse(std::string(name) + " has no " + *attribute + ": skipped");
      return false;
    }
  }
  item.screen = numberOf(element, "screen");
  if (item.screen < 0 || item.screen >= MA2Maze::screenCount) {
    refuse(std::string(name) + " is on screen " + std::to_string(item.screen) + ": skipped");
    return false;
  }
  item.name = element.attributeValue("name");
  item.x = numberOf(element, "x");
  item.y = numberOf(element, "y");
  item.orientation = numberOf(element, "orientation");
  item.animation = animationOf(numberOf(element, "id"));
  if (OMAnimation* animation = item.animation.get()) {
    animation->setZ(itemZ);
    animation->hide();
    animation->setMovable(0);
    animation->setTouchy(0);
    if (item.x != 0) animation->setX(item.x);
    if (item.y != 0) animation->setY(item.y);
    item.rect = animation->rect();
  } else {
    item.rect = OMRect(item.x, item.y, item.x, item.y);
  }
  int margins[4];
  if (readMargins(element.attributeValue("collide"), margins) == 4) {
    item.rect = OMRect(saturated(1LL * item.rect.left() + margins[0]),
                       saturated(1LL * item.rect.top() + margins[1]),
                       saturated(1LL * item.rect.right() - margins[2]),
                       saturated(1LL * item.rect.bottom() - margins[3]));
  }
  return true;
}

void MazeDataLoader::readBlocks(const OMXMLElement& child)
{
  const OMXMLElement* blocks = holder("Blocked_Access", definitions_);
  if (!blocks) return;
  forEachAttribute(child, [&](const OMXMLAttribute& attribute) {
    const char* name = attribute.value.text();
    const OMXMLElement* element = name ? blocks->findDescendant(name) : nullptr;
    if (!element) return;
    auto block = std::make_unique<MazeBlock>();
    if (buildItem(*element, *block, itemAttributes)) maze_.addItem(std::move(block));
  });
}

void MazeDataLoader::readWarps(const OMXMLElement& child)
{
  const OMXMLElement* warps = holder("Warps", definitions_);
  if (!warps) return;
  const OMLinkToObj<MA2Maze> click(&maze_, &MA2Maze::raiseWarpClick);
  auto makeWarp = [&](const std::string& name) -> MazeWarp* {
    const OMXMLElement* element = warps->findDescendant(name.c_str());
    if (!element) return nullptr;
    auto warp = std::make_unique<MazeWarp>();
    if (!buildItem(*element, *warp, warpAttributes)) return nullptr;
    warp->wx = numberOf(*element, "wx");
    warp->wy = numberOf(*element, "wy");
    if (OMAnimation* animation = warp->animation.get()) {
      animation->setRepeat(-1);
      animation->setZ(frontZ);
      animation->setPosition(warp->x, warp->y);
      animation->setTouchy(1);
      animation->setMouseDownHook(&click);
      warp->rect = animation->rect();
    }
    warp->rect = OMRect(warp->rect.left(), warp->rect.top(),
                        saturated(1LL * warp->rect.left() + warpSize - 1),
                        saturated(1LL * warp->rect.top() + warpSize - 1));
    MazeWarp* made = warp.get();
    maze_.addItem(std::move(warp));
    return made;
  };
  forEachAttribute(child, [&](const OMXMLAttribute& attribute) {
    const char* value = attribute.value.text();
    if (!value || std::strlen(value) != 1) {
      refuse(std::string("a warp named \"") + (value ? value : "") + "\" is not one character");
      return;
    }
    MazeWarp* a = makeWarp(std::string(value) + "1");
    if (!a) return;
    MazeWarp* b = makeWarp(std::string(value) + "2");
    if (!b) return;
    a->partner = b;
    b->partner = a;
  });
}

std::unique_ptr<MazeGate> MazeDataLoader::buildGate(const OMXMLElement& element) const
{
  auto gate = std::make_unique<MazeGate>();
  if (!buildItem(element, *gate, itemAttributes)) return nullptr;
  const OMRect& r = gate->rect;
  const int cx = saturated(1LL * r.left() + (1LL * r.right() - r.left()) / 2);
  const int cy = saturated(1LL * r.top() + (1LL * r.bottom() - r.top()) / 2);
  const int across = gate->orientation == 1 ? keyZoneLong : keyZoneShort;
  const int along = gate->orientation == 1 ? keyZoneShort : keyZoneLong;
  gate->keyZone = OMRect(saturated(1LL * cx - across), saturated(1LL * cy - along),
                         saturated(1LL * cx + across), saturated(1LL * cy + along));
  if (OMAnimation* animation = gate->animation.get()) {
    animation->setZ(itemZ);
    animation->setTouchy(1);
    const OMLinkToObj<MA2Maze> click(&maze_, &MA2Maze::raiseDoorClick);
    animation->setMouseDownHook(&click);
  }
  if (element.attributeValue("xform")) {
    gate->transform = animationOf(numberOf(element, "xform"));
    if (gate->transform) {
      gate->transform->hide();
      gate->transform->setTouchy(0);
    }
  }
  return gate;
}

void MazeDataLoader::readGates(const OMXMLElement& child)
{
  const OMXMLElement* gates = holder("Gates", definitions_);
  if (!gates) return;
  forEachAttribute(child, [&](const OMXMLAttribute& attribute) {
    const char* name = attribute.value.text();
    const OMXMLElement* element = name ? gates->findDescendant(name) : nullptr;
    if (!element) return;
    if (std::unique_ptr<MazeGate> gate = buildGate(*element)) maze_.addItem(std::move(gate));
  });
}

void MazeDataLoader::readGateLinks(const OMXMLElement& child)
{
  forEachChild(child, [this](const OMXMLElement& link) { readGateLink(link); });
}

void MazeDataLoader::readGateLink(const OMXMLElement& link)
{
  const char* location = link.attributeValue("location");
  if (!location || !link.attributeValue("type") || !link.attributeValue("initial_status")) {
    refuse("a gate link lacks its location, type or initial_status: skipped");
    return;
  }
  const int status = numberOf(link, "initial_status");
  auto* gate = static_cast<MazeGate*>(maze_.findItem(location, MazeItem::gate));
  if (!gate) {
    const OMXMLElement* gates = holder("Gates", definitions_);
    const OMXMLElement* element = gates ? gates->findDescendant(location) : nullptr;
    if (!element) return;
    std::unique_ptr<MazeGate> made = buildGate(*element);
    if (!made) return;
    made->closed = status == 0;
    gate = made.get();
    maze_.addItem(std::move(made));
  }
  if (status == 1) gate->open(1);
  const char* linked = link.attributeValue("linked_to");
  const bool named = linked && *linked;
  switch (numberOf(link, "type")) {
    case 1:
      gate->clickReported = 0;
      if (gate->animation) gate->animation->setMouseDownHook(nullptr);
      if (!named) break;
      if (auto* warp = static_cast<MazeWarp*>(maze_.findItem(linked + 1, MazeItem::warp))) {
        warp->linkedGate = gate;
        if (warp->partner) warp->partner->linkedGate = gate;
      }
      break;
    case 2:
      if (auto* partner =
              named ? static_cast<MazeGate*>(maze_.findItem(linked, MazeItem::gate)) : nullptr) {
        partner->partner = gate;
        partner->type = 2;
      }
      break;
    case 3: {
      gate->type = 3;
      if (auto* partner =
              named ? static_cast<MazeGate*>(maze_.findItem(linked, MazeItem::gate)) : nullptr) {
        partner->partner = gate;
        partner->type = 4;
      }
      const OMLinkToObj<MA2Maze> solved(&maze_, &MA2Maze::raiseSolved);
      gate->completionLink = solved.clone();
      break;
    }
    default:
      break;
  }
}

void MazeDataLoader::readClues(const OMXMLElement& child)
{
  const OMXMLElement* texts = holder("Clues", layout_);
  if (!texts) return;
  const int count = child.attributes().count();
  std::vector<std::optional<std::string>> clues(static_cast<std::size_t>(count));
  for (int n = 0; n < count; ++n) {
    const std::string name = "Clue_" + std::to_string(n);
    const char* entry = child.attributeValue(name.c_str());
    if (!entry) break;
    if (const char* text = texts->attributeValue(entry)) clues[static_cast<std::size_t>(n)] = text;
  }
  maze_.setClues(std::move(clues));
}

void MazeDataLoader::readDestination(const OMXMLElement& child)
{
  maze_.setDestination(&child);
  const OMXMLAttribute* last = child.attributes().last();
  if (!last) return;
  const OMXMLElement* spots = holder("Hiding_Spots", definitions_);
  const char* name = last->value.text();
  const OMXMLElement* element = spots && name ? spots->findDescendant(name) : nullptr;
  if (!element) return;
  auto spot = std::make_unique<MazeItem>(MazeItem::hidingSpot);
  if (!buildItem(*element, *spot, itemAttributes)) return;
  spot->name.clear();
  if (spot->animation) spot->animation->setZ(frontZ);
  maze_.setHidingSpot(spot.get());
  maze_.addItem(std::move(spot));
}

void MazeDataLoader::readRooms()
{
  const OMXMLElement* rooms = holder("Room_Rects", definitions_);
  if (!rooms) return;
  static constexpr const char* roomAttributes[] = {"x0", "y0", "x1", "y1", "screen", "name"};
  for (int k = 1; k <= MA2Maze::screenCount; ++k) {
    const std::string name = "R" + std::to_string(k);
    const OMXMLElement* element = rooms->findDescendant(name.c_str());
    if (!element) {
      refuse("the maze documents have no room " + name);
      continue;
    }
    const bool complete = std::all_of(std::begin(roomAttributes), std::end(roomAttributes),
                                      [&](const char* a) { return element->attributeValue(a); });
    auto room = std::make_unique<MazeItem>(MazeItem::room);
    room->screen = numberOf(*element, "screen");
    if (!complete || room->screen < 0 || room->screen >= MA2Maze::screenCount) {
      refuse("room " + name + " lacks an attribute or is off the screens: skipped");
      continue;
    }
    room->rect = OMRect(numberOf(*element, "x0"), numberOf(*element, "y0"),
                        numberOf(*element, "x1"), numberOf(*element, "y1"));
    room->x = room->rect.left();
    room->y = room->rect.top();
    room->name = element->attributeValue("name");
    maze_.addItem(std::move(room));
  }
}
