#pragma once

#include <memory>
#include <string>

class MA2Maze;
class MazeGate;
class MazeItem;
class OMXMLElement;

// Reads one level of a maze from its layout document (levels, sets, clue texts) and its
// definitions document (blocks, warps, gates, hiding spots, rooms) into the maze's item lists.
// The documents are not trusted: whatever is missing or out of range is left out, each
// refusal said in one debug line.
class MazeDataLoader {
 public:
  MazeDataLoader(MA2Maze& maze, const OMXMLElement& layout, const OMXMLElement& definitions)
      : maze_(maze), layout_(layout), definitions_(definitions)
  {
  }

  // Loads the level's set (0: one at random) and the rooms; the set it chose.
  int loadLevel(int level, int set);

 private:
  void readSetChild(const OMXMLElement& child);
  void readBlocks(const OMXMLElement& child);
  void readWarps(const OMXMLElement& child);
  void readGates(const OMXMLElement& child);
  void readGateLinks(const OMXMLElement& child);
  void readGateLink(const OMXMLElement& link);
  void readClues(const OMXMLElement& child);
  void readDestination(const OMXMLElement& child);
  void readRooms();
  // The holder element of the definitions document, or null with a refusal.
  const OMXMLElement* holder(const char* name, const OMXMLElement& root) const;
  // The item an element describes, or null (refused) when it is outside the format.
  bool buildItem(const OMXMLElement& element, MazeItem& item, const char* const* required) const;
  std::unique_ptr<MazeGate> buildGate(const OMXMLElement& element) const;

  MA2Maze& maze_;
  const OMXMLElement& layout_;
  const OMXMLElement& definitions_;
};
