#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "framework/OMMemCanvas.h"
#include "tests/support/TestStage.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/ScriptMessages.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

// A trinket that fills its rectangle with one colour and counts its repaints.
class TBox : public OMTrinket {
 public:
  TBox(OMTrinketWindow* host, const OMRect& rect, OMRGBColor color, int redrawMode = 2)
      : OMTrinket(host, redrawMode), color_(color)
  {
    setRect(rect);
    markWholeDirty();
  }
  TBox(const TBox& other) = default;

  static std::unique_ptr<OMScriptableObject> create()
  {
    int v[4];
    for (int& value : v)
      value = std::atoi(popScriptArg());
    return std::make_unique<TBox>(OMTrinketWindow::mainHost(),
                                  OMRect(v[0], v[1], v[0] + v[2], v[1] + v[3]),
                                  OMRGBColor(0xFF00, 0, 0));
  }
  std::unique_ptr<OMScriptableObject> clone() const override
  {
    auto copy = std::make_unique<TBox>(*this);
    copyMembers(copy.get());
    return copy;
  }
  void paint() override
  {
    ++paints;
    OMMemCanvas* canvas = windowCanvas();
    canvas->setFillColor(color_);
    canvas->setFill(true);
    canvas->setFrame(false);
    canvas->drawRect(rect());
    canvas->setFrame(true);
  }

  int paints = 0;

 private:
  OMRGBColor color_;
};

TrinketRecord boxRecord("TBox", &TBox::create);

constexpr std::uint32_t red555 = 0x7C00;
constexpr std::uint32_t green555 = 0x03E0;
constexpr std::uint32_t blue555 = 0x001F;

OMRGBColor color555(std::uint32_t c)
{
  return OMRGBColor(static_cast<std::uint16_t>((c >> 10 & 31) << 11),
                    static_cast<std::uint16_t>((c >> 5 & 31) << 11),
                    static_cast<std::uint16_t>((c & 31) << 11));
}

class TrinketStageTest : public ::testing::Test {
 protected:
  void TearDown() override
  {
    scriptVariables.clear();
    clearEventRecords();
  }

  omtest::TestStage stage;
  TBox* box(const OMRect& rect, std::uint32_t color = red555, int z = 0)
  {
    auto* made = new TBox(&stage.window(), rect, color555(color));
    made->setZ(z);
    return made;
  }
};

// Which trinket takes a press: the highest z, the latest added among equal z, and never one
// that is hidden, untouchy, below the floor or refusing presses.
TEST_F(TrinketStageTest, HitTestTakesTheHighestEligibleTrinket)
{
  struct Case {
    OMPoint point;
    int expected;  // index in the table below, -1 none
  };
  TBox* boxes[] = {
      box(OMRect(0, 0, 100, 100), red555, 5),      // 0
      box(OMRect(50, 50, 150, 150), green555, 5),  // 1: same z, added later
      box(OMRect(80, 80, 120, 120), blue555, 2),   // 2: lower z under both
      box(OMRect(200, 0, 300, 100), red555, 9),    // 3: hidden
      box(OMRect(200, 0, 300, 100), green555, 1),  // 4: under the hidden one
      box(OMRect(400, 0, 500, 100), red555, 3),    // 5: refuses presses
      box(OMRect(400, 0, 500, 100), red555, -40),  // 6: below the floor
      box(OMRect(0, 300, 100, 400), red555, 7),    // 7: not touchy
  };
  boxes[3]->hide();
  boxes[5]->setFlags(OMTrinket::noMouseDown);
  boxes[7]->setTouchy(0);
  stage.window().setZFloor(-10);
  const Case cases[] = {
      {{10, 10}, 0},  {{60, 60}, 1},   {{99, 99}, 1},   {{100, 100}, 1},  {{85, 85}, 1},
      {{210, 10}, 4}, {{410, 10}, -1}, {{50, 350}, -1}, {{639, 479}, -1},
  };
  for (const Case& c : cases) {
    const OMTrinket* hit = stage.window().trinketAt(c.point);
    const OMTrinket* wanted = c.expected < 0 ? nullptr : boxes[c.expected];
    EXPECT_EQ(hit, wanted) << c.point.x << "," << c.point.y;
  }
  // Raising the blue one above the others makes it win where it lies.
  boxes[2]->bringToFront();
  EXPECT_EQ(stage.window().trinketAt({85, 85}), boxes[2]);
}

// The mouse drags a movable trinket, which waits at the edge of its bounds until the pointer
// comes back to where it left them.
TEST_F(TrinketStageTest, ADraggedTrinketStaysInsideItsConfinement)
{
  TBox* dragged = box(OMRect(500, 100, 600, 150));
  dragged->setBounds(OMRect(0, 0, 640, 300));
  struct Step {
    int x, y;       // pointer
    int left, top;  // trinket afterwards
  };
  const Step steps[] = {
      {550, 120, 500, 100},  // the press
      {570, 130, 520, 110},  // free
      {640, 140, 540, 120},  // would pass the right edge at 590: held at 540
      {660, 140, 540, 120},  // further out: still held
      {620, 140, 540, 120},  // coming back, not yet where it left
      {580, 140, 530, 120},  // back inside: follows again
      {580, 400, 530, 250},  // down to the bottom bound (300 - 50)
      {580, 10, 530, 250},   // up again, the pointer has not come back to 300 yet
  };
  stage.press(steps[0].x, steps[0].y);
  EXPECT_EQ(stage.window().pressed(), dragged);
  for (const Step& s : steps) {
    if (&s != &steps[0]) stage.moveTo(s.x, s.y);
    EXPECT_EQ(dragged->x(), s.left) << s.x << "," << s.y;
    EXPECT_EQ(dragged->y(), s.top) << s.x << "," << s.y;
    EXPECT_TRUE(dragged->rect().isWithin(dragged->bounds()));
  }
  stage.release(580, 10);
  EXPECT_EQ(stage.window().pressed(), nullptr);
  // The release forgot the hysteresis: the next drag starts free.
  stage.press(560, 260);
  stage.moveTo(560, 250);
  EXPECT_EQ(dragged->y(), 240);
  stage.release(560, 250);
}

// Script procedures connected to a trinket's events run in the order the user acts.
TEST_F(TrinketStageTest, PointerEventsReachScriptProceduresInOrder)
{
  std::ofstream("stage.mps", std::ios::binary) << "yield off\r"
                                                  "debug\r"
                                                  "a=TBox 100 100 50 50\r"
                                                  "b=TBox 150 100 50 50\r"
                                                  "set a movable 0\r"
                                                  "set a tag 1\r"
                                                  "set b tag 2\r"
                                                  "set a mouseDown onDown\r"
                                                  "set a mouseUp onUp\r"
                                                  "set a flyOn onOn\r"
                                                  "set a flyOff onOff\r"
                                                  "set b mouseDown onDown\r"
                                                  "set b mouseUp onUp\r"
                                                  "set b flyOn onOn\r"
                                                  "set b flyOff onOff\r"
                                                  "wait\r"
                                                  "procedure onDown\r"
                                                  "[\r"
                                                  "  get RECEIVER tag t\r"
                                                  "  say down t\r"
                                                  "]\r"
                                                  "procedure onUp\r"
                                                  "[\r"
                                                  "  get RECEIVER tag t\r"
                                                  "  say up t\r"
                                                  "]\r"
                                                  "procedure onOn\r"
                                                  "[\r"
                                                  "  get RECEIVER tag t\r"
                                                  "  say on t\r"
                                                  "]\r"
                                                  "procedure onOff\r"
                                                  "[\r"
                                                  "  get RECEIVER tag t\r"
                                                  "  say off t\r"
                                                  "]\r";
  YThread thread("stage.mps", nullptr);
  thread.start();
  stage.passes(2);
  stage.moveTo(120, 120);  // onto a
  stage.click(120, 120);   // a is fixed: no "mouseUp"
  stage.moveTo(170, 120);  // from a onto b
  stage.click(170, 120);   // b is movable
  stage.moveTo(400, 400);  // off b
  std::vector<std::string> lines;
  std::stringstream all(stage.debugText());
  for (std::string line; std::getline(all, line);)
    lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"on 1", "down 1", "off 1", "on 2", "down 2", "up 2",
                                             "off 2"}));
}

std::vector<std::string> heard;
OMWord hearInput(OMWord record)
{
  heard.push_back("input " +
                  std::to_string(reinterpret_cast<OMTrinketWindow::EventRecord*>(record)->kind));
  return 0;
}
OMWord hearMove(OMWord record)
{
  heard.push_back("move " +
                  std::to_string(reinterpret_cast<OMTrinketWindow::EventRecord*>(record)->kind));
  return 0;
}

// A move reaches the host's move listener first, then its input listener, which alone hears
// presses and releases.
TEST_F(TrinketStageTest, TheMoveListenerHearsAMoveBeforeTheInputListener)
{
  const OMLinkToFct input(&hearInput), move(&hearMove);
  stage.window().setInputListener(&input);
  stage.window().setMoveListener(&move);
  heard.clear();
  stage.moveTo(50, 60);
  stage.click(50, 60);
  EXPECT_EQ(heard, (std::vector<std::string>{"move 3", "input 3", "input 1", "input 2"}));
  stage.window().setInputListener(nullptr);
  stage.window().setMoveListener(nullptr);
}

// A frame repaints only what changed under the trinkets, and copies only that to the screen.
TEST_F(TrinketStageTest, DirtyRegionRedrawRepaintsOnlyWhatChanged)
{
  TBox* mover = box(OMRect(10, 10, 60, 60), red555, 1);
  TBox* overlapped = box(OMRect(40, 40, 140, 140), green555, 2);
  TBox* below = box(OMRect(0, 0, 640, 480), blue555, 0);  // the whole stage, partly covered
  TBox* far = box(OMRect(400, 300, 450, 350), red555, 3);
  stage.passes(1);
  EXPECT_EQ(stage.pixel(20, 20), red555);
  EXPECT_EQ(stage.pixel(100, 100), green555);
  EXPECT_EQ(stage.pixel(300, 200), blue555);
  EXPECT_EQ(stage.window().needsRedraw(), 0);

  // A frame with nothing changed paints nothing.
  TBox* all[] = {mover, overlapped, below, far};
  for (TBox* b : all)
    b->paints = 0;
  stage.passes(3);
  for (TBox* b : all)
    EXPECT_EQ(b->paints, 0);

  // A sentinel on the screen away from the change must survive the next frame.
  auto poke = [&](int x, int y, std::uint16_t value) {
    omhost::ScreenBuffer& screen = stage.host().screen();
    screen.bytes[y * screen.pitch + 2 * x] = static_cast<std::uint8_t>(value);
    screen.bytes[y * screen.pitch + 2 * x + 1] = static_cast<std::uint8_t>(value >> 8);
  };
  poke(300, 400, 0x1234);
  poke(65, 65, 0x1234);  // inside the change: repainted, by the higher trinket
  mover->setPosition(30, 30);
  stage.passes(1);
  const struct {
    TBox* trinket;
    int paints;
  } expected[] = {{mover, 1}, {overlapped, 1}, {below, 1}, {far, 0}};
  for (const auto& e : expected)
    EXPECT_EQ(e.trinket->paints, e.paints);
  EXPECT_EQ(stage.pixel(300, 400), 0x1234u);
  EXPECT_EQ(stage.pixel(65, 65), green555);
  EXPECT_EQ(stage.pixel(15, 15), blue555);   // the old place shows what lies below
  EXPECT_EQ(stage.pixel(70, 70), green555);  // the higher trinket is painted over the mover
  EXPECT_EQ(stage.pixel(35, 35), red555);
  EXPECT_EQ(stage.pixel(420, 320), red555);
  // The part of the big trinket that was repainted is only the change.
  EXPECT_TRUE(stage.window().repaintRegion(0).isEmpty());
}

// Positions from scripts may be any number: the trinket keeps its size and stays within the
// range that factories hold rectangles to, and the stage draws it.
TEST_F(TrinketStageTest, HostilePositionsStayInRange)
{
  TBox* moved = box(OMRect(10, 10, 60, 40));
  constexpr int limit = 1 << 29;
  const char* const values[] = {"2147483647",   "-2147483648", "2147483648",
                                "-99999999999", "536870913",   "0"};
  for (const char* value : values) {
    for (const char* member : {"place", "offset", "x", "y"}) {
      const bool method = member[0] == 'p' || member[0] == 'o';
      if (method) {
        moved->callMethod(member, value, value, scriptArgTerminator);
      } else {
        moved->setProperty(member, value);
      }
      stage.passes(1);
      EXPECT_EQ(moved->rect().width(), 50) << member << " " << value;
      EXPECT_EQ(moved->rect().height(), 30) << member << " " << value;
      EXPECT_LE(std::abs(moved->x()), limit) << member << " " << value;
      EXPECT_LE(std::abs(moved->y()), limit) << member << " " << value;
    }
  }
}

// Full screen with two buffers: each pass draws into the back buffer and flips it to the
// screen, so a move must be repainted into both buffers, or the next flip shows the trinket at
// its old place again.
TEST(DoubleBufferedStageTest, AMovedTrinketIsRepaintedInBothBuffers)
{
  omtest::TestStage stage(omtest::TestStage::Display{true, true});
  ASSERT_EQ(stage.window().isDoubleBuffered(), 1);
  new TBox(&stage.window(), OMRect(0, 0, 640, 480), color555(blue555));
  TBox* mover = new TBox(&stage.window(), OMRect(10, 10, 60, 60), color555(red555));
  TBox* second = new TBox(&stage.window(), OMRect(500, 10, 550, 60), color555(green555));
  mover->setZ(1);
  second->setZ(1);
  stage.passes(2);
  EXPECT_EQ(stage.pixel(20, 20), red555);
  // A move is repainted into one buffer and, on the next frame, into the other; then nothing
  // is repainted while nothing changes.
  mover->setPosition(100, 300);
  mover->paints = 0;
  for (int frame = 0; frame < 4; ++frame) {
    stage.passes(1);
    EXPECT_EQ(stage.window().currentBuffer(), frame == 0 ? 1 : 0) << frame;
  }
  EXPECT_EQ(mover->paints, 2);
  EXPECT_EQ(stage.window().needsRedraw(), 0);
  // Each move is followed by passes that flip both buffers to the screen in turn.
  mover->setPosition(300, 200);
  stage.passes(1);
  second->setPosition(500, 400);
  for (int pass = 0; pass < 4; ++pass) {
    SCOPED_TRACE(pass);
    stage.passes(1);
    const struct {
      int x, y;
      std::uint32_t pixel;
    } probes[] = {{20, 20, blue555}, {320, 220, red555}, {520, 20, blue555}, {520, 420, green555}};
    for (const auto& p : probes)
      EXPECT_EQ(stage.pixel(p.x, p.y), p.pixel) << p.x << "," << p.y;
  }
  scriptVariables.clear();
}

}  // namespace
