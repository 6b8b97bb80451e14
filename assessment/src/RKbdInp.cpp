#include "assessment/src/RKbdInp.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMSystem.h"
#include "framework/OMWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RKbdInp", &RKbdInp::create, TrinketRecord::assessmentEditionOnly);

constexpr std::uint32_t firstNamedKey = 0xE800;
constexpr std::array<const char*, 27> namedKeys = {
    "Backspace", "Tab", "Enter", "Pause", "Esc",    "PageUp", "PageDown", "End", "Home",
    "Left",      "Up",  "Right", "Down",  "Insert", "Delete", "F1",       "F2",  "F3",
    "F4",        "F5",  "F6",    "F7",    "F8",     "F9",     "F10",      "F11", "F12"};

OMWindow* listenWindow = nullptr;

// The live objects in the order they took the key link.
std::vector<RKbdInp*>& chain()
{
  static std::vector<RKbdInp*> objects;
  return objects;
}

}  // namespace

RKbdInp::RKbdInp()
{
  listen();
}

RKbdInp::RKbdInp(const RKbdInp& other) : OMScriptableObject(other)
{
  listen();
}

RKbdInp::~RKbdInp()
{
  auto& objects = chain();
  const auto self = std::find(objects.begin(), objects.end(), this);
  if (self == objects.end()) return;
  if (self + 1 == objects.end()) {
    // The newest: the window gets back what this one found.
    if (listenWindow) listenWindow->setKeyDownLink(previous_.get());
  } else {
    // One made later holds a copy of this one's link: it inherits what this one found.
    (*(self + 1))->previous_ = std::move(previous_);
  }
  objects.erase(self);
}

void RKbdInp::listen()
{
  if (!listenWindow) return;
  previous_ = cloneLink(listenWindow->keyDownLink());
  // One entry serves every object: a copy of the link that another listener keeps to give back
  // later (the event source does) never names an object that is gone.
  const OMLinkToFct link(&RKbdInp::keyEntry);
  listenWindow->setKeyDownLink(&link);
  chain().push_back(this);
}

std::unique_ptr<OMScriptableObject> RKbdInp::create()
{
  return std::make_unique<RKbdInp>();
}

void RKbdInp::setListenWindow(OMWindow* window)
{
  listenWindow = window;
  if (!window) chain().clear();
}

std::unique_ptr<OMScriptableObject> RKbdInp::clone() const
{
  auto copy = std::make_unique<RKbdInp>(*this);
  copyMembers(copy.get());
  return copy;
}

void RKbdInp::registerMembers()
{
  addEvent("keyPressed");
  addProperty("key", nullptr, OMLinkToObj<RKbdInp>(this, &RKbdInp::keyText, 0));
}

OMWord RKbdInp::keyEntry(OMWord)
{
  const auto& objects = chain();
  return objects.empty() ? 0 : objects.back()->keyArrived();
}

OMWord RKbdInp::keyArrived()
{
  code_ = static_cast<std::uint32_t>(currentEventWParam());
  control_ = isControlKeyDown();
  raise("keyPressed");
  return 0;
}

OMWord RKbdInp::keyText(OMWord buffer)
{
  keyName(code_, control_, reinterpret_cast<char*>(buffer), resultBufferSize);
  return 1;
}

void RKbdInp::keyName(std::uint32_t code, bool control, char* buffer, std::size_t size)
{
  const char* prefix = control ? "Ctrl-" : "";
  // Ctrl turns letters into the codes 1 to 26: they read as the letter.
  if (control && code >= 1 && code <= 26) code += 64;
  if (code >= firstNamedKey && code - firstNamedKey < namedKeys.size()) {
    std::snprintf(buffer, size, "%s%s", prefix, namedKeys[code - firstNamedKey]);
    return;
  }
  std::snprintf(buffer, size, "%s%c", prefix, static_cast<char>(code));
}
