#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMResFile.h"
#include "framework/OMSystem.h"
#include "game/OMStageWindow.h"
#include "game/SceneLayer.h"
#include "platform/host/HostClock.h"
#include "platform/host/headless/HeadlessHost.h"
#include "platform/src/user/InstanceRegistry.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/TempFolder.h"
#include "tools/BackgroundWriter.h"
#include "tools/ColorTableWriter.h"
#include "tools/NEResourceWriter.h"
#include "trinkets/src/OMAnimation.h"

namespace {

constexpr int pictureId = 50;
constexpr int otherPictureId = 51;
constexpr int paletteId = 60;
constexpr int stampId = 70;

// Every pixel of the first picture differs from black and tells where it came from.
std::uint16_t pictureAt(int x, int y)
{
  return pixel555(8 + x * 247 / 639, 8 + y * 247 / 479, 200);
}
constexpr std::uint16_t otherColour = pixel555(40, 200, 40);

template <const char* Type>
std::unique_ptr<OMIStream> load(std::uint16_t id)
{
  return openResourceStream(id, Type, -1);
}
constexpr char backgroundType[] = "BK16";
constexpr char paletteType[] = "RRGB";

int finishedCalls = 0;
OMWord countFinished(OMWord)
{
  ++finishedCalls;
  return 0;
}

// The stage as the shell makes it, on a headless session with the manual clock, over a
// generated resource file with two pictures and a colour table.
class Stage {
 public:
  explicit Stage(int depth = 16)
  {
    original_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());
    omhost::useManualClock(10000);
    host_ = &omhost::startHeadlessSession();
    host_->screen().resize(640, 480, depth);
    omuser::InstanceRegistry::instance().setEnabled(false);
    app_ = std::make_unique<OMApp>(3, OMRect(0, 0, 640, 480), OMRGBColor(), depth, 0);
    stage_ = std::make_unique<OMStageWindow>(OMRect(0, 0, 640, 480), nullptr, nullptr, 0, 640, 480,
                                             depth, 0);
    writeContent();
    setBackgroundLoader(&load<backgroundType>);
    setPaletteLoader(&load<paletteType>);
    finishedCalls = 0;
    passes(2);
  }
  ~Stage()
  {
    stage_.reset();
    setBackgroundLoader(nullptr);
    setPaletteLoader(nullptr);
    installPaletteShiftHook(nullptr);
    closeAllResFiles();
    app_.reset();
    omhost::useRealClock();
    std::filesystem::current_path(original_);
  }
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;

  OMStageWindow& operator*() { return *stage_; }
  OMStageWindow* operator->() { return stage_.get(); }
  omhost::HeadlessHost& host() { return *host_; }

  void passes(int count, std::uint32_t stepMilliseconds = 0)
  {
    for (int i = 0; i < count; ++i) {
      if (stepMilliseconds) omhost::advanceClock(stepMilliseconds);
      app_->runPass();
    }
  }
  // One pass as soon as the tick count reaches the tick.
  void passAtTick(std::uint32_t tick)
  {
    while (getTicks() < tick)
      omhost::advanceClock(1);
    app_->runPass();
  }
  std::uint32_t pixel(int x, int y) const
  {
    const omhost::ScreenBuffer& screen = host_->screen();
    const std::uint8_t* row = screen.bytes.data() + static_cast<std::size_t>(y) * screen.pitch;
    if (screen.bitsPerPixel == 8) return row[x];
    return static_cast<std::uint32_t>(row[2 * x] | row[2 * x + 1] << 8);
  }
  bool showsPicture(int x, int y) const { return pixel(x, y) == pictureAt(x, y); }
  bool isBlack(int x, int y) const { return pixel(x, y) == 0; }

 private:
  void writeContent()
  {
    std::vector<std::uint16_t> first(640 * 480), second(640 * 480, otherColour);
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x)
        first[static_cast<std::size_t>(y * 640 + x)] = pictureAt(x, y);
    }
    std::array<std::uint8_t, 768> rgb{};
    for (int i = 0; i < 256; ++i)
      rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = static_cast<std::uint8_t>(i);
    NEResourceWriter writer;
    writer.add("BK16", std::to_string(pictureId), writeBackground(640, 480, first));
    writer.add("BK16", std::to_string(otherPictureId), writeBackground(640, 480, second));
    writer.add("RRGB", std::to_string(paletteId), writeColorTable(rgb));
    // A red square of 40 x 40, its own colours beside it.
    omtest::AnimationBuilder square;
    square.addImage(40, 40, 1);
    square.addSequence({OMFrameEntry{0, 0, 0, 0}});
    writer.add("ASEQ", std::to_string(stampId), square.build());
    std::array<std::uint8_t, 768> red{};
    red[3] = 255;
    writer.add("RRGB", std::to_string(stampId), writeColorTable(red));
    NEResourceWriter::Bytes bytes;
    ASSERT_TRUE(writer.build(bytes));
    const std::string path =
        folder_.write("stage.rsc", std::vector<unsigned char>(bytes.begin(), bytes.end()));
    openResFile(path.c_str(), 1);
  }

  TempFolder folder_;
  std::filesystem::path original_;
  omhost::HeadlessHost* host_ = nullptr;
  std::unique_ptr<OMApp> app_;
  std::unique_ptr<OMStageWindow> stage_;
};

constexpr int cellWidth = 20, cellHeight = 15;

// Runs a dissolve of one cell a tick and answers, tick by tick, the cells that turned on the
// window (to the picture when revealing, to black when hiding).
std::vector<std::vector<int>> watchDissolve(Stage& stage, int mode)
{
  const OMLinkToFct finished(&countFinished);
  const std::uint32_t start = getTicks();
  stage->dissolve(1024, mode, &finished);
  std::vector<bool> turned(1024, false);
  std::vector<std::vector<int>> perTick;
  for (std::uint32_t tick = 1; tick <= 1024; ++tick) {
    stage.passAtTick(start + tick);
    std::vector<int> now;
    for (int cell = 0; cell < 1024; ++cell) {
      const int x = (cell % 32) * cellWidth + cellWidth / 2;
      const int y = (cell / 32) * cellHeight + cellHeight / 2;
      const bool changed = mode == 1 ? stage.showsPicture(x, y) : stage.isBlack(x, y);
      if (changed && !turned[static_cast<std::size_t>(cell)]) {
        turned[static_cast<std::size_t>(cell)] = true;
        now.push_back(cell);
      }
    }
    perTick.push_back(now);
  }
  return perTick;
}

// Revealing and hiding visit the cells in one order, one cell a tick: a full cycle of the
// shift register from 288, with cell 0 left to the effect's end.
TEST(StageWindowTest, DissolveTurnsOneCellATickInTheSameOrderBothWays)
{
  Stage stage;
  ASSERT_TRUE(stage->scene(pictureId, pictureId));
  std::vector<std::vector<int>> orders[2];
  for (int mode : {1, 3}) {
    SCOPED_TRACE(mode);
    if (mode == 1) {
      stage->goToBlack();
    } else {
      stage->displayScreen(0);
    }
    finishedCalls = 0;
    const std::vector<std::vector<int>> perTick = watchDissolve(stage, mode);
    std::vector<int> order;
    for (std::size_t tick = 0; tick + 1 < perTick.size(); ++tick) {
      EXPECT_EQ(perTick[tick].size(), 1u) << "tick " << tick + 1;
      order.insert(order.end(), perTick[tick].begin(), perTick[tick].end());
    }
    ASSERT_EQ(order.size(), 1023u);
    EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + 7),
              (std::vector<int>{288, 144, 72, 36, 18, 9, 580}));
    const std::set<int> distinct(order.begin(), order.end());
    EXPECT_EQ(distinct.size(), 1023u);
    EXPECT_EQ(*distinct.begin(), 1);
    EXPECT_EQ(*distinct.rbegin(), 1023);
    // The last tick ends the effect, which completes the window with cell 0.
    EXPECT_EQ(perTick.back(), std::vector<int>{0});
    EXPECT_EQ(stage->effectMode(), 0);
    EXPECT_EQ(finishedCalls, 1);
    orders[mode == 1 ? 0 : 1] = perTick;
  }
  EXPECT_EQ(orders[0], orders[1]);
}

// A wipe moves its edge in proportion to the time, in either direction, revealing or hiding.
TEST(StageWindowTest, WipeMovesItsEdgeAcrossTheWindow)
{
  struct Case {
    int direction, mode;
  };
  const Case cases[] = {{0, 1}, {1, 1}, {0, 3}, {1, 3}};
  Stage stage;
  ASSERT_TRUE(stage->scene(pictureId, pictureId));
  const OMLinkToFct finished(&countFinished);
  constexpr int duration = 32;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "direction " << c.direction << " mode " << c.mode);
    if (c.mode == 1) {
      stage->goToBlack();
    } else {
      stage->displayScreen(0);
    }
    finishedCalls = 0;
    const std::uint32_t start = getTicks();
    stage->wipe(c.direction, duration, c.mode, &finished);
    EXPECT_EQ(stage->effectMode(), c.mode);
    for (int tick = 1; tick < duration; ++tick) {
      stage.passAtTick(start + static_cast<std::uint32_t>(tick));
      const int moved = tick * 640 / duration;
      const int edge = c.direction == 0 ? 640 - moved : moved;
      // The side the edge has passed shows what the wipe brings.
      int wrong = 0;
      for (int x = 0; x < 640; ++x) {
        const bool passed = c.direction == 0 ? x >= edge : x < edge;
        const bool shown = passed == (c.mode == 1);
        if (shown ? !stage.showsPicture(x, 240) : !stage.isBlack(x, 240)) ++wrong;
      }
      EXPECT_EQ(wrong, 0) << "tick " << tick;
    }
    stage.passAtTick(start + duration);
    EXPECT_EQ(stage->effectMode(), 0);
    EXPECT_EQ(finishedCalls, 1);
    EXPECT_EQ(c.mode == 1, stage.showsPicture(5, 5));
    EXPECT_EQ(c.mode == 1, stage.showsPicture(634, 474));
  }
}

// An iris closes from the half diagonal of what is shown, opens from the middle of a black
// window, and moves from one circle to another, however large.
TEST(StageWindowTest, IrisClosesOpensAndMoves)
{
  Stage stage;
  ASSERT_TRUE(stage->scene(pictureId, pictureId));
  const OMLinkToFct finished(&countFinished);
  struct Probe {
    int tick, x, y;
    bool picture;
  };
  struct Step {
    const char* what;
    int duration;
    OMPoint centre;
    int radius;
    int mode;
    std::vector<Probe> probes;  // the last tick is the effect's end
  };
  const Step steps[] = {
      // (20, 0) lies 384 from the middle: inside the circle of 390 after one tick of 40,
      // outside the circle of 380 after two.
      {"close",
       40,
       {320, 240},
       0,
       3,
       {{1, 20, 0, true},
        {2, 20, 0, false},
        {10, 320 + 290, 240, true},
        {10, 320 - 310, 240, false},
        {40, 320, 240, false}}},
      // From black: the middle of the window, radius 0; at its end the whole picture.
      {"open",
       20,
       {100, 100},
       50,
       1,
       {{10, 210, 170, true}, {10, 210 + 35, 170, false}, {20, 600, 400, true}}},
      // From the whole window to a smaller circle elsewhere, which stays.
      {"move",
       20,
       {200, 200},
       80,
       2,
       {{10, 600, 50, false}, {20, 200, 200, true}, {20, 200, 290, false}, {20, 600, 50, false}}},
      // Circles far larger than the window, which the platform makes no region for: one that
      // covers the window shows all of it; one from far away shows the part it reaches.
      {"past the window",
       30,
       {320, 240},
       40000,
       2,
       {{15, 5, 5, true}, {30, 5, 5, true}, {30, 634, 474, true}, {30, 320, 240, true}}},
      {"from far away",
       10,
       {-40000, 240},
       40100,
       2,
       {{10, 95, 240, true}, {10, 105, 240, false}, {10, 95, 5, true}, {10, 600, 400, false}}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    finishedCalls = 0;
    const std::uint32_t start = getTicks();
    stage->iris(step.duration, step.centre, step.radius, &finished);
    EXPECT_EQ(stage->effectMode(), step.mode);
    for (const Probe& p : step.probes) {
      stage.passAtTick(start + static_cast<std::uint32_t>(p.tick));
      EXPECT_EQ(stage.showsPicture(p.x, p.y), p.picture) << p.tick << ": " << p.x << "," << p.y;
      EXPECT_EQ(stage.isBlack(p.x, p.y), !p.picture) << p.tick << ": " << p.x << "," << p.y;
    }
    EXPECT_EQ(stage->effectMode(), 0);
    EXPECT_EQ(finishedCalls, 1);
  }
}

// Durations below one tick count as one: every effect ends on the next tick, once.
TEST(StageWindowTest, EffectsShorterThanATickEndOnTheNextTick)
{
  Stage stage;
  ASSERT_TRUE(stage->scene(pictureId, pictureId));
  const OMLinkToFct finished(&countFinished);
  using Start = void (*)(OMStageWindow&, int, const OMLink*);
  const Start starts[] = {
      [](OMStageWindow& s, int d, const OMLink* l) { s.dissolve(d, 3, l); },
      [](OMStageWindow& s, int d, const OMLink* l) { s.wipe(0, d, 1, l); },
      [](OMStageWindow& s, int d, const OMLink* l) { s.iris(d, OMPoint(320, 240), 0, l); },
      [](OMStageWindow& s, int d, const OMLink* l) { s.shake(d, 5, 5, l); },
  };
  for (int duration : {0, -5}) {
    for (std::size_t i = 0; i < std::size(starts); ++i) {
      SCOPED_TRACE(testing::Message() << "effect " << i << " duration " << duration);
      stage->displayScreen(0);
      finishedCalls = 0;
      const std::uint32_t start = getTicks();
      starts[i](*stage, duration, &finished);
      EXPECT_NE(stage->effectMode(), 0);
      stage.passAtTick(start + 1);
      stage.passes(2);
      EXPECT_EQ(stage->effectMode(), 0);
      EXPECT_EQ(finishedCalls, 1);
    }
  }
}

// A shake moves the window's offsets within its amplitudes; a wipe that replaces it puts
// them back without telling the shake's link.
TEST(StageWindowTest, AWipeDuringAShakeRestoresTheOffsets)
{
  Stage stage;
  ASSERT_TRUE(stage->scene(pictureId, pictureId));
  stage->setOrigin(3, 4);
  const OMLinkToFct finished(&countFinished);
  const std::uint32_t start = getTicks();
  stage->shake(60, 8, 6, &finished);
  EXPECT_EQ(stage->effectMode(), 2);
  int moves = 0;
  for (std::uint32_t tick = 10; tick <= 40; ++tick) {
    stage.passAtTick(start + tick);
    EXPECT_LE(std::abs(stage->offsetX() - 3), 8);
    EXPECT_LE(std::abs(stage->offsetY() - 4), 6);
    if (stage->offsetX() != 3 || stage->offsetY() != 4) ++moves;
  }
  EXPECT_GT(moves, 10);
  stage->wipe(1, 10, 1, nullptr);
  EXPECT_EQ(stage->offsetX(), 3);
  EXPECT_EQ(stage->offsetY(), 4);
  EXPECT_EQ(stage->effectMode(), 1);
  EXPECT_EQ(finishedCalls, 0);
  stage.passAtTick(getTicks() + 10);
  EXPECT_EQ(stage->effectMode(), 0);
  EXPECT_EQ(stage->offsetX(), 3);
}

// The colour shift brightens the adjustable entries by 0.13 of the value, keeping hue and
// saturation, and keeps the system entries.
TEST(StageWindowTest, PaletteColourShiftBrightensTheAdjustableEntries)
{
  struct Case {
    int index;
    OMRGBColor before, after;
  };
  const Case cases[] = {
      {10, {0x8000, 0x8000, 0x8000}, {0xA147, 0xA147, 0xA147}},
      {100, {0, 0, 0}, {0x2147, 0x2147, 0x2147}},
      {245, {0xFFFF, 0xFFFF, 0xFFFF}, {0xFE00, 0xFE00, 0xFE00}},
      {11, {0x8000, 0, 0}, {0xA147, 0, 0}},
      {12, {0, 0, 0xFFFF}, {0, 0, 0xFFFF}},
  };
  OMRGBColor table[256];
  for (int i = 0; i < 256; ++i)
    table[i] = OMRGBColor(static_cast<std::uint16_t>(i * 257), 0x1234, 0x4321);
  for (const Case& c : cases)
    table[c.index] = c.before;
  // A mixed colour, for hue and saturation.
  table[13] = OMRGBColor(0x4000, 0x2000, 0x1000);
  paletteColourShift(table);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(table[c.index].red, c.after.red);
    EXPECT_EQ(table[c.index].green, c.after.green);
    EXPECT_EQ(table[c.index].blue, c.after.blue);
  }
  for (int i : {0, 5, 9, 246, 250, 255}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(table[i].red, i * 257);
    EXPECT_EQ(table[i].green, 0x1234);
    EXPECT_EQ(table[i].blue, 0x4321);
  }
  const OMRGBColor& mixed = table[13];
  EXPECT_NEAR(mixed.red / 65535.0, 0x4000 / 65535.0 + 0.13, 1e-4);
  EXPECT_NEAR(double(mixed.green) / mixed.red, 0.5, 1e-3);
  EXPECT_NEAR(double(mixed.blue) / mixed.red, 0.25, 1e-3);
  // Grey 0x1234 was adjusted in entry 14 as well.
  EXPECT_NE(table[14].green, 0x1234);
}

// At 8 bits a palette comes through the loader and the shift hook into the offscreen canvas;
// an unknown one leaves it as it was.
TEST(StageWindowTest, LoadPaletteShiftsTheTableIntoTheCanvas)
{
  Stage stage(8);
  installPaletteShiftHook(&paletteColourShift);
  ASSERT_TRUE(stage->loadPalette(paletteId));
  OMRGBColor colours[256];
  stage->offscreen()->getPalette(colours);
  // The table holds grey i at entry i; the system entries may be the platform's own.
  OMRGBColor expected[256];
  for (int i = 0; i < 256; ++i)
    expected[i] =
        OMRGBColor(static_cast<std::uint16_t>(i * 257), static_cast<std::uint16_t>(i * 257),
                   static_cast<std::uint16_t>(i * 257));
  paletteColourShift(expected);
  for (int i = 10; i < 246; ++i) {
    // The canvas keeps 8 bits a channel.
    EXPECT_EQ(colours[i].redByte(), expected[i].redByte()) << i;
    EXPECT_EQ(colours[i].blueByte(), expected[i].blueByte()) << i;
  }
  EXPECT_GT(colours[128].red, 0x8080);
  EXPECT_FALSE(stage->loadPalette(paletteId + 1));
  OMRGBColor after[256];
  stage->offscreen()->getPalette(after);
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(after[i].red, colours[i].red) << i;
}

// A scene replaces the picture and shows it at once; an unknown one changes nothing.
TEST(StageWindowTest, SceneLoadsKnownPicturesOnly)
{
  Stage stage;
  EXPECT_FALSE(stage->scene(999, 999));
  EXPECT_EQ(stage->background(), nullptr);
  ASSERT_TRUE(stage->scene(pictureId, pictureId));
  OMDrawLayer* layer = stage->background();
  ASSERT_NE(layer, nullptr);
  EXPECT_TRUE(stage.showsPicture(300, 200));
  EXPECT_FALSE(stage->scene(999, 0));
  stage.passes(2);
  EXPECT_EQ(stage->background(), layer);
  EXPECT_TRUE(stage.showsPicture(300, 200));
  ASSERT_TRUE(stage->scene(otherPictureId, 0));
  EXPECT_EQ(stage->background(), layer);
  EXPECT_EQ(stage.pixel(300, 200), otherColour);
}

// A pixel of the stage's scene picture, 5-5-5.
std::uint32_t layerPixel(OMStageWindow& stage, int x, int y)
{
  auto* picture = static_cast<OMMemCanvas*>(stage.background()->canvas());
  void* bits = nullptr;
  int pitch = 0;
  if (!picture->lockBits(&bits, &pitch)) return 0xFFFFFFFF;
  const auto* row = static_cast<const std::uint8_t*>(bits) + y * pitch;
  const std::uint32_t value = static_cast<std::uint32_t>(row[2 * x] | row[2 * x + 1] << 8);
  picture->unlockBits();
  return value;
}

// The scene layer's saved areas come back newest first, at 16 bits, clipped to the picture.
TEST(StageWindowTest, SceneLayerRestoresSavedAreasNewestFirst)
{
  Stage stage;
  ASSERT_TRUE(stage->scene(pictureId, pictureId));
  auto* layer = dynamic_cast<SceneLayer*>(stage->background());
  ASSERT_NE(layer, nullptr);
  OMCanvas* picture = layer->canvas();
  const auto paint = [&](const OMRect& rect, const OMRGBColor& colour) {
    picture->setFillColor(colour);
    picture->setFrame(false);
    picture->drawRect(rect);
  };

  layer->saveUnder(OMRect(600, 450, 700, 500));  // partly outside
  paint(OMRect(0, 0, 640, 480), OMRGBColor(0xFFFF, 0, 0));
  layer->saveUnder(OMRect(10, 10, 30, 30));
  paint(OMRect(0, 0, 640, 480), OMRGBColor(0, 0, 0xFFFF));
  layer->saveUnder(OMRect(700, 700, 720, 720));  // wholly outside
  EXPECT_EQ(layer->savedCount(), 3u);
  const std::uint32_t red = pixel555(255, 0, 0), blue = pixel555(0, 0, 255);
  layer->restoreUnder();
  EXPECT_EQ(layerPixel(*stage, 0, 0), blue);
  layer->restoreUnder();
  EXPECT_EQ(layerPixel(*stage, 20, 20), red);
  EXPECT_EQ(layerPixel(*stage, 610, 460), blue);
  layer->restoreUnder();
  EXPECT_EQ(layerPixel(*stage, 610, 460), pictureAt(610, 460));
  EXPECT_EQ(layerPixel(*stage, 639, 479), pictureAt(639, 479));
  EXPECT_EQ(layerPixel(*stage, 20, 20), red);
  layer->restoreUnder();  // empty: nothing
  EXPECT_EQ(layerPixel(*stage, 20, 20), red);
}

std::unique_ptr<OMIStream> stampColours(int id)
{
  return openResourceStream(id, "RRGB", -1);
}

// An animation stamped into the scene picture shows on the window and comes off again.
TEST(StageWindowTest, AStampedAnimationComesOffTheScene)
{
  Stage stage;
  ASSERT_TRUE(stage->scene(pictureId, pictureId));
  OMAnimation::useEmbeddedAnimationCoordinates = 0;
  OMAnimation::paletteResolver = &stampColours;
  {
    OMAnimation square(openResourceStream(stampId, "ASEQ", -1), 100, 100, &*stage);
    square.stamp(nullptr);
    stage.passes(3, 10);
    EXPECT_EQ(stage.pixel(120, 120), pixel555(255, 0, 0));
    EXPECT_TRUE(stage.showsPicture(99, 120));
    EXPECT_EQ(layerPixel(*stage, 120, 120), pixel555(255, 0, 0));
    // Taken off the picture, the square is a live trinket again, over the restored picture.
    square.unstamp();
    EXPECT_EQ(layerPixel(*stage, 120, 120), pictureAt(120, 120));
    EXPECT_EQ(dynamic_cast<SceneLayer*>(stage->background())->savedCount(), 0u);
    square.setVisible(0);
    stage.passes(3, 10);
    EXPECT_TRUE(stage.showsPicture(120, 120));
  }
  OMAnimation::paletteResolver = nullptr;
  OMAnimation::useEmbeddedAnimationCoordinates = 1;
}

struct Delivered {
  std::uint32_t time;
  int kind;
  OMPoint point;
};
std::vector<Delivered> delivered;
OMWord recordInput(OMWord record)
{
  const auto* event = reinterpret_cast<const OMTrinketWindow::EventRecord*>(record);
  delivered.push_back({timeGetTime(), event->kind, event->point});
  return 0;
}

// Moves every 5 ms reach the trinkets at most once per 25 ms; the last position always
// arrives, and a press hands on a kept move first.
TEST(StageWindowTest, MouseMovesAreThrottledWithoutLosingTheLastOne)
{
  Stage stage;
  stage->setMouseMoveInterval(25);
  const OMLinkToFct listener(&recordInput);
  stage->setInputListener(&listener);
  delivered.clear();
  for (int i = 0; i < 20; ++i) {
    stage.host().moveMouse(100 + i, 200);
    stage.passes(1, 5);
  }
  stage.passes(10, 5);
  ASSERT_GE(delivered.size(), 4u);
  EXPECT_LE(delivered.size(), 5u);
  for (std::size_t i = 1; i < delivered.size(); ++i)
    EXPECT_GE(delivered[i].time - delivered[i - 1].time, 25u) << i;
  EXPECT_EQ(delivered.back().point, OMPoint(119, 200));

  // A move kept by the throttle comes before the press that follows it.
  delivered.clear();
  stage.host().moveMouse(300, 300);
  stage.passes(1, 30);
  stage.host().moveMouse(310, 300);
  stage.passes(1, 1);
  stage.host().pressButton(310, 300);
  stage.passes(1, 1);
  ASSERT_EQ(delivered.size(), 3u);
  EXPECT_EQ(delivered[1].kind, 3);
  EXPECT_EQ(delivered[1].point, OMPoint(310, 300));
  EXPECT_EQ(delivered[2].kind, 1);
  stage->setInputListener(nullptr);
}

// With double clicks disabled the second press of a double click is a press.
TEST(StageWindowTest, DoubleClicksCanBePresses)
{
  struct Case {
    int disabled;
    std::vector<int> kinds;
  };
  const Case cases[] = {{0, {1, 2, 4, 2}}, {1, {1, 2, 1, 2}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.disabled);
    Stage stage;
    stage->setDoubleClicksDisabled(c.disabled);
    const OMLinkToFct listener(&recordInput);
    stage->setInputListener(&listener);
    delivered.clear();
    stage.host().click(50, 50);
    stage.host().click(50, 50);
    stage.passes(8);
    std::vector<int> kinds;
    for (const Delivered& d : delivered)
      if (d.kind != 3) kinds.push_back(d.kind);
    EXPECT_EQ(kinds, c.kinds);
    stage->setInputListener(nullptr);
  }
}

// displayScreen(1) ends a running effect silently and lets later redraws through without
// drawing anything itself; displayScreen(0) shows the whole picture at once.
TEST(StageWindowTest, DisplayScreenUnfreezesWithOrWithoutDrawing)
{
  Stage stage;
  ASSERT_TRUE(stage->scene(pictureId, pictureId));
  stage->goToBlack();
  stage.passes(3);
  EXPECT_TRUE(stage.isBlack(320, 240));
  const OMLinkToFct finished(&countFinished);
  stage->wipe(1, 30, 1, &finished);
  stage->displayScreen(1);
  EXPECT_EQ(stage->effectMode(), 0);
  stage.passes(5, 100);
  EXPECT_EQ(finishedCalls, 0);
  EXPECT_TRUE(stage.isBlack(320, 240));
  EXPECT_TRUE(stage.isBlack(5, 5));
  stage->addDirtyRegion(OMRegion(OMRect(0, 0, 100, 100)));
  stage->setDirty(1);
  stage.passes(1);
  EXPECT_TRUE(stage.showsPicture(50, 50));
  EXPECT_TRUE(stage.isBlack(320, 240));
  stage->displayScreen(0);
  EXPECT_TRUE(stage.showsPicture(320, 240));
  EXPECT_TRUE(stage.showsPicture(639, 479));
}

int framePasses = 0;
OMStageWindow* nestedStage = nullptr;
OMWord nestPass(OMWord)
{
  ++framePasses;
  nestedStage->frameStep();
  return 0;
}

// Per-pass work called from inside the per-pass work does nothing.
TEST(StageWindowTest, NestedPerPassWorkDoesNothing)
{
  Stage stage;
  nestedStage = &*stage;
  framePasses = 0;
  const OMLinkToFct nest(&nestPass);
  stage->setFrameLink(OMTrinketWindow::beforeTimeLink, &nest);
  stage.passes(5, 10);
  EXPECT_EQ(framePasses, 5);
  stage->frameStep();
  EXPECT_EQ(framePasses, 6);
  stage->setFrameLink(OMTrinketWindow::beforeTimeLink, nullptr);
}

}  // namespace
