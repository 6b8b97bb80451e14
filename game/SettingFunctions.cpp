#include "game/SettingFunctions.h"

#include <cstdint>
#include <string>

#include "framework/OMFontManager.h"
#include "game/AppShell.h"
#include "game/MachineChecks.h"
#include "game/OMStageWindow.h"
#include "game/WorldField.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/rthread/YNativeFunction.h"

namespace {

int popNumber()
{
  return decimalValueOf(popScriptArg());
}

int numberOf(const std::string& text)
{
  return decimalValueOf(text.c_str());
}

std::uint16_t fontIdOf(const std::string& text)
{
  return static_cast<std::uint16_t>(numberOf(text));
}

}  // namespace

namespace scriptfn {

OMWord messageBox(OMWord)
{
  return 1;
}

OMWord setCorralTrinketNormalization(OMWord)
{
  OMTrinket::setConfineDrags(popNumber());
  return 1;
}

OMWord setDoubleClicksEnabled(OMWord)
{
  const int enabled = popNumber();
  if (OMStageWindow* stage = shellStage()) stage->setDoubleClicksDisabled(enabled == 0 ? 1 : 0);
  return 1;
}

OMWord setUseEmbeddedAnimationCoordinates(OMWord)
{
  OMAnimation::useEmbeddedAnimationCoordinates = popNumber();
  return 1;
}

// The font manager takes a TrueType font as face, style, size; the scripts give face, size,
// style.
OMWord substituteFont(OMWord)
{
  std::string a[6];
  for (std::string& argument : a)
    argument = popScriptArg();
  const auto& [first, second, third, fourth, fifth, sixth] = a;
  if (third.empty()) {
    substituteFontIdWithId(fontIdOf(first), fontIdOf(second));
  } else if (fifth.empty() && numberOf(first) != 0) {
    substituteFontIdWithTrueType(fontIdOf(first), second.c_str(), numberOf(fourth),
                                 numberOf(third));
  } else if (fifth.empty()) {
    substituteTrueTypeWithFontId(first.c_str(), numberOf(third), numberOf(second),
                                 fontIdOf(fourth));
  } else {
    substituteTrueTypeWithTrueType(first.c_str(), numberOf(third), numberOf(second),
                                   fourth.c_str(), numberOf(sixth), numberOf(fifth));
  }
  return 1;
}

OMWord readINI(OMWord)
{
  char value[1024];
  readSetting(popScriptArg(), value);
  setScriptResultInt(decimalValueOf(value));
  return 1;
}

}  // namespace scriptfn
