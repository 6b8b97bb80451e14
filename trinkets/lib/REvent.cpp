#include "trinkets/lib/REvent.h"

#include <cstdio>
#include <cstdlib>

#include <windows.h>

#include "framework/OMApp.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMSystem.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("REvent", &REvent::create);

constexpr std::uint32_t firstNamedKey = 0xE800;
constexpr const char* keyNames[] = {
    "Backspace", "Tab", "Enter", "Pause", "Esc",    "PageUp", "PageDown", "End", "Home",
    "Left",      "Up",  "Right", "Down",  "Insert", "Delete", "F1",       "F2",  "F3",
    "F4",        "F5",  "F6",    "F7",    "F8",     "F9",     "F10",      "F11", "F12"};
constexpr std::uint32_t namedKeyCount = sizeof keyNames / sizeof keyNames[0];

std::uint32_t now()
{
  return timeGetTime();
}

}  // namespace

REvent* REvent::instance_ = nullptr;

REvent* REvent::instance()
{
  if (!instance_) instance_ = new REvent(OMTrinketWindow::mainHost());
  return instance_;
}

std::unique_ptr<OMScriptableObject> REvent::create()
{
  // The variable table sees that another variable already owns it and only shares it.
  return std::unique_ptr<OMScriptableObject>(instance());
}

REvent::REvent(OMTrinketWindow* host) : host_(host)
{
  if (host_) {
    const auto keep = [](OMLink* link) { return link ? link->clone() : nullptr; };
    savedKeyLink_ = keep(host_->keyDownLink());
    const OMLinkToFct key(&REvent::keyLinkEntry);
    host_->setKeyDownLink(&key);
    savedMouseMoveLink_ = keep(host_->mouseMoveLink());
    const OMLinkToFct move(&REvent::mouseMoveLinkEntry);
    host_->setMouseMoveLink(&move);
    savedMouseDownLink_ = keep(host_->mouseDownLink());
    const OMLinkToFct press(&REvent::mouseDownLinkEntry);
    host_->setMouseDownLink(&press);
  }
}

REvent::~REvent()
{
  // A host that is gone (or replaced) takes nothing back.
  if (host_ && OMTrinketWindow::mainHost() == host_) {
    host_->setKeyDownLink(savedKeyLink_.get());
    host_->setMouseMoveLink(savedMouseMoveLink_.get());
    host_->setMouseDownLink(savedMouseDownLink_.get());
  }
  removeTimeOutTask();
  if (instance_ == this) instance_ = nullptr;
}

void REvent::registerMembers()
{
  addProperty("cursorX", nullptr, OMLinkToObj<REvent>(this, &REvent::cursorXMember, 0));
  addProperty("cursorY", nullptr, OMLinkToObj<REvent>(this, &REvent::cursorYMember, 0));
  addProperty("key", nullptr, OMLinkToObj<REvent>(this, &REvent::keyMember, 0));
  const OMLinkToObj<REvent> timeOut(this, &REvent::timeOutMember, 0);
  addProperty("timeOut", &timeOut, nullptr);
  addMethod("resetTimeOut", OMLinkToObj<REvent>(this, &REvent::resetTimeOutMember));
  addMethod("pause", OMLinkToObj<REvent>(this, &REvent::pauseMember));
  addMethod("start", OMLinkToObj<REvent>(this, &REvent::startMember));
  addEvent("quit");
  addEvent("mouseDown");
  addEvent("mouseMoved");
  addEvent("keyPressed");
  addEvent("timeOutEvent");
}

OMWord REvent::keyLinkEntry(OMWord)
{
  if (instance_) instance_->onKey();
  return 0;
}

OMWord REvent::mouseDownLinkEntry(OMWord)
{
  if (instance_) instance_->onMouseDown();
  return 0;
}

OMWord REvent::mouseMoveLinkEntry(OMWord)
{
  if (instance_) instance_->onMouseMove();
  return 0;
}

bool REvent::raiseAlive(const char* name)
{
  const std::weak_ptr<int> alive = alive_;
  raise(name);
  return !alive.expired();
}

void REvent::onKey()
{
  keyCode_ = static_cast<std::uint32_t>(currentEventWParam());
  hadKey_ = true;
  lastActivityTime_ = now();
  raiseAlive("keyPressed");
}

void REvent::onMouseDown()
{
  if (!isRunning_) return;
  cursorPoint_ = currentEventMousePoint();
  lastActivityTime_ = now();
  raiseAlive("mouseDown");
}

void REvent::onMouseMove()
{
  if (isRunning_) raiseAlive("mouseMoved");
}

void REvent::setTimeOut(const char* text)
{
  // A negative period counts as none at all: the first check fires.
  const int value = std::atoi(text ? text : "");
  timeOut_ = value < 0 ? 0 : value;
  if (value == 0) {
    removeTimeOutTask();
    return;
  }
  if (!timeOutTask_) {
    const OMLinkToObj<REvent> check(this, &REvent::checkTimeOut);
    timeOutTask_ = std::make_unique<OMTask>(&check, 0);
    if (OMApp* app = OMApp::instance()) app->addTask(timeOutTask_.get());
  }
  lastActivityTime_ = now();
}

void REvent::removeTimeOutTask()
{
  if (!timeOutTask_) return;
  if (OMApp* app = OMApp::instance()) app->removeTask(timeOutTask_.get());
  timeOutTask_.reset();
}

OMWord REvent::checkTimeOut()
{
  const std::uint32_t time = now();
  if (!isRunning_) {
    lastActivityTime_ = time;
    return 0;
  }
  if (static_cast<std::int32_t>(time - lastActivityTime_) >= timeOut_) {
    lastActivityTime_ = time;
    raiseAlive("timeOutEvent");
  }
  return 0;
}

void REvent::keyName(std::uint32_t code, bool ctrl, char* out, std::size_t size)
{
  const char* prefix = "";
  if (ctrl) {
    prefix = "Ctrl-";
    code = (code + 64) & 255;
  }
  if (code >= firstNamedKey && code < firstNamedKey + namedKeyCount) {
    std::snprintf(out, size, "%s%s", prefix, keyNames[code - firstNamedKey]);
  } else {
    std::snprintf(out, size, "%s%c", prefix, static_cast<char>(code));
  }
}

OMWord REvent::cursorXMember(OMWord buffer)
{
  return writeNumber(buffer, cursorPoint_.x);
}

OMWord REvent::cursorYMember(OMWord buffer)
{
  return writeNumber(buffer, cursorPoint_.y);
}

OMWord REvent::keyMember(OMWord buffer)
{
  char* out = reinterpret_cast<char*>(buffer);
  if (!hadKey_) return writeText(buffer, "");
  keyName(keyCode_, isControlKeyDown(), out, resultBufferSize);
  return 1;
}

OMWord REvent::timeOutMember(OMWord text)
{
  setTimeOut(reinterpret_cast<const char*>(text));
  return 1;
}

OMWord REvent::resetTimeOutMember()
{
  lastActivityTime_ = now();
  return 1;
}

OMWord REvent::pauseMember()
{
  isRunning_ = 0;
  return 1;
}

OMWord REvent::startMember()
{
  isRunning_ = 1;
  lastActivityTime_ = now();
  return 1;
}
