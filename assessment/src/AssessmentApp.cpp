#include "assessment/src/AssessmentApp.h"

#include "assessment/src/AssessmentMenus.h"
#include "framework/OMSystem.h"

AssessmentApp::AssessmentApp(const OMRect& screen, int depth)
    : OMApp(2, screen, OMRGBColor::fromIndex(0), depth, 0)
{
}

void AssessmentApp::preDispatch()
{
  const MSG& message = currentEvent();
  if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) handleEscape();
  OMApp::preDispatch();
}

void AssessmentApp::closeRequested()
{
  // A request while a dialog is up (a host signal among them) waits for its answer.
  if (dialogIsOpen()) return;
  showExitDialog();
}
