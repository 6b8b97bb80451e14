// Fonts and the font manager: bitmap fonts read in either byte order, the sharing and
// substitution of fonts, and the pictures text makes in bitmap and TrueType fonts.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMFontManager.h"
#include "framework/OMIStreamDLL16.h"
#include "framework/OMIStreamFile.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMNFNTFont.h"
#include "framework/OMSysFont.h"
#include "framework/OMTTFont.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/PngWriter.h"
#include "tests/support/TempFolder.h"
#include "tools/NFNTWriter.h"

namespace {

std::string writeFont(TempFolder& folder, const std::string& name, const nfntwriter::Bytes& bytes)
{
  return folder.write(name, std::string(bytes.begin(), bytes.end()));
}

std::unique_ptr<OMNFNTFont> readFont(const std::string& path)
{
  OMIStreamFile stream(path.c_str(), -1, nullptr);
  return std::make_unique<OMNFNTFont>(&stream);
}

// The canvas's pixels as 8-bit RGB.
std::vector<std::uint8_t> pixels(OMMemCanvas& canvas)
{
  std::vector<std::uint8_t> rgb;
  void* bits = nullptr;
  int pitch = 0;
  if (!canvas.lockBits(&bits, &pitch)) return rgb;
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      std::uint16_t v = 0;
      std::memcpy(&v, static_cast<std::uint8_t*>(bits) + y * pitch + x * 2, 2);
      rgb.insert(rgb.end(), {std::uint8_t(((v >> 10) & 31) << 3),
                             std::uint8_t(((v >> 5) & 31) << 3), std::uint8_t((v & 31) << 3)});
    }
  canvas.unlockBits();
  return rgb;
}

// Compares the canvas with a checked-in picture; a mismatch writes what was drawn as PNG
// into a temporary folder that is kept for looking at.
void expectGolden(OMMemCanvas& canvas, const std::string& name)
{
  const std::vector<std::uint8_t> actual = pixels(canvas);
  int width = 0, height = 0;
  std::vector<std::uint8_t> expected;
  const bool read = omtest::readPng(std::string(OM_TEST_GOLDEN_DIR) + "/" + name + ".png", width,
                                    height, expected);
  if (read && width == canvas.width() && height == canvas.height() && expected == actual) return;
  std::string folder = (std::filesystem::temp_directory_path() / "omgolden-XXXXXX").string();
  if (!::mkdtemp(folder.data())) folder = std::filesystem::temp_directory_path().string();
  const std::string path = folder + "/" + name + ".png";
  omtest::writePng(path, canvas.width(), canvas.height(), actual);
  ADD_FAILURE() << name << " differs from its picture; what was drawn is in " << path;
}

const OMRGBColor white = OMRGBColor::fromBytes(255, 255, 255);
const OMRGBColor blue = OMRGBColor::fromBytes(0, 0, 255);

class FontTest : public ::testing::Test {
 protected:
  void TearDown() override
  {
    freeAllFonts();
    setNFNTLoader(nullptr);
  }
  omtest::TestApp session_;
  TempFolder folder_;
};

// NFNT ids the loader knows: 200 and 300 the pixel font, 400 a damaged copy.
std::string fontDir;
int loads = 0;
OMIStream* loadFont(std::uint16_t id)
{
  ++loads;
  if (id != 200 && id != 300 && id != 400) return nullptr;
  const std::string path = fontDir + "/" + std::to_string(id) + ".nfnt";
  return new OMIStreamFile(path.c_str(), -1, nullptr);
}

}  // namespace

TEST_F(FontTest, ABitmapFontReadsTheSameInBothByteOrders)
{
  const nfntwriter::Font source = nfntwriter::pixelFont();
  auto big = readFont(writeFont(folder_, "big.nfnt", nfntwriter::write(source, true)));
  auto little = readFont(writeFont(folder_, "little.nfnt", nfntwriter::write(source, false)));
  for (OMNFNTFont* font : {big.get(), little.get()}) {
    ASSERT_TRUE(font->isValid());
    EXPECT_EQ(font->name(), "NFNT");
    EXPECT_EQ(font->ascent(), 5);
    EXPECT_EQ(font->descent(), 1);
    EXPECT_EQ(font->leading(), 1);
    EXPECT_EQ(font->size(), 7);
    EXPECT_EQ(font->style(), 0);
    EXPECT_EQ(font->textWidth("AB 1"), 4 + 4 + 3 + 4);
    // A character without a glyph is measured and drawn as the stand-in at lastChar - 1.
    EXPECT_EQ(font->glyph('q').strikeLeft, font->glyph(127).strikeLeft);
    EXPECT_EQ(font->textWidth("q"), 4);
    const OMRect bounds = font->textBounds("A1");
    EXPECT_EQ(bounds.left(), 0);
    EXPECT_EQ(bounds.top(), -5);
    EXPECT_EQ(bounds.right(), 7);
    EXPECT_EQ(bounds.bottom(), 1);
    EXPECT_EQ(font->textBounds("").right(), 0);
  }
  for (int c = 0; c < 256; ++c) {
    const auto a = big->glyph(std::uint8_t(c)), b = little->glyph(std::uint8_t(c));
    EXPECT_EQ(a.strikeLeft, b.strikeLeft) << c;
    EXPECT_EQ(a.width, b.width) << c;
  }

  // Both draw the same picture: capitals, digits, a space and missing glyphs.
  for (OMNFNTFont* font : {big.get(), little.get()}) {
    OMMemCanvas canvas(48, 18, 16, 0);
    canvas.setBackground(white);
    canvas.setTextColor(blue);
    canvas.setFont(font);
    canvas.drawText(2, 7, "HELLO, 42!");
    canvas.drawText(2, 15, "NO qz?");
    canvas.setFont(nullptr);
    expectGolden(canvas, "nfnt-text");
  }
}

// The demo's font: the pixel font three times as large, lowercase drawn as capitals. Every
// pixel of the small font becomes a 3-by-3 block, and the metrics grow with it.
TEST_F(FontTest, AScaledCaselessPixelFontDrawsItsCapitalsLarger)
{
  const nfntwriter::Font small = nfntwriter::pixelFont();
  auto one = readFont(writeFont(folder_, "one.nfnt", nfntwriter::write(small)));
  auto three = readFont(writeFont(
      folder_, "three.nfnt",
      nfntwriter::write(nfntwriter::caselessFont(nfntwriter::scaledFont(small, 3)))));
  ASSERT_TRUE(three->isValid());
  EXPECT_EQ(three->ascent(), 15);
  EXPECT_EQ(three->descent(), 3);
  EXPECT_EQ(three->leading(), 3);
  EXPECT_EQ(three->textWidth("Hello, Demo"), 3 * one->textWidth("HELLO, DEMO"));
  EXPECT_EQ(three->textWidth("q"), 12);

  const auto draw = [](OMNFNTFont* font, int scale, const char* text) {
    auto canvas = std::make_unique<OMMemCanvas>(60 * scale, 8 * scale, 16, 0);
    canvas->setBackground(white);
    canvas->setTextColor(blue);
    canvas->setFont(font);
    canvas->drawText(scale, 6 * scale, text);
    canvas->setFont(nullptr);
    return pixels(*canvas);
  };
  const std::vector<std::uint8_t> small1 = draw(one.get(), 1, "DEMO 42!"),
                                  large = draw(three.get(), 3, "Demo 42!");
  ASSERT_EQ(large.size(), small1.size() * 9);
  int inked = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 180; ++x) {
      const std::size_t big = (std::size_t(y) * 180 + std::size_t(x)) * 3;
      const std::size_t little = (std::size_t(y / 3) * 60 + std::size_t(x / 3)) * 3;
      ASSERT_TRUE(std::equal(&large[big], &large[big] + 3, &small1[little])) << x << "," << y;
      inked += large[big] == 0;
    }
  EXPECT_GT(inked, 9 * 40);
}

TEST_F(FontTest, DamagedBitmapFontsAreRefused)
{
  const nfntwriter::Bytes good = nfntwriter::write(nfntwriter::pixelFont(), true);
  struct Case {
    const char* what;
    std::size_t offset;  // of a big-endian header word to change, or the length to keep
    std::uint16_t value;
  };
  for (const Case& c :
       {Case{"table beyond the end", 16, 0x7FFF}, Case{"strike over the tables", 24, 0x4000},
        Case{"negative height", 14, 0x8001}, Case{"truncated", 0, 40}}) {
    SCOPED_TRACE(c.what);
    nfntwriter::Bytes bytes = good;
    if (c.offset == 0) {
      bytes.resize(c.value);
    } else {
      bytes[c.offset] = std::uint8_t(c.value >> 8);
      bytes[c.offset + 1] = std::uint8_t(c.value);
    }
    auto font = readFont(writeFont(folder_, "bad.nfnt", bytes));
    EXPECT_FALSE(font->isValid());
    EXPECT_EQ(font->textWidth("HELLO"), 0);
    // Drawing with it draws nothing and does not fail.
    OMMemCanvas canvas(10, 10, 16, 0);
    canvas.setFont(font.get());
    canvas.drawText(0, 8, "HI");
  }
}

TEST_F(FontTest, TheManagerSharesFontsAndFollowsSubstitutions)
{
  fontDir = folder_.path();
  const nfntwriter::Bytes bytes = nfntwriter::write(nfntwriter::pixelFont(), true);
  writeFont(folder_, "200.nfnt", bytes);
  writeFont(folder_, "300.nfnt", bytes);
  writeFont(folder_, "400.nfnt", nfntwriter::Bytes(bytes.begin(), bytes.begin() + 60));
  loads = 0;

  // Without a loader every id is the system font.
  OMFont* fallback = getNFNTFont(200);
  EXPECT_TRUE(fallback->is(OMSysFont::classDescriptor));
  releaseFont(fallback);

  setNFNTLoader(loadFont);
  OMFont* first = getNFNTFont(200);
  OMFont* second = getNFNTFont(200);
  ASSERT_TRUE(first->is(OMNFNTFont::classDescriptor));
  EXPECT_EQ(first, second);
  EXPECT_EQ(loads, 1);
  releaseFont(first);
  EXPECT_EQ(getNFNTFont(200), first);  // one reference was left
  EXPECT_EQ(loads, 1);
  releaseFont(first);
  releaseFont(first);
  getNFNTFont(200);  // freed: loaded afresh
  EXPECT_EQ(loads, 2);
  EXPECT_TRUE(getNFNTFont(999)->is(OMSysFont::classDescriptor));
  EXPECT_TRUE(getNFNTFont(400)->is(OMSysFont::classDescriptor));

  // NFNT 200 becomes bold 12-pixel TrueType, held under its face, style and size.
  ASSERT_TRUE(OMTTFont::hasTrueTypeFamily("Arial"));
  substituteFontIdWithTrueType(200, "Arial", OMFont::bold, 12);
  OMFont* substituted = getNFNTFont(200);
  ASSERT_TRUE(substituted->is(OMTTFont::classDescriptor));
  EXPECT_EQ(substituted->name(), "Arial");
  EXPECT_EQ(substituted->size(), 12);
  EXPECT_EQ(substituted->style(), OMFont::bold);
  EXPECT_EQ(getTrueTypeFont("Arial", OMFont::bold, 12), substituted);

  // It draws as the face does.
  OMTTFont face("Arial", nullptr, nullptr, nullptr);
  face.setStyle(OMFont::bold);
  face.setSize(12);
  std::vector<std::uint8_t> drawn[2];
  OMFont* fonts[2] = {substituted, &face};
  for (int i = 0; i < 2; ++i) {
    OMMemCanvas canvas(60, 20, 16, 0);
    canvas.setBackground(white);
    canvas.setFont(fonts[i]);
    canvas.drawText(2, 14, "Hello");
    canvas.setFont(nullptr);
    drawn[i] = pixels(canvas);
  }
  EXPECT_EQ(drawn[0], drawn[1]);

  // A later substitution of the same source replaces the earlier; chains are followed and a
  // chain that comes back to its start is cut there.
  substituteFontIdWithId(200, 300);
  OMFont* viaId = getNFNTFont(200);
  EXPECT_TRUE(viaId->is(OMNFNTFont::classDescriptor));
  EXPECT_NE(viaId, first);
  substituteFontIdWithId(300, 200);
  OMFont* looped = getNFNTFont(200);
  EXPECT_TRUE(looped->is(OMNFNTFont::classDescriptor));
  substituteTrueTypeWithTrueType("Nothing Like It", 0, 10, "Arial", 0, 10);
  OMFont* chained = getTrueTypeFont("Nothing Like It", 0, 10);
  EXPECT_EQ(chained, getTrueTypeFont("Arial", 0, 10));
  EXPECT_TRUE(getTrueTypeFont("Nothing Like It", 0, 11)->is(OMSysFont::classDescriptor));

  // Freeing all fonts forgets them, but a font still held stays usable until it is let go.
  freeAllFonts();
  const int width = viaId->textWidth("Hello");
  EXPECT_GT(width, 0);
  OMFont* fresh = getNFNTFont(300);
  EXPECT_NE(fresh, viaId);
  EXPECT_EQ(retainFont(viaId), viaId);
  releaseFont(viaId);
  EXPECT_EQ(viaId->textWidth("Hello"), width);
  releaseFont(viaId);
  releaseFont(viaId);
  releaseFont(fresh);

  // A font object registered as such is shared and may be replaced too.
  auto* own = new OMSysFont;
  EXPECT_EQ(retainFont(own), own);
  EXPECT_EQ(retainFont(own), own);
  substituteFontWithFontId(own, 300);
  EXPECT_TRUE(retainFont(own)->is(OMNFNTFont::classDescriptor));
}

TEST_F(FontTest, TrueTypeTextMatchesItsPicture)
{
  OMTTFont face("Arial", nullptr, nullptr, nullptr);
  EXPECT_EQ(face.size(), 16);
  face.setSize(13);
  OMTTFont bold("Arial", nullptr, nullptr, nullptr);
  bold.setStyle(OMFont::bold | OMFont::italic);
  bold.setSize(13);
  OMMemCanvas canvas(70, 36, 16, 0);
  canvas.setBackground(white);
  canvas.setTextColor(blue);
  canvas.setFont(&face);
  canvas.drawText(2, 14, "Hello 42");
  canvas.setFont(&bold);
  canvas.drawText(2, 32, "Bold Ag");
  canvas.setFont(nullptr);
  expectGolden(canvas, "truetype-text");
  const OMRect bounds = face.textBounds("Hello");
  EXPECT_EQ(bounds.top(), -face.ascent());
  EXPECT_EQ(bounds.bottom(), face.descent());
  EXPECT_GT(bounds.right(), bounds.left());
  EXPECT_LE(bounds.right(), face.textWidth("Hello"));
  // An unknown face leaves the choice to the system.
  OMTTFont unknown("No Such Face", nullptr, nullptr, nullptr);
  EXPECT_EQ(unknown.name(), "");
  EXPECT_GT(unknown.textWidth("Hello"), 0);
}

TEST_F(FontTest, PackedBitmapFontsReadFromTheResourceFile)
{
  const std::string file = std::string(OM_TEST_RSC_DIR) + "/content.rsc";
  std::unique_ptr<OMNFNTFont> fonts[3];
  for (int i = 0; i < 3; ++i) {
    OMIStreamDLL16 stream(200 + i, "NFNT", file.c_str(), -1, nullptr);
    fonts[i] = std::make_unique<OMNFNTFont>(&stream);
    ASSERT_TRUE(fonts[i]->isValid()) << i;
  }
  EXPECT_EQ(fonts[0]->textWidth("HELLO 42"), fonts[1]->textWidth("HELLO 42"));
  // The face rendered at 12 pixels measures about as the face itself does.
  OMNFNTFont& rendered = *fonts[2];
  OMTTFont face("Arial", nullptr, nullptr, nullptr);
  face.setSize(12);
  EXPECT_NEAR(rendered.textWidth("Hello world"), face.textWidth("Hello world"), 3);
  EXPECT_NEAR(rendered.ascent(), face.ascent(), 1);
  // Its ink lies inside the text's bounds.
  OMMemCanvas canvas(80, 20, 16, 0);
  canvas.setBackground(white);
  canvas.setTextColor(blue);
  canvas.setFont(&rendered);
  canvas.drawText(10, 14, "Hello");
  canvas.setFont(nullptr);
  const std::vector<std::uint8_t> rgb = pixels(canvas);
  const OMRect bounds = rendered.textBounds("Hello");
  int inked = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 80; ++x) {
      if (rgb[std::size_t(y * 80 + x) * 3] == 248) continue;
      ++inked;
      EXPECT_GE(x, 10 + bounds.left());
      EXPECT_LT(x, 10 + bounds.right());
      EXPECT_GE(y, 14 + bounds.top());
      EXPECT_LT(y, 14 + bounds.bottom());
    }
  EXPECT_GT(inked, 30);
}

TEST_F(FontTest, AFontFileIsInstalledIntoTheSystemDirectoryAndRemovedWithTheFont)
{
  TempFolder windows;
  ScopedEnv windowsDir("OM_WINDOWS_DIR", windows.path());
  char system[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
  std::filesystem::create_directories(windows / "SYSTEM");
  std::filesystem::copy_file(OM_TEST_SANS_FONT, windows / "SYSTEM/face.ttf");
  {
    OMTTFont font("Arial", "face", "", nullptr);
    EXPECT_EQ(font.installedFile(), std::string(system) + "\\face.fot");
    EXPECT_TRUE(std::filesystem::exists(windows / "SYSTEM/face.fot"));
    EXPECT_EQ(font.name(), "Arial");
  }
  EXPECT_FALSE(std::filesystem::exists(windows / "SYSTEM/face.fot"));
  EXPECT_TRUE(std::filesystem::exists(windows / "SYSTEM/face.ttf"));
  // A file that is not there installs nothing; the font is still made by its face.
  OMTTFont missing("Arial", "nothing", nullptr, nullptr);
  EXPECT_EQ(missing.installedFile(), "");
  EXPECT_EQ(missing.name(), "Arial");
}
