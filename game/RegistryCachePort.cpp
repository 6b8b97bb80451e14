#include "game/RegistryCachePort.h"

#include "game/ResourceFileRegistry.h"

void RegistryCachePort::activateDLL(const char* fileName, int owner, int cacheCopy)
{
  cacheDLLNow(fileName, static_cast<std::uint32_t>(owner), cacheCopy);
}

void RegistryCachePort::cacheDLL(const char* fileName, const OMLink* completion, int priority,
                                 int owner, int cacheCopy)
{
  ::cacheDLL(fileName, completion, priority, static_cast<std::uint32_t>(owner), cacheCopy);
}

void RegistryCachePort::uncacheDLL(const char* fileName)
{
  ::uncacheDLL(fileName);
}

void RegistryCachePort::cacheResource(std::uint16_t id, const char* type,
                                      const OMLink* completion, int owner, int priority)
{
  ::cacheResource(id, type, completion, static_cast<std::uint32_t>(owner), priority);
}

void RegistryCachePort::uncacheResource(std::uint16_t id, const char* type)
{
  ::uncacheResource(id, type);
}
