// The maze's two documents from untrusted bytes: the first byte chooses the level, the second
// the set, and the rest holds the layout document, a zero byte and the definitions document.
// Every animation id resolves, so that every item is made; the maze then visits each screen
// and drives a little on it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/OMApp.h"
#include "framework/OMIStreamFile.h"
#include "framework/OMXMLDocument.h"
#include "fuzz/support/FuzzSupport.h"
#include "game/MA2Maze.h"
#include "platform/host/HostClock.h"
#include "platform/host/headless/HeadlessHost.h"
#include "tools/AnimationWriter.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMTrinketWindow.h"

namespace {

std::string animationPath;

std::unique_ptr<OMIStream> anyAnimation(int)
{
  return std::make_unique<OMIStreamFile>(animationPath.c_str(), -1, nullptr);
}

struct Stage {
  Stage()
  {
    omfuzz::workFolder();
    omhost::useManualClock(10000);
    omhost::startHeadlessSession();
    app = std::make_unique<OMApp>(3, OMRect(0, 0, 640, 480), OMRGBColor(), 16, 0);
    host = std::make_unique<OMTrinketWindow>(nullptr, nullptr, OMRect(0, 0, 640, 480), 640, 480, 16,
                                             0);
    AnimationWriter writer;
    AnimationWriter::Bytes pixels(20 * 20, 2);
    writer.addImage(AnimationWriter::Image::fromPixels(20, 20, pixels, 0));
    AnimationWriter::Sequence sequence;
    for (int i = 0; i < 9; ++i)
      sequence.entries.push_back({0, 0, 0, 0});
    writer.addSequence(sequence);
    AnimationWriter::Bytes bytes;
    writer.build(bytes);
    animationPath = omfuzz::writeInput("any.aseq", bytes.data(), bytes.size());
    OMAnimation::animationResolver = &anyAnimation;
  }
  std::unique_ptr<OMApp> app;
  std::unique_ptr<OMTrinketWindow> host;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  static Stage stage;
  if (size < 2) return 0;
  const int level = data[0] % 6;
  const int set = static_cast<std::int8_t>(data[1]);
  const std::string rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::size_t split = rest.find('\0');
  const std::string layout = rest.substr(0, split);
  const std::string definitions = split == std::string::npos ? "" : rest.substr(split + 1);
  auto read = [](const std::string& text) {
    auto document = std::make_unique<OMXMLDocument>();
    document->parse(text.data(), text.size());
    return document;
  };
  MA2Maze maze(level, set, stage.host.get());
  maze.loadDocuments(read(layout), read(definitions));
  std::uint32_t now = 0;
  for (int screen = 0; screen < MA2Maze::screenCount; ++screen) {
    maze.goToScreen(screen, 320, 240);
    maze.setRunning(1);
    for (int keys : {1, 9, 8, 10, 2, 6, 4, 5}) {
      maze.step(keys, now += 100);
      const OMPoint car = maze.carPosition();
      if (maze.currentScreen() >= 0 && !maze.isOnPath(car.x, car.y))
        omfuzz::broken("the car left the screen");
    }
    maze.gateForKey(OMRect(0, 0, 640, 480));
  }
  return 0;
}
