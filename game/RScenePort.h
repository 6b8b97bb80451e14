#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMWord.h"
#include "trinkets/src/OMScriptableObject.h"

// The scripts' hold on the scene as a whole: the screen and its transition effects, the
// background music, the global timers, and what the shell reports (a close request, clicks on
// the background, Return and Space, the end of an effect). All ports share one state, and
// every port hears every event, in the order the ports were made.
class RScenePort : public OMScriptableObject {
 public:
  RScenePort();
  ~RScenePort() override;

  static std::unique_ptr<OMScriptableObject> create();
  // A port cannot be cloned: null.
  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;

  // An event of the port's own: raiseOnEveryPort reaches it. A name it has is kept as it is.
  void addOwnEvent(const char* name);
  bool hasOwnEvent(const char* name) const;

  // Raises the event on every port that has it as its own; a handler may delete ports.
  static void raiseOnEveryPort(const char* event);
  // Whether a procedure is connected to that event on any port.
  static bool anyPortConnects(const char* event);
  static const std::vector<RScenePort*>& ports();

 private:
  OMWord getMusicId(OMWord buffer);
  OMWord setMusicId(OMWord text);
  OMWord getMusicVolume(OMWord buffer);
  OMWord setMusicVolume(OMWord text);
  OMWord getColorBitDepth(OMWord buffer);
  OMWord getMusicEnabled(OMWord buffer);
  OMWord setMusicEnabled(OMWord text);
  OMWord getMouseX(OMWord buffer);
  OMWord getMouseY(OMWord buffer);
  OMWord getSceneFlag(OMWord buffer);
  OMWord addGlobalTimerMember(OMWord unused);
  OMWord exitSelected(OMWord unused);
  OMWord disableGlobalTimer(OMWord unused);
  OMWord displayScreen(OMWord unused);
  OMWord dissolve(OMWord unused);
  OMWord enableGlobalTimer(OMWord unused);
  OMWord freezeScreen(OMWord unused);
  OMWord goToBlack(OMWord unused);
  OMWord iris(OMWord unused);
  OMWord pauseBackgroundMusic(OMWord unused);
  OMWord resumeBackgroundMusic(OMWord unused);
  OMWord scene(OMWord unused);
  OMWord shake(OMWord unused);
  OMWord startBackgroundMusicMember(OMWord unused);
  OMWord stopBackgroundMusicMember(OMWord unused);
  OMWord wipe(OMWord unused);

  std::vector<std::string> ownEvents_;
  // Tells a port apart from a later one made at the same address.
  std::uint64_t serial_;
};
