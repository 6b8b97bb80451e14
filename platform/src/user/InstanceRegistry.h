#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace omuser {

// Makes a program's top-level windows findable by class name from other processes of the same
// user, so that a second copy of a program can find the first and bring it forward.
//
// Each published class holds a lock file and a listening socket in the user's runtime folder
// ($XDG_RUNTIME_DIR, else /tmp/om-<uid>), both named after a hash of the class text. Another
// process's FindWindowA (by class alone) connects to the socket and gets a stand-in handle;
// IsIconic, GetLastActivePopup, SendMessageA(WM_SYSCOMMAND, SC_RESTORE), BringWindowToTop and
// SetForegroundWindow on that handle become requests that the owning process carries out on
// its main thread (they arrive there as posted messages).
class InstanceRegistry {
 public:
  static InstanceRegistry& instance();
  ~InstanceRegistry();

  // Called for every new top-level window; only the first window of a class is published,
  // and only when no other process holds the class.
  void publish(HWND window, const std::string& className);
  void windowGone(HWND window);
  void setIconic(HWND window, bool iconic);
  void clear();
  bool anyPublished() const { return !entries_.empty(); }
  // Publishing is on by default; tests that do not need it turn it off.
  void setEnabled(bool enabled) { enabled_ = enabled; }

  // A stand-in handle for the window of another process, or null when none runs.
  HWND findForeign(const std::string& className);
  bool isForeign(HWND window) const;
  // Requests to the other process: "ICONIC", "RESTORE", "RAISE". Answers its reply, or an
  // empty text when it cannot be reached.
  std::string ask(HWND foreign, const char* request);

  // The message the owning process posts to itself to raise a window.
  static constexpr UINT kRaiseMessage = 0x7F01;

 private:
  struct Entry;
  InstanceRegistry() = default;
  static std::string folder();
  static std::string baseName(const std::string& className);
  void serve(Entry* entry);

  std::vector<std::unique_ptr<Entry>> entries_;
  std::vector<std::string> foreign_;  // socket paths; handle = base + index
  bool enabled_ = true;
};

}  // namespace omuser
