#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/OMWord.h"
#include "trinkets/src/OMScriptableObject.h"

// The scripts' face of the game's resource files: activation, caching of whole files and of
// single resources, at once or in the background. Every port hears "DLLCached" and
// "resourceCached", in the order the ports were made; the state is the registry's and
// outlives them all.
class RResourcePort : public OMScriptableObject {
 public:
  RResourcePort();
  ~RResourcePort() override;

  static std::unique_ptr<OMScriptableObject> create();
  // A port cannot be cloned: null.
  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;

  // Raises the event on every port in order of creation; a handler may delete ports.
  static void raiseOnEveryPort(const char* event);
  static const std::vector<RResourcePort*>& ports();

 private:
  OMWord cachedDLLName(OMWord buffer);
  OMWord cachedResourceID(OMWord buffer);
  OMWord cachedResourceType(OMWord buffer);
  OMWord activateDLLMember(OMWord unused);
  OMWord cacheDLLMember(OMWord unused);
  OMWord cacheResourcesMember(OMWord unused);
  OMWord deactivateAllDLLsMember(OMWord unused);
  OMWord deactivateDLLMember(OMWord unused);
  OMWord uncacheAllDLLsMember(OMWord unused);
  OMWord uncacheDLLMember(OMWord unused);
  OMWord uncacheResourcesMember(OMWord unused);

  // Tells a port apart from a later one made at the same address.
  std::uint64_t serial_;
};
