#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMFontManager.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMRGBColor.h"
#include "framework/OMRect.h"
#include "framework/OMResFile.h"
#include "framework/OMWaveSound.h"
#include "platform/host/HostAudioSink.h"
#include "platform/host/HostClock.h"
#include "platform/host/headless/HeadlessHost.h"
#include "platform/src/user/InstanceRegistry.h"
#include "tests/support/TempFolder.h"
#include "tools/NEResourceWriter.h"
#include "trinkets/lib/RText.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/rthread/YScriptEngine.h"

namespace omtest {

// The game's stage as tests need it: a headless session on the manual clock, the application
// object, and the main host over the whole 640x480 screen at 16 or 8 bits per pixel, with a
// white layer, active and drawn once. The current folder is a fresh temporary one, so that
// generated resource files and "debug.txt" land there. Script step mode is on. As in the
// game, every animation steps on one gate opened every 125 ms; the animation, sound and
// palette resolvers read "ASEQ", "WAVE" and "RRGB" resources of the registered files, and
// fonts come, as the text trinket's hooks ask for them, from the font manager over their
// "NFNT" resources.
class TestStage {
 public:
  static constexpr std::uint32_t gatePeriod = 125;

  // How the stage reaches the screen: a window through GDI (frame mode 3), or full screen
  // through DirectDraw (mode 5), optionally flipping between two buffers.
  struct Display {
    bool directDraw = false;
    bool doubleBuffer = false;
  };

  explicit TestStage(int depth = 16, std::uint32_t clockStart = 10000)
      : TestStage(Display{}, depth, clockStart)
  {
  }
  explicit TestStage(Display display, int depth = 16, std::uint32_t clockStart = 10000)
      : directDraw_(display.directDraw)
  {
    original_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());
    omhost::useManualClock(clockStart);
    host_ = &omhost::startHeadlessSession();
    host_->screen().resize(640, 480, depth);
    omuser::InstanceRegistry::instance().setEnabled(false);
    if (directDraw_) OMApp::useDirectDrawDrawing();
    app_ = std::make_unique<OMApp>(directDraw_ ? 5 : 3, OMRect(0, 0, 640, 480), OMRGBColor(), depth,
                                   0);
    window_ = std::make_unique<OMTrinketWindow>(nullptr, new OMDrawLayer, OMRect(0, 0, 640, 480),
                                                640, 480, depth, display.doubleBuffer ? 1 : 0);
    window_->activate();
    nextOpening() = 0;
    const OMLinkToFct open(&openGate), close(&closeGate);
    window_->setFrameLink(OMTrinketWindow::beforeTimeLink, &open);
    window_->setFrameLink(OMTrinketWindow::frameEndLink, &close);
    OMAnimation::animationTickGate = 0;
    OMAnimation::animationResolver = &resolve<animationType>;
    OMAnimation::soundResolver = &resolve<soundType>;
    OMAnimation::paletteResolver = &resolve<paletteType>;
    setNFNTLoader(&openFont);
    RText::setFontByIdHook(&getNFNTFont);
    RText::setFontByNameHook(&getTrueTypeFont);
    RText::setFontCopyHook(&retainFont);
    RText::setFontReleaseHook(&releaseFont);
    setScriptStepMode(1);
    omhost::HostAudioSink::instance().resynchronise();
    omhost::HostAudioSink::instance().startCapture();
    passes(2);
  }
  ~TestStage()
  {
    setScriptStepMode(0);
    window_.reset();
    OMAnimation::animationTickGate = 1;
    OMAnimation::animationResolver = nullptr;
    OMAnimation::soundResolver = nullptr;
    OMAnimation::paletteResolver = nullptr;
    RText::setFontByIdHook(nullptr);
    RText::setFontByNameHook(nullptr);
    RText::setFontCopyHook(nullptr);
    RText::setFontReleaseHook(nullptr);
    setNFNTLoader(nullptr);
    freeAllFonts();
    closeWaveOut();
    omhost::HostAudioSink::instance().takeCaptured();
    omhost::HostAudioSink::instance().resynchronise();
    closeAllResFiles();
    app_.reset();
    if (directDraw_) OMApp::useGdiDrawing();
    omhost::useRealClock();
    std::filesystem::current_path(original_);
  }
  TestStage(const TestStage&) = delete;
  TestStage& operator=(const TestStage&) = delete;

  OMTrinketWindow& window() { return *window_; }
  OMApp& app() { return *app_; }
  omhost::HeadlessHost& host() { return *host_; }
  const TempFolder& folder() const { return folder_; }

  // Main-loop passes, the clock going on by the step before each.
  void passes(int count, std::uint32_t stepMilliseconds = 0)
  {
    for (int i = 0; i < count; ++i) {
      if (stepMilliseconds) omhost::advanceClock(stepMilliseconds);
      app_->runPass();
    }
  }
  // One pass at that time of the manual clock.
  void passAt(std::uint32_t milliseconds)
  {
    omhost::advanceClock(milliseconds - omhost::clockMilliseconds());
    app_->runPass();
  }
  // Enough passes for every queued input message to be handled.
  void settle() { passes(8); }

  // Input through the host's queue, handled at once.
  void moveTo(int x, int y)
  {
    host_->moveMouse(x, y);
    settle();
  }
  void press(int x, int y)
  {
    host_->pressButton(x, y);
    settle();
  }
  void release(int x, int y)
  {
    host_->releaseButton(x, y);
    settle();
  }
  void click(int x, int y)
  {
    press(x, y);
    release(x, y);
  }

  // A pixel of the virtual screen: 5-5-5 at 16 bits, the palette index at 8.
  std::uint32_t pixel(int x, int y) const
  {
    const omhost::ScreenBuffer& screen = host_->screen();
    const std::uint8_t* row = screen.bytes.data() + static_cast<std::size_t>(y) * screen.pitch;
    if (screen.bitsPerPixel == 8) return row[x];
    return static_cast<std::uint32_t>(row[2 * x] | row[2 * x + 1] << 8);
  }

  // Writes a resource file into the stage's folder and registers it.
  std::string addResourceFile(const std::string& name, NEResourceWriter& writer)
  {
    NEResourceWriter::Bytes bytes;
    if (!writer.build(bytes)) return {};
    const std::string path =
        folder_.write(name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
    openResFile(path.c_str(), 1);
    return path;
  }

  // What reached the audio sink since the last call, at the sink's rate.
  static std::vector<std::int16_t> takeAudio()
  {
    return omhost::HostAudioSink::instance().takeCaptured();
  }

  std::string debugText() const { return readHostFile(folder_ / "debug.txt"); }
  std::vector<std::string> debugLines() const
  {
    std::vector<std::string> lines;
    std::string all = debugText(), line;
    for (char c : all) {
      if (c == '\n') {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        line.clear();
      } else {
        line += c;
      }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
  }

  // The time at which the gate opens next.
  static std::uint32_t& nextOpening()
  {
    static std::uint32_t next = 0;
    return next;
  }

 private:
  static constexpr char animationType[] = "ASEQ";
  static constexpr char soundType[] = "WAVE";
  static constexpr char paletteType[] = "RRGB";

  template <const char* Type>
  static std::unique_ptr<OMIStream> resolve(int id)
  {
    return openResourceStream(id, Type, -1);
  }
  static OMIStream* openFont(std::uint16_t id)
  {
    return openResourceStream(id, "NFNT", -1).release();
  }
  static OMWord openGate(OMWord)
  {
    const std::uint32_t now = timeGetTime();
    if (static_cast<std::int32_t>(now - nextOpening()) < 0) return 0;
    OMAnimation::animationTickGate = 1;
    while (static_cast<std::int32_t>(now - nextOpening()) >= 0)
      nextOpening() += gatePeriod;
    return 0;
  }
  static OMWord closeGate(OMWord)
  {
    OMAnimation::animationTickGate = 0;
    return 0;
  }

  bool directDraw_ = false;
  TempFolder folder_;
  std::filesystem::path original_;
  omhost::HeadlessHost* host_ = nullptr;
  std::unique_ptr<OMApp> app_;
  std::unique_ptr<OMTrinketWindow> window_;
};

}  // namespace omtest
