#include "game/EverythingPause.h"

#include <cstdint>
#include <string>
#include <vector>

#include "framework/OMWaveSound.h"
#include "game/AppShell.h"
#include "game/OMStageWindow.h"
#include "trinkets/src/OMTrinket.h"

namespace {

struct ClassPauseHooks {
  std::string className;
  TrinketPauseHook pause = nullptr;
  TrinketPauseHook resume = nullptr;
};

std::vector<ClassPauseHooks>& classHooks()
{
  static std::vector<ClassPauseHooks> hooks;
  return hooks;
}

const ClassPauseHooks* hooksOf(const OMTrinket* trinket)
{
  const char* name = trinket->className();
  if (!name) return nullptr;
  for (const ClassPauseHooks& hooks : classHooks())
    if (hooks.className == name) return &hooks;
  return nullptr;
}

// The stage's own default flags, kept while everything is paused.
std::uint32_t savedDefaultFlags = 0;

void walkClassHooks(OMStageWindow* stage, bool pausing)
{
  stage->trinkets().forEach([pausing](OMTrinket* trinket) {
    const ClassPauseHooks* hooks = hooksOf(trinket);
    if (!hooks) return;
    const TrinketPauseHook hook = pausing ? hooks->pause : hooks->resume;
    if (hook) hook(trinket);
  });
}

}  // namespace

void setClassPauseHooks(const char* className, TrinketPauseHook pause, TrinketPauseHook resume)
{
  if (!className) return;
  std::vector<ClassPauseHooks>& hooks = classHooks();
  for (auto it = hooks.begin(); it != hooks.end(); ++it) {
    if (it->className != className) continue;
    hooks.erase(it);
    break;
  }
  if (pause || resume) hooks.push_back({className, pause, resume});
}

namespace scriptfn {

OMWord pauseEverything(OMWord)
{
  pauseMixingSounds();
  OMStageWindow* stage = shellStage();
  if (!stage) return 1;
  savedDefaultFlags = stage->defaultTrinketFlags();
  stage->setTrinketFlags(pausedTrinketFlags, nullptr);
  stage->setDefaultTrinketFlags(0);
  walkClassHooks(stage, true);
  return 1;
}

OMWord resumeEverything(OMWord)
{
  resumePausedSounds();
  OMStageWindow* stage = shellStage();
  if (!stage) return 1;
  stage->clearTrinketFlags(pausedTrinketFlags, nullptr);
  stage->setDefaultTrinketFlags(savedDefaultFlags);
  walkClassHooks(stage, false);
  return 1;
}

}  // namespace scriptfn
