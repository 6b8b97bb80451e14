#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMLink.h"
#include "framework/OMPoint.h"
#include "framework/OMTask.h"
#include "trinkets/src/OMScriptableObject.h"

class OMTrinketWindow;

// The program's one event source: it takes over the main host's key, mouse-move and
// mouse-press links and turns them, and a period without activity, into script events. It is
// never drawn. The links it replaced go back to the host when it is destroyed.
class REvent : public OMScriptableObject {
 public:
  // The event source, made on the main host on first use.
  static REvent* instance();
  static REvent* existing() { return instance_; }
  // The script factory: every creation hands out the one instance.
  static std::unique_ptr<OMScriptableObject> create();

  ~REvent() override;

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;

  // The name "key" reads for a code, with the Ctrl fold when ctrl is set.
  static void keyName(std::uint32_t code, bool ctrl, char* out, std::size_t size);

  void setTimeOut(const char* text);
  int timeOut() const { return timeOut_; }
  bool hasTimeOutTask() const { return timeOutTask_ != nullptr; }
  bool isRunning() const { return isRunning_ != 0; }

 private:
  explicit REvent(OMTrinketWindow* host);

  void onKey();
  void onMouseDown();
  void onMouseMove();
  OMWord checkTimeOut();
  void removeTimeOutTask();
  // Raises the event; false when the procedure it ran dropped this object.
  bool raiseAlive(const char* name);

  static OMWord keyLinkEntry(OMWord);
  static OMWord mouseDownLinkEntry(OMWord);
  static OMWord mouseMoveLinkEntry(OMWord);

  OMWord cursorXMember(OMWord buffer);
  OMWord cursorYMember(OMWord buffer);
  OMWord keyMember(OMWord buffer);
  OMWord timeOutMember(OMWord text);
  OMWord resetTimeOutMember();
  OMWord pauseMember();
  OMWord startMember();

  OMTrinketWindow* host_;
  std::unique_ptr<OMLink> savedMouseDownLink_;
  std::unique_ptr<OMLink> savedMouseMoveLink_;
  std::unique_ptr<OMLink> savedKeyLink_;
  std::unique_ptr<OMTask> timeOutTask_;
  std::int32_t timeOut_ = 0;
  std::uint32_t lastActivityTime_ = 0;
  std::uint32_t keyCode_ = 0;
  bool hadKey_ = false;
  OMPoint cursorPoint_;
  int isRunning_ = 0;
  // Expires with the object, so that a procedure that drops it is noticed.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);

  static REvent* instance_;
};
