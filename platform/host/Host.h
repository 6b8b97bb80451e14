#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The platform's only contact with the machine: the virtual screen, input, message boxes and
// presentation. One backend is current: a real window by default, the headless one with
// OM_HOST=headless; tests may install their own.
namespace omhost {

// The virtual screen: a plain pixel buffer that windows draw into through their device
// contexts. Rows are top-down, pitch bytes apart. 16-bit pixels are 5-5-5; 8-bit pixels index
// the system palette (0x00RRGGBB entries), whose first and last ten entries are the static
// colours of an 8-bit display.
struct ScreenBuffer {
  int width = 640;
  int height = 480;
  int bitsPerPixel = 16;
  int pitch = 0;
  std::vector<std::uint8_t> bytes;
  std::array<std::uint32_t, 256> palette{};
  // Counts the times the platform handed out the pixels for drawing: while it stands still,
  // so does the picture, and a backend need not look at the pixels.
  std::uint64_t drawCount = 0;

  void resize(int newWidth, int newHeight, int newBitsPerPixel);
};

// Reads OM_SCREEN ("WxHxD"); 640x480x16 when unset or malformed. Depths 8, 16, 24 and 32.
void parseScreenSetting(const char* text, int& width, int& height, int& bitsPerPixel);

enum class InputKind {
  MouseMove,
  MouseDown,
  MouseUp,
  KeyDown,
  KeyUp,
  Close,       // the user asks the program's window to close
  Activate,    // the program's window gains the input focus of the desktop
  Deactivate,  // ... and loses it
  EndSession,  // the session ends
};

enum class MouseButton { Left = 0, Right = 1, Middle = 2 };

// Input in screen coordinates and Win32 virtual keys; scanCode 0 lets the platform choose the
// scan code of the key on a US keyboard. time 0 takes the clock's time when the event is read.
struct InputEvent {
  InputKind kind = InputKind::MouseMove;
  int x = 0;
  int y = 0;
  MouseButton button = MouseButton::Left;
  int virtualKey = 0;
  int scanCode = 0;
  std::uint32_t time = 0;
};

// The cursor as the host shows it: a system cursor (its IDC_ id), or a picture of 0xAARRGGBB
// pixels, top row first, whose alpha is the mask (0 leaves the screen as it is). An empty
// shape (no system id, no pixels) shows no cursor.
struct CursorShape {
  int systemId = 0;
  int width = 0;
  int height = 0;
  int hotX = 0;
  int hotY = 0;
  std::vector<std::uint32_t> pixels;

  bool operator==(const CursorShape&) const = default;
};

// A backend shows the desktop's arrow until the program sets a cursor.
constexpr int kArrowCursor = 32512;  // IDC_ARROW
inline CursorShape desktopArrow()
{
  CursorShape arrow;
  arrow.systemId = kArrowCursor;
  return arrow;
}

struct MessageBoxRecord {
  std::string text;
  std::string caption;
  unsigned style = 0;
  int answer = 0;
};

// A modal dialog (or message box) of the program: what it shows and how it ended.
struct DialogRecord {
  bool messageBox = false;
  std::string caption;
  std::string text;  // a message box's message
  unsigned style = 0;
  std::vector<std::pair<int, std::string>> controls;  // id and text of each control
  std::vector<int> answers;                           // a message box's buttons
  int defaultId = 0;                                  // what Enter would choose now
  int answer = 0;                                     // the dialog's result
};

// A common file dialog as the program asked for it, and the path chosen (empty: cancelled).
struct FileDialogRecord {
  bool save = false;
  std::string title;
  std::string initialFile;
  unsigned flags = 0;
  std::string chosen;
};

class Host {
 public:
  virtual ~Host() = default;

  ScreenBuffer& screen() { return screen_; }
  // Shows the screen's current contents (a window backend copies them to the display).
  virtual void present() {}
  // A pass of the program's loop found nothing to do: a backend may wait up to milliseconds
  // for input (which ends the wait at once). A backend that shows the screen presents it
  // first when it changed, and then does not wait, since the program is drawing.
  virtual void idle(std::uint32_t milliseconds) { (void)milliseconds; }
  // Takes the next input event. With wait set, a backend may block until input arrives; it
  // answers false when there is none (and, waiting, when none will come).
  virtual bool nextInput(InputEvent& event, bool wait) = 0;
  // A modal dialog waits for input and none is left. A backend that answers for the user
  // gives the id of the button to click; 0 keeps the dialog waiting.
  virtual int answerWaitingDialog(const DialogRecord& dialog)
  {
    (void)dialog;
    return 0;
  }
  // A modal dialog has shown itself and nothing is waiting for it now. A backend that answers
  // for an unattended run gives the id of a control to click before any input still to come;
  // 0 lets the dialog wait.
  virtual int presetDialogAnswer(const DialogRecord& dialog)
  {
    (void)dialog;
    return 0;
  }
  // A modal dialog or message box has ended.
  virtual void dialogEnded(const DialogRecord& dialog) { (void)dialog; }
  // Shows a modal file dialog and answers the Windows path chosen, or an empty text when the
  // user cancels. Backends without file dialogs answer cancelled.
  virtual std::string chooseFile(bool save, const std::string& title,
                                 const std::string& initialFile, unsigned flags)
  {
    (void)save;
    (void)title;
    (void)initialFile;
    (void)flags;
    return {};
  }
  // Another copy of the program asked this one to come forward: the program's window is
  // restored when minimised and raised above other windows of the desktop.
  virtual void raiseWindow() {}
  // The cursor the program shows and whether it is shown.
  virtual void cursorChanged(const CursorShape& shape, bool visible)
  {
    (void)shape;
    (void)visible;
  }
  // The title of the program's frame window, in UTF-8.
  virtual void setTitle(const std::string& title) { (void)title; }
  // The pictures of the frame window's class icons (an empty shape where it has none).
  virtual void setIcon(const CursorShape& large, const CursorShape& small)
  {
    (void)large;
    (void)small;
  }
  // Exclusive full-screen drawing: a window backend covers the desktop with the picture and
  // shows its window again when it leaves. The state is kept for every backend.
  virtual void setFullScreen(bool on) { fullScreen_ = on; }
  bool fullScreen() const { return fullScreen_; }

 protected:
  ScreenBuffer screen_;
  bool fullScreen_ = false;
};

// The current backend; made on first use from OM_HOST and OM_SCREEN.
Host& host();
// Replaces the backend (tests); null returns to the default on next use.
void setHost(std::unique_ptr<Host> replacement);
// Counts the backends made or installed: another backend is another screen, even where its
// pixels lie where the last one's lay (a session may take over the storage of the one before).
std::uint64_t hostGeneration();

}  // namespace omhost
