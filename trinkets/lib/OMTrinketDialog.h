#pragma once

#include <cstdint>
#include <memory>

#include <windows.h>

#include "framework/OMList.h"
#include "framework/OMRect.h"
#include "trinkets/lib/OMTrinketGroup.h"

class OMAnimatedCursor;
class OMCursor;
class OMFont;
class OMLink;
class OMTask;

// The script's dialog box: a grey 3D panel on the host carrying buttons, labels, bitmaps and
// any trinket a script hands it, built member by member or from a "DIALOG" template of the
// program. A modal dialog freezes every other trinket, every task but the host's frame task
// and the sound output until one of its buttons dismisses it. One dialog exists at a time.
class OMTrinketDialog : public OMTrinketGroup {
 public:
  // Subclass words of the members that Enter and Esc choose.
  static constexpr int defaultMarker = -31415;
  static constexpr int escapeMarker = -27182;
  // What a modal dialog stops on every other trinket: mouse, drag, double click, keys, fly
  // on and off, and the per-frame step.
  static constexpr std::uint32_t frozenFlags = 0x3AF;

  ~OMTrinketDialog() override;

  // The script's factory: left, top, right, bottom [, modal] or template id [, modal].
  // Answers the dialog that exists, also one made before.
  static std::unique_ptr<OMScriptableObject> fromScript();
  // 1 when a dialog was made; 0 when one exists already or the template is refused.
  static int create(const OMRect& rect, int modal, OMTrinketWindow* host);
  static int createFromTemplate(int id, int modal, OMTrinketWindow* host);
  static OMTrinketDialog* currentDialog();
  // The id of the last dismissal while its dialog lives, else -1.
  static int dismissedId();
  // The text height of the last template's font; 10 before any.
  static int templateFontHeight();

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void stateText(char* buffer, std::size_t size) const override;
  void registerMembers() override;
  void showTrackingCursor() override {}
  void showHoverCursor() override {}
  void reorder() override {}
  void onKeyDown() override;
  void paint() override;
  // Hidden, on top level 1, then carried.
  void addMember(OMTrinket* trinket) override;
  // The first show takes the cursor and, when modal, freezes; every show shows the members.
  void show() override;

  // Reports the id to the script and deletes the dialog.
  void dismiss(int id);

  int resourceId() const { return resourceId_; }
  int isModal() const { return modal_; }
  bool isFrozen() const { return frozen_; }
  OMFont* font() const { return font_.get(); }
  // Expires with the dialog.
  std::weak_ptr<int> lifetime() const { return alive_; }

 private:
  OMTrinketDialog(const OMRect& rect, int resourceId, OMTrinketWindow* host);
  // Turns one control of the template window into a member.
  static BOOL CALLBACK convertChild(HWND child, LPARAM dialog);
  void freeze();
  void thaw();
  // A link that dismisses this dialog with the id.
  std::unique_ptr<OMLink> dismissLink(int id);
  OMWord dismissMember(OMWord id);
  // The member that Enter, Esc or a mnemonic chooses, and the id it dismisses with.
  OMTrinket* chosenMember(std::uint32_t key, int& id);

  OMWord showMember();
  OMWord addButtonMember();
  OMWord addRPButtonMember();
  OMWord addTextMember();
  OMWord addBitmapMember();
  OMWord addTrinketMember();

  std::unique_ptr<OMFont> font_;
  std::int16_t resourceId_;
  int modal_ = 0;
  bool shown_ = false;
  bool frozen_ = false;
  OMCursor* savedCursor_ = nullptr;
  std::unique_ptr<OMAnimatedCursor> dialogCursor_;
  std::uint32_t savedDefaultFlags_ = 0;
  int savedCursorHandling_ = 1;
  OMList<OMTask> suspendedTasks_;
  // Where the hidden template window's screen coordinates land on the host.
  int offsetX_ = 0, offsetY_ = 0;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
