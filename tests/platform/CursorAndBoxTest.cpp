// Cursors, the cursor display counter, metrics and message boxes.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

#include "platform/host/Host.h"
#include "platform/src/user/Cursor.h"
#include "tests/support/WindowTestSupport.h"

namespace {

using omtest::MessageLog;
using omtest::pumpAll;

class CursorAndBoxTest : public ::testing::Test {
 protected:
  void SetUp() override { host = &omtest::startSession(); }
  omhost::HeadlessHost* host = nullptr;
  MessageLog log;
};

// ShowCursor counts: the cursor shows while the count is 0 or more, and each call answers the
// new count; a program drives it to exactly -1 or 0.
TEST_F(CursorAndBoxTest, ShowCursorCounts)
{
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_FALSE(host->cursorVisible());
  EXPECT_EQ(ShowCursor(FALSE), -2);
  EXPECT_EQ(ShowCursor(TRUE), -1);
  EXPECT_FALSE(host->cursorVisible());
  EXPECT_EQ(ShowCursor(TRUE), 0);
  EXPECT_TRUE(host->cursorVisible());
  EXPECT_EQ(ShowCursor(TRUE), 1);
  int count = ShowCursor(FALSE);
  while (count > -1)
    count = ShowCursor(FALSE);
  EXPECT_EQ(count, -1);
}

// The four system cursors load (shared: destroying them changes nothing); SetCursor answers
// the previous one and the host learns the current cursor. Without a module (or with a handle
// that names none) there are no resource cursors.
TEST_F(CursorAndBoxTest, SystemCursors)
{
  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
  ASSERT_NE(arrow, nullptr);
  EXPECT_NE(arrow, wait);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);
  EXPECT_NE(LoadCursorA(nullptr, IDC_IBEAM), nullptr);
  EXPECT_NE(LoadCursorA(nullptr, IDC_CROSS), nullptr);
  EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(5)), nullptr);
  EXPECT_EQ(LoadCursorA(reinterpret_cast<HINSTANCE>(0x7F000000), MAKEINTRESOURCEA(5)), nullptr);
  SetCursor(arrow);
  EXPECT_EQ(SetCursor(wait), arrow);
  EXPECT_EQ(GetCursor(), wait);
  EXPECT_EQ(host->cursor().systemId, 32514);  // the host gets the shape, not the handle
  EXPECT_TRUE(DestroyCursor(wait));
  EXPECT_EQ(GetCursor(), wait);
  EXPECT_NE(LoadIconA(nullptr, IDI_QUESTION), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, IDI_QUESTION, IMAGE_ICON, 16, 16, 0),
            LoadIconA(nullptr, IDI_QUESTION));
  EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), LoadIconA(nullptr, IDI_QUESTION));
}

// A CURSOR resource compiled into the program loads with its size and hot spot, an ICON one
// with its size; names without such a resource load nothing.
TEST_F(CursorAndBoxTest, CursorsAndIconsFromTheProgramsResources)
{
  const HINSTANCE program = GetModuleHandleA(nullptr);
  HCURSOR cursor = LoadCursorA(program, MAKEINTRESOURCEA(5));
  ASSERT_NE(cursor, nullptr);
  const omuser::Cursor* loaded = omuser::CursorTable::instance().find(cursor);
  ASSERT_NE(loaded, nullptr);
  EXPECT_FALSE(loaded->isIcon);
  EXPECT_EQ(loaded->width, 32);
  EXPECT_EQ(loaded->height, 32);
  EXPECT_EQ(loaded->hotSpot.x, 5);
  EXPECT_EQ(loaded->hotSpot.y, 7);
  EXPECT_EQ(loaded->pixels.size(), 32u * 32u);
  SetCursor(cursor);
  const omhost::CursorShape& shape = host->cursor();
  EXPECT_EQ(shape.systemId, 0);
  EXPECT_EQ(shape.width, 32);
  EXPECT_EQ(shape.hotX, 5);
  EXPECT_EQ(shape.hotY, 7);
  EXPECT_EQ(shape.pixels, loaded->pixels);

  HICON icon = LoadIconA(program, MAKEINTRESOURCEA(1));
  ASSERT_NE(icon, nullptr);
  const omuser::Cursor* loadedIcon = omuser::CursorTable::instance().find(icon);
  ASSERT_NE(loadedIcon, nullptr);
  EXPECT_TRUE(loadedIcon->isIcon);
  EXPECT_EQ(loadedIcon->width, 16);
  EXPECT_EQ(loadedIcon->height, 16);

  EXPECT_EQ(LoadCursorA(program, MAKEINTRESOURCEA(6)), nullptr);
  EXPECT_EQ(LoadCursorA(program, "NOSUCHCURSOR"), nullptr);
  EXPECT_EQ(LoadIconA(program, MAKEINTRESOURCEA(5)), nullptr);
  EXPECT_TRUE(DestroyCursor(cursor));
  EXPECT_EQ(omuser::CursorTable::instance().find(cursor), nullptr);
  EXPECT_EQ(host->cursor(), omhost::CursorShape{});  // the current one went: no cursor
  EXPECT_TRUE(DestroyIcon(icon));
}

// File dialogs go to the host: the headless one records them and answers what the test
// queued (else cancelled); the chosen path comes back with the offsets of its name and
// extension, and a path that does not fit the buffer fails.
TEST_F(CursorAndBoxTest, FileDialogsAreRecordedAndAnswered)
{
  char file[32] = "*.mps";
  char title[16] = "";
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.lpstrFile = file;
  dialog.nMaxFile = sizeof file;
  dialog.lpstrFileTitle = title;
  dialog.nMaxFileTitle = sizeof title;
  dialog.lpstrTitle = "Script";
  dialog.Flags = OFN_HIDEREADONLY;
  host->queueFileDialogAnswer("D:\\scripts\\Intro.mps");
  ASSERT_TRUE(GetOpenFileNameA(&dialog));
  EXPECT_STREQ(file, "D:\\scripts\\Intro.mps");
  EXPECT_STREQ(title, "Intro.mps");
  EXPECT_EQ(dialog.nFileOffset, 11);
  EXPECT_EQ(dialog.nFileExtension, 17);
  EXPECT_FALSE(GetSaveFileNameA(&dialog));  // nothing queued: cancelled
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  host->queueFileDialogAnswer("C:\\a folder with a long name\\and a long file name.mps");
  EXPECT_FALSE(GetOpenFileNameA(&dialog));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
  const std::vector<omhost::FileDialogRecord>& asked = host->fileDialogs();
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_FALSE(asked[0].save);
  EXPECT_EQ(asked[0].title, "Script");
  EXPECT_EQ(asked[0].initialFile, "*.mps");
  EXPECT_EQ(asked[0].flags, static_cast<unsigned>(OFN_HIDEREADONLY));
  EXPECT_TRUE(asked[1].save);
  EXPECT_EQ(asked[1].initialFile, "D:\\scripts\\Intro.mps");
  EXPECT_EQ(asked[1].chosen, "");
}

// Over the client area the default procedure sets the class cursor on WM_SETCURSOR.
TEST_F(CursorAndBoxTest, ClassCursorOverTheClientArea)
{
  omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  host->moveMouse(30, 30);
  omtest::pumpAll();
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

// Over a caption or a border the default procedure shows the arrow, whatever cursor the
// program had set over its client area; that holds for a child's caption too (its parent
// decides first and answers with the arrow).
TEST_F(CursorAndBoxTest, ArrowOverCaptionsAndBorders)
{
  HWND frame = omtest::makeTopLevel(0x02CF0000 | WS_VISIBLE, RECT{0, 0, 640, 480});
  const HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
  const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  SetCursor(wait);
  host->moveMouse(300, 10);  // the frame's caption
  omtest::pumpAll();
  EXPECT_EQ(GetCursor(), arrow);
  SetCursor(wait);
  host->moveMouse(1, 200);  // its sizing border
  omtest::pumpAll();
  EXPECT_EQ(GetCursor(), arrow);
  omtest::makeChild(frame, 0x44CA0000 | WS_VISIBLE, RECT{100, 100, 300, 300});
  SetCursor(wait);
  host->moveMouse(200, 130);  // the child's caption
  omtest::pumpAll();
  EXPECT_EQ(GetCursor(), arrow);
}

// A child asks its parent first; the parent's default procedure then sets the class cursor of
// the window under the pointer (wParam), not its own.
TEST_F(CursorAndBoxTest, ClassCursorOfTheWindowUnderThePointer)
{
  WNDCLASSEXA c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = &omtest::MessageLog::procedure;
  c.hCursor = LoadCursorA(nullptr, IDC_CROSS);
  c.lpszClassName = "OMTestCrossCursor";
  ASSERT_NE(RegisterClassExA(&c), 0);
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  CreateWindowExA(0, "OMTestCrossCursor", nullptr, WS_CHILD | WS_VISIBLE, 100, 100, 100, 100, frame,
                  nullptr, nullptr, nullptr);
  host->moveMouse(150, 150);
  omtest::pumpAll();
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_CROSS));
  host->moveMouse(50, 50);
  omtest::pumpAll();
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

// As a small Win32 program recorded under Wine: before the program sets a
// cursor the desktop's arrow shows, and the display counter alone does not take it away; a
// child whose class has no cursor leaves the pointer as it was; SetCursor(NULL) alone hides it.
TEST_F(CursorAndBoxTest, TheArrowUntilTheProgramSetsACursor)
{
  const omhost::CursorShape arrow = omhost::desktopArrow();
  EXPECT_EQ(host->cursor(), arrow);
  ShowCursor(FALSE);
  ShowCursor(TRUE);
  EXPECT_EQ(host->cursor(), arrow);
  EXPECT_TRUE(host->cursorVisible());
  EXPECT_EQ(GetCursor(), nullptr);

  WNDCLASSEXA c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = &DefWindowProcA;
  c.lpszClassName = "OMTestNoCursor";
  ASSERT_NE(RegisterClassExA(&c), 0);
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  CreateWindowExA(0, "OMTestNoCursor", nullptr, WS_CHILD | WS_VISIBLE, 100, 100, 100, 100, frame,
                  nullptr, nullptr, nullptr);
  for (const int waitFirst : {0, 1}) {
    if (waitFirst) SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    host->moveMouse(150, 150);
    omtest::pumpAll();
    EXPECT_EQ(host->cursor().systemId, waitFirst ? 32514 : omhost::kArrowCursor);
  }
  SetCursor(nullptr);
  EXPECT_EQ(host->cursor(), omhost::CursorShape{});
  EXPECT_TRUE(host->cursorVisible());
}

// The screen's metrics come from the virtual screen.
TEST_F(CursorAndBoxTest, ScreenMetrics)
{
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
  EXPECT_EQ(omhost::host().screen().bitsPerPixel, 16);
  EXPECT_EQ(omhost::host().screen().pitch, 1280);
  int w, h, d;
  omhost::parseScreenSetting("800x600x8", w, h, d);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(d, 8);
  for (const char* bad : {"800x600", "800x600x12", "0x600x16", "axbxc", "800x600x16x"}) {
    omhost::parseScreenSetting(bad, w, h, d);
    EXPECT_EQ(w, 640) << bad;
    EXPECT_EQ(d, 16) << bad;
  }
}

// A message box waiting with no input left is answered by the host from the test's queue,
// else the box's default button; an answer the box does not have gives the default. A null caption
// is "Error".
TEST_F(CursorAndBoxTest, MessageBoxesAreRecordedAndAnswered)
{
  host->queueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(MessageBoxA(nullptr, "insert the CD", "Alert", 0x3001), IDCANCEL);
  EXPECT_EQ(MessageBoxA(nullptr, "Start New Player", "Alert", 0x3004), IDYES);
  host->queueMessageBoxAnswer(IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "about", "About", 0x3000), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "fatal", nullptr, MB_ICONHAND), IDOK);
  ASSERT_EQ(host->messageBoxes().size(), 4u);
  EXPECT_EQ(host->messageBoxes()[0].text, "insert the CD");
  EXPECT_EQ(host->messageBoxes()[1].answer, IDYES);
  EXPECT_EQ(host->messageBoxes()[3].caption, "Error");
  EXPECT_EQ(host->messageBoxes()[3].style, static_cast<unsigned>(MB_ICONHAND));
}

// OM_MSGBOX_ANSWER sets the answer when the test has queued none.
TEST_F(CursorAndBoxTest, MessageBoxAnswerFromTheEnvironment)
{
  setenv("OM_MSGBOX_ANSWER", "7", 1);
  EXPECT_EQ(MessageBoxA(nullptr, "remove?", "Alert", 0x3004), IDNO);
  unsetenv("OM_MSGBOX_ANSWER");
}

// A box owned by the active frame starts a modal state: the frame is disabled (WM_CANCELMODE,
// and the focus leaves it), loses its activation to the box and gets both back after.
TEST_F(CursorAndBoxTest, OwnedBoxCancelsModeAndDeactivatesTheOwner)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  log.clear();
  MessageBoxA(frame, "About", "About", 0x3000);
  EXPECT_EQ(log.only({WM_CANCELMODE, WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS, WM_SETFOCUS}, frame),
            (std::vector<UINT>{WM_CANCELMODE, WM_KILLFOCUS, WM_NCACTIVATE, WM_ACTIVATE,
                               WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS}));
  EXPECT_EQ(GetFocus(), frame);
}

// A task-modal box without an owner disables the program's windows while it is up: a click
// on a child of the frame reaches nobody, and afterwards the frame has its keys again.
TEST_F(CursorAndBoxTest, TaskModalBoxKeepsTheMouseFromTheFramesChildren)
{
  HWND frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  HWND stage = omtest::makeChild(frame, WS_VISIBLE, RECT{0, 0, 640, 480});
  SetFocus(frame);
  pumpAll();
  host->click(20, 20);
  host->moveMouse(30, 30);
  log.clear();
  MessageBoxA(nullptr, "Script error", "Alert", MB_TASKMODAL | MB_SYSTEMMODAL);
  const std::vector<UINT> mouse = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_SETCURSOR};
  EXPECT_TRUE(log.only(mouse, stage).empty());
  EXPECT_TRUE(log.only(mouse, frame).empty());
  EXPECT_TRUE(IsWindowEnabled(frame));
  EXPECT_EQ(GetActiveWindow(), frame);
  log.clear();
  host->typeKey(VK_ESCAPE);
  host->click(20, 20);
  pumpAll();
  EXPECT_EQ(log.only({WM_KEYDOWN}, frame), std::vector<UINT>{WM_KEYDOWN});
  EXPECT_EQ(log.only({WM_LBUTTONDOWN}, stage), std::vector<UINT>{WM_LBUTTONDOWN});
}

}  // namespace

namespace {

std::unique_ptr<omuser::Cursor> fakeLoader(HINSTANCE, LPCSTR name, bool icon)
{
  if (IS_INTRESOURCE(name) || std::string(name) != "OM_APP_ICON" || !icon) return nullptr;
  auto made = std::make_unique<omuser::Cursor>();
  made->width = made->height = 2;
  made->pixels.assign(4, 0xFF00FF00u);
  return made;
}

// Resource icons and cursors come from the installed loader; those are destroyed for real,
// and a missing resource gives null (the caller falls back to a system one).
TEST_F(CursorAndBoxTest, ResourceIconsThroughTheLoader)
{
  const HINSTANCE module = reinterpret_cast<HINSTANCE>(0x400000);
  EXPECT_EQ(LoadIconA(module, "OM_APP_ICON"), nullptr);
  omuser::setCursorResourceLoader(&fakeLoader);
  HICON icon = LoadIconA(module, "OM_APP_ICON");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(omuser::CursorTable::instance().find(icon)->pixels.size(), 4u);
  EXPECT_EQ(LoadImageA(module, "OM_APP_ICON_SMALL", IMAGE_ICON, 16, 16, 0), nullptr);
  EXPECT_EQ(LoadCursorA(module, "OM_APP_ICON"), nullptr);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon));
  omuser::setCursorResourceLoader(nullptr);
}

// The host window's title is the frame window's, from its creation and from each
// SetWindowTextA, in UTF-8; the texts of its child and of a window it owns are not.
TEST_F(CursorAndBoxTest, TheHostTitleIsTheFrameWindowsTitle)
{
  HWND frame =
      omtest::makeTopLevel(WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 200}, "Caf\xE9");
  EXPECT_EQ(host->title(), "Caf\xC3\xA9");
  HWND child = omtest::makeChild(frame, WS_VISIBLE, RECT{10, 10, 50, 50});
  SetWindowTextA(child, "child");
  HWND owned = CreateWindowExA(0, "OMTestWindow", "owned", WS_POPUP, 0, 0, 50, 50, frame, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(owned, nullptr);
  SetWindowTextA(owned, "still owned");
  EXPECT_EQ(host->title(), "Caf\xC3\xA9");
  SetWindowTextA(frame, "Map");
  EXPECT_EQ(host->title(), "Map");
}

}  // namespace
