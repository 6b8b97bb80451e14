#include "trinkets/lib/OMTrinketDialog.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include "framework/OMApp.h"
#include "framework/OMCursor.h"
#include "framework/OMIStreamRes.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMSystem.h"
#include "framework/OMTTFont.h"
#include "framework/OMTask.h"
#include "framework/OMWaveSound.h"
#include "trinkets/lib/DialogPaint.h"
#include "trinkets/lib/OMDialogButton.h"
#include "trinkets/lib/OMDialogLabel.h"
#include "trinkets/lib/RPButton.h"
#include "trinkets/lib/RTBitmap.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMAnimatedCursor.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/YNativeFunction.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

TrinketRecord record("OMTrinketDialog", &OMTrinketDialog::fromScript);

OMTrinketDialog* openDialog = nullptr;
int lastDismissedId = -1;
int fontHeight = 10;

// The platform reads a template in memory as far as it says, up to this far: the copy is at
// least this long, so that a damaged one is read inside it.
constexpr std::size_t templateReadLimit = 0x10000;
constexpr std::uint32_t visibleStyle = 0x10000000, disabledStyle = 0x08000000;
// The cursor a dialog shows: its animation has this id.
constexpr int dialogCursorId = 0xFFFF;

int number(const char* text)
{
  return std::atoi(text);
}

int coordinate(const char* text)
{
  return clampCoordinate(std::atoi(text));
}

// The "DIALOG" resource's bytes, empty when there is none.
std::vector<std::uint8_t> readTemplate(int id)
{
  OMIStreamRes stream(id, "DIALOG", nullptr, -1, nullptr);
  const std::int32_t length = stream.load(0);
  if (length <= 0 || !stream.data()) return {};
  return std::vector<std::uint8_t>(stream.data(), stream.data() + length);
}

// Hides and disables the template's window: the dialog only borrows its layout. False when
// the template is too short to hold its style.
bool markHidden(std::vector<std::uint8_t>& bytes)
{
  const auto word = [&](std::size_t at) { return bytes[at] | (bytes[at + 1] << 8); };
  const bool extended = bytes.size() >= 4 && word(0) == 1 && word(2) == 0xFFFF;
  const std::size_t at = extended ? 12 : 0;
  if (bytes.size() < at + 4) return false;
  std::uint32_t style = std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
                        std::uint32_t(bytes[at + 2]) << 16 | std::uint32_t(bytes[at + 3]) << 24;
  style = (style & ~visibleStyle) | disabledStyle;
  for (int i = 0; i < 4; ++i)
    bytes[at + std::size_t(i)] = static_cast<std::uint8_t>(style >> (8 * i));
  return true;
}

// The template window's only answer: the text height of its font.
INT_PTR CALLBACK templateProcedure(HWND window, UINT message, WPARAM wParam, LPARAM)
{
  if (message != WM_SETFONT) return FALSE;
  HDC dc = GetDC(window);
  const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(wParam));
  TEXTMETRICA metrics{};
  if (GetTextMetricsA(dc, &metrics)) fontHeight = metrics.tmHeight;
  SelectObject(dc, previous);
  ReleaseDC(window, dc);
  return TRUE;
}

}  // namespace

OMTrinketDialog::OMTrinketDialog(const OMRect& rect, int resourceId, OMTrinketWindow* host)
    : OMTrinketGroup(rect, host), resourceId_(static_cast<std::int16_t>(resourceId))
{
  lastDismissedId = -1;
  openDialog = this;
  setTopLayer(1);
  // The list keeps depth order even though the dialog's own reorder does nothing.
  OMTrinket::reorder();
  setRect(frameRect());
  font_ = std::make_unique<OMTTFont>("Arial", nullptr, nullptr, nullptr);
  savedCursor_ = OMCursor::current();
  dialogCursor_ = std::make_unique<OMAnimatedCursor>(dialogCursorId, host);
  // Without its animation the current cursor stays.
  if (!dialogCursor_->animation()) dialogCursor_.reset();
}

OMTrinketDialog::~OMTrinketDialog()
{
  OMTrinketWindow* host = window();
  if (host && shown_) {
    host->setCursorHandling(savedCursorHandling_);
    host->setPresentForced(0);
  }
  thaw();
  dialogCursor_.reset();
  if (openDialog == this) openDialog = nullptr;
  lastDismissedId = -1;
  // Scripts that still name a member must not reach it after the group deletes it.
  members().forEach([](OMTrinket* member) {
    removeEventRecords(member, nullptr);
    scriptVariables.forgetObject(member, false);
  });
  deleteMembers();
  font_.reset();
}

// Creation.

std::unique_ptr<OMScriptableObject> OMTrinketDialog::fromScript()
{
  const std::string a = popScriptArg(), b = popScriptArg(), c = popScriptArg();
  OMTrinketWindow* host = OMTrinketWindow::mainHost();
  if (!c.empty()) {
    const std::string d = popScriptArg(), modal = popScriptArg();
    create(OMRect(coordinate(a.c_str()), coordinate(b.c_str()), coordinate(c.c_str()),
                  coordinate(d.c_str())),
           modal.empty() ? 1 : number(modal.c_str()), host);
  } else if (!a.empty()) {
    createFromTemplate(number(a.c_str()), b.empty() ? 1 : number(b.c_str()), host);
  }
  // The script that asks while a dialog exists gets that one; its variable only shares it.
  return std::unique_ptr<OMScriptableObject>(openDialog);
}

int OMTrinketDialog::create(const OMRect& rect, int modal, OMTrinketWindow* host)
{
  if (openDialog || !host) return 0;
  auto* dialog = new OMTrinketDialog(rect, 0, host);
  dialog->modal_ = modal;
  dialog->setVisible(0);
  return 1;
}

int OMTrinketDialog::createFromTemplate(int id, int modal, OMTrinketWindow* host)
{
  if (openDialog || !host) return 0;
  std::vector<std::uint8_t> bytes = readTemplate(id);
  if (bytes.empty()) {
    reportMissingResource("OMTrinketDialog", "DIALOG", static_cast<std::int16_t>(id));
    return 0;
  }
  if (!markHidden(bytes)) {
    reportDamagedResource("OMTrinketDialog", "DIALOG", static_cast<std::int16_t>(id),
                          "too short for its style");
    return 0;
  }
  bytes.resize(std::max(bytes.size(), templateReadLimit), 0);
  HWND window = CreateDialogIndirectParamA(OMApp::programInstance(),
                                           reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), nullptr,
                                           &templateProcedure, 0);
  bytes.clear();
  if (!window) {
    reportDamagedResource("OMTrinketDialog", "DIALOG", static_cast<std::int16_t>(id),
                          "the template is refused");
    return 0;
  }
  RECT box{};
  GetWindowRect(window, &box);
  const int w = box.right - box.left, h = box.bottom - box.top;
  const OMRect frame = host->getFrameRect();
  const int left = (frame.width() - w) / 2, top = (frame.height() - h) / 2;
  auto* dialog = new OMTrinketDialog(OMRect(left, top, left + w, top + h), id, host);
  dialog->offsetX_ = left - box.left;
  dialog->offsetY_ = top - box.top;
  dialog->font_->setSize(fontHeight);
  EnumChildWindows(window, &OMTrinketDialog::convertChild, reinterpret_cast<LPARAM>(dialog));
  DestroyWindow(window);
  if (modal) dialog->freeze();
  dialog->show();
  dialog->modal_ = modal;
  return 1;
}

BOOL CALLBACK OMTrinketDialog::convertChild(HWND child, LPARAM lParam)
{
  auto* dialog = reinterpret_cast<OMTrinketDialog*>(lParam);
  char className[127] = {};
  GetClassNameA(child, className, sizeof className);
  for (char& c : className)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  RECT box{};
  GetWindowRect(child, &box);
  OMRect area(box.left + dialog->offsetX_, box.top + dialog->offsetY_, box.right + dialog->offsetX_,
              box.bottom + dialog->offsetY_);
  OMRect inner = dialog->rect();
  inner.inset(2, 2);
  area = area.intersection(inner);
  const int style = GetWindowLongA(child, GWL_STYLE) & 0xFFFF;
  const int id = GetDlgCtrlID(child);
  char text[255] = {};
  GetWindowTextA(child, text, sizeof text);
  OMTrinketWindow* host = dialog->window();
  OMTrinket* member = nullptr;
  if (std::strcmp(className, "button") == 0) {
    const bool choice = (style >= 2 && style <= 6) || style == 9;
    if (!choice) {
      auto* button = new OMDialogButton(area, text, id, dialog->font(), host);
      button->setHitLink(dialog->dismissLink(id).get());
      member = button;
    }
  } else if (std::strcmp(className, "static") == 0) {
    if (style == 14) {
      // An ordinal title: 0xFF, then the picture's id.
      const int picture = static_cast<unsigned char>(text[1]) | static_cast<unsigned char>(text[2])
                                                                    << 8;
      member = new RTBitmap(area, picture, host);
    } else if (style != 3 && style != 4 && style != 7) {
      member = new OMDialogLabel(area, text, dialog->font(), host);
    }
  }
  if (member) dialog->addMember(member);
  return TRUE;
}

OMTrinketDialog* OMTrinketDialog::currentDialog()
{
  return openDialog;
}

int OMTrinketDialog::dismissedId()
{
  return lastDismissedId;
}

int OMTrinketDialog::templateFontHeight()
{
  return fontHeight;
}

// Script members.

void OMTrinketDialog::stateText(char* buffer, std::size_t size) const
{
  if (resourceId_) {
    std::snprintf(buffer, size, "%d", int(resourceId_));
  } else {
    OMTrinket::stateText(buffer, size);
  }
}

void OMTrinketDialog::registerMembers()
{
  using Link = OMLinkToObj<OMTrinketDialog>;
  // A second script that asks for a dialog gets this one again: its members, and the
  // procedure connected to "dismissed", stay as they are.
  if (findMember("dismissed")) return;
  addEvent("dismissed");
  const Link show(this, &OMTrinketDialog::showMember);
  addDefaultMethod(&show);
  addMethod("show", show);
  addMethod("addButton", Link(this, &OMTrinketDialog::addButtonMember));
  addMethod("addRPButton", Link(this, &OMTrinketDialog::addRPButtonMember));
  addMethod("addText", Link(this, &OMTrinketDialog::addTextMember));
  addMethod("addBitmap", Link(this, &OMTrinketDialog::addBitmapMember));
  addMethod("addTrinket", Link(this, &OMTrinketDialog::addTrinketMember));
  OMTrinketGroup::registerMembers();
}

OMWord OMTrinketDialog::showMember()
{
  show();
  return 1;
}

OMWord OMTrinketDialog::addButtonMember()
{
  const int left = coordinate(popScriptArg()), top = coordinate(popScriptArg());
  const int right = coordinate(popScriptArg()), bottom = coordinate(popScriptArg());
  const std::string caption = popScriptArg();
  const auto id = static_cast<std::int16_t>(number(popScriptArg()));
  auto* button =
      new OMDialogButton(OMRect(left, top, right, bottom), caption.c_str(), id, font(), window());
  button->setHitLink(dismissLink(id).get());
  addMember(button);
  return 1;
}

OMWord OMTrinketDialog::addRPButtonMember()
{
  const int px = coordinate(popScriptArg()), py = coordinate(popScriptArg());
  const auto id = static_cast<std::int16_t>(number(popScriptArg()));
  const std::string keyword = popScriptArg();
  auto* button = new RPButton(OMPoint(px, py), id, window());
  if (button->sequenceCount() == 0) reportMissingResource("OMTrinketDialog", "ASEQ", id);
  button->setHitLink(dismissLink(id).get());
  if (keyword == "DEFAULT" || keyword == "default") button->setSubclassWord(defaultMarker);
  if (keyword == "ESCAPE" || keyword == "escape") button->setSubclassWord(escapeMarker);
  addMember(button);
  return 1;
}

OMWord OMTrinketDialog::addTextMember()
{
  const int left = coordinate(popScriptArg()), top = coordinate(popScriptArg());
  const int right = coordinate(popScriptArg()), bottom = coordinate(popScriptArg());
  const std::string text = popScriptArg();
  addMember(new OMDialogLabel(OMRect(left, top, right, bottom), text.c_str(), font(), window()));
  return 1;
}

OMWord OMTrinketDialog::addBitmapMember()
{
  const int px = coordinate(popScriptArg()), py = coordinate(popScriptArg());
  const int id = number(popScriptArg());
  const OMRect panel = rect();
  const OMRect area = OMRect(px, py, clampCoordinate(std::int64_t(px) + panel.width()),
                             clampCoordinate(std::int64_t(py) + panel.height()))
                          .intersection(panel);
  addMember(new RTBitmap(area, id, window()));
  return 1;
}

OMWord OMTrinketDialog::addTrinketMember()
{
  const char* name = popScriptArg();
  auto* trinket = dynamic_cast<OMTrinket*>(scriptVariables.getObjectByName(name, false));
  // Only a trinket of the host's own list: not the dialog, not a member, not a piece, and none
  // that carries the dialog.
  if (!trinket || !trinket->className() || trinket == this || hasMember(trinket) ||
      trinket->carries(this) || trinket->window() != window() || !trinket->isInWindowList())
    return 1;
  // The dialog owns it now; the variables that held it still name it.
  int index = -1;
  while (scriptVariables.nameOfObject(trinket, &index) && index >= 0)
    scriptVariables.at(index)->sharing = 1;
  addMember(trinket);
  return 1;
}

void OMTrinketDialog::addMember(OMTrinket* trinket)
{
  if (!trinket || !openDialog) return;
  trinket->hide();
  trinket->setTopLayer(1);
  // Above the panel in the host's list, whatever the member's own reorder does.
  trinket->OMTrinket::reorder();
  openDialog->OMTrinketGroup::addMember(trinket);
}

std::unique_ptr<OMLink> OMTrinketDialog::dismissLink(int id)
{
  return std::make_unique<OMLinkToObj<OMTrinketDialog>>(this, &OMTrinketDialog::dismissMember,
                                                        static_cast<OMWord>(id));
}

OMWord OMTrinketDialog::dismissMember(OMWord id)
{
  dismiss(static_cast<int>(id));
  return 1;
}

// Showing and freezing.

void OMTrinketDialog::show()
{
  OMTrinketWindow* host = window();
  if (!shown_ && host) {
    shown_ = true;
    if (dialogCursor_) dialogCursor_->select(nullptr);
    savedCursorHandling_ = host->cursorHandling();
    host->setCursorHandling(0);
    host->setPresentForced(1);
    if (modal_) freeze();
  }
  members().forEach([](OMTrinket* member) {
    member->clearFlags(frozenFlags);
    member->show();
  });
  clearFlags(frozenFlags);
  setFocus();
  OMTrinketGroup::show();
}

void OMTrinketDialog::freeze()
{
  OMTrinketWindow* host = window();
  if (frozen_ || !host) return;
  frozen_ = true;
  pauseSoundOutput();
  const OMTrinketWindow* mainHost = OMTrinketWindow::mainHost();
  const OMTask* frameTask = mainHost ? mainHost->frameTask() : nullptr;
  if (OMApp* app = OMApp::instance()) {
    app->taskList().forEach([&](OMTask* task) {
      if (task == frameTask || task->isSuspended()) return;
      task->suspend();
      suspendedTasks_.add(task);
    });
  }
  savedDefaultFlags_ = host->defaultTrinketFlags();
  host->setDefaultTrinketFlags(0);
  host->setTrinketFlags(frozenFlags, nullptr);
}

void OMTrinketDialog::thaw()
{
  if (frozen_) {
    frozen_ = false;
    resumeSoundOutput();
    if (OMTrinketWindow* host = window()) {
      host->clearTrinketFlags(frozenFlags, nullptr);
      host->setDefaultTrinketFlags(savedDefaultFlags_);
    }
  }
  // A task deleted meanwhile has left the application's list.
  OMApp* app = OMApp::instance();
  while (OMTask* task = suspendedTasks_.first()) {
    suspendedTasks_.remove(task);
    if (app && app->taskList().contains(task)) task->resume();
  }
}

// Dismissal.

OMTrinket* OMTrinketDialog::chosenMember(std::uint32_t key, int& id)
{
  const auto hitId = [](OMTrinket* member) {
    const auto* button = dynamic_cast<RPButton*>(member);
    const OMLink* link = button ? button->hitLink() : nullptr;
    return link ? static_cast<int>(link->boundArgument()) : member->subclassWord();
  };
  const auto marked = [&](int marker) {
    OMTrinket* found =
        members().firstThat([marker](OMTrinket* m) { return m->subclassWord() == marker; });
    if (found) id = hitId(found);
    return found;
  };
  if (key == ' ' || key == omkey::enter) return marked(defaultMarker);
  if (key == omkey::escape) return marked(escapeMarker);
  const auto folded = [](std::uint32_t c) {
    return c < 256 ? std::uint32_t(std::toupper(int(c))) : c;
  };
  OMTrinket* found = members().firstThat([&](OMTrinket* m) {
    const int mnemonic = m->mnemonic();
    return mnemonic != 0 && folded(std::uint32_t(mnemonic)) == folded(key);
  });
  if (found) id = found->subclassWord();
  return found;
}

void OMTrinketDialog::onKeyDown()
{
  std::uint32_t key = static_cast<std::uint32_t>(currentEventWParam());
  if (isControlKeyDown()) key += 0x40;
  int id = 0;
  if (chosenMember(key, id)) dismiss(id);
}

void OMTrinketDialog::dismiss(int id)
{
  lastDismissedId = id;
  if (OMTrinketWindow* host = window()) host->setCursor(savedCursor_);
  dialogCursor_.reset();
  int index = -1;
  scriptVariables.nameOfObject(this, &index);
  if (index < 0) {
    delete this;
    return;
  }
  setScriptResultInt(id);
  const std::weak_ptr<int> alive = alive_;
  raise("dismissed");
  // The procedure may have dropped the dialog already; it goes once.
  if (!alive.expired() && !scriptVariables.forgetObject(this, true)) delete this;
  if (YVariable* variable = scriptVariables.at(index)) variable->setInteger(id);
}

// The panel.

void OMTrinketDialog::paint()
{
  OMMemCanvas* canvas = windowCanvas();
  if (!canvas) return;
  dialogpaint::Painter painter(*canvas);
  const int left = x(), top = y(), right = rect().right(), bottom = rect().bottom();
  OMRect inner = rect();
  inner.inset(2, 2);
  painter.fill(inner, dialogpaint::lightGrey);
  painter.line(left, top, inner.right(), top, dialogpaint::lightGrey);
  painter.line(left, top + 1, left, inner.bottom(), dialogpaint::lightGrey);
  painter.line(left + 2, top + 1, inner.right() - 1, top + 1, dialogpaint::white);
  painter.line(left + 1, top + 1, left + 1, inner.bottom(), dialogpaint::white);
  painter.line(inner.left() - 1, inner.bottom(), inner.right(), inner.bottom(),
               dialogpaint::darkGrey);
  painter.line(inner.right(), inner.top() - 1, inner.right(), inner.bottom(),
               dialogpaint::darkGrey);
  painter.line(left, bottom - 1, right - 1, bottom - 1, dialogpaint::black);
  painter.line(right - 1, top, right - 1, bottom - 1, dialogpaint::black);
}
