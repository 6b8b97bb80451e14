#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMFontManager.h"
#include "framework/OMIStream.h"
#include "framework/OMResFile.h"
#include "framework/OMWaveSound.h"
#include "game/AppShell.h"
#include "game/GlobalScriptFunctions.h"
#include "game/GlobalSoundFunctions.h"
#include "game/OMStageWindow.h"
#include "platform/host/HostAudioSink.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tools/BackgroundWriter.h"
#include "tools/NEResourceWriter.h"
#include "tools/NFNTWriter.h"
#include "tools/WaveWriter.h"
#include "trinkets/lib/RAnswer.h"
#include "trinkets/lib/RText.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rthread/YNativeFunction.h"
#include "trinkets/src/rthread/YScriptEngine.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace globalfn {

using Lines = std::vector<std::string>;

constexpr int shortSound = 30;    // 100 ms of tone
constexpr int longSound = 32;     // a second of it
constexpr int buttonImage = 7;    // a 40 x 40 square
constexpr int scenePicture = 9;   // the whole stage in one colour
constexpr int narrowFont = 128;   // the pixel font, advance 4
constexpr int wideFont = 129;     // the same glyphs, advance 7
constexpr std::uint16_t sceneColour = pixel555(40, 200, 40);
constexpr int sinkRate = 44100;

inline int loud(const std::vector<std::int16_t>& audio)
{
  int n = 0;
  for (std::int16_t s : audio)
    n += s > 1000 || s < -1000;
  return n;
}

// The game as it runs scripts: the shell's stage on a headless session with the manual clock,
// the shell's and the sound functions registered, and a resource file of sounds, a button, a
// scene picture and two bitmap fonts, found by the lookups the resource set-up installs. The
// current folder is a fresh one, so that "debug.txt" and the scripts' files land there.
class GlobalFunctionsTest : public ::testing::Test {
 protected:
  GlobalFunctionsTest() : host(omtest::startAppSession())
  {
    writeResources();
    createMainWindow(3);
    shellStage()->activate();
    OMAnimation::animationResolver = [](int id) { return openResourceStream(id, "ASEQ", -1); };
    OMAnimation::soundResolver = [](int id) { return openResourceStream(id, "WAVE", -1); };
    setBackgroundLoader([](std::uint16_t id) { return openResourceStream(id, "BK16", -1); });
    setNFNTLoader([](std::uint16_t id) { return openResourceStream(id, "NFNT", -1).release(); });
    RText::setFontByIdHook(&getNFNTFont);
    RText::setFontByNameHook(&getTrueTypeFont);
    RText::setFontCopyHook(&retainFont);
    RText::setFontReleaseHook(&releaseFont);
    setSoundResourceOpener(
        [](int id, std::int32_t options) { return openResourceStream(id, "WAVE", options); });
    installSoundHooks();
    registerShellFunctions();
    RAnswer::registerGlobalFunctions();
    registerSoundFunctions();
    setScriptStepMode(1);
    scriptVariables.init();
    omhost::HostAudioSink::instance().resynchronise();
    omhost::HostAudioSink::instance().startCapture();
    passes(2);
  }
  ~GlobalFunctionsTest() override
  {
    threads_.clear();
    scriptVariables.clear();
    clearEventRecords();
    shutdownGlobalScriptFunctions();
    shutdownSoundFunctions();
    setSoundResourceOpener(nullptr);
    setScriptStepMode(0);
    closeWaveOut();
    omhost::HostAudioSink::instance().takeCaptured();
    omhost::HostAudioSink::instance().resynchronise();
    destroyMainWindow();
    OMAnimation::animationResolver = nullptr;
    OMAnimation::soundResolver = nullptr;
    setBackgroundLoader(nullptr);
    RText::setFontByIdHook(nullptr);
    RText::setFontByNameHook(nullptr);
    RText::setFontCopyHook(nullptr);
    RText::setFontReleaseHook(nullptr);
    freeAllFonts();
    setNFNTLoader(nullptr);
    closeAllResFiles();
    omhost::useRealClock();
  }

  // Runs the lines as a script of their own, yielding off, so that they run in one pass; the
  // procedures follow its end.
  void run(const std::string& lines, const std::string& procedures = "")
  {
    const std::string name = "g" + std::to_string(threads_.size()) + ".mps";
    std::ofstream(name, std::ios::binary) << "yield off\r" << lines << "wait\r" << procedures;
    threads_.push_back(std::make_unique<YThread>(name.c_str(), nullptr));
    threads_.back()->start();
    passes(1);
  }
  // Calls a global function directly with the arguments; RESULT afterwards.
  static std::string call(const char* name, const std::vector<std::string>& arguments = {})
  {
    YNativeFunction* function = findScriptFunction(name);
    EXPECT_NE(function, nullptr) << name;
    if (!function) return "<none>";
    clearScriptArgs();
    for (const std::string& argument : arguments)
      pushScriptArg(argument.c_str());
    callScriptFunction(*function);
    return result();
  }
  static std::string result() { return variable("RESULT"); }
  static std::string variable(const char* name)
  {
    YVariable* found = scriptVariables.at(scriptVariables.find(name, -1));
    return found ? found->getText() : std::string("<none>");
  }

  static void passes(int count, std::uint32_t stepMilliseconds = 0)
  {
    omtest::runPasses(count, stepMilliseconds);
  }
  // Enough passes for every queued input message to be handled.
  static void settle() { passes(8, 5); }
  void click(int x, int y)
  {
    host.pressButton(x, y);
    settle();
    host.releaseButton(x, y);
    settle();
  }
  // Plays on for the milliseconds in 10 ms passes and answers what reached the sink.
  static std::vector<std::int16_t> listen(int milliseconds)
  {
    passes(milliseconds / 10, 10);
    return omhost::HostAudioSink::instance().takeCaptured();
  }

  Lines debugLines() const
  {
    Lines lines;
    std::string line;
    for (char c : work.read("debug.txt")) {
      if (c == '\n') {
        lines.push_back(line);
        line.clear();
      } else if (c != '\r') {
        line += c;
      }
    }
    return lines;
  }
  // The say lines since the last call.
  Lines newLines()
  {
    const Lines all = debugLines();
    Lines fresh(all.begin() + static_cast<long>(std::min(seen_, all.size())), all.end());
    seen_ = all.size();
    return fresh;
  }

  std::uint16_t pixel(int x, int y) const
  {
    const omhost::ScreenBuffer& screen = host.screen();
    const std::uint8_t* row = screen.bytes.data() + static_cast<std::size_t>(y) * screen.pitch;
    return static_cast<std::uint16_t>(row[2 * x] | row[2 * x + 1] << 8);
  }
  // The number of pixels of the window that are not of that colour.
  int pixelsOtherThan(std::uint16_t colour) const
  {
    int other = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        other += pixel(x, y) != colour;
    return other;
  }

  omhost::HeadlessHost& host;
  TempFolder work;

 private:
  void writeResources()
  {
    omtest::AnimationBuilder button;
    button.addImage(40, 40, 1);
    button.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{0, 0, OMFrameEntry::hold, 0}});
    nfntwriter::Font wide = nfntwriter::pixelFont();
    for (nfntwriter::Glyph& glyph : wide.glyphs)
      glyph.advance += 3;
    NEResourceWriter writer;
    writer.add("WAVE", std::to_string(shortSound),
               wavewriter::waveImage(22050, wavewriter::tone(22050, 1000, 2205)));
    writer.add("WAVE", std::to_string(longSound),
               wavewriter::waveImage(22050, wavewriter::tone(22050, 1000, 22050)));
    writer.add("ASEQ", std::to_string(buttonImage), button.build());
    writer.add("BK16", std::to_string(scenePicture),
               writeBackground(640, 480, std::vector<std::uint16_t>(640 * 480, sceneColour)));
    writer.add("NFNT", std::to_string(narrowFont), nfntwriter::write(nfntwriter::pixelFont()));
    writer.add("NFNT", std::to_string(wideFont), nfntwriter::write(wide));
    NEResourceWriter::Bytes bytes;
    ASSERT_TRUE(writer.build(bytes)) << writer.error();
    const std::string path =
        work.write("game.rsc", std::vector<unsigned char>(bytes.begin(), bytes.end()));
    openResFile(path.c_str(), 1);
  }

  ScopedCurrentFolder inWork_{work.path()};
  std::vector<std::unique_ptr<YThread>> threads_;
  std::size_t seen_ = 0;
};

}  // namespace globalfn
