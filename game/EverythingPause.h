#pragma once

#include "framework/OMWord.h"

class OMTrinket;

// "PauseEverything" and "ResumeEverything": the sounds, the trinkets' mouse events and the
// trinkets that keep their own time (characters, arcade actors) stop and go on together.
namespace scriptfn {

OMWord pauseEverything(OMWord unused);
OMWord resumeEverything(OMWord unused);

}  // namespace scriptfn

// The event-suppression flags that a pause sets on the stage's trinkets: no mouse down, up,
// drag, double click, fly-on or fly-off, no key hook and no tick.
constexpr unsigned pausedTrinketFlags = 0x3AF;

// How a pause reaches a trinket of a class that keeps its own time: the class's unit installs
// them for its class name ("RCharacter", "RArcadeAO"). A trinket is told by the class name the
// class registry made it under; one without a name, or of a class without hooks, is skipped.
using TrinketPauseHook = void (*)(OMTrinket* trinket);
void setClassPauseHooks(const char* className, TrinketPauseHook pause, TrinketPauseHook resume);
