#include "game/RScenePort.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "framework/OMLinkToFct.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMPoint.h"
#include "framework/OMSystem.h"
#include "game/AppShell.h"
#include "game/BackgroundMusic.h"
#include "game/GlobalTimer.h"
#include "game/OMStageWindow.h"
#include "game/ScenePortShell.h"
#include "game/WorldField.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObjectProperty.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

// The events every port has from its start.
constexpr const char* standardEvents[] = {
    "appClose", "backgroundClicked", "effectFinished", "exittingGame",
    "paused",   "resumed",           "returnPressed",  "spacebarPressed"};

TrinketRecord scenePortRecord("RScenePort", &RScenePort::create, TrinketRecord::gameEditionOnly);

std::vector<RScenePort*>& livePorts()
{
  static std::vector<RScenePort*> ports;
  return ports;
}

std::uint64_t nextSerial = 1;

int numberOf(OMWord text)
{
  return decimalValueOf(reinterpret_cast<const char*>(text));
}

// A popped argument as a number; empty counts as 0.
int numberArgument()
{
  return decimalValueOf(popScriptArg());
}

// Effects: the mode that hides the picture when the argument is not 0, else the one that
// reveals it.
int effectModeArgument()
{
  return numberArgument() != 0 ? OMStageWindow::hide : OMStageWindow::reveal;
}

OMWord raiseEffectFinished(OMWord)
{
  RScenePort::raiseOnEveryPort("effectFinished");
  return 0;
}

}  // namespace

RScenePort::RScenePort() : serial_(nextSerial++)
{
  livePorts().push_back(this);
  installBackgroundClickLink();
}

RScenePort::~RScenePort()
{
  auto& ports = livePorts();
  ports.erase(std::remove(ports.begin(), ports.end(), this), ports.end());
  if (ports.empty()) clearBackgroundClickLink();
}

std::unique_ptr<OMScriptableObject> RScenePort::create()
{
  return std::make_unique<RScenePort>();
}

std::unique_ptr<OMScriptableObject> RScenePort::clone() const
{
  return nullptr;
}

void RScenePort::registerMembers()
{
  using Own = OMLinkToObj<RScenePort>;
  addProperty("backgroundMusicID", Own(this, &RScenePort::setMusicId, 0),
              Own(this, &RScenePort::getMusicId, 0));
  addProperty("backgroundMusicVolume", Own(this, &RScenePort::setMusicVolume, 0),
              Own(this, &RScenePort::getMusicVolume, 0));
  addProperty("colorBitDepth", nullptr, Own(this, &RScenePort::getColorBitDepth, 0));
  addProperty("isBackgroundMusicEnabled", Own(this, &RScenePort::setMusicEnabled, 0),
              Own(this, &RScenePort::getMusicEnabled, 0));
  addProperty("mouseX", nullptr, Own(this, &RScenePort::getMouseX, 0));
  addProperty("mouseY", nullptr, Own(this, &RScenePort::getMouseY, 0));
  addProperty("sceneFlag", nullptr, Own(this, &RScenePort::getSceneFlag, 0));
  addMethod("addGlobalTimer", Own(this, &RScenePort::addGlobalTimerMember, 0));
  addMethod("exitSelected", Own(this, &RScenePort::exitSelected, 0));
  addMethod("disableGlobalTimer", Own(this, &RScenePort::disableGlobalTimer, 0));
  addMethod("displayScreen", Own(this, &RScenePort::displayScreen, 0));
  addMethod("dissolve", Own(this, &RScenePort::dissolve, 0));
  addMethod("enableGlobalTimer", Own(this, &RScenePort::enableGlobalTimer, 0));
  addMethod("freezeScreen", Own(this, &RScenePort::freezeScreen, 0));
  addMethod("goToBlack", Own(this, &RScenePort::goToBlack, 0));
  addMethod("iris", Own(this, &RScenePort::iris, 0));
  addMethod("pauseBackgroundMusic", Own(this, &RScenePort::pauseBackgroundMusic, 0));
  addMethod("resumeBackgroundMusic", Own(this, &RScenePort::resumeBackgroundMusic, 0));
  addMethod("scene", Own(this, &RScenePort::scene, 0));
  addMethod("shake", Own(this, &RScenePort::shake, 0));
  addMethod("startBackgroundMusic", Own(this, &RScenePort::startBackgroundMusicMember, 0));
  addMethod("stopBackgroundMusic", Own(this, &RScenePort::stopBackgroundMusicMember, 0));
  addMethod("wipe", Own(this, &RScenePort::wipe, 0));
  for (const char* event : standardEvents)
    addOwnEvent(event);
  for (int i = 0; GlobalTimer* timer = globalTimer(i); ++i)
    addOwnEvent(timer->eventName().c_str());
}

void RScenePort::addOwnEvent(const char* name)
{
  if (hasOwnEvent(name)) return;
  ownEvents_.emplace_back(name);
  addEvent(name);
}

bool RScenePort::hasOwnEvent(const char* name) const
{
  return std::find(ownEvents_.begin(), ownEvents_.end(), name) != ownEvents_.end();
}

bool RScenePort::anyPortConnects(const char* event)
{
  return std::any_of(livePorts().begin(), livePorts().end(), [event](const RScenePort* port) {
    const OMScriptableObjectProperty* member = port->findMember(event);
    return port->hasOwnEvent(event) && member && member->link();
  });
}

void RScenePort::raiseOnEveryPort(const char* event)
{
  // The ports as they are now; one that a handler deletes is passed over, one it makes waits
  // for the next event.
  std::vector<std::pair<RScenePort*, std::uint64_t>> each;
  for (RScenePort* port : livePorts())
    each.emplace_back(port, port->serial_);
  for (const auto& [port, serial] : each) {
    const auto& ports = livePorts();
    const bool alive = std::find(ports.begin(), ports.end(), port) != ports.end();
    if (alive && port->serial_ == serial && port->hasOwnEvent(event)) port->raise(event);
  }
}

const std::vector<RScenePort*>& RScenePort::ports()
{
  return livePorts();
}

OMWord RScenePort::getMusicId(OMWord buffer)
{
  return writeNumber(buffer, backgroundMusicId());
}

OMWord RScenePort::setMusicId(OMWord text)
{
  const auto id = static_cast<std::int16_t>(numberOf(text));
  if (id != backgroundMusicId()) startBackgroundMusic(id, backgroundMusicVolume(), 0);
  return 1;
}

OMWord RScenePort::getMusicVolume(OMWord buffer)
{
  return writeNumber(buffer, backgroundMusicVolume());
}

OMWord RScenePort::setMusicVolume(OMWord text)
{
  startBackgroundMusic(backgroundMusicId(), numberOf(text), 0);
  return 1;
}

OMWord RScenePort::getColorBitDepth(OMWord buffer)
{
  return writeNumber(buffer, getScreenDepth(0));
}

OMWord RScenePort::getMusicEnabled(OMWord buffer)
{
  return writeNumber(buffer, backgroundMusicEnabled());
}

OMWord RScenePort::setMusicEnabled(OMWord text)
{
  setBackgroundMusicEnabled(numberOf(text));
  return 1;
}

OMWord RScenePort::getMouseX(OMWord buffer)
{
  return writeNumber(buffer, currentEventMousePoint().x);
}

OMWord RScenePort::getMouseY(OMWord buffer)
{
  return writeNumber(buffer, currentEventMousePoint().y);
}

OMWord RScenePort::getSceneFlag(OMWord buffer)
{
  OMStageWindow* stage = scenePortStage();
  if (!stage) {
    reinterpret_cast<char*>(buffer)[0] = '\0';
    return 1;
  }
  return writeNumber(buffer, stage->effectMode());
}

OMWord RScenePort::addGlobalTimerMember(OMWord)
{
  const int period = numberArgument();
  const int retry = numberArgument();
  const std::string name = popScriptArg();
  const int flags = numberArgument();
  addGlobalTimer(static_cast<std::uint32_t>(period), static_cast<std::uint32_t>(retry),
                 name.c_str(), static_cast<std::uint32_t>(flags));
  return 1;
}

OMWord RScenePort::exitSelected(OMWord)
{
  answerCloseRequest(numberArgument());
  return 1;
}

OMWord RScenePort::disableGlobalTimer(OMWord)
{
  if (GlobalTimer* timer = findGlobalTimer(popScriptArg())) timer->disable();
  return 1;
}

OMWord RScenePort::enableGlobalTimer(OMWord)
{
  if (GlobalTimer* timer = findGlobalTimer(popScriptArg())) timer->enable();
  return 1;
}

OMWord RScenePort::displayScreen(OMWord)
{
  if (OMStageWindow* stage = scenePortStage()) stage->displayScreen(numberArgument());
  return 1;
}

OMWord RScenePort::dissolve(OMWord)
{
  OMStageWindow* stage = scenePortStage();
  if (!stage) return 1;
  const int duration = numberArgument();
  const OMLinkToFct finished(&raiseEffectFinished);
  stage->dissolve(duration, effectModeArgument(), &finished);
  return 1;
}

OMWord RScenePort::freezeScreen(OMWord)
{
  if (OMStageWindow* stage = scenePortStage()) stage->setPresentEnabled(0);
  return 1;
}

OMWord RScenePort::goToBlack(OMWord)
{
  if (OMStageWindow* stage = scenePortStage()) stage->goToBlack();
  return 1;
}

OMWord RScenePort::iris(OMWord)
{
  OMStageWindow* stage = scenePortStage();
  if (!stage) return 1;
  // Held to the coordinate range, so that the circle's corners stay in 32 bits.
  const int duration = numberArgument();
  const int x = clampCoordinate(numberArgument());
  const int y = clampCoordinate(numberArgument());
  const int radius = clampCoordinate(numberArgument());
  const OMLinkToFct finished(&raiseEffectFinished);
  stage->iris(duration, OMPoint(x, y), radius, &finished);
  return 1;
}

OMWord RScenePort::pauseBackgroundMusic(OMWord)
{
  beginScenePause();
  return 1;
}

OMWord RScenePort::resumeBackgroundMusic(OMWord)
{
  endScenePause();
  return 1;
}

OMWord RScenePort::scene(OMWord)
{
  OMStageWindow* stage = scenePortStage();
  if (!stage) return 1;
  const int id = numberArgument();
  const std::string palette = popScriptArg();
  const int paletteId = palette.empty() ? id : decimalValueOf(palette.c_str());
  stage->scene(static_cast<std::uint16_t>(id), static_cast<std::uint16_t>(paletteId));
  return 1;
}

OMWord RScenePort::shake(OMWord)
{
  OMStageWindow* stage = scenePortStage();
  if (!stage) return 1;
  // Held to the coordinate range, so that the shaken origin stays in 32 bits.
  const int duration = numberArgument();
  const int x = clampCoordinate(numberArgument());
  const int y = clampCoordinate(numberArgument());
  const OMLinkToFct finished(&raiseEffectFinished);
  stage->shake(duration, x, y, &finished);
  return 1;
}

OMWord RScenePort::startBackgroundMusicMember(OMWord)
{
  const std::string id = popScriptArg();
  const std::string volume = popScriptArg();
  const std::string fade = popScriptArg();
  // The form follows the last argument given.
  if (!fade.empty()) {
    startBackgroundMusic(decimalValueOf(id.c_str()), decimalValueOf(volume.c_str()),
                         decimalValueOf(fade.c_str()));
  } else if (!volume.empty()) {
    startBackgroundMusic(decimalValueOf(id.c_str()), decimalValueOf(volume.c_str()), 0);
  } else if (!id.empty()) {
    startBackgroundMusic(decimalValueOf(id.c_str()), backgroundMusicVolume(), 0);
  } else {
    startBackgroundMusic(backgroundMusicId(), backgroundMusicVolume(), 0);
  }
  return 1;
}

OMWord RScenePort::stopBackgroundMusicMember(OMWord)
{
  stopBackgroundMusic(numberArgument());
  return 1;
}

OMWord RScenePort::wipe(OMWord)
{
  OMStageWindow* stage = scenePortStage();
  if (!stage) return 1;
  const int direction = numberArgument() != 0 ? 1 : 0;
  const int duration = numberArgument();
  const OMLinkToFct finished(&raiseEffectFinished);
  stage->wipe(direction, duration, effectModeArgument(), &finished);
  return 1;
}
