#include "trinkets/lib/RAnswer.h"

#include <cstdio>
#include <cstdlib>

#include "framework/OMEdition.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMLinkToObj.h"
#include "trinkets/lib/RContainer.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/rthread/YNativeFunction.h"

namespace {

using Link = OMLinkToObj<RAnswer>;

struct AnswerDefaults {
  std::int16_t goHomeSound = 0;
  std::int16_t pickUpSound = 0;
  std::int16_t snapSound = 0;
  RAnswer::SoundPlayer player = nullptr;
  RAnswer::SoundStopper stopper = nullptr;
  // None: the trinkets' defaults of the moment.
  OMCursor* trackingCursor = nullptr;
  OMCursor* hoverCursor = nullptr;
};

AnswerDefaults& defaults()
{
  static AnswerDefaults state;
  return state;
}

int numberOf(const char* text)
{
  return text ? std::atoi(text) : 0;
}

int numberOf(OMWord text)
{
  return numberOf(reinterpret_cast<const char*>(text));
}

template <std::int16_t AnswerDefaults::*Field>
OMWord setDefaultSound(OMWord)
{
  defaults().*Field = static_cast<std::int16_t>(numberOf(popScriptArg()));
  return 0;
}

}  // namespace

RAnswer::RAnswer(const OMPoint& home, int z)
    : OMMultiTrinket(OMTrinketWindow::mainHost(), 2),
      home_(home),
      homeZ_(z),
      goHomeSound_(defaults().goHomeSound),
      pickUpSound_(defaults().pickUpSound),
      snapSound_(defaults().snapSound)
{
  setZ(z);
  setConfined(0);
  const Link pick(this, &RAnswer::pickUpHook), drop(this, &RAnswer::dropHook);
  setMouseDownHook(&pick);
  setDoubleClickHook(&pick);
  setMouseUpHook(&drop);
  const AnswerDefaults& d = defaults();
  setTrackingCursor(d.trackingCursor ? d.trackingCursor : OMTrinket::defaultTrackingCursor());
  setHoverCursor(d.hoverCursor ? d.hoverCursor : OMTrinket::defaultHoverCursor());
}

RAnswer::RAnswer(const RAnswer& other)
    : OMMultiTrinket(other),
      home_(other.home_),
      held_(other.held_),
      usingHotPoint_(other.usingHotPoint_),
      attribute_(other.attribute_),
      extraBottom_(other.extraBottom_),
      extraLeft_(other.extraLeft_),
      extraRight_(other.extraRight_),
      extraTop_(other.extraTop_),
      homeZ_(other.homeZ_),
      value_(other.value_),
      dropHandler_(other.dropHandler_ ? other.dropHandler_->clone() : nullptr),
      pickUpHandler_(other.pickUpHandler_ ? other.pickUpHandler_->clone() : nullptr),
      dropNotify_(other.dropNotify_ ? other.dropNotify_->clone() : nullptr),
      pickUpNotify_(other.pickUpNotify_ ? other.pickUpNotify_->clone() : nullptr),
      answerHotPoint_(other.answerHotPoint_),
      goHomeSound_(other.goHomeSound_),
      pickUpSound_(other.pickUpSound_),
      snapSound_(other.snapSound_)
{
  // The copied hooks would call the original.
  const Link pick(this, &RAnswer::pickUpHook), drop(this, &RAnswer::dropHook);
  setMouseDownHook(&pick);
  setDoubleClickHook(&pick);
  setMouseUpHook(&drop);
}

RAnswer::~RAnswer() = default;

void RAnswer::registerMembers()
{
  OMMultiTrinket::registerMembers();
  const bool game = !OMEdition::isAssessment();
  if (game) addAttributeProperty();
  addProperty("extraBottom", Link(this, &RAnswer::setDistance<&RAnswer::extraBottom_>, 0),
              Link(this, &RAnswer::getInt<&RAnswer::extraBottom_>, 0));
  addProperty("extraLeft", Link(this, &RAnswer::setDistance<&RAnswer::extraLeft_>, 0),
              Link(this, &RAnswer::getInt<&RAnswer::extraLeft_>, 0));
  addProperty("extraRight", Link(this, &RAnswer::setDistance<&RAnswer::extraRight_>, 0),
              Link(this, &RAnswer::getInt<&RAnswer::extraRight_>, 0));
  addProperty("extraTop", Link(this, &RAnswer::setDistance<&RAnswer::extraTop_>, 0),
              Link(this, &RAnswer::getInt<&RAnswer::extraTop_>, 0));
  addProperty("goHomeSound", Link(this, &RAnswer::setSound<&RAnswer::goHomeSound_>, 0),
              Link(this, &RAnswer::getSound<&RAnswer::goHomeSound_>, 0));
  addProperty("homeX", Link(this, &RAnswer::setHomeX, 0), Link(this, &RAnswer::getHomeX, 0));
  addProperty("homeY", Link(this, &RAnswer::setHomeY, 0), Link(this, &RAnswer::getHomeY, 0));
  if (game) addHotPointProperties();
  addProperty("isUsed", nullptr, Link(this, &RAnswer::getIsUsed, 0));
  if (game) addUsingHotPointProperty();
  addProperty("pickUpSound", Link(this, &RAnswer::setSound<&RAnswer::pickUpSound_>, 0),
              Link(this, &RAnswer::getSound<&RAnswer::pickUpSound_>, 0));
  addProperty("snapSound", Link(this, &RAnswer::setSound<&RAnswer::snapSound_>, 0),
              Link(this, &RAnswer::getSound<&RAnswer::snapSound_>, 0));
  if (game) addValueProperty();
  for (const char* event : {"addedToContainer", "dropped", "pickedUp", "removedFromContainer"})
    addEvent(event);
}

void RAnswer::addAttributeProperty()
{
  addProperty("attribute", Link(this, &RAnswer::setAttributeMember, 0),
              Link(this, &RAnswer::getAttributeMember, 0));
}

void RAnswer::addHotPointProperties()
{
  addProperty("hotPointX", Link(this, &RAnswer::setHotPointX, 0),
              Link(this, &RAnswer::getHotPointX, 0));
  addProperty("hotPointY", Link(this, &RAnswer::setHotPointY, 0),
              Link(this, &RAnswer::getHotPointY, 0));
}

void RAnswer::addUsingHotPointProperty()
{
  addProperty("isUsingHotPoint", Link(this, &RAnswer::setInt<&RAnswer::usingHotPoint_>, 0),
              Link(this, &RAnswer::getInt<&RAnswer::usingHotPoint_>, 0));
}

void RAnswer::addValueProperty()
{
  addProperty("value", Link(this, &RAnswer::setInt<&RAnswer::value_>, 0),
              Link(this, &RAnswer::getInt<&RAnswer::value_>, 0));
}

// Class-wide state.

void RAnswer::registerGlobalFunctions()
{
  const OMLinkToFct goHome(&setDefaultSound<&AnswerDefaults::goHomeSound>);
  const OMLinkToFct pickUp(&setDefaultSound<&AnswerDefaults::pickUpSound>);
  const OMLinkToFct snap(&setDefaultSound<&AnswerDefaults::snapSound>);
  registerScriptFunction("SetAnswerGoHomeSound", &goHome);
  registerScriptFunction("SetAnswerPickUpSound", &pickUp);
  registerScriptFunction("SetAnswerSnapSound", &snap);
}

void RAnswer::setSoundPlayer(SoundPlayer player)
{
  defaults().player = player;
}

void RAnswer::setSoundStopper(SoundStopper stopper)
{
  defaults().stopper = stopper;
}

RAnswer::SoundPlayer RAnswer::soundPlayer()
{
  return defaults().player;
}

void RAnswer::setDefaultTrackingCursor(OMCursor* cursor)
{
  defaults().trackingCursor = cursor;
}

void RAnswer::setDefaultHoverCursor(OMCursor* cursor)
{
  defaults().hoverCursor = cursor;
}

void RAnswer::playSound(int id) const
{
  // The assessment edition marks "no sound" with -1, the game with 0.
  const int none = OMEdition::isAssessment() ? -1 : 0;
  if (id == none || !defaults().player) return;
  defaults().player(static_cast<std::uint16_t>(id), nullptr, 0);
}

// Drag.

void RAnswer::pickUp()
{
  held_ = 1;
  playSound(pickUpSound_);
  report(pickUpHandler_, "pickedUp", pickUpNotify_);
}

void RAnswer::drop()
{
  held_ = 0;
  report(dropHandler_, "dropped", dropNotify_);
}

void RAnswer::report(const std::unique_ptr<OMLink>& handler, const char* event,
                     const std::unique_ptr<OMLink>& notify)
{
  const std::weak_ptr<int> alive = lifetime();
  if (handler) {
    handler->call();
  } else {
    raise(event);
  }
  if (!alive.expired() && notify) notify->call(reinterpret_cast<OMWord>(this));
}

OMWord RAnswer::pickUpHook()
{
  pickUp();
  return 1;
}

OMWord RAnswer::dropHook()
{
  drop();
  return 1;
}

void RAnswer::goHome()
{
  if (held_) return;
  moveTo(home_.x, home_.y);
  setZ(homeZ_);
  playSound(goHomeSound_);
}

void RAnswer::moveTo(int x, int y)
{
  int dx = x - rect().left(), dy = y - rect().top();
  offset(dx, dy);
}

OMRect RAnswer::dropRect() const
{
  const OMRect r = rect();
  return OMRect(r.left() + extraLeft_, r.top() + extraTop_, r.right() - extraRight_,
                r.bottom() - extraBottom_);
}

OMPoint RAnswer::hotPointOnStage() const
{
  return OMPoint(answerHotPoint_.x + rect().left(), answerHotPoint_.y + rect().top());
}

void RAnswer::centreOn(const OMRect& target)
{
  const OMRect d = dropRect();
  moveTo(target.left() + (target.width() - d.width()) / 2 - extraLeft_,
         target.top() + (target.height() - d.height()) / 2 - extraTop_);
  playSound(snapSound_);
}

void RAnswer::setMargins(int left, int top, int right, int bottom)
{
  extraLeft_ = left;
  extraTop_ = top;
  extraRight_ = right;
  extraBottom_ = bottom;
}

void RAnswer::anchor()
{
  setMovable(0);
  setTouchy(0);
}

void RAnswer::unanchor()
{
  setMovable(1);
  setTouchy(1);
}

// Containers.

RContainer* RAnswer::container() const
{
  return containerAlive_.expired() ? nullptr : container_;
}

void RAnswer::setContainer(RContainer* container)
{
  RContainer* current = this->container();
  if (container == current) return;
  const std::weak_ptr<int> alive = lifetime();
  if (current) raise("removedFromContainer");
  if (alive.expired()) return;
  if (container) raise("addedToContainer");
  if (alive.expired()) return;
  container_ = container;
  containerAlive_ = container ? container->liveness() : std::weak_ptr<int>();
}

// Links.

void RAnswer::setDropHandler(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(dropHandler_, link);
}

void RAnswer::setPickUpHandler(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(pickUpHandler_, link);
}

void RAnswer::setDropNotify(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(dropNotify_, link);
}

void RAnswer::setPickUpNotify(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(pickUpNotify_, link);
}

// Properties by name, for the containers that compare them.

std::string RAnswer::getAnswerProperty(const char* name) const
{
  const std::string key = name ? name : "";
  if (key == "isUsingHotPoint") return std::to_string(usingHotPoint_);
  if (key == "hotPointX") return std::to_string(answerHotPoint_.x);
  if (key == "hotPointY") return std::to_string(answerHotPoint_.y);
  if (key == "value") return std::to_string(value_);
  if (key == "attribute") return attribute_;
  if (key == "userData") return userData() ? userData() : "";
  return "";
}

void RAnswer::setAnswerProperty(const char* name, const char* text)
{
  const std::string key = name ? name : "";
  if (key == "isUsingHotPoint") usingHotPoint_ = numberOf(text);
  if (key == "hotPointX") answerHotPoint_.x = clampCoordinate(numberOf(text));
  if (key == "hotPointY") answerHotPoint_.y = clampCoordinate(numberOf(text));
  if (key == "value") value_ = numberOf(text);
  if (key == "attribute") setAttributeText(text);
  if (key == "userData") setUserData(text ? text : "");
}

// Script members.

template <int RAnswer::*Field>
OMWord RAnswer::getInt(OMWord buffer)
{
  return writeNumber(buffer, this->*Field);
}

template <int RAnswer::*Field>
OMWord RAnswer::setInt(OMWord text)
{
  this->*Field = numberOf(text);
  return 1;
}

template <int RAnswer::*Field>
OMWord RAnswer::setDistance(OMWord text)
{
  this->*Field = clampCoordinate(numberOf(text));
  return 1;
}

template <std::int16_t RAnswer::*Field>
OMWord RAnswer::getSound(OMWord buffer)
{
  return writeNumber(buffer, this->*Field);
}

template <std::int16_t RAnswer::*Field>
OMWord RAnswer::setSound(OMWord text)
{
  this->*Field = static_cast<std::int16_t>(numberOf(text));
  return 1;
}

OMWord RAnswer::getAttributeMember(OMWord buffer)
{
  return writeText(buffer, attribute_.c_str());
}

OMWord RAnswer::setAttributeMember(OMWord text)
{
  setAttributeText(reinterpret_cast<const char*>(text));
  return 1;
}

OMWord RAnswer::getHomeX(OMWord buffer)
{
  return writeNumber(buffer, home_.x);
}

OMWord RAnswer::setHomeX(OMWord text)
{
  home_.x = clampCoordinate(numberOf(text));
  moveTo(home_.x, rect().top());
  return 1;
}

OMWord RAnswer::getHomeY(OMWord buffer)
{
  return writeNumber(buffer, home_.y);
}

OMWord RAnswer::setHomeY(OMWord text)
{
  home_.y = clampCoordinate(numberOf(text));
  moveTo(rect().left(), home_.y);
  return 1;
}

OMWord RAnswer::getHotPointX(OMWord buffer)
{
  return writeNumber(buffer, hotPointOnStage().x);
}

OMWord RAnswer::setHotPointX(OMWord text)
{
  answerHotPoint_.x = clampCoordinate(numberOf(text));
  return 1;
}

OMWord RAnswer::getHotPointY(OMWord buffer)
{
  return writeNumber(buffer, hotPointOnStage().y);
}

OMWord RAnswer::setHotPointY(OMWord text)
{
  answerHotPoint_.y = clampCoordinate(numberOf(text));
  return 1;
}

OMWord RAnswer::getIsUsed(OMWord buffer)
{
  return writeNumber(buffer, isUsed() ? 1 : 0);
}
