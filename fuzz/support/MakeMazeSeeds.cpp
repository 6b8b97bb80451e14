// Seeds of the maze target: a level byte, a set byte, the layout, a zero byte and the
// definitions, written by the maze writer; and a layout nested 100,000 deep.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/MazeWriter.h"

namespace {

void writeSeed(const std::filesystem::path& folder, const char* name, char level, char set,
               const std::string& layout, const std::string& definitions)
{
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out << level << set << layout << '\0' << definitions;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_maze_seeds <seed folder>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  using namespace omtest;
  MazeDescription maze;
  maze.levels = {{1,
                  {{mazeList("Blocks", "Block", {"B1"}),
                    mazeList("Warp", "Warp", {"A", "C"}),
                    mazeList("Gate", "Gate", {"G1"}),
                    {"Linked_Gate",
                     {},
                     {mazeGateLink("G1", "xA1", 1, 0), mazeGateLink("G2", "G1", 2, 1),
                      mazeGateLink("G3", "G2", 3, 0)}},
                    mazeList("Clue", "Clue_", {"c0", "c1"}, 0),
                    {"Destination", {{"Goal_1", "Room2"}, {"Spot", "H1"}}, {}}},
                   {mazeList("Block", "Block", {"B1"})}}}};
  maze.clues = {{"c0", "first"}, {"c1", "second"}};
  maze.blocks = {mazeItem("B1", 0, 7, 100, 100, 0, {{"collide", "2 2 2 2"}})};
  maze.warps = {mazeItem("A1", 0, 7, 300, 300, 0, {{"wx", "200"}, {"wy", "220"}}),
                mazeItem("A2", 4, 7, 400, 100, 0, {{"wx", "420"}, {"wy", "240"}}),
                mazeItem("C1", 5, 7, 40, 40, 0, {{"wx", "60"}, {"wy", "60"}})};
  maze.gates = {mazeItem("G1", 0, 7, 500, 100, 1),
                mazeItem("G2", 1, 7, 200, 200, 0, {{"xform", "8"}}),
                mazeItem("G3", 1, 7, 300, 200)};
  maze.hidingSpots = {mazeItem("H1", 3, 7, 10, 10)};
  for (int k = 1; k <= 6; ++k)
    maze.rooms.push_back(
        mazeRoom(k, k * 10, 20, k * 10 + 50, 80, k - 1, "Room" + std::to_string(k)));
  writeSeed(folder, "sample", 1, 1, mazeLayout(maze), mazeDefinitions(maze));
  writeSeed(folder, "random-set", 1, 0, mazeLayout(maze), mazeDefinitions(maze));

  std::string deep = "<?xml version=\"1.0\"?>\n";
  for (int i = 0; i < 100000; ++i)
    deep += "<Level_1>";
  for (int i = 0; i < 100000; ++i)
    deep += "</Level_1>";
  writeSeed(folder, "nested", 1, 1, deep, mazeDefinitions(maze));
  return 0;
}
