#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "framework/OMCursor.h"
#include "framework/OMFontManager.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMNFNTFont.h"
#include "framework/OMSysFont.h"
#include "framework/OMTTFont.h"
#include "tests/support/CanvasPixels.h"
#include "tests/support/PngWriter.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TestStage.h"
#include "tools/BackgroundWriter.h"
#include "tools/NFNTWriter.h"
#include "trinkets/lib/RText.h"
#include "trinkets/lib/RTextLayout.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/StampCanvas.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

constexpr std::uint16_t fontId = 128;
constexpr std::uint32_t white = pixel555(255, 255, 255), red = pixel555(255, 0, 0),
                        blue = pixel555(0, 0, 255), green = pixel555(0, 255, 0);
const OMRGBColor redColor = OMRGBColor::fromBytes(255, 0, 0);
const OMRGBColor blueColor = OMRGBColor::fromBytes(0, 0, 255);

// The font writer's 3-by-5 capitals (advance 4, a blank 3), with a caret, and a "J" whose ink
// starts two columns right of the pen.
nfntwriter::Font testFont()
{
  nfntwriter::Font font = nfntwriter::pixelFont();
  nfntwriter::Glyph& caret = font.glyphs['^'];
  caret = font.glyphs['A'];
  caret.rows.assign(6, std::vector<bool>(3, false));
  caret.rows[0] = {false, true, false};
  caret.rows[1] = {true, false, true};
  nfntwriter::Glyph& j = font.glyphs['J'];
  j.offset = 2;
  j.advance = 6;
  return font;
}

// One drawText call as it should come out: the text with its pen's start and baseline.
struct Ink {
  std::string text;
  int x, baseline;
  std::uint32_t pixel;
};

// The eight outline copies around the pen, then the text.
std::vector<Ink> outlined(const std::string& text, int x, int baseline)
{
  std::vector<Ink> inks;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (dx || dy) inks.push_back({text, x + dx, baseline + dy, blue});
  inks.push_back({text, x, baseline, red});
  return inks;
}

// What the screen should show, painted from the glyph masks the font was written from.
class Picture {
 public:
  Picture(std::uint32_t background) : pixels_(std::size_t(width * height), background) {}

  void draw(const nfntwriter::Font& font, const Ink& ink)
  {
    int pen = ink.x + font.kernMax;
    for (unsigned char c : ink.text) {
      const nfntwriter::Glyph* g = &font.glyphs[c < 128 ? c : 127];
      if (!g->present) g = &font.glyphs[127];
      for (int row = 0; row < int(g->rows.size()); ++row)
        for (int col = 0; col < int(g->rows[std::size_t(row)].size()); ++col)
          if (g->rows[std::size_t(row)][std::size_t(col)])
            set(pen + g->offset + col, ink.baseline - font.ascent + row, ink.pixel);
      pen += g->advance;
    }
  }
  std::uint32_t at(int x, int y) const { return pixels_[std::size_t(y * width + x)]; }

  static constexpr int width = 640, height = 480;

 private:
  void set(int x, int y, std::uint32_t value)
  {
    if (x >= 0 && y >= 0 && x < width && y < height) pixels_[std::size_t(y * width + x)] = value;
  }
  std::vector<std::uint32_t> pixels_;
};

std::vector<std::uint8_t> toRgb(const std::function<std::uint32_t(int, int)>& pixel, int depth)
{
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < Picture::height; ++y)
    for (int x = 0; x < Picture::width; ++x) {
      const std::uint32_t v = pixel(x, y);
      if (depth == 8) {
        rgb.insert(rgb.end(), {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)});
      } else {
        rgb.insert(rgb.end(), {std::uint8_t(((v >> 10) & 31) << 3),
                               std::uint8_t(((v >> 5) & 31) << 3), std::uint8_t((v & 31) << 3)});
      }
    }
  return rgb;
}

// Compares the stage's screen with the picture; on a difference both go, as PNG files, into a
// temporary folder that is kept for looking at.
void expectScreen(omtest::TestStage& stage, const Picture& expected, const std::string& name,
                  int depth = 16)
{
  int differing = 0, firstX = -1, firstY = -1;
  for (int y = 0; y < Picture::height; ++y)
    for (int x = 0; x < Picture::width; ++x)
      if (stage.pixel(x, y) != expected.at(x, y) && differing++ == 0) {
        firstX = x;
        firstY = y;
      }
  if (!differing) return;
  std::string folder = (std::filesystem::temp_directory_path() / "omtext-XXXXXX").string();
  if (!::mkdtemp(folder.data())) folder = std::filesystem::temp_directory_path().string();
  const std::string base = folder + "/" + name;
  omtest::writePng(base + "-actual.png", Picture::width, Picture::height,
                   toRgb([&](int x, int y) { return stage.pixel(x, y); }, depth));
  omtest::writePng(base + "-expected.png", Picture::width, Picture::height,
                   toRgb([&](int x, int y) { return expected.at(x, y); }, depth));
  ADD_FAILURE() << name << ": " << differing << " pixels differ, the first at (" << firstX << ", "
                << firstY << "); the pictures are in " << folder;
}

// A layer with a picture of one colour and a save-under stack.
class SavingLayer : public OMDrawLayer {
 public:
  SavingLayer(int depth, const OMRGBColor& color)
      : canvas_(std::make_unique<OMMemCanvas>(Picture::width, Picture::height, depth, 1))
  {
    canvas_->setFillColor(color);
    canvas_->setFill(true);
    canvas_->setFrame(false);
    canvas_->drawRect(OMRect(0, 0, Picture::width, Picture::height));
  }
  OMCanvas* canvas() override { return canvas_.get(); }
  void saveUnder(const OMRect& rect) override
  {
    saved_.push_back(std::make_unique<StampCanvas>(rect, canvas_.get()));
  }
  void restoreUnder() override
  {
    if (saved_.empty()) return;
    saved_.back()->restore(canvas_.get());
    saved_.pop_back();
  }
  OMRect draw(OMCanvas* target, const OMRegion& area) override
  {
    const OMRect box = area.bounds();
    if (!target || !box.hasArea()) return OMRect();
    target->copyBits(canvas_.get(), box.left(), box.top(), box.width(), box.height(), box.left(),
                     box.top(), SRCCOPY, &area);
    return box;
  }
  OMMemCanvas& picture() { return *canvas_; }
  std::size_t savedCount() const { return saved_.size(); }

 private:
  std::unique_ptr<OMMemCanvas> canvas_;
  std::vector<std::unique_ptr<StampCanvas>> saved_;
};

class TextTest : public ::testing::Test {
 protected:
  explicit TextTest(int depth = 16) : stage(depth)
  {
    NEResourceWriter writer;
    writer.add("NFNT", std::to_string(fontId), nfntwriter::write(font));
    stageFile = stage.addResourceFile("fonts.rsc", writer);
  }
  void TearDown() override
  {
    thread_.reset();
    scriptVariables.clear();
    clearEventRecords();
  }

  std::unique_ptr<RText> box(const char* text, const OMRect& rect, int wrap)
  {
    auto t = std::make_unique<RText>(text, rect, nullptr, redColor, wrap, &stage.window());
    t->setFontById(fontId);
    return t;
  }
  std::unique_ptr<RText> point(const char* text, const OMPoint& anchor, int center)
  {
    auto t = std::make_unique<RText>(text, anchor, nullptr, redColor, center, &stage.window());
    t->setFontById(fontId);
    return t;
  }
  Picture picture(const std::vector<Ink>& inks, std::uint32_t background = white) const
  {
    Picture p(background);
    for (const Ink& ink : inks)
      p.draw(font, ink);
    return p;
  }
  static std::unique_ptr<OMScriptableObject> make(const std::vector<std::string>& arguments)
  {
    clearScriptArgs();
    for (const std::string& argument : arguments)
      pushScriptArg(argument.c_str());
    rewindScriptArgs();
    std::unique_ptr<OMScriptableObject> made = RText::create();
    if (made) made->bindClass("RText");
    return made;
  }

  const nfntwriter::Font font = testFont();
  omtest::TestStage stage;
  std::string stageFile;
  std::unique_ptr<YThread> thread_;
};

class PaletteTextTest : public TextTest {
 protected:
  PaletteTextTest() : TextTest(8) {}
};

// Each case is drawn alone on the white stage and compared with the whole screen. The pens
// follow from the layout: a block of n lines of 6 rows with 1 row between them is centred in
// its box (half rows going down), each line's advance is centred in the box's width, and a
// point text's ink (its outline included) starts at the anchor or is centred on it.
TEST_F(TextTest, TextsDrawWhereTheLayoutPutsThem)
{
  ASSERT_FALSE(stageFile.empty());
  struct Case {
    const char* name;
    std::function<std::unique_ptr<RText>()> make;
    std::vector<Ink> inks;
  };
  const Case cases[] = {
      // 20 rows in 40: ink from row 110; the lines are 4, 12 and 8 wide in 16.
      {"wrapped-box",
       [&] { return box("A BCD EF", OMRect(100, 100, 116, 140), 1); },
       {{"A", 106, 115, red}, {"BCD", 102, 122, red}, {"EF", 104, 129, red}}},
      // Carriage return and line feed each end a line: an empty one stands between.
      {"cr-lf",
       [&] { return box("AB\r\nCD", OMRect(100, 300, 200, 340), 1); },
       {{"AB", 146, 315, red}, {"CD", 146, 329, red}}},
      // 13 rows in 40 leave 27: 14 above.
      {"caret-box",
       [&] { return box("AB^CD", OMRect(300, 300, 340, 340), 1); },
       {{"AB", 316, 319, red}, {"CD", 316, 326, red}}},
      {"caret-unwrapped",
       [&] { return box("AB^CD", OMRect(300, 400, 360, 440), 0); },
       {{"AB^CD", 320, 422, red}}},
      {"caret-point",
       [&] { return point("AB^CD", OMPoint(500, 300), 0); },
       {{"AB^CD", 500, 305, red}}},
      {"point", [&] { return point("HELLO", OMPoint(50, 60), 0); }, {{"HELLO", 50, 65, red}}},
      // The ink of "J" starts right of its pen, so the pen stands left of the anchor.
      {"point-ink-left", [&] { return point("JA", OMPoint(300, 50), 0); }, {{"JA", 298, 55, red}}},
      // The ink is 19 by 6: (191, 197) to (210, 203) around (200, 200).
      {"point-centred",
       [&] { return point("HELLO", OMPoint(200, 200), 1); },
       {{"HELLO", 191, 202, red}}},
      // The ink, 7 columns from the J's to the A's, fills the rectangle centred on (300, 150).
      {"point-centred-ink-left",
       [&] { return point("JA", OMPoint(300, 150), 1); },
       {{"JA", 295, 152, red}}},
      {"point-outline",
       [&] {
         auto t = point("HI", OMPoint(400, 100), 0);
         t->setOutlineColor(blueColor);
         t->setOutline(1);
         return t;
       },
       outlined("HI", 401, 106)},
      {"box-outline",
       [&] {
         auto t = box("HI", OMRect(400, 200, 420, 220), 1);
         t->setOutlineColor(blueColor);
         t->setOutline(1);
         return t;
       },
       outlined("HI", 406, 212)},
  };
  for (const Case& c : cases) {
    std::unique_ptr<RText> t = c.make();
    stage.passes(2);
    expectScreen(stage, picture(c.inks), c.name);
    t.reset();
    stage.passes(2);
  }
  expectScreen(stage, picture({}), "nothing-left");
}

// A stamp draws the text into the layer's picture and hides the text; an unstamp puts the
// picture back exactly and shows the text again.
TEST_F(TextTest, StampLeavesTheTextInTheLayerAndUnstampTakesItOut)
{
  auto* layer = new SavingLayer(16, OMRGBColor::fromBytes(0, 255, 0));
  stage.window().setBackground(layer);
  const auto layerPixels = [&] {
    std::vector<std::uint32_t> pixels;
    for (int y = 40; y < 80; ++y)
      for (int x = 40; x < 90; ++x)
        pixels.push_back(omtest::canvasPixel(layer->picture(), x, y));
    return pixels;
  };
  const std::vector<std::uint32_t> before = layerPixels();
  std::unique_ptr<RText> t = point("HELLO", OMPoint(50, 60), 0);
  stage.passes(2);
  const Picture withText = picture({{"HELLO", 50, 65, red}}, green);
  expectScreen(stage, withText, "before-stamp");

  t->stamp();
  stage.passes(2);
  EXPECT_FALSE(t->isVisible());
  EXPECT_TRUE(t->isRunning());
  EXPECT_EQ(layer->savedCount(), 1u);
  EXPECT_NE(layerPixels(), before);
  expectScreen(stage, withText, "stamped");
  t->stamp();  // once stamped, a second stamp saves nothing more
  EXPECT_EQ(layer->savedCount(), 1u);

  t->unstamp();
  stage.passes(2);
  EXPECT_TRUE(t->isVisible());
  EXPECT_FALSE(t->isRunning());
  EXPECT_EQ(layer->savedCount(), 0u);
  EXPECT_EQ(layerPixels(), before);
  expectScreen(stage, withText, "unstamped");
  t->hide();
  stage.passes(2);
  expectScreen(stage, picture({}, green), "hidden");

  // A layer without a picture: the stamp only hides, the unstamp shows.
  stage.window().setBackground(new OMDrawLayer);
  t->show();
  t->stamp();
  EXPECT_FALSE(t->isVisible());
  EXPECT_FALSE(t->isRunning());
  t->unstamp();
  stage.passes(2);
  expectScreen(stage, picture({{"HELLO", 50, 65, red}}), "no-layer-picture");
}

// At 8 bits a colour by palette index is that index on the screen; the colour follows the
// index when it changes.
TEST_F(PaletteTextTest, APaletteColourIsItsIndexOnTheScreen)
{
  const std::uint32_t background = stage.pixel(0, 0);
  std::unique_ptr<RText> t = point("HELLO", OMPoint(50, 60), 0);
  for (int index : {200, 37}) {
    t->setColor(OMRGBColor::fromIndex(index));
    stage.passes(2);
    expectScreen(stage, picture({{"HELLO", 50, 65, std::uint32_t(index)}}, background),
                 "palette-" + std::to_string(index), 8);
  }
}

TEST_F(TextTest, LinesBreakAtBlanksAndLineBreaks)
{
  using Lines = RTextLayout::Lines;
  struct Case {
    const char* text;
    int width;
    int outline;
    Lines lines;
  };
  const Case cases[] = {
      // The blank belongs to neither line.
      {"AB CD", 10, 0, {{0, 1}, {3, 4}}},
      {"AB CD", 19, 0, {{0, 4}}},
      {"AB CD", 18, 0, {{0, 1}, {3, 4}}},
      // The outline's 2 pixels count.
      {"AB CD", 19, 1, {{0, 1}, {3, 4}}},
      {"AB CD", 21, 1, {{0, 4}}},
      // A word wider than the box breaks where it stops fitting; the last letter stays.
      {"ABCDE", 10, 0, {{0, 1}, {2, 3}, {4, 4}}},
      {"ABCD", 10, 1, {{0, 1}, {2, 3}}},
      // Nothing fits: one character a line, blanks dropped.
      {"AB", 0, 0, {{0, 0}, {1, 1}}},
      {"A B", 0, 1, {{0, 0}, {2, 2}}},
      {"AB", -7, 0, {{0, 0}, {1, 1}}},
      // Leading blanks are skipped, trailing ones left off.
      {"  AB  ", 100, 0, {{2, 3}}},
      {"AB   CD", 12, 0, {{0, 1}, {5, 6}}},
      {"AB\t\tCD", 12, 0, {{0, 1}, {4, 5}}},
      // Each of "^", CR and LF ends a line.
      {"AB^CD", 100, 0, {{0, 1}, {3, 4}}},
      {"A\r\nB", 100, 0, {{0, 0}, {2, 1}, {3, 3}}},
      {"A\rB\nC", 100, 0, {{0, 0}, {2, 2}, {4, 4}}},
      {"AB^", 100, 0, {{0, 1}, {3, 2}}},
      {"^", 100, 0, {{0, -1}, {1, 0}}},
      {"A^ B", 100, 0, {{0, 0}, {3, 3}}},
      {"", 100, 0, {{0, -1}}},
      // Quotes around the text are dropped before it is laid out.
      {"\"AB CD\"", 10, 0, {{0, 1}, {3, 4}}},
      {"\"", 10, 0, {{0, 0}}},
  };
  for (const Case& c : cases) {
    RText t(c.text, OMRect(0, 0, c.width, 20), nullptr, redColor, 1, &stage.window());
    t.setFontById(fontId);
    t.setOutline(c.outline);
    EXPECT_EQ(t.lines(), c.lines) << '"' << c.text << "\" in " << c.width;
  }
  // Without wrap, and in point mode, the whole text is one line.
  RText unwrapped("AB^C D", OMRect(0, 0, 100, 20), nullptr, redColor, 0, &stage.window());
  unwrapped.setFontById(fontId);
  EXPECT_EQ(unwrapped.lines(), (Lines{{0, 5}}));
  unwrapped.setWrap(1);
  EXPECT_EQ(unwrapped.lines(), (Lines{{0, 1}, {3, 5}}));
  RText pointed("AB^C D", OMPoint(0, 0), nullptr, redColor, 0, &stage.window());
  pointed.setWrap(1);
  EXPECT_EQ(pointed.wrap(), 0);
  EXPECT_EQ(pointed.lines(), (Lines{{0, 5}}));
  EXPECT_EQ(RText("\"AB\"", OMPoint(0, 0), nullptr, redColor, 0, nullptr).text(), "AB");
}

// Random texts in random widths: the layout ends, loses no character, starts no line with a
// blank and makes no line wider than the box unless it holds one character.
TEST_F(TextTest, RandomTextsLayOutAndEnd)
{
  OMFont* f = getNFNTFont(fontId);
  ASSERT_TRUE(f->is(OMNFNTFont::classDescriptor));
  std::mt19937 random(1234);
  const std::string alphabet = "ABCDEFGHIJ   \t^\r\n\"~az";
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  const auto lineBreak = [](char c) { return c == '^' || c == '\r' || c == '\n'; };
  for (int round = 0; round < 10000; ++round) {
    std::string text(random() % 40, ' ');
    for (char& c : text)
      c = alphabet[random() % alphabet.size()];
    const int width = int(random() % 50) - 5;
    const bool outline = random() % 2;
    const RTextLayout::Lines lines = RTextLayout::wrapped(text, *f, width, outline);
    ASSERT_FALSE(lines.empty());
    std::vector<int> owner(text.size(), -1);
    int previousEnd = -1;
    for (std::size_t n = 0; n < lines.size(); ++n) {
      const RTextLine& line = lines[n];
      ASSERT_GT(line.first, previousEnd) << text;
      ASSERT_GE(line.last, line.first - 1) << text;
      ASSERT_LE(line.last, int(text.size()) - 1) << text;
      previousEnd = std::max(previousEnd, line.last);
      int end = line.last;
      while (end >= line.first && blank(text[std::size_t(end)]))
        --end;
      if (line.last >= line.first) {
        ASSERT_FALSE(blank(text[std::size_t(line.first)])) << text;
      }
      for (int i = line.first; i <= line.last; ++i) {
        ASSERT_FALSE(lineBreak(text[std::size_t(i)])) << text;
        owner[std::size_t(i)] = int(n);
      }
      const std::string shown =
          text.substr(std::size_t(line.first), std::size_t(end - line.first + 1));
      if (shown.size() > 1) {
        ASSERT_LE(f->textWidth(shown.c_str()) + (outline ? 2 : 0), width) << text;
      }
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (!blank(text[i]) && !lineBreak(text[i])) {
        ASSERT_GE(owner[i], 0) << text << " at " << i;
      }
    }
  }
  releaseFont(f);
}

// A script makes texts by name and drives their members.
TEST_F(TextTest, AScriptDrivesTheMembers)
{
  std::ofstream("text.mps", std::ios::binary) << "yield off\r"
                                                 "debug\r"
                                                 "t=RText \"A BCD EF\" 100 100 16 40 1\r"
                                                 "set t font 128\r"
                                                 "set t color 65535 0 0\r"
                                                 "set t mouseDown onDown\r"
                                                 "get t textWidth v\r"
                                                 "say textWidth v\r"
                                                 "get t textHeight v\r"
                                                 "say textHeight v\r"
                                                 "get t fontAscent v\r"
                                                 "get t fontDescent w\r"
                                                 "get t fontLeading u\r"
                                                 "say metrics v w u\r"
                                                 "get t center v\r"
                                                 "get t wrap w\r"
                                                 "say flags v w\r"
                                                 "get t userData v\r"
                                                 "say userData v\r"
                                                 "set t userData card\r"
                                                 "get t userData v\r"
                                                 "say userData v\r"
                                                 "set t x 120\r"
                                                 "get t x v\r"
                                                 "say x v\r"
                                                 "set t x 100\r"
                                                 "p=RText '\"HELLO\"' 200 200 1\r"
                                                 "set p font 128\r"
                                                 "set p color 200\r"
                                                 "set p x 210\r"
                                                 "get p pointX v\r"
                                                 "get p x w\r"
                                                 "say point v w\r"
                                                 "set p wrap 1\r"
                                                 "get p wrap v\r"
                                                 "set p outline 1\r"
                                                 "get p outline w\r"
                                                 "get p x u\r"
                                                 "say outline v w u\r"
                                                 "get p text v\r"
                                                 "say text v\r"
                                                 "set p cursor 9\r"
                                                 "play p stamp\r"
                                                 "get p visible v\r"
                                                 "play p unstamp\r"
                                                 "get p visible w\r"
                                                 "say stamp v w\r"
                                                 "say ready\r"
                                                 "wait\r"
                                                 "procedure onDown\r"
                                                 "[\r"
                                                 "  say down\r"
                                                 "  set t text GONE\r"
                                                 "]\r";
  thread_ = std::make_unique<YThread>("text.mps", nullptr);
  thread_->start();
  stage.passes(2);
  const std::vector<std::string> said = {"textWidth 30", "textHeight 6",  "metrics 5 1 1",
                                         "flags 1 1",    "userData ",     "userData card",
                                         "x 120",        "point 210 201", "outline 0 1 200",
                                         "text HELLO",   "stamp 0 1",     "ready"};
  EXPECT_EQ(stage.debugLines(), said);
  auto* t = static_cast<RText*>(scriptVariables.getObjectByName("t", false));
  auto* p = static_cast<RText*>(scriptVariables.getObjectByName("p", false));
  ASSERT_NE(t, nullptr);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->color(), OMRGBColor::fromIndex(200));
  ASSERT_NE(p->hoverCursor(), nullptr);
  EXPECT_EQ(p->hoverCursor(), p->trackingCursor());
  EXPECT_NE(p->hoverCursor(), OMTrinket::defaultHoverCursor());
  // With the cursor hook the cursor is the hook's; 0 changes nothing.
  static OMCursor hooked;
  RText::setCursorHook([](std::uint16_t id) { return id == 4 ? &hooked : nullptr; });
  EXPECT_EQ(p->setProperty("cursor", "4"), 1);
  EXPECT_EQ(p->hoverCursor(), &hooked);
  EXPECT_EQ(p->trackingCursor(), &hooked);
  EXPECT_EQ(p->setProperty("cursor", "0"), 1);
  EXPECT_EQ(p->hoverCursor(), &hooked);
  RText::setCursorHook(nullptr);
  // The top row of the "A" on the first line.
  EXPECT_EQ(stage.pixel(107, 110), red);

  stage.click(107, 112);
  std::vector<std::string> more = said;
  more.push_back("down");
  EXPECT_EQ(stage.debugLines(), more);
  EXPECT_EQ(t->text(), "GONE");
}

// Any six arguments make a text; it draws and goes without harm.
TEST_F(TextTest, TheFactoryTakesAnyArguments)
{
  EXPECT_NE(make({}), nullptr);
  const auto point = make({"HI", "10", "20", "1"});
  ASSERT_NE(point, nullptr);
  EXPECT_TRUE(static_cast<RText*>(point.get())->isPointMode());
  EXPECT_EQ(static_cast<RText*>(point.get())->center(), 1);
  const auto boxed = make({"HI", "10", "20", "30", "40"});
  ASSERT_NE(boxed, nullptr);
  EXPECT_EQ(static_cast<RText*>(boxed.get())->rect(), OMRect(10, 20, 40, 60));
  EXPECT_EQ(static_cast<RText*>(boxed.get())->wrap(), 0);
  const char* pieces[] = {"",           "abc",         "0",
                          "-1",         "7",           "639",
                          "2147483647", "-2147483648", "99999999999999999999",
                          "\"\"",       "A B^C\r\nD",  "-99999999999999999999"};
  std::mt19937 random(99);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> arguments;
    for (int i = 0; i < 6; ++i)
      arguments.push_back(pieces[random() % std::size(pieces)]);
    std::unique_ptr<OMScriptableObject> made = make(arguments);
    ASSERT_NE(made, nullptr);
    auto* t = static_cast<RText*>(made.get());
    if (round % 2) t->setFontById(fontId);
    t->setOutline(1);
    stage.passes(1);
  }
}

OMFont* heldFont = nullptr;
int copies = 0;
std::vector<OMFont*> released;
OMFont* countCopy(OMFont* font)
{
  ++copies;
  return retainFont(font);
}
void countRelease(OMFont* font)
{
  released.push_back(font);
  releaseFont(font);
}

// Fonts taken through a hook go back through the release hook, once each; borrowed fonts
// never do, and owned ones are deleted by the text itself.
TEST_F(TextTest, FontsGoBackWhereTheyCameFrom)
{
  copies = 0;
  released.clear();
  RText::setFontCopyHook(&countCopy);
  RText::setFontReleaseHook(&countRelease);
  OMMemCanvas* canvas = stage.window().offscreen();
  OMFont* canvasFont = canvas->font();

  auto t =
      std::make_unique<RText>("AB", OMRect(0, 0, 50, 20), nullptr, redColor, 1, &stage.window());
  t->bindClass("RText");
  EXPECT_EQ(t->font(), canvasFont);
  heldFont = getNFNTFont(fontId);
  t->setFont(heldFont);  // the canvas's font was borrowed: nothing goes back
  EXPECT_EQ(t->font(), heldFont);
  t->setFontById(fontId);  // nor does a font handed in
  EXPECT_TRUE(released.empty());
  OMFont* hooked = t->font();
  EXPECT_EQ(hooked, heldFont);  // the manager shares it

  {
    const std::unique_ptr<OMScriptableObject> copy = t->clone();
    EXPECT_EQ(copies, 1);
    EXPECT_EQ(static_cast<RText*>(copy.get())->font(), hooked);
    EXPECT_EQ(static_cast<RText*>(copy.get())->lines(), t->lines());
  }
  EXPECT_EQ(released, (std::vector<OMFont*>{hooked}));

  // Palette index -2 keeps the colour; another index replaces it.
  const OMRGBColor keep = OMRGBColor::fromIndex(RText::keepColor);
  t->setBitmapFont(fontId, keep);
  EXPECT_EQ(t->color(), redColor);
  EXPECT_EQ(released.size(), 2u);
  t->setBitmapFont(fontId, OMRGBColor::fromIndex(5));
  EXPECT_EQ(t->color(), OMRGBColor::fromIndex(5));
  EXPECT_EQ(released.size(), 3u);
  t->setTrueTypeFont("Arial", 12, 0, keep);
  EXPECT_EQ(t->color(), OMRGBColor::fromIndex(5));
  EXPECT_EQ(released.size(), 4u);

  // Without the by-name hook the text makes its own TrueType font and deletes it itself.
  RText::setFontByNameHook(nullptr);
  t->setTrueTypeFont("Arial", 14, 1, blueColor);
  EXPECT_EQ(released.size(), 5u);
  ASSERT_TRUE(t->font()->is(OMTTFont::classDescriptor));
  EXPECT_EQ(t->font()->style(), 1);
  EXPECT_EQ(t->color(), blueColor);
  // A copy of a text with its own font borrows the canvas's.
  EXPECT_EQ(static_cast<RText*>(t->clone().get())->font(), canvasFont);
  t->setFontById(fontId);
  EXPECT_EQ(released.size(), 5u);

  // A missing font: the system font, and one line that says so.
  {
    const ScopedEnv trace("OM_TRACE", "1");
    testing::internal::CaptureStderr();
    t->setFontById(999);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("RText: damaged NFNT resource 999"), std::string::npos) << said;
    EXPECT_TRUE(t->font()->is(OMSysFont::classDescriptor));
    EXPECT_EQ(released.size(), 6u);
  }

  // Without the by-id hook "font" with one number does nothing.
  RText::setFontByIdHook(nullptr);
  OMFont* before = t->font();
  clearScriptArgs();
  EXPECT_EQ(t->setProperty("font", "999"), 1);
  EXPECT_EQ(t->font(), before);

  // A text that goes while its font is the canvas's leaves the canvas its own again.
  canvas->setFont(t->font());
  t.reset();
  EXPECT_EQ(canvas->font(), canvasFont);
  EXPECT_EQ(released.size(), 7u);
  releaseFont(heldFont);
}

TEST_F(TextTest, ColoursComeAsAnIndexOrAsThreeChannels)
{
  RText t("AB", OMPoint(0, 0), nullptr, redColor, 0, &stage.window());
  t.bindClass("RText");
  struct Case {
    std::vector<const char*> words;  // the words before the value
    const char* value;
    OMRGBColor color;
  };
  const Case cases[] = {
      {{}, "12", OMRGBColor::fromIndex(12)},
      // Each channel as given, in sixteen bits: 255 is nearly black.
      {{"255", "128"}, "0", OMRGBColor(255, 128, 0)},
      {{"0", "0"}, "255", OMRGBColor(0, 0, 255)},
      {{"65535", "256"}, "4096", OMRGBColor(65535, 256, 4096)},
      {{"x", "1"}, "2", OMRGBColor(0, 1, 2)},
  };
  for (const char* member : {"color", "outlineColor"}) {
    for (const Case& c : cases) {
      clearScriptArgs();
      for (const char* word : c.words)
        pushScriptArg(word);
      EXPECT_EQ(t.setProperty(member, c.value), 1);
      EXPECT_EQ(std::string(member) == "color" ? t.color() : t.outlineColor(), c.color)
          << member << " " << c.value;
    }
  }
}

// The assessment program's text has fewer members, a one-number colour and a four-argument
// "setFont"; its "x" and "y" are the trinket's own.
TEST_F(TextTest, TheAssessmentEditionHasItsOwnMembers)
{
  const ScopedEdition edition(OMEdition::assessment);
  const std::unique_ptr<OMScriptableObject> made = make({"HI", "100", "50", "0"});
  ASSERT_NE(made, nullptr);
  auto* t = static_cast<RText*>(made.get());
  for (const char* name : {"colorIndex", "fontAscent", "fontDescent", "fontLeading", "text",
                           "textHeight", "textWidth", "userData", "wrap", "setFont", "x", "y"})
    EXPECT_NE(t->findMember(name), nullptr) << name;
  for (const char* name : {"center", "color", "cursor", "font", "outline", "outlineColor", "pointX",
                           "pointY", "stamp", "unstamp"})
    EXPECT_EQ(t->findMember(name), nullptr) << name;

  EXPECT_EQ(t->setProperty("colorIndex", "33"), 1);
  EXPECT_EQ(t->color(), OMRGBColor::fromIndex(33));
  EXPECT_EQ(t->callMethod("setFont", "Arial", "12", "1", "7", scriptArgTerminator), 1);
  EXPECT_EQ(t->color(), OMRGBColor::fromIndex(7));
  EXPECT_NE(t->font(), nullptr);
  t->setFontById(fontId);
  EXPECT_STREQ(t->getProperty("textWidth"), "8");
  // "x" moves the trinket, not its anchor.
  EXPECT_EQ(t->setProperty("x", "140"), 1);
  EXPECT_EQ(t->x(), 140);
  EXPECT_EQ(t->anchor(), OMPoint(100, 50));
}

}  // namespace
