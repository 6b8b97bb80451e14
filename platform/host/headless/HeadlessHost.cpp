#include "platform/host/headless/HeadlessHost.h"
#include "platform/host/WindowLayerHooks.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

#include "platform/host/HostAudioSink.h"
#include "platform/host/HostClock.h"
#include "platform/host/headless/CaptureFiles.h"

namespace omhost {
namespace {

InputEvent mouseEvent(InputKind kind, int x, int y, MouseButton button)
{
  InputEvent event;
  event.kind = kind;
  event.x = x;
  event.y = y;
  event.button = button;
  return event;
}

InputEvent keyEvent(InputKind kind, int vk)
{
  InputEvent event;
  event.kind = kind;
  event.virtualKey = vk;
  return event;
}

InputEvent plainEvent(InputKind kind)
{
  InputEvent event;
  event.kind = kind;
  return event;
}

// Appends the events of one script command; false when it is malformed.
bool scriptCommand(std::istringstream& words, const std::string& command,
                   std::vector<InputEvent>& out)
{
  auto point = [&](int& x, int& y) { return static_cast<bool>(words >> x >> y); };
  int x = 0, y = 0;
  if (command == "move" && point(x, y)) {
    out.push_back(mouseEvent(InputKind::MouseMove, x, y, MouseButton::Left));
  } else if ((command == "click" || command == "rclick") && point(x, y)) {
    const MouseButton button = command == "click" ? MouseButton::Left : MouseButton::Right;
    out.push_back(mouseEvent(InputKind::MouseMove, x, y, button));
    out.push_back(mouseEvent(InputKind::MouseDown, x, y, button));
    out.push_back(mouseEvent(InputKind::MouseUp, x, y, button));
  } else if (command == "press" && point(x, y)) {
    out.push_back(mouseEvent(InputKind::MouseMove, x, y, MouseButton::Left));
    out.push_back(mouseEvent(InputKind::MouseDown, x, y, MouseButton::Left));
  } else if (command == "release" && point(x, y)) {
    out.push_back(mouseEvent(InputKind::MouseMove, x, y, MouseButton::Left));
    out.push_back(mouseEvent(InputKind::MouseUp, x, y, MouseButton::Left));
  } else if (command == "key" || command == "keydown" || command == "keyup") {
    std::string name;
    if (!(words >> name)) return false;
    const auto lookUp = windowLayerHooks().virtualKeyFromName;
    const int vk = lookUp != nullptr ? lookUp(name.c_str()) : 0;
    if (vk == 0) return false;
    if (command != "keyup") out.push_back(keyEvent(InputKind::KeyDown, vk));
    if (command != "keydown") out.push_back(keyEvent(InputKind::KeyUp, vk));
  } else if (command == "text") {
    std::string rest;
    std::getline(words, rest);
    const auto start = rest.find_first_not_of(' ');
    if (start == std::string::npos) return false;
    for (const char c : rest.substr(start)) {
      const std::int16_t scan = VkKeyScanA(c);
      if (scan == -1) continue;
      const bool shift = (scan & 0x100) != 0;
      if (shift) out.push_back(keyEvent(InputKind::KeyDown, VK_SHIFT));
      out.push_back(keyEvent(InputKind::KeyDown, scan & 0xFF));
      out.push_back(keyEvent(InputKind::KeyUp, scan & 0xFF));
      if (shift) out.push_back(keyEvent(InputKind::KeyUp, VK_SHIFT));
    }
    return true;
  } else if (command == "close") {
    out.push_back(plainEvent(InputKind::Close));
  } else if (command == "activate") {
    out.push_back(plainEvent(InputKind::Activate));
  } else if (command == "deactivate") {
    out.push_back(plainEvent(InputKind::Deactivate));
  } else {
    return false;
  }
  std::string extra;
  return !(words >> extra);
}

bool isSnapName(const std::string& name)
{
  if (name.empty() || name[0] == '.') return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
  });
}

// The clicks of an OM_DIALOG_ANSWER setting, in order: the controls after "+", then the button.
std::deque<int> dialogClicks(const char* setting)
{
  std::deque<int> clicks;
  const std::string text = setting != nullptr ? setting : "";
  const auto plus = text.find('+');
  const int button = std::atoi(text.substr(0, plus).c_str());
  for (auto at = plus; at != std::string::npos; at = text.find('+', at + 1)) {
    const int control = std::atoi(text.c_str() + at + 1);
    if (control != 0) clicks.push_back(control);
  }
  if (button != 0) clicks.push_back(button);
  return clicks;
}

void reportDialogClick(const DialogRecord& dialog, int id)
{
  std::string shown;
  for (const auto& [control, text] : dialog.controls)
    shown += " [" + std::to_string(control) + " " + text + "]";
  std::fprintf(stderr, "[dialog] %s:%s -> %d\n", dialog.caption.c_str(), shown.c_str(), id);
}

}  // namespace

HeadlessHost::HeadlessHost(std::vector<std::uint8_t> screenStorage)
{
  screen_.bytes = std::move(screenStorage);
  int width = 0, height = 0, depth = 0;
  parseScreenSetting(std::getenv("OM_SCREEN"), width, height, depth);
  screen_.resize(width, height, depth);
  if (const char* setting = std::getenv("OM_CLOCK")) {
    std::uint32_t step = 0;
    if (parseClockSetting(setting, step)) {
      useSteppingClock(step);
      HostAudioSink::instance().resynchronise();
    } else {
      std::fprintf(stderr, "om: OM_CLOCK=%s is not step:MS (1 to 60000); the clock runs\n",
                   setting);
    }
  }
  if (const char* capture = std::getenv("OM_AUDIO_CAPTURE"); capture != nullptr && *capture) {
    audioCapture_ = capture;
    HostAudioSink::instance().startCapture();
  }
  if (const char* script = std::getenv("OM_INPUT_SCRIPT")) {
    std::string error;
    if (!loadInputScript(script, error)) std::fprintf(stderr, "om: %s\n", error.c_str());
  }
}

HeadlessHost::~HeadlessHost()
{
  if (audioCapture_.empty()) return;
  const std::vector<std::int16_t> samples = HostAudioSink::instance().takeCaptured();
  if (!writeMonoWave(audioCapture_, HostAudioSink::kRate, samples))
    std::fprintf(stderr, "om: the audio capture %s cannot be written\n", audioCapture_.c_str());
}

bool HeadlessHost::nextInput(InputEvent& event, bool wait)
{
  if (pending_.empty() && wait && idle_) idle_();
  if (!pending_.empty()) {
    event = pending_.front();
    pending_.pop_front();
    return true;
  }
  while (!scripted_.empty()) {
    const std::uint32_t now = clockMilliseconds();
    const std::uint32_t due = scripted_.front().due;
    if (static_cast<std::int32_t>(due - now) > 0) {
      if (!wait) return false;
      // Waiting for the next scripted input: the manual clock jumps there, the real one passes.
      if (isManualClock())
        advanceClock(due - now);
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(due - now));
    }
    TimedEvent next = std::move(scripted_.front());
    scripted_.pop_front();
    if (next.snap.empty()) {
      event = next.event;
      return true;
    }
    snap(next.snap);
  }
  return false;
}

std::uint64_t HeadlessHost::snap(const std::string& name)
{
  const std::vector<std::uint8_t> rgb = screenRgb(screen_);
  const std::uint64_t hash = fnv1a64(rgb.data(), rgb.size());
  std::printf("snap %s %016llx\n", name.c_str(), static_cast<unsigned long long>(hash));
  std::fflush(stdout);
  if (const char* folder = std::getenv("OM_SNAP_DIR"); folder != nullptr && *folder) {
    const std::string path = std::string(folder) + "/" + name + ".png";
    if (!writeRgbPng(path, screen_.width, screen_.height, rgb))
      std::fprintf(stderr, "om: snap %s cannot be written to %s\n", name.c_str(), path.c_str());
  }
  return hash;
}

void HeadlessHost::raiseWindow()
{
  ++raises_;
  std::printf("raised\n");
  std::fflush(stdout);
}

int HeadlessHost::answerWaitingDialog(const DialogRecord& dialog)
{
  int wanted = 0;
  std::deque<int>& queued = dialog.messageBox ? answers_ : dialogAnswers_;
  if (!dialog.messageBox && queued.empty() && settingClicks_.empty()) {
    if (const char* setting = std::getenv("OM_DIALOG_ANSWER"))
      settingClicks_ = dialogClicks(setting);
  }
  if (!queued.empty()) {
    wanted = queued.front();
    queued.pop_front();
  } else if (!dialog.messageBox && !settingClicks_.empty()) {
    wanted = settingClicks_.front();
    settingClicks_.pop_front();
  } else if (const char* setting = dialog.messageBox ? std::getenv("OM_MSGBOX_ANSWER") : nullptr) {
    wanted = std::atoi(setting);
  }
  int answer = dialog.defaultId;
  if (dialog.messageBox) {
    if (std::find(dialog.answers.begin(), dialog.answers.end(), wanted) != dialog.answers.end())
      answer = wanted;
    std::fprintf(stderr, "[message box] %s: %s -> %d\n", dialog.caption.c_str(),
                 dialog.text.c_str(), answer);
  } else {
    if (wanted != 0) answer = wanted;
    reportDialogClick(dialog, answer);
  }
  return answer;
}

int HeadlessHost::presetDialogAnswer(const DialogRecord& dialog)
{
  // A test's own answers keep their turn, after the input it gives.
  if (dialog.messageBox) return answers_.empty() ? presetBoxAnswer(dialog) : 0;
  if (!dialogAnswers_.empty()) return 0;
  if (!settingPreset_) {
    settingPreset_ = true;
    if (const char* setting = std::getenv("OM_DIALOG_ANSWER"))
      settingClicks_ = dialogClicks(setting);
  }
  if (settingClicks_.empty()) return 0;
  const int answer = settingClicks_.front();
  settingClicks_.pop_front();
  reportDialogClick(dialog, answer);
  return answer;
}

// An unattended run's box takes OM_MSGBOX_ANSWER as soon as it waits, so that the input the
// script holds for later reaches the program and not the box.
int HeadlessHost::presetBoxAnswer(const DialogRecord& dialog)
{
  const char* setting = std::getenv("OM_MSGBOX_ANSWER");
  if (setting == nullptr || *setting == '\0') return 0;
  const int wanted = std::atoi(setting);
  const bool offered =
      std::find(dialog.answers.begin(), dialog.answers.end(), wanted) != dialog.answers.end();
  const int answer = offered ? wanted : dialog.defaultId;
  std::fprintf(stderr, "[message box] %s: %s -> %d\n", dialog.caption.c_str(), dialog.text.c_str(),
               answer);
  return answer;
}

void HeadlessHost::dialogEnded(const DialogRecord& dialog)
{
  if (!dialog.messageBox) {
    settingClicks_.clear();
    settingPreset_ = false;
  }
  dialogs_.push_back(dialog);
  if (dialog.messageBox)
    boxes_.push_back(MessageBoxRecord{dialog.text, dialog.caption, dialog.style, dialog.answer});
}

void HeadlessHost::queueDialogAnswer(int id)
{
  dialogAnswers_.push_back(id);
}

std::string HeadlessHost::chooseFile(bool save, const std::string& title,
                                     const std::string& initialFile, unsigned flags)
{
  std::string chosen;
  if (!fileAnswers_.empty()) {
    chosen = fileAnswers_.front();
    fileAnswers_.pop_front();
  }
  std::fprintf(stderr, "[file dialog] %s: %s -> %s\n", title.c_str(), initialFile.c_str(),
               chosen.empty() ? "cancelled" : chosen.c_str());
  fileDialogs_.push_back(FileDialogRecord{save, title, initialFile, flags, chosen});
  return chosen;
}

void HeadlessHost::queueFileDialogAnswer(const std::string& windowsPath)
{
  fileAnswers_.push_back(windowsPath);
}

void HeadlessHost::cursorChanged(const CursorShape& shape, bool visible)
{
  cursor_ = shape;
  cursorVisible_ = visible;
}

void HeadlessHost::inject(const InputEvent& event)
{
  pending_.push_back(event);
}

void HeadlessHost::moveMouse(int x, int y)
{
  inject(mouseEvent(InputKind::MouseMove, x, y, MouseButton::Left));
}

void HeadlessHost::pressButton(int x, int y, MouseButton button)
{
  inject(mouseEvent(InputKind::MouseDown, x, y, button));
}

void HeadlessHost::releaseButton(int x, int y, MouseButton button)
{
  inject(mouseEvent(InputKind::MouseUp, x, y, button));
}

void HeadlessHost::click(int x, int y, MouseButton button)
{
  moveMouse(x, y);
  pressButton(x, y, button);
  releaseButton(x, y, button);
}

void HeadlessHost::pressKey(int vk)
{
  inject(keyEvent(InputKind::KeyDown, vk));
}

void HeadlessHost::releaseKey(int vk)
{
  inject(keyEvent(InputKind::KeyUp, vk));
}

void HeadlessHost::typeKey(int vk)
{
  pressKey(vk);
  releaseKey(vk);
}

void HeadlessHost::typeText(const std::string& text)
{
  std::istringstream words("text " + text);
  std::string command;
  words >> command;
  std::vector<InputEvent> events;
  scriptCommand(words, command, events);
  for (const InputEvent& event : events)
    inject(event);
}

void HeadlessHost::requestClose()
{
  inject(plainEvent(InputKind::Close));
}

void HeadlessHost::activate()
{
  inject(plainEvent(InputKind::Activate));
}

void HeadlessHost::deactivate()
{
  inject(plainEvent(InputKind::Deactivate));
}

void HeadlessHost::queueMessageBoxAnswer(int answer)
{
  answers_.push_back(answer);
}

bool HeadlessHost::loadInputScript(const std::string& path, std::string& error)
{
  std::ifstream file(path);
  if (!file) {
    error = "cannot read input script " + path;
    return false;
  }
  std::stringstream contents;
  contents << file.rdbuf();
  return parseInputScript(contents.str(), error);
}

bool HeadlessHost::parseInputScript(const std::string& text, std::string& error)
{
  std::istringstream lines(text);
  std::string line;
  std::deque<TimedEvent> parsed;
  std::uint32_t due = 0;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string command;
    if (!(words >> command)) continue;
    if (command == "at") {
      long long when = -1;
      if (!(words >> when) || when < 0 || when > 0xFFFFFFFFLL || !(words >> command)) {
        error = "input script line " + std::to_string(number) + ": bad time";
        return false;
      }
      due = static_cast<std::uint32_t>(when);
    }
    if (command == "snap") {
      std::string name, extra;
      if (!(words >> name) || !isSnapName(name) || (words >> extra)) {
        error = "input script line " + std::to_string(number) + ": bad snap name";
        return false;
      }
      parsed.push_back(TimedEvent{due, InputEvent{}, name});
      continue;
    }
    std::vector<InputEvent> events;
    if (!scriptCommand(words, command, events)) {
      error = "input script line " + std::to_string(number) + ": cannot read \"" + line + "\"";
      return false;
    }
    for (const InputEvent& event : events)
      parsed.push_back(TimedEvent{due, event, {}});
  }
  for (const TimedEvent& event : parsed)
    scripted_.push_back(event);
  return true;
}

HeadlessHost* headlessHost()
{
  return dynamic_cast<HeadlessHost*>(&host());
}

HeadlessHost& startHeadlessSession()
{
  auto fresh = std::make_unique<HeadlessHost>();
  HeadlessHost& session = *fresh;
  setHost(std::move(fresh));
  if (windowLayerHooks().resetSession != nullptr) windowLayerHooks().resetSession();
  return session;
}

}  // namespace omhost
