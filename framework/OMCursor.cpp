#include "framework/OMCursor.h"

#include "framework/OMResHandle.h"
#include "framework/OMResModule.h"
#include "framework/OMWindow.h"
#include "framework/OMWndCanvas.h"

namespace {

OMCursor* currentCursor = nullptr;
bool hiddenByProgram = false;

}  // namespace

OMCursor& OMCursor::defaultCursor()
{
  static OMCursor& arrow = *new OMCursor;
  return arrow;
}

OMCursor* OMCursor::current()
{
  return currentCursor == &defaultCursor() ? nullptr : currentCursor;
}

OMCursor& OMCursor::effective()
{
  return currentCursor ? *currentCursor : defaultCursor();
}

bool OMCursor::isHiddenByProgram()
{
  return hiddenByProgram;
}

void OMCursor::loadSystem(int id)
{
  LPCSTR name = IDC_ARROW;
  if (id == -4) name = IDC_CROSS;
  if (id == -3) name = IDC_IBEAM;
  if (id == -2) name = IDC_WAIT;
  cursor_ = LoadCursorA(nullptr, name);
  loaded_ = false;
}

OMCursor::OMCursor()
{
  loadSystem(-1);
}

OMCursor::OMCursor(int id, OMResModule* source) : id_(static_cast<std::int16_t>(id))
{
  if (id_ < 0) {
    loadSystem(id_);
    return;
  }
  OMResModule* module = source && source->moduleHandle() ? source : &OMResModule::defaultModule();
  resource_ = std::make_unique<OMResHandle>(id_, "CURSOR", module);
  cursor_ = resource_->status() == OMResHandle::ok
                ? LoadCursorA(module->instance(), MAKEINTRESOURCEA(id_))
                : nullptr;
  if (!cursor_) {
    resource_.reset();
    id_ = -1;
    loadSystem(-1);
    return;
  }
  loaded_ = true;
}

OMCursor::~OMCursor()
{
  // A window showing it goes back to the arrow at once, not at the next WM_SETCURSOR.
  OMWndCanvas::all().firstThat([this](OMWndCanvas* canvas) {
    if (canvas->cursor() == this) canvas->setCursor(nullptr);
    return false;
  });
  resource_.reset();
  if (loaded_ && cursor_) DestroyCursor(cursor_);
  if (currentCursor == this) currentCursor = nullptr;
}

void OMCursor::makeCurrent(OMWndCanvas* canvas)
{
  if (currentCursor == this) return;
  effective().deselect();
  currentCursor = this;
  select(canvas);
}

void OMCursor::select(OMWndCanvas* canvas)
{
  if (!canvas || canvas->cursorHidden()) return;
  OMWindow* active = OMWindow::activeWindow();
  if (active && active != canvas->window()) return;
  SetCursor(cursor_);
  setSystemCursorVisible(!hiddenByProgram);
}

void OMCursor::hide()
{
  setSystemCursorVisible(false);
}

void OMCursor::show()
{
  setSystemCursorVisible(true);
}

void OMCursor::selectNone()
{
  effective().deselect();
  currentCursor = nullptr;
  if (OMWindow* active = OMWindow::activeWindow()) defaultCursor().select(active->canvas());
}

void hideCursor()
{
  if (hiddenByProgram) return;
  hiddenByProgram = true;
  OMCursor::effective().hide();
}

void showCursor()
{
  if (!hiddenByProgram) return;
  hiddenByProgram = false;
  OMCursor::effective().show();
}

void setSystemCursorVisible(bool show)
{
  // The display counter moves one step a call; a bound keeps a broken counter from looping.
  const int target = show ? 0 : -1;
  int counter = ShowCursor(show ? TRUE : FALSE);
  for (int steps = 0; steps < 100000 && counter != target; ++steps)
    counter = ShowCursor(counter < target ? TRUE : FALSE);
}
