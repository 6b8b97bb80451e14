#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/host/Host.h"

namespace omhost {

// The backend of tests and unattended runs: the screen lives in memory, input comes from the
// test (the helpers below) or from an input script (OM_INPUT_SCRIPT), message boxes are
// drawn in the screen like any dialog; a modal dialog or box that waits with no input left is
// printed to standard error and answered by clicking a button: for a box the one the test
// queued, else its default button (with OM_MSGBOX_ANSWER, a button id, a box the test queued
// nothing for is answered so as soon as it waits); for a dialog the id
// the test queued, else OM_DIALOG_ANSWER, else its default button. OM_DIALOG_ANSWER is a button
// id, optionally followed by controls to click first ("1+102": tick box 102, then press 1); a
// dialog the test queued nothing for gets it as soon as the dialog waits, ahead of what the
// input script holds for later.
// Every modal dialog and box is recorded when it ends. File dialogs are
// answered from what the test queued, else cancelled, and recorded too.
//
// Input script: one command a line, "#" starts a comment. "at MS" before a command holds it
// back until timeGetTime reaches MS (later lines without "at" follow at the same time).
// Commands: move X Y; click X Y; rclick X Y; press X Y; release X Y; key NAME (press and
// release: F5, Enter, Esc, Left, a, ...); keydown NAME; keyup NAME; text WORD... (typed with
// Shift where needed); close; activate; deactivate; snap NAME (see snap(); NAME is made of
// letters, digits, "-", "_" and ".", not first).
//
// Unattended runs: OM_CLOCK=step:MS runs the host clock as a stepping clock (HostClock.h) from
// 0; OM_AUDIO_CAPTURE=file keeps what the audio sink consumes from the start and writes it as a
// 16-bit mono WAVE file at the sink's rate when the host ends (at the program's exit). Each
// time another copy of the program brings this one forward, "raised" is printed on standard
// output.
class HeadlessHost : public Host {
 public:
  // A session may take over the screen's storage from the one before it (the fuzz targets
  // start a session for each run): its screen is cleared as a new one is, without new memory.
  explicit HeadlessHost(std::vector<std::uint8_t> screenStorage = {});
  ~HeadlessHost() override;

  bool nextInput(InputEvent& event, bool wait) override;
  int answerWaitingDialog(const DialogRecord& dialog) override;
  // OM_DIALOG_ANSWER's clicks, once for each dialog, and OM_MSGBOX_ANSWER for each box the
  // test queued nothing for, before the input script's later input.
  int presetDialogAnswer(const DialogRecord& dialog) override;
  void dialogEnded(const DialogRecord& dialog) override;
  std::string chooseFile(bool save, const std::string& title, const std::string& initialFile,
                         unsigned flags) override;
  void cursorChanged(const CursorShape& shape, bool visible) override;
  void setTitle(const std::string& title) override { title_ = title; }
  void setIcon(const CursorShape& large, const CursorShape& small) override
  {
    icons_ = {large, small};
  }
  // Counts the request and prints "raised" on standard output, for runs in other processes.
  void raiseWindow() override;

  void inject(const InputEvent& event);
  void moveMouse(int x, int y);
  void pressButton(int x, int y, MouseButton button = MouseButton::Left);
  void releaseButton(int x, int y, MouseButton button = MouseButton::Left);
  void click(int x, int y, MouseButton button = MouseButton::Left);
  void pressKey(int virtualKey);
  void releaseKey(int virtualKey);
  void typeKey(int virtualKey);
  // Types Windows-1252 text on the US layout; characters it cannot type are skipped.
  void typeText(const std::string& text);
  void requestClose();
  void activate();
  void deactivate();

  void queueMessageBoxAnswer(int answer);
  const std::vector<MessageBoxRecord>& messageBoxes() const { return boxes_; }
  void clearMessageBoxes() { boxes_.clear(); }
  void queueDialogAnswer(int id);
  const std::vector<DialogRecord>& dialogs() const { return dialogs_; }

  void queueFileDialogAnswer(const std::string& windowsPath);
  const std::vector<FileDialogRecord>& fileDialogs() const { return fileDialogs_; }

  // Called when the program would wait for input and none is pending; it may inject some.
  void setIdleHandler(std::function<void()> handler) { idle_ = std::move(handler); }

  // Reads a script; false with a message naming the line when it is malformed (nothing of
  // it is then queued).
  bool loadInputScript(const std::string& path, std::string& error);
  bool parseInputScript(const std::string& text, std::string& error);
  bool scriptFinished() const { return scripted_.empty(); }

  // Prints "snap NAME " and the 64-bit FNV-1a hash (16 hex digits) of the screen's pixels as
  // 8-bit red, green and blue, rows top first, on standard output, and writes the same
  // pixels as NAME.png into the folder OM_SNAP_DIR when it is set. Answers the hash.
  std::uint64_t snap(const std::string& name);

  const CursorShape& cursor() const { return cursor_; }
  bool cursorVisible() const { return cursorVisible_; }
  const std::string& title() const { return title_; }
  // The window's icons as the program gave them: large, then small.
  const std::pair<CursorShape, CursorShape>& icons() const { return icons_; }
  // How often another copy of the program asked for the window to come forward.
  int raiseCount() const { return raises_; }

 private:
  int presetBoxAnswer(const DialogRecord& dialog);
  // An input event, or a snapshot when snap names one.
  struct TimedEvent {
    std::uint32_t due;
    InputEvent event;
    std::string snap;
  };

  std::deque<InputEvent> pending_;
  std::deque<TimedEvent> scripted_;
  std::deque<int> answers_;
  std::deque<int> dialogAnswers_;
  std::deque<int> settingClicks_;  // what is left of OM_DIALOG_ANSWER for the open dialog
  bool settingPreset_ = false;     // the open dialog has had the setting's clicks ahead
  std::vector<DialogRecord> dialogs_;
  std::vector<MessageBoxRecord> boxes_;
  std::deque<std::string> fileAnswers_;
  std::vector<FileDialogRecord> fileDialogs_;
  std::function<void()> idle_;
  CursorShape cursor_ = desktopArrow();
  std::string title_;
  std::pair<CursorShape, CursorShape> icons_;
  bool cursorVisible_ = true;
  int raises_ = 0;
  std::string audioCapture_;  // where the consumed sound goes at the end; empty: nowhere
};

// The headless backend when it is the current one, else null.
HeadlessHost* headlessHost();

// Makes a new headless backend current and empties the window system, the message queue and
// the cursor state, so that a test starts as a program does; its windows are not published to
// other processes (see InstanceRegistry). Tests only.
HeadlessHost& startHeadlessSession();

}  // namespace omhost
