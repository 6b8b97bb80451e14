// Message boxes: dialogs of the dialog manager, laid out from the text and the style.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/src/user/DialogManager.h"
#include "platform/src/user/WindowManager.h"

namespace {

std::vector<int> buttonsOf(UINT style)
{
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
      return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
      return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
      return {IDYES, IDNO};
    case MB_RETRYCANCEL:
      return {IDRETRY, IDCANCEL};
    default:
      return {IDOK};
  }
}

const char* labelOf(int id)
{
  switch (id) {
    case IDCANCEL:
      return "Cancel";
    case IDABORT:
      return "&Abort";
    case IDRETRY:
      return "&Retry";
    case IDIGNORE:
      return "&Ignore";
    case IDYES:
      return "&Yes";
    case IDNO:
      return "&No";
    default:
      return "OK";
  }
}

WORD iconOf(UINT style)
{
  switch (style & MB_ICONMASK) {
    case MB_ICONHAND:
      return 32513;
    case MB_ICONQUESTION:
      return 32514;
    case MB_ICONEXCLAMATION:
      return 32515;
    case MB_ICONASTERISK:
      return 32516;
    default:
      return 0;
  }
}

// Esc and the close box answer Cancel, or OK in a box that has only OK; other boxes ignore
// them.
INT_PTR CALLBACK boxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(box, DWLP_USER, lParam);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const auto* buttons =
      reinterpret_cast<const std::vector<int>*>(GetWindowLongPtrA(box, DWLP_USER));
  if (buttons == nullptr) return FALSE;
  int id = LOWORD(wParam);
  if (id == IDCANCEL && std::find(buttons->begin(), buttons->end(), IDCANCEL) == buttons->end())
    id = buttons->size() == 1 && buttons->front() == IDOK ? IDOK : 0;
  if (std::find(buttons->begin(), buttons->end(), id) != buttons->end()) EndDialog(box, id);
  return TRUE;
}

// A task-modal box without an owner disables every enabled top-level window of the program
// while it is up, as Windows does, and gives activation back afterwards.
class TaskModalScope {
 public:
  explicit TaskModalScope(bool taskModal)
  {
    if (!taskModal) return;
    previous_ = GetActiveWindow();
    for (const omuser::Window* top : omuser::WindowManager::instance().topLevelWindows()) {
      if (IsWindowEnabled(top->handle)) disabled_.push_back(top->handle);
    }
    for (HWND top : disabled_)
      EnableWindow(top, FALSE);
  }
  ~TaskModalScope()
  {
    for (HWND top : disabled_) {
      if (IsWindow(top)) EnableWindow(top, TRUE);
    }
    if (previous_ != nullptr && IsWindow(previous_)) SetActiveWindow(previous_);
  }
  TaskModalScope(const TaskModalScope&) = delete;
  TaskModalScope& operator=(const TaskModalScope&) = delete;

 private:
  HWND previous_ = nullptr;
  std::vector<HWND> disabled_;
};

}  // namespace

// The box is a modal dialog owned by the owner's top window: laid out in pixels with the
// dialog font, the icon at the left, the text wrapped beside it and the buttons centred below.
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
  constexpr int kMargin = 12, kIcon = 32, kButtonWidth = 75, kButtonHeight = 23, kGap = 6;
  const std::string message = text != nullptr ? text : "";
  const std::vector<int> buttons = buttonsOf(style);
  const WORD icon = iconOf(style);

  omuser::DialogTemplate t;
  t.inPixels = true;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT;
  t.caption = caption != nullptr ? caption : "Error";
  t.hasFont = true;
  t.pointSize = 8;
  t.face = "MS Sans Serif";

  // The text's size in the dialog font.
  const RECT screen = omuser::WindowManager::instance().screenRect();
  RECT textRect{0, 0, std::max<LONG>(100, (screen.right - screen.left) * 5 / 8), 0};
  {
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, t.face.c_str());
    HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    DrawTextA(dc, message.c_str(), -1, &textRect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
  }
  const int textWidth = textRect.right - textRect.left;
  const int textHeight = textRect.bottom - textRect.top;
  const int textLeft = kMargin + (icon != 0 ? kIcon + kMargin : 0);
  const int textTop = kMargin + (icon != 0 && textHeight < kIcon ? (kIcon - textHeight) / 2 : 0);
  const int contentBottom = std::max(textTop + textHeight, icon != 0 ? kMargin + kIcon : 0);
  const int count = static_cast<int>(buttons.size());
  const int rowWidth = count * kButtonWidth + (count - 1) * kGap;
  const int width = std::max(textLeft + textWidth + kMargin, rowWidth + 2 * kMargin);
  const int buttonTop = contentBottom + kMargin;
  t.cx = static_cast<short>(width);
  t.cy = static_cast<short>(buttonTop + kButtonHeight + kMargin);

  if (icon != 0) {
    omuser::DialogItem item;
    item.style = WS_VISIBLE | SS_ICON;
    item.x = item.y = kMargin;
    item.cx = item.cy = kIcon;
    item.id = 0xFFFF;
    item.windowClass = {true, 0x82, ""};
    item.title = {true, icon, ""};
    t.items.push_back(item);
  }
  omuser::DialogItem label;
  label.style = WS_VISIBLE | WS_GROUP | SS_LEFT | SS_NOPREFIX;
  label.x = static_cast<short>(textLeft);
  label.y = static_cast<short>(textTop);
  label.cx = static_cast<short>(textWidth);
  label.cy = static_cast<short>(textHeight);
  label.id = 0xFFFF;
  label.windowClass = {true, 0x82, ""};
  label.title = {false, 0, message};
  t.items.push_back(label);
  const int chosenDefault = std::clamp(static_cast<int>((style & MB_DEFMASK) >> 8), 0, count - 1);
  int x = (width - rowWidth) / 2;
  for (int i = 0; i < count; ++i) {
    omuser::DialogItem button;
    button.style =
        WS_VISIBLE | WS_TABSTOP | (i == chosenDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    button.x = static_cast<short>(x);
    button.y = static_cast<short>(buttonTop);
    button.cx = kButtonWidth;
    button.cy = kButtonHeight;
    button.id = static_cast<DWORD>(buttons[static_cast<std::size_t>(i)]);
    button.windowClass = {true, 0x80, ""};
    button.title = {false, 0, labelOf(buttons[static_cast<std::size_t>(i)])};
    t.items.push_back(button);
    x += kButtonWidth + kGap;
  }
  // The default button has the focus first.
  std::rotate(t.items.end() - count, t.items.end() - count + chosenDefault, t.items.end());
  (t.items.end() - count)->style |= WS_GROUP;

  omhost::DialogRecord box;
  box.messageBox = true;
  box.text = message;
  box.style = style;
  box.answers = buttons;
  const TaskModalScope taskModal(owner == nullptr && (style & MB_TASKMODAL) != 0);
  const INT_PTR answer = omuser::DialogManager::instance().runModal(
      t, nullptr, owner, &boxProcedure, reinterpret_cast<LPARAM>(&buttons), &box);
  return answer > 0 ? static_cast<int>(answer) : 0;
}
