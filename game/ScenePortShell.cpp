#include "game/ScenePortShell.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMSystem.h"
#include "framework/OMTask.h"
#include "game/BackgroundMusic.h"
#include "game/GlobalTimer.h"
#include "game/OMStageWindow.h"
#include "game/RScenePort.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/rthread/YScriptEngine.h"

namespace {

constexpr std::uint32_t spaceKey = 32;
constexpr std::uint32_t millisecondsPerSecond = 1000;

struct ScenePortState {
  OMStageWindow* stage = nullptr;
  std::vector<std::unique_ptr<GlobalTimer>> timers;
  std::unique_ptr<OMTask> timerTask;
};

ScenePortState& state()
{
  static ScenePortState theState;
  return theState;
}

OMWord stepTimers(OMWord)
{
  const std::uint32_t now = timeGetTime();
  // A handler may add timers: they wait for the next pass.
  const std::size_t count = state().timers.size();
  for (std::size_t i = 0; i < count && i < state().timers.size(); ++i) {
    if (!state().timers[i]->step(now)) continue;
    const std::string event = state().timers[i]->eventName();
    RScenePort::raiseOnEveryPort(event.c_str());
  }
  return 0;
}

OMWord onStageMouse(OMWord word)
{
  const auto* record = reinterpret_cast<const OMTrinketWindow::EventRecord*>(word);
  if (!record) return 0;
  const bool press = record->kind == 1 || record->kind == 4;
  const bool release = record->kind == 2;
  for (const auto& timer : state().timers) {
    if (press) timer->holdForPress();
    if (release) timer->releaseFromPress();
  }
  return 0;
}

OMWord onBackgroundPress(OMWord)
{
  RScenePort::raiseOnEveryPort("backgroundClicked");
  return 0;
}

// The stage made its layer after the first port: it hears background clicks too.
OMWord onLayerMade(OMWord)
{
  if (!RScenePort::ports().empty()) installBackgroundClickLink();
  return 0;
}

}  // namespace

void installScenePortTask()
{
  ScenePortState& s = state();
  const OMLinkToFct step(&stepTimers);
  s.timerTask = std::make_unique<OMTask>(&step, 0);
  if (OMApp* app = OMApp::instance()) app->addTask(s.timerTask.get());
}

void installStageMouseListener(OMStageWindow* stage)
{
  ScenePortState& s = state();
  if (s.stage) {
    s.stage->setInputListener(nullptr);
    s.stage->setLayerMadeLink(nullptr);
  }
  s.stage = stage;
  if (!stage) return;
  const OMLinkToFct listener(&onStageMouse), layerMade(&onLayerMade);
  stage->setInputListener(&listener);
  stage->setLayerMadeLink(&layerMade);
  if (!RScenePort::ports().empty()) installBackgroundClickLink();
}

void raiseAppClose()
{
  RScenePort::raiseOnEveryPort("appClose");
}

bool scriptsCanAnswerClose()
{
  return anyScriptThreadRuns() && RScenePort::anyPortConnects("appClose");
}

int sceneKeyPressed(std::uint32_t key)
{
  if (key == spaceKey) {
    RScenePort::raiseOnEveryPort("spacebarPressed");
    return 1;
  }
  if (key == omkey::enter) {
    RScenePort::raiseOnEveryPort("returnPressed");
    return 1;
  }
  return 0;
}

void shutdownScenePort()
{
  ScenePortState& s = state();
  shutdownBackgroundMusic();
  s.timerTask.reset();
  s.timers.clear();
}

OMStageWindow* scenePortStage()
{
  return state().stage;
}

void addGlobalTimer(std::uint32_t periodSeconds, std::uint32_t retrySeconds, const char* name,
                    std::uint32_t flags)
{
  auto timer = std::make_unique<GlobalTimer>(periodSeconds * millisecondsPerSecond,
                                             retrySeconds * millisecondsPerSecond, name, flags,
                                             timeGetTime());
  const std::string event = timer->eventName();
  state().timers.push_back(std::move(timer));
  for (RScenePort* port : RScenePort::ports())
    port->addOwnEvent(event.c_str());
}

GlobalTimer* findGlobalTimer(const char* name)
{
  for (const auto& timer : state().timers)
    if (timer->name() == (name ? name : "")) return timer.get();
  return nullptr;
}

GlobalTimer* globalTimer(int index)
{
  const auto& timers = state().timers;
  return index >= 0 && index < static_cast<int>(timers.size()) ? timers[index].get() : nullptr;
}

void installBackgroundClickLink()
{
  OMStageWindow* stage = state().stage;
  if (!stage || !stage->background()) return;
  const OMLinkToFct press(&onBackgroundPress);
  stage->background()->setLink(OMDrawLayer::pressLink, &press);
}

void clearBackgroundClickLink()
{
  OMStageWindow* stage = state().stage;
  if (stage && stage->background()) stage->background()->setLink(OMDrawLayer::pressLink, nullptr);
}
