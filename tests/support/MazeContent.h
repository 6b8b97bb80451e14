#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/AnimationBuilder.h"
#include "tests/support/MazeWriter.h"
#include "tools/BackgroundWriter.h"
#include "tools/NEResourceWriter.h"
#include "tools/NFNTWriter.h"
#include "tools/WaveWriter.h"

// The maze's pictures, sounds, font and cursors, for the maze tests in the test program and
// for the game program's own drive.
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

inline std::vector<std::uint8_t> still(int w, int h, int colour,
                                       std::int16_t code = OMFrameEntry::hold)
{
  omtest::AnimationBuilder builder;
  builder.addImage(w, h, std::uint8_t(colour));
  builder.addSequence({{0, 0, 0, 0}, {0, 0, code, 0}});
  return builder.build();
}
// Closed, then two opening frames and a hold.
inline std::vector<std::uint8_t> opening(int colour)
{
  omtest::AnimationBuilder builder;
  for (int i = 0; i < 3; ++i)
    builder.addImage(20, 40, std::uint8_t(colour + i % 2));
  builder.addSequence({{0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 2, 0}, {0, 0, OMFrameEntry::hold, 0}});
  return builder.build();
}
inline std::vector<std::uint8_t> tray(int colour)
{
  omtest::AnimationBuilder builder;
  builder.addImage(60, 40, std::uint8_t(colour));
  builder.addImage(60, 40, std::uint8_t(colour + 1));
  builder.addSequence({{0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, OMFrameEntry::hold, 0}});
  builder.setPlacement(100, 430, 0);
  return builder.build();
}

// Every resource of the maze but its documents; each screen's map has a colour of its own.
inline void addMazeResources(NEResourceWriter& writer)
{
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
               writeBackground(640, 480, std::vector<std::uint16_t>(640 * 480, 0x0421 * (s + 1))));
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
}

// The drive's maze: level 1 of one set, goals Room5 then Room2, the last gate G3 on screen 0.
inline omtest::MazeDescription driveMaze()
{
  omtest::MazeDescription maze;
  maze.levels = {
      {1,
       {{omtest::mazeList("Block", "Block", {"B1"}),
         omtest::mazeList("Warp", "Warp", {"A"}),
         omtest::mazeList("Gate", "Gate", {"G1", "G3", "P"}),
         omtest::MazeElement{
             "Linked_Gate",
             {},
             {omtest::mazeGateLink("G1", "", 0, 1), omtest::mazeGateLink("G3", "P", 3, 0),
              omtest::mazeGateLink("P", "", 0, 1)}},
         omtest::mazeList("Clue", "Clue_", {"c0", "c1"}, 0),
         {"Destination", {{"Goal_1", "Room5"}, {"Goal_2", "Room2"}, {"Spot", "H1"}}, {}}}}}};
  maze.clues = {{"c0", "FIND THE ROOM"}, {"c1", "NOW THE GATE"}};
  maze.blocks = {omtest::mazeItem("B1", 1, blockImage, 400, 230)};
  maze.warps = {omtest::mazeItem("A1", 1, warpImage, 312, 100, 0, {{"wx", "320"}, {"wy", "400"}}),
                omtest::mazeItem("A2", 4, warpImage, 312, 392, 0, {{"wx", "320"}, {"wy", "400"}})};
  maze.gates = {omtest::mazeItem("G1", 1, gateImage, 250, 220),
                omtest::mazeItem("G3", 0, gateImage, 600, 220, 1,
                                 {{"xform", std::to_string(transformImage)}}),
                omtest::mazeItem("P", 5, gateImage, 100, 220)};
  maze.hidingSpots = {omtest::mazeItem("H1", 2, spotImage, 10, 10)};
  const int room[6][4] = {{0, 0, 1, 1}, {200, 200, 210, 280}, {0, 0, 1, 1},
                          {0, 0, 1, 1}, {300, 300, 340, 340}, {0, 0, 1, 1}};
  for (int k = 1; k <= 6; ++k)
    maze.rooms.push_back(omtest::mazeRoom(k, room[k - 1][0], room[k - 1][1], room[k - 1][2],
                                          room[k - 1][3], k - 1, "Room" + std::to_string(k)));
  return maze;
}

}  // namespace mazetest
