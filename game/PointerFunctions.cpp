#include "game/PointerFunctions.h"

#include "framework/OMCursor.h"
#include "framework/OMPoint.h"
#include "framework/OMSystem.h"
#include "game/AppShell.h"
#include "game/OMStageWindow.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/rthread/YNativeFunction.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

// The framework's button bits: 1 right, 2 middle, 4 left.
constexpr int leftButton = 4;

OMPoint pointerOnStage()
{
  OMStageWindow* stage = shellStage();
  return stage ? stage->getMousePoint(nullptr) : OMPoint();
}

OMTrinket* trinketNamed(const char* name)
{
  return dynamic_cast<OMTrinket*>(scriptVariables.getObjectByName(name, false));
}

}  // namespace

namespace scriptfn {

OMWord cursorHide(OMWord)
{
  hideCursor();
  return 1;
}

OMWord cursorShow(OMWord)
{
  showCursor();
  return 1;
}

OMWord getCursorX(OMWord)
{
  setScriptResultInt(pointerOnStage().x);
  return 1;
}

OMWord getCursorY(OMWord)
{
  setScriptResultInt(pointerOnStage().y);
  return 1;
}

OMWord isMouseDown(OMWord)
{
  int buttons = 0;
  getMouseState(&buttons);
  setScriptResultInt((buttons & leftButton) != 0 ? 1 : 0);
  return 1;
}

OMWord intersectTest(OMWord)
{
  OMTrinket* a = trinketNamed(popScriptArg());
  OMTrinket* b = trinketNamed(popScriptArg());
  setScriptResultInt(a && b && a->intersects(*b) ? 1 : 0);
  return 1;
}

}  // namespace scriptfn
