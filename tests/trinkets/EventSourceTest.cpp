#include <windows.h>

#include "framework/OMLinkToFct.h"
#include "tests/trinkets/ScriptedStageTest.h"
#include "trinkets/lib/REvent.h"

namespace {

int ownKeys = 0;
OMWord countOwnKey(OMWord)
{
  ++ownKeys;
  return 0;
}

const char* const eventProcedures =
    "procedure onKey\n[\n  get e key k\n  say key k\n]\n"
    "procedure onDown\n[\n  get e cursorX x\n  get e cursorY y\n  say down x y\n]\n"
    "procedure onMove\n[\n  say moved\n]\n"
    "procedure onTime\n[\n  say timeout\n]\n";

class EventSourceTest : public ScriptedStageTest {
 protected:
  REvent* start(const std::string& more = "")
  {
    runScript(
        "e=REvent\nf=REvent\nset e keyPressed onKey\nset e mouseDown onDown\n"
        "set e mouseMoved onMove\nset e timeOutEvent onTime\n" +
            more,
        eventProcedures);
    newLines();
    return object<REvent>("e");
  }
};

// One object for every creation; the host's own links come back when it is dropped.
TEST_F(EventSourceTest, OneInstanceHooksTheHostAndGivesItsLinksBack)
{
  ownKeys = 0;
  const OMLinkToFct own(&countOwnKey);
  stage.window().setKeyDownLink(&own);
  REvent* e = start();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(object<REvent>("f"), e);
  EXPECT_EQ(REvent::existing(), e);
  // Not started: keys are heard, presses are not.
  stage.host().typeKey(VK_RETURN);
  stage.click(300, 200);
  stage.settle();
  EXPECT_EQ(newLines(), std::vector<std::string>{"key Enter"});
  EXPECT_STREQ(e->getProperty("cursorX"), "0");
  EXPECT_EQ(ownKeys, 0);
  // Dropping the sharing variable leaves the object alone; dropping the owner ends it.
  stage.passes(1);
  scriptVariables.forgetObject(e, true);
  EXPECT_EQ(REvent::existing(), nullptr);
  stage.host().typeKey(VK_RETURN);
  stage.settle();
  EXPECT_EQ(ownKeys, 1);
  EXPECT_TRUE(newLines().empty());
  // A new creation hooks afresh.
  start();
  stage.host().typeKey('A');
  stage.settle();
  EXPECT_EQ(newLines(), std::vector<std::string>{"key a"});
  EXPECT_EQ(ownKeys, 1);
}

TEST_F(EventSourceTest, KeyNames)
{
  start();
  const int named[] = {VK_BACK,   VK_TAB,  VK_RETURN, VK_PAUSE, VK_ESCAPE, VK_PRIOR, VK_NEXT,
                       VK_END,    VK_HOME, VK_LEFT,   VK_UP,    VK_RIGHT,  VK_DOWN,  VK_INSERT,
                       VK_DELETE, VK_F1,   VK_F2,     VK_F3,    VK_F4,     VK_F5,    VK_F6,
                       VK_F7,     VK_F8,   VK_F9,     VK_F10,   VK_F11,    VK_F12};
  const char* const names[] = {"Backspace", "Tab",  "Enter", "Pause", "Esc",   "PageUp", "PageDown",
                               "End",       "Home", "Left",  "Up",    "Right", "Down",   "Insert",
                               "Delete",    "F1",   "F2",    "F3",    "F4",    "F5",     "F6",
                               "F7",        "F8",   "F9",    "F10",   "F11",   "F12"};
  for (std::size_t i = 0; i < std::size(named); ++i) {
    char name[32];
    REvent::keyName(0xE800 + std::uint32_t(i), false, name, sizeof name);
    EXPECT_STREQ(name, names[i]);
    if (named[i] == VK_F10) continue;  // a system key: the window menu takes it
    stage.host().typeKey(named[i]);
    stage.settle();
    EXPECT_EQ(newLines(), std::vector<std::string>{std::string("key ") + names[i]}) << names[i];
  }
  stage.host().typeText("z7");
  stage.settle();
  stage.host().pressKey(VK_CONTROL);
  stage.settle();
  stage.host().typeKey('A');
  stage.settle();
  stage.host().typeKey(VK_LEFT);
  stage.settle();
  stage.host().releaseKey(VK_CONTROL);
  stage.settle();
  EXPECT_EQ(newLines(), (std::vector<std::string>{"key z", "key 7", "key Ctrl-A", "key Ctrl-I"}));
}

// The period runs from the last key, press, "start" or "resetTimeOut"; moves do not count,
// and a pause does not count at all.
TEST_F(EventSourceTest, TimeOutFollowsActivity)
{
  REvent* e = start("set e timeOut 3000");
  ASSERT_NE(e, nullptr);
  EXPECT_TRUE(e->hasTimeOutTask());
  stage.passes(3, 4000);
  EXPECT_TRUE(newLines().empty());  // paused
  const std::uint32_t t0 = omhost::clockMilliseconds();
  e->callMethod("start", scriptArgTerminator);
  struct Step {
    std::uint32_t at;
    enum { none, move, key, pause, start } input;
    int timeouts;
  };
  const Step steps[] = {
      {2999, Step::none, 0},   {3000, Step::none, 1},  {5999, Step::none, 0},
      {6000, Step::move, 1},   {8000, Step::none, 0},  {8500, Step::key, 0},
      {11499, Step::none, 0},  {11500, Step::none, 1}, {12000, Step::pause, 0},
      {22000, Step::start, 0}, {24999, Step::none, 0}, {25000, Step::none, 1},
  };
  for (const Step& s : steps) {
    stage.passAt(t0 + s.at);
    if (s.input == Step::move) stage.host().moveMouse(100 + int(s.at % 50), 100);
    if (s.input == Step::key) stage.host().typeKey('Q');
    if (s.input == Step::pause) e->callMethod("pause", scriptArgTerminator);
    if (s.input == Step::start) e->callMethod("start", scriptArgTerminator);
    if (s.input == Step::move || s.input == Step::key) stage.settle();
    int timeouts = 0;
    for (const std::string& line : newLines())
      timeouts += line == "timeout";
    EXPECT_EQ(timeouts, s.timeouts) << s.at;
  }
  // 0 removes the task; a negative period fires on every pass while running.
  e->setProperty("timeOut", "0");
  EXPECT_FALSE(e->hasTimeOutTask());
  stage.passes(3, 5000);
  EXPECT_TRUE(newLines().empty());
  e->setProperty("timeOut", "-7");
  stage.passes(3);
  EXPECT_EQ(newLines().size(), 3u);
}

// The stage hands its window the presses and moves that no trinket takes.
TEST_F(EventSourceTest, PressesAndMovesOnceStarted)
{
  REvent* e = start("play e start");
  ASSERT_NE(e, nullptr);
  stage.click(321, 123);
  stage.moveTo(50, 60);
  const std::vector<std::string> lines = newLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "down 321 123");
  EXPECT_EQ(lines.back(), "moved");
  e->callMethod("pause", scriptArgTerminator);
  stage.click(10, 10);
  stage.moveTo(70, 80);
  EXPECT_TRUE(newLines().empty());
  EXPECT_STREQ(e->getProperty("cursorY"), "123");
}

TEST_F(EventSourceTest, AKeyProcedureMayDropIt)
{
  runScript("e=REvent\nset e keyPressed onKey", "procedure onKey\n[\n  drop e\n  say dropped\n]\n");
  ASSERT_NE(REvent::existing(), nullptr);
  stage.host().typeKey('x');
  stage.settle();
  EXPECT_EQ(REvent::existing(), nullptr);
  EXPECT_EQ(newLines(), std::vector<std::string>{"dropped"});
}

}  // namespace
