#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "framework/OMXMLDocument.h"
#include "game/BezelItem.h"
#include "game/GameResources.h"
#include "game/MA2Bezel.h"
#include "game/MA2Maze.h"
#include "game/MazeGate.h"
#include "game/MazeWarp.h"
#include "tests/game/GlobalFunctionsTestSupport.h"
#include "tests/support/MazeWriter.h"
#include "tools/BackgroundWriter.h"

namespace mazetest {

constexpr int carImage = 20041;  // eight 20 x 20 direction frames
constexpr int pathBase = 500;    // + screen: the road
constexpr int mapBase = 600;     // + screen: the picture
constexpr int blockImage = 700;  // 20 x 20
constexpr int warpImage = 701;   // 16 x 16, looping
constexpr int gateImage = 702;   // 20 x 40: closed, opening, held
constexpr int transformImage = 703;
constexpr int spotImage = 704;  // 10 x 10
constexpr int riseImage = 800;  // 60 x 40 placed at (100, 430)
constexpr int lowerImage = 801;
constexpr int yoYoImage = 710;  // 710-712: entry 0 a code, no code, one frame
constexpr int layoutId = 900, definitionsId = 901;
// The road of every screen: a band across and a band down, crossing in the middle.
constexpr int bandTop = 200, bandBottom = 280, bandLeft = 280, bandRight = 360;

inline bool onRoad(int x, int y)
{
  return (y >= bandTop && y < bandBottom) || (x >= bandLeft && x < bandRight);
}

// The maze's content on the game's stage: car, roads, pictures, items, sounds, tray and
// cursors, with the resource opener of the XML documents over the registered files.
class MazeTest : public globalfn::GlobalFunctionsTest {
 protected:
  MazeTest()
  {
    NEResourceWriter writer;
    omtest::AnimationBuilder car;
    std::vector<OMFrameEntry> frames{{0, 0, OMFrameEntry::hold, 0}};
    for (int d = 0; d < 8; ++d)
      frames.push_back({0, 0, std::int16_t(car.addImage(20, 20, std::uint8_t(20 + d))), 0});
    frames.push_back({0, 0, OMFrameEntry::hold, 0});
    car.addSequence(frames);
    writer.add("ASEQ", std::to_string(carImage), car.build());
    for (int s = 0; s < 6; ++s) {
      omtest::AnimationBuilder road;
      std::vector<std::uint8_t> pixels(640 * 480, 0);
      for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
          if (onRoad(x, y)) pixels[std::size_t(y) * 640 + x] = 3;
      road.addImage(AnimationWriter::Image::fromPixels(640, 480, pixels, 0));
      road.addSequence({{0, 0, 0, 0}, {0, 0, OMFrameEntry::hold, 0}});
      writer.add("ASEQ", std::to_string(pathBase + s), road.build());
      writer.add("BK16", std::to_string(mapBase + s),
                 writeBackground(640, 480, std::vector<std::uint16_t>(640 * 480, 0x0421 * s)));
    }
    omtest::AnimationBuilder noRoad;
    noRoad.addImage(
        AnimationWriter::Image::fromPixels(640, 480, std::vector<std::uint8_t>(640 * 480, 0), 0));
    noRoad.addSequence({{0, 0, 0, 0}, {0, 0, OMFrameEntry::hold, 0}});
    writer.add("ASEQ", std::to_string(pathBase + 10), noRoad.build());
    writer.add("ASEQ", std::to_string(blockImage), still(20, 20, 4));
    const std::vector<std::vector<std::int16_t>> yoYos = {
        {OMFrameEntry::hold, 0, 1, 2, OMFrameEntry::hold}, {0, 1, 2, OMFrameEntry::hold}, {0}};
    for (std::size_t i = 0; i < yoYos.size(); ++i) {
      omtest::AnimationBuilder builder;
      for (int image = 0; image < 3; ++image)
        builder.addImage(10, 10, std::uint8_t(30 + image));
      std::vector<OMFrameEntry> entries;
      for (std::int16_t image : yoYos[i])
        entries.push_back({0, 0, image, 0});
      builder.addSequence(entries);
      writer.add("ASEQ", std::to_string(yoYoImage + int(i)), builder.build());
    }
    writer.add("ASEQ", std::to_string(warpImage), still(16, 16, 5, OMFrameEntry::loop));
    writer.add("ASEQ", std::to_string(gateImage), opening(6));
    writer.add("ASEQ", std::to_string(transformImage), opening(8));
    writer.add("ASEQ", std::to_string(spotImage), still(10, 10, 10));
    writer.add("ASEQ", std::to_string(riseImage), tray(11));
    writer.add("ASEQ", std::to_string(lowerImage), tray(12));
    for (int id = 4062; id <= 4065; ++id)
      writer.add("ASEQ", std::to_string(id), still(8, 8, 13));
    writer.add("WAVE", "20041", wavewriter::waveImage(22050, wavewriter::tone(22050, 800, 2205)));
    writer.add("WAVE", "20042", wavewriter::waveImage(22050, wavewriter::tone(22050, 1200, 2205)));
    writer.add("NFNT", "4117", nfntwriter::write(nfntwriter::pixelFont()));
    NEResourceWriter::Bytes bytes;
    EXPECT_TRUE(writer.build(bytes)) << writer.error();
    openResFile(work.write("maze.rsc", std::string(bytes.begin(), bytes.end())).c_str(), 1);
    OMXMLDocument::setResourceOpener(
        [](int id, int) -> OMIStream* { return openResourceStream(id, "XML", -1).release(); });
  }
  // The car's cursor is one of the game's, which go with the window.
  ~MazeTest() override { shutdownResources(); }

  static std::vector<std::uint8_t> still(int w, int h, int colour,
                                         std::int16_t code = OMFrameEntry::hold)
  {
    omtest::AnimationBuilder builder;
    builder.addImage(w, h, std::uint8_t(colour));
    builder.addSequence({{0, 0, 0, 0}, {0, 0, code, 0}});
    return builder.build();
  }
  // Closed, then two opening frames and a hold.
  static std::vector<std::uint8_t> opening(int colour)
  {
    omtest::AnimationBuilder builder;
    for (int i = 0; i < 3; ++i)
      builder.addImage(20, 40, std::uint8_t(colour + i % 2));
    builder.addSequence({{0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 2, 0}, {0, 0, OMFrameEntry::hold, 0}});
    return builder.build();
  }
  static std::vector<std::uint8_t> tray(int colour)
  {
    omtest::AnimationBuilder builder;
    builder.addImage(60, 40, std::uint8_t(colour));
    builder.addImage(60, 40, std::uint8_t(colour + 1));
    builder.addSequence({{0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, OMFrameEntry::hold, 0}});
    builder.setPlacement(100, 430, 0);
    return builder.build();
  }

  // Both documents as files and as "XML" resources of a second file.
  void writeMaze(const omtest::MazeDescription& maze)
  {
    writeDocuments(omtest::mazeLayout(maze), omtest::mazeDefinitions(maze));
  }
  void writeDocuments(const std::string& layout, const std::string& definitions)
  {
    work.write("layout.xml", layout);
    work.write("definitions.xml", definitions);
    NEResourceWriter writer;
    writer.add("XML", std::to_string(layoutId),
               NEResourceWriter::Bytes(layout.begin(), layout.end()));
    writer.add("XML", std::to_string(definitionsId),
               NEResourceWriter::Bytes(definitions.begin(), definitions.end()));
    NEResourceWriter::Bytes bytes;
    EXPECT_TRUE(writer.build(bytes)) << writer.error();
    const std::string name = "documents" + std::to_string(++documentFiles_) + ".rsc";
    if (documentFiles_ > 1)
      closeResFile(("documents" + std::to_string(documentFiles_ - 1) + ".rsc").c_str(), 1);
    openResFile(work.write(name, std::string(bytes.begin(), bytes.end())).c_str(), 1);
  }

  // Every item of the maze, screen by screen, in list order.
  static std::string describe(MA2Maze& maze)
  {
    std::string out;
    for (int s = 0; s < MA2Maze::screenCount; ++s) {
      for (const auto& item : maze.items(s)) {
        const OMRect& r = item->rect;
        char line[256];
        std::snprintf(line, sizeof line, "%d %c %s %d,%d,%d,%d", s, "BGWRH"[item->kind],
                      item -> name.c_str(), r.left(), r.top(), r.right(), r.bottom());
        out += out.empty() ? "" : " | ";
        out += line;
        if (auto* gate = dynamic_cast<MazeGate*>(item.get())) {
          const OMRect& z = gate->keyZone;
          std::snprintf(line, sizeof line, " zone %d,%d,%d,%d %s type %d%s%s%s", z.left(), z.top(),
                        z.right(), z.bottom(), gate->closed ? "closed" : "open", gate->type,
                        gate->partner ? " partner " : "",
                        gate->partner ? gate->partner->name.c_str() : "",
                        gate->clickReported ? "" : " quiet");
          out += line;
        }
        if (auto* warp = dynamic_cast<MazeWarp*>(item.get())) {
          std::snprintf(line, sizeof line, " to %d,%d%s%s%s%s", warp->wx, warp->wy,
                        warp->partner ? " partner " : "",
                        warp->partner ? warp->partner->name.c_str() : "",
                        warp->linkedGate ? " gate " : "",
                        warp->linkedGate ? warp->linkedGate->name.c_str() : "");
          out += line;
        }
      }
    }
    return out;
  }

 private:
  int documentFiles_ = 0;
};

}  // namespace mazetest
