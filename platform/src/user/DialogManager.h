#pragma once

#include <windows.h>

#include <map>
#include <optional>

#include "platform/host/Host.h"
#include "platform/src/user/DialogTemplate.h"

namespace omuser {

// The dialog manager: makes dialog windows (class "#32770") and their controls from templates,
// runs the modal loop, answers the dialog keys and keeps each dialog's state.
class DialogManager {
 public:
  static DialogManager& instance();

  // Makes the dialog and its controls and sends WM_INITDIALOG; null when a control cannot be
  // made (nothing of the dialog is left then). A modal dialog stays hidden until its loop runs.
  HWND create(const DialogTemplate& dialogTemplate, HINSTANCE instance, HWND owner,
              DLGPROC procedure, LPARAM param, bool modal);
  // create and the modal loop; -1 when the dialog cannot be made. box describes a message
  // box to the host.
  INT_PTR runModal(const DialogTemplate& dialogTemplate, HINSTANCE instance, HWND owner,
                   DLGPROC procedure, LPARAM param, const omhost::DialogRecord* box = nullptr);
  bool end(HWND dialog, INT_PTR result);
  bool isDialog(HWND window) const { return states_.count(window) != 0; }

  LRESULT defaultProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  bool isDialogMessage(HWND dialog, MSG& message);
  HWND nextTabItem(HWND dialog, HWND control, bool previous) const;
  HWND nextGroupItem(HWND dialog, HWND control, bool previous) const;
  bool mapRect(HWND dialog, RECT& rect) const;
  // A control took the focus: a push button with it looks like the default one.
  void focusMoved(HWND control);

  // Dialog units of a font: average width of the letters and the cell height; fonts of a
  // documented size keep the units the system gives them.
  static SIZE baseUnits(HFONT font, const char* face, int pointSize);

 private:
  struct State {
    HFONT font = nullptr;
    bool ownsFont = false;
    SIZE units{8, 16};
    WORD defaultId = 0;
    HWND savedFocus = nullptr;
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;
    std::optional<omhost::DialogRecord> box;
  };

  DialogManager() = default;
  State* stateOf(HWND dialog);
  const State* stateOf(HWND dialog) const;
  int enterChoice(HWND dialog) const;
  bool mnemonic(HWND dialog, char key);
  omhost::DialogRecord recordOf(HWND dialog) const;
  void clickForHost(HWND dialog, int id);

  std::map<HWND, State> states_;
  State pending_;
  bool creating_ = false;
};

}  // namespace omuser
