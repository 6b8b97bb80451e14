#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMCachedFile.h"
#include "framework/OMFontManager.h"
#include "framework/OMNFNTFont.h"
#include "framework/OMXMLDocument.h"
#include "game/GameResources.h"
#include "game/OMStageWindow.h"
#include "tests/game/ResourceTestSupport.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/TestStage.h"
#include "tools/BackgroundWriter.h"
#include "tools/ColorTableWriter.h"
#include "tools/NFNTWriter.h"
#include "tools/WaveWriter.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/lib/RCharacter.h"
#include "trinkets/lib/RPButton.h"
#include "trinkets/lib/RSmackerMovie.h"
#include "trinkets/lib/RText.h"
#include "trinkets/src/AnimAction.h"
#include "trinkets/src/OMCursorTrinket.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/ResourceCachePort.h"
#include "trinkets/src/SoundAction.h"
#include "trinkets/src/rthread/YNativeFunction.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

using restest::content;
using restest::Resource;

// The game's folders on the test stage: the stage's folder is the current one, the CD is on
// Q:, which the INI names. Whatever the set-up took is given back before the stage goes.
class GameResourcesTest : public ::testing::Test {
 protected:
  GameResourcesTest()
  {
    terminateFileServices();
    stage.folder().write("korvanix.INI", "[Velmora Trasko Adventures - CD]\nCDDrive=Q:\\\n");
    resetShellSettings();
    // The set-up installs its own.
    OMAnimation::animationResolver = nullptr;
    OMAnimation::soundResolver = nullptr;
    OMAnimation::paletteResolver = nullptr;
    RText::setFontByIdHook(nullptr);
    RText::setFontByNameHook(nullptr);
    RText::setFontCopyHook(nullptr);
    RText::setFontReleaseHook(nullptr);
  }
  ~GameResourcesTest() override
  {
    thread_.reset();
    scriptVariables.clear();
    clearEventRecords();
    shutdownResources();
    AnimAction::setAnimationOpener(nullptr);
    AnimAction::setSoundOpener(nullptr);
    SoundAction::setSoundOpener(nullptr);
    RSmackerMovie::setSoundHooks(nullptr, nullptr);
    setNFNTLoader(nullptr);
    setBackgroundLoader(nullptr);
    setPaletteLoader(nullptr);
    setSearchPathStrict(0);
    terminateFileServices();
    resetShellSettings();
  }

  void writeLocal(const std::string& relative, const std::vector<Resource>& resources)
  {
    restest::writeResourceFile(stage.folder(), relative, resources);
  }
  void writeCD(const std::string& relative, const std::vector<Resource>& resources)
  {
    restest::writeResourceFile(cd, relative, resources);
  }

  // A script of these lines, run for a few passes.
  void runScript(const std::string& lines)
  {
    std::ofstream("resources.mps", std::ios::binary) << "yield off\r" << lines;
    thread_ = std::make_unique<YThread>("resources.mps", nullptr);
    thread_->start();
    stage.passes(2);
  }

  omtest::TestStage stage;
  TempFolder cd;

 private:
  ScopedEnv driveQ_{"OM_DRIVE_Q", cd.path()};
  std::unique_ptr<YThread> thread_;
};

std::string bytesOf(const std::vector<std::uint8_t>& bytes)
{
  return std::string(bytes.begin(), bytes.end());
}

std::string animation(std::uint8_t colour)
{
  omtest::AnimationBuilder builder;
  const int image = builder.addImage(8, 8, colour);
  builder.addSequence({{0, 0, static_cast<std::int16_t>(image), 0}, {0, 0, OMFrameEntry::hold, 0}});
  const auto bytes = builder.build();
  return std::string(bytes.begin(), bytes.end());
}

TEST_F(GameResourcesTest, TheSetUpNeedsResourceFilesOnTheCD)
{
  struct Case {
    const char* what;
    bool local, cdMap, cdScan;
    bool expected;
  } cases[] = {
      {"local files only", true, false, false, false},
      {"nothing anywhere", false, false, false, false},
      {"a CD map of files the search finds", false, true, false, true},
      {"both, the CD scanned", true, false, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder fresh;
    ScopedEnv driveQ("OM_DRIVE_Q", fresh.path());
    if (c.local) writeLocal("RSC/local.rsc", {{"ASEQ", 10, "local"}});
    if (c.cdMap) {
      restest::writeResourceFile(fresh, "RSC/mapped.rsc", {{"ASEQ", 20, "mapd2"}});
      fresh.write("RSC/resource.map", "1\nMapped.rsc\nASEQ 20\nENDFILE\n");
    }
    if (c.cdScan) restest::writeResourceFile(fresh, "RSC/scanned.rsc", {{"ASEQ", 30, "scand"}});
    EXPECT_EQ(initResources(), c.expected);
    // Without CD files no hook is installed and no script function registered.
    EXPECT_EQ(OMAnimation::animationResolver != nullptr, c.expected);
    EXPECT_EQ(findScriptFunction("InstallCursors") != nullptr, c.expected);
    if (c.expected) {
      EXPECT_STREQ(resourceCacheDirectory(), getDataDirectory());
      EXPECT_EQ(content(OMAnimation::animationResolver(c.cdMap ? 20 : 30).get(), 5),
                c.cdMap ? "mapd2" : "scand");
    }
    shutdownResources();
    EXPECT_EQ(resourceFileCount(), 0);
    OMAnimation::animationResolver = nullptr;
    terminateFileServices();
    std::filesystem::remove_all(stage.folder() / "RSC");
  }
}

TEST_F(GameResourcesTest, BothFoldersAreRegisteredTheCurrentOneFirst)
{
  writeLocal("RSC/local.rsc", {{"ASEQ", 10, "local"}});
  stage.folder().write("RSC/resource.map", "1\nlocal.rsc\nASEQ 10\nENDFILE\n");
  stage.folder().write("scripts/Startup.mps", "local\r");
  writeCD("RSC/disc.rsc", {{"ASEQ", 11, "disc1"}});
  cd.write("scripts/Startup.mps", "disc\r");
  cd.write("scripts/Only.mps", "disc\r");
  ASSERT_TRUE(initResources());

  EXPECT_EQ(restest::recordNames(), (std::vector<std::string>{"local.rsc", "disc.rsc"}));
  EXPECT_EQ(content(findAnimationResource(10).get(), 5), "local");
  EXPECT_EQ(content(findAnimationResource(11).get(), 5), "disc1");
  // Scripts are found in the current folder first, then on the CD; nothing beyond.
  EXPECT_EQ(findFileOnSearchPath("startup.mps").value_or(""), "scripts\\startup.mps");
  EXPECT_EQ(findFileOnSearchPath("Only.mps").value_or(""), "Q:\\scripts\\Only.mps");
  EXPECT_FALSE(findFileOnSearchPath("none.mps").has_value());
}

TEST_F(GameResourcesTest, LoadersReadTheirTypesWithTheirReadOptions)
{
  const nfntwriter::Bytes font = nfntwriter::write(nfntwriter::pixelFont(), true);
  writeCD("RSC/all.rsc",
          {{"WAVE", 5, "wave5"},
           {"ASEQ", 5, "aseq5"},
           {"BK16", 5, "bk165"},
           {"NFNT", 5, std::string(font.begin(), font.end())},
           {"RRGB", 5, "rrgb5"},
           {"XML", 5, "xml 5"},
           {"RRGB", 7, bytesOf(writeColorTable({}))},
           {"BK16", 8, bytesOf(writeBackground(16, 16, std::vector<std::uint16_t>(256, 0x7C00)))}});
  ASSERT_TRUE(initResources());

  struct Case {
    const char* what;
    std::unique_ptr<OMIStream> (*load)();
    const char* expected;
    bool whole;
  } cases[] = {
      {"sound", [] { return findSoundResource(5); }, "wave5", true},
      {"animation", [] { return findAnimationResource(5); }, "aseq5", true},
      {"background", [] { return findBackgroundResource(5); }, "bk165", true},
      {"palette", [] { return findPaletteResource(5); }, "rrgb5", true},
      {"typed", [] { return findTypedResource(5, "XML"); }, "xml 5", true},
      {"wave, option 0", [] { return findWaveResource(5, 0); }, "wave5", false},
      {"wave, option -1", [] { return findWaveResource(5, -1); }, "wave5", true},
      {"the sound resolver", [] { return OMAnimation::soundResolver(5); }, "wave5", true},
      {"the palette resolver", [] { return OMAnimation::paletteResolver(5); }, "rrgb5", true},
      {"the XML documents' opener",
       [] { return std::unique_ptr<OMIStream>(OMXMLDocument::resourceOpener()(5, 1)); }, "xml 5",
       true},
      {"a missing sound", [] { return findSoundResource(6); }, "<null>", false},
      {"a wrong type", [] { return findTypedResource(5, "wave"); }, "<null>", false},
  };
  for (const Case& c : cases) {
    std::unique_ptr<OMIStream> stream = c.load();
    if (stream) {
      EXPECT_EQ(stream->isWhole(), c.whole) << c.what;
    }
    EXPECT_EQ(content(stream.get(), 5), c.expected) << c.what;
  }

  // A sound a character keeps is read in blocks, until it is let go.
  keepSound(5);
  keepSound(5);
  EXPECT_EQ(keptSoundCount(), 1);
  EXPECT_FALSE(findSoundResource(5)->isWhole());
  EXPECT_FALSE(OMAnimation::soundResolver(5)->isWhole());
  releaseKeptSound(5);
  EXPECT_TRUE(findSoundResource(5)->isWhole());
  keepSound(5);
  shutdownResources();
  EXPECT_EQ(keptSoundCount(), 0);
  EXPECT_EQ(OMXMLDocument::resourceOpener(), nullptr);

  // The font manager's NFNT fonts and the stage's pictures and palettes come from the
  // resource files now.
  ASSERT_TRUE(initResources());
  {
    OMStageWindow scenes(OMRect(0, 0, 640, 480), nullptr, nullptr, 0, 640, 480, 16, 0);
    EXPECT_TRUE(scenes.loadPalette(7));
    EXPECT_FALSE(scenes.loadPalette(8));
    EXPECT_TRUE(scenes.scene(8, 7));
    EXPECT_FALSE(scenes.scene(7, 7));
  }
  OMFont* loaded = getNFNTFont(5);
  auto* bitmap = dynamic_cast<OMNFNTFont*>(loaded);
  EXPECT_TRUE(bitmap && bitmap->isValid());
  releaseFont(loaded);
}

TEST_F(GameResourcesTest, CursorsAreSharedPerIdAndInstalledFromAScript)
{
  std::vector<Resource> cursors;
  for (int id : {1, 4062, 4063, 4064, 4065, 4074})
    cursors.push_back({"ASEQ", id, animation(static_cast<std::uint8_t>(id % 200 + 1))});
  cursors.push_back({"ASEQ", 3, animation(9)});
  writeCD("RSC/cursors.rsc", cursors);
  ASSERT_TRUE(initResources());

  struct Case {
    int id;
    OMPoint hotSpot;
  } spots[] = {{4063, {7, 1}}, {4074, {0, 0}}, {4065, {7, 11}}, {1, {0, 0}}, {4062, {1, 1}}};
  for (const Case& c : spots) {
    OMCursor* cursor = cursorFromResource(c.id);
    auto* trinket = dynamic_cast<OMCursorTrinket*>(cursor);
    ASSERT_NE(trinket, nullptr) << c.id;
    EXPECT_EQ(trinket->hotSpot().x, c.hotSpot.x) << c.id;
    EXPECT_EQ(trinket->hotSpot().y, c.hotSpot.y) << c.id;
    EXPECT_EQ(cursorFromResource(c.id), cursor) << c.id;
  }
  EXPECT_EQ(defaultCursor(), cursorFromResource(4062));
  EXPECT_EQ(cursorById(4063), cursorFromResource(4063));
  // No animation, no cursor, nothing kept.
  const int kept = cachedCursorCount();
  EXPECT_EQ(cursorFromResource(4066), nullptr);
  EXPECT_EQ(cachedCursorCount(), kept);

  runScript(
      "InstallCursors\ra=RAnimation 100 100 3\rb=RPButton 300 300 3\r"
      "c=RCharacter 3 200 200 5\r");
  OMCursor* arrow = cursorFromResource(1);
  OMCursor* pointer = cursorFromResource(4062);
  EXPECT_EQ(OMTrinket::defaultCursor(), arrow);
  EXPECT_EQ(OMTrinket::defaultTrackingCursor(), arrow);
  EXPECT_EQ(OMTrinket::defaultHoverCursor(), arrow);
  auto* a = static_cast<RAnimation*>(scriptVariables.getObjectByName("a", false));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->trackingCursor(), pointer);
  EXPECT_EQ(a->hoverCursor(), pointer);
  auto* b = static_cast<RPButton*>(scriptVariables.getObjectByName("b", false));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->trackingCursor(), pointer);
  EXPECT_EQ(b->hoverCursor(), pointer);
  auto* c = static_cast<RCharacter*>(scriptVariables.getObjectByName("c", false));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->pieceWithId(1)->hoverCursor(), pointer);
  // The character's speeches keep their sound, or let it go.
  for (int keep : {1, 0}) {
    c->playSpeech(77, nullptr, 1, keep);
    EXPECT_EQ(isSoundKept(77), keep == 1);
  }
  // The lookup gives scripts any cursor: b tracks, a hovers.
  ASSERT_TRUE(c->callMethod("setAOCursor", "4065", "4063", scriptArgTerminator));
  EXPECT_EQ(c->pieceWithId(1)->trackingCursor(), cursorFromResource(4063));
  ASSERT_TRUE(a->callMethod("setAOCursor", "4065", "4063", scriptArgTerminator));
  EXPECT_EQ(a->trackingCursor(), cursorFromResource(4063));
  EXPECT_EQ(a->hoverCursor(), cursorFromResource(4065));

  // Over the animation its cursor is the current one; after the shut-down nothing refers to
  // a cursor and the window shows the arrow.
  stage.moveTo(104, 104);
  EXPECT_EQ(OMCursor::current(), cursorFromResource(4065));
  shutdownResources();
  c->playSpeech(78, nullptr, 1, 1);
  EXPECT_FALSE(isSoundKept(78));
  EXPECT_EQ(c->hoverCursor(), nullptr);
  EXPECT_EQ(cachedCursorCount(), 0);
  EXPECT_EQ(OMCursor::current(), nullptr);
  EXPECT_EQ(OMTrinket::defaultCursor(), nullptr);
  EXPECT_EQ(a->trackingCursor(), nullptr);
  EXPECT_EQ(a->hoverCursor(), nullptr);
  EXPECT_EQ(b->hoverCursor(), nullptr);
  stage.moveTo(304, 304);
  stage.moveTo(104, 104);
  EXPECT_EQ(OMCursor::current(), nullptr);
}

// What the set-up gives the engine's classes: the text trinket takes its fonts from the font
// manager and its cursors from the game's, the media actions open the CD's resources, and a
// movie holds the program's sounds while it exists.
TEST_F(GameResourcesTest, TextsActionsAndMoviesUseTheGamesHooks)
{
  const nfntwriter::Bytes font = nfntwriter::write(nfntwriter::pixelFont(), true);
  writeCD(
      "RSC/media.rsc",
      {{"NFNT", 5, std::string(font.begin(), font.end())},
       {"ASEQ", 5, animation(3)},
       {"ASEQ", 4063, animation(4)},
       {"WAVE", 5, bytesOf(wavewriter::waveImage(22050, wavewriter::tone(22050, 1000, 22050)))}});
  ASSERT_TRUE(initResources());
  installCursors();

  OMTrinketWindow* host = &stage.window();
  RText bitmapText("a", OMPoint(10, 10), nullptr, OMRGBColor(), 0, host);
  bitmapText.setFontById(5);
  const auto* bitmap = dynamic_cast<OMNFNTFont*>(bitmapText.font());
  EXPECT_TRUE(bitmap && bitmap->isValid());
  bitmapText.setCursorById(4063);
  EXPECT_EQ(bitmapText.hoverCursor(), cursorFromResource(4063));
  // One TrueType font of the manager for both texts, taken again by a copy.
  RText first("b", OMPoint(10, 40), nullptr, OMRGBColor(), 0, host);
  RText second("c", OMPoint(10, 70), nullptr, OMRGBColor(), 0, host);
  first.setFontByName("Arial", 0, 12);
  second.setFontByName("Arial", 0, 12);
  EXPECT_EQ(first.font(), second.font());
  const std::unique_ptr<OMScriptableObject> copy = first.clone();
  EXPECT_EQ(static_cast<RText&>(*copy).font(), first.font());

  AnimAction animation(5, 100, 100, 1, 1, 1, 5);
  animation.start();
  EXPECT_NE(animation.animation(), nullptr);
  EXPECT_NE(animation.sound(), nullptr);
  SoundAction sound(5, 0, 1, 100);
  sound.start();
  ASSERT_NE(sound.sound(), nullptr);
  stage.passes(5, 10);
  {
    const RSmackerMovie movie("none.smk", 0, 0, nullptr, -1, 1, 0);
    EXPECT_TRUE(sound.sound()->isPaused());
    EXPECT_TRUE(animation.sound()->isPaused());
  }
  EXPECT_FALSE(sound.sound()->isPaused());
  animation.halt();
  sound.halt();
}

}  // namespace

// The scripts' resource cache actions reach the game's registry: a queue waits for a file and
// a resource read in the background, then drops them; after the shut-down nothing is asked.
TEST_F(GameResourcesTest, CacheActionsWorkOnTheRegistry)
{
  writeCD("RSC/all.rsc", {{"WAVE", 5, "wave5"}});
  ASSERT_TRUE(initResources());
  runScript(
      "debug\rq=RQueue\rplay q add CacheDLLAction \"ALL.rsc\" 1\r"
      "play q add CacheResourceAction 5 WAVE 1\rset q finished onDone\r"
      "play q start\rwait\rprocedure onDone\r  say cached\r");
  for (int pass = 0; pass < 2000 && stage.debugLines().empty(); ++pass)
    stage.passes(1, 10);
  EXPECT_EQ(stage.debugLines(), std::vector<std::string>{"cached"});
  EXPECT_TRUE(isFileCached("all.rsc"));
  EXPECT_EQ(cachedResourceCount(), 1);
  runScript(
      "q2=RQueue\rplay q2 add UncacheResourceAction 5 WAVE\r"
      "play q2 add UncacheDLLAction \"all.rsc\"\rplay q2 start\r");
  EXPECT_EQ(cachedResourceCount(), 0);
  EXPECT_FALSE(isFileCached("all.rsc"));
  shutdownResources();
  EXPECT_EQ(ResourceCachePort::installed(), nullptr);
}
