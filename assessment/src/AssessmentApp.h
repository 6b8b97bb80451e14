#pragma once

#include "framework/OMApp.h"

// The program's application object: the Escape key is taken before dispatch, and a close
// request (the close box, Alt+F4) asks through the exit dialog.
class AssessmentApp : public OMApp {
 public:
  AssessmentApp(const OMRect& screen, int depth);

  void preDispatch() override;
  void closeRequested() override;
};
