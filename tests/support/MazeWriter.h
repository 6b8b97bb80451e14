#pragma once

#include <string>
#include <utility>
#include <vector>

// The two documents of a maze, written from a description: the layout (levels, sets and clue
// texts) and the definitions (blocks, warps, gates, hiding spots and rooms).
namespace omtest {

struct MazeElement {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::vector<MazeElement> children;
};

struct MazeDescription {
  // Levels by number; each holds its sets, each set its children ("Block", "Warp", ...).
  std::vector<std::pair<int, std::vector<std::vector<MazeElement>>>> levels;
  std::vector<std::pair<std::string, std::string>> clues;
  std::vector<MazeElement> blocks, warps, gates, hidingSpots, rooms;
};

// An item element with the attributes every item carries, then any others.
inline MazeElement mazeItem(const std::string& name, int screen, int id, int x, int y,
                            int orientation = 0,
                            std::vector<std::pair<std::string, std::string>> more = {})
{
  MazeElement element{name,
                      {{"name", name},
                       {"screen", std::to_string(screen)},
                       {"id", std::to_string(id)},
                       {"x", std::to_string(x)},
                       {"y", std::to_string(y)},
                       {"orientation", std::to_string(orientation)}},
                      {}};
  for (auto& attribute : more)
    element.attributes.push_back(std::move(attribute));
  return element;
}

inline MazeElement mazeRoom(int k, int x0, int y0, int x1, int y1, int screen,
                            const std::string& name)
{
  return {"R" + std::to_string(k),
          {{"x0", std::to_string(x0)},
           {"y0", std::to_string(y0)},
           {"x1", std::to_string(x1)},
           {"y1", std::to_string(y1)},
           {"screen", std::to_string(screen)},
           {"name", name}},
          {}};
}

// A set child whose attributes are named in order: prefix + "1", prefix + "2", ...
inline MazeElement mazeList(const std::string& name, const std::string& prefix,
                            const std::vector<std::string>& values, int first = 1)
{
  MazeElement element{name, {}, {}};
  for (std::size_t i = 0; i < values.size(); ++i)
    element.attributes.emplace_back(prefix + std::to_string(first + int(i)), values[i]);
  return element;
}

inline MazeElement mazeGateLink(const std::string& location, const std::string& linkedTo, int type,
                                int initialStatus)
{
  return {"Link",
          {{"location", location},
           {"linked_to", linkedTo},
           {"type", std::to_string(type)},
           {"initial_status", std::to_string(initialStatus)}},
          {}};
}

inline std::string xmlEscaped(const std::string& text)
{
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

inline void writeMazeElement(std::string& out, const MazeElement& element, int depth)
{
  out += std::string(std::size_t(depth) * 2, ' ') + "<" + element.name;
  for (const auto& [name, value] : element.attributes)
    out += " " + name + "=\"" + xmlEscaped(value) + "\"";
  if (element.children.empty()) {
    out += "/>\n";
    return;
  }
  out += ">\n";
  for (const MazeElement& child : element.children)
    writeMazeElement(out, child, depth + 1);
  out += std::string(std::size_t(depth) * 2, ' ') + "</" + element.name + ">\n";
}

inline std::string mazeDocument(const MazeElement& top)
{
  std::string out = "<?xml version=\"1.0\" standalone=\"yes\"?>\n";
  writeMazeElement(out, top, 0);
  return out;
}

inline std::string mazeLayout(const MazeDescription& maze)
{
  MazeElement top{"Maze", {}, {}};
  for (const auto& [number, sets] : maze.levels) {
    MazeElement level{"Level_" + std::to_string(number), {}, {}};
    for (std::size_t s = 0; s < sets.size(); ++s)
      level.children.push_back({"Set_" + std::to_string(s + 1), {}, sets[s]});
    top.children.push_back(std::move(level));
  }
  top.children.push_back({"Clues", maze.clues, {}});
  return mazeDocument(top);
}

inline std::string mazeDefinitions(const MazeDescription& maze)
{
  MazeElement top{"Definitions", {}, {}};
  const std::pair<const char*, const std::vector<MazeElement>*> holders[] = {
      {"Blocked_Access", &maze.blocks},
      {"Warps", &maze.warps},
      {"Gates", &maze.gates},
      {"Hiding_Spots", &maze.hidingSpots},
      {"Room_Rects", &maze.rooms}};
  for (const auto& [name, elements] : holders)
    top.children.push_back({name, {}, *elements});
  return mazeDocument(top);
}

}  // namespace omtest
