#include "game/RResourcePort.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "framework/OMLinkToObj.h"
#include "game/ResourceFileRegistry.h"
#include "game/WorldField.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

constexpr int backgroundPriority = 10;

TrinketRecord resourcePortRecord("RResourcePort", &RResourcePort::create,
                                 TrinketRecord::gameEditionOnly);

std::vector<RResourcePort*>& livePorts()
{
  static std::vector<RResourcePort*> ports;
  return ports;
}

std::uint64_t nextSerial = 1;

// A popped argument as a number; empty counts as 0.
int numberArgument()
{
  return decimalValueOf(popScriptArg());
}

}  // namespace

RResourcePort::RResourcePort() : serial_(nextSerial++)
{
  livePorts().push_back(this);
  setResourcePortEventHook(&RResourcePort::raiseOnEveryPort);
}

RResourcePort::~RResourcePort()
{
  auto& ports = livePorts();
  ports.erase(std::remove(ports.begin(), ports.end(), this), ports.end());
}

std::unique_ptr<OMScriptableObject> RResourcePort::create()
{
  return std::make_unique<RResourcePort>();
}

std::unique_ptr<OMScriptableObject> RResourcePort::clone() const
{
  return nullptr;
}

void RResourcePort::registerMembers()
{
  using Own = OMLinkToObj<RResourcePort>;
  addProperty("cachedDLLName", nullptr, Own(this, &RResourcePort::cachedDLLName, 0));
  addProperty("cachedResourceID", nullptr, Own(this, &RResourcePort::cachedResourceID, 0));
  addProperty("cachedResourceType", nullptr, Own(this, &RResourcePort::cachedResourceType, 0));
  addMethod("activateDLL", Own(this, &RResourcePort::activateDLLMember, 0));
  addMethod("cacheDLL", Own(this, &RResourcePort::cacheDLLMember, 0));
  addMethod("cacheResources", Own(this, &RResourcePort::cacheResourcesMember, 0));
  addMethod("deactivateAllDLLs", Own(this, &RResourcePort::deactivateAllDLLsMember, 0));
  addMethod("deactivateDLL", Own(this, &RResourcePort::deactivateDLLMember, 0));
  addMethod("uncacheAllDLLs", Own(this, &RResourcePort::uncacheAllDLLsMember, 0));
  addMethod("uncacheDLL", Own(this, &RResourcePort::uncacheDLLMember, 0));
  addMethod("uncacheResources", Own(this, &RResourcePort::uncacheResourcesMember, 0));
  addEvent("DLLCached");
  addEvent("resourceCached");
}

void RResourcePort::raiseOnEveryPort(const char* event)
{
  // The ports as they are now; one that a handler deletes is passed over, one it makes waits
  // for the next event.
  std::vector<std::pair<RResourcePort*, std::uint64_t>> each;
  for (RResourcePort* port : livePorts())
    each.emplace_back(port, port->serial_);
  for (const auto& [port, serial] : each) {
    const auto& ports = livePorts();
    const bool alive = std::find(ports.begin(), ports.end(), port) != ports.end();
    if (alive && port->serial_ == serial) port->raise(event);
  }
}

const std::vector<RResourcePort*>& RResourcePort::ports()
{
  return livePorts();
}

OMWord RResourcePort::cachedDLLName(OMWord buffer)
{
  return writeText(buffer, lastCachedFileName());
}

OMWord RResourcePort::cachedResourceID(OMWord buffer)
{
  return writeText(buffer, std::to_string(lastCachedResourceId()).c_str());
}

OMWord RResourcePort::cachedResourceType(OMWord buffer)
{
  return writeText(buffer, lastCachedResourceType());
}

OMWord RResourcePort::activateDLLMember(OMWord)
{
  const std::string name = popScriptArg();
  activateDLL(name.c_str(), static_cast<std::uint32_t>(numberArgument()));
  return 1;
}

OMWord RResourcePort::cacheDLLMember(OMWord)
{
  const std::string name = popScriptArg();
  const int background = numberArgument();
  const auto keep = static_cast<std::uint32_t>(numberArgument());
  const int copy = numberArgument();
  if (background != 0)
    cacheDLL(name.c_str(), nullptr, backgroundPriority, keep, copy);
  else
    cacheDLLNow(name.c_str(), keep, copy);
  return 1;
}

OMWord RResourcePort::cacheResourcesMember(OMWord)
{
  for (;;) {
    const int id = numberArgument();
    const std::string type = popScriptArg();
    const auto keep = static_cast<std::uint32_t>(numberArgument());
    if (type.empty()) break;
    cacheResource(static_cast<std::uint16_t>(id), type.c_str(), nullptr, keep, backgroundPriority);
  }
  return 1;
}

OMWord RResourcePort::deactivateAllDLLsMember(OMWord)
{
  deactivateAllDLLs(numberArgument());
  return 1;
}

OMWord RResourcePort::deactivateDLLMember(OMWord)
{
  const std::string name = popScriptArg();
  deactivateDLL(name.c_str());
  return 1;
}

OMWord RResourcePort::uncacheAllDLLsMember(OMWord)
{
  uncacheAllDLLs(numberArgument());
  return 1;
}

OMWord RResourcePort::uncacheDLLMember(OMWord)
{
  const std::string name = popScriptArg();
  uncacheDLL(name.c_str());
  return 1;
}

OMWord RResourcePort::uncacheResourcesMember(OMWord)
{
  std::string id = popScriptArg();
  if (id.empty()) {
    uncacheAllResources();
    return 1;
  }
  while (!id.empty()) {
    const std::string type = popScriptArg();
    uncacheResource(decimalValueOf(id.c_str()), type.c_str());
    id = popScriptArg();
  }
  return 1;
}
