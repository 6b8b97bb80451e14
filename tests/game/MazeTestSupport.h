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
#include "tests/support/MazeContent.h"
#include "tests/support/MazeWriter.h"
#include "tools/BackgroundWriter.h"

namespace mazetest {

// The maze's content on the game's stage: car, roads, pictures, items, sounds, tray and
// cursors, with the resource opener of the XML documents over the registered files.
class MazeTest : public globalfn::GlobalFunctionsTest {
 protected:
  MazeTest()
  {
    NEResourceWriter writer;
    addMazeResources(writer);
    NEResourceWriter::Bytes bytes;
    EXPECT_TRUE(writer.build(bytes)) << writer.error();
    openResFile(work.write("maze.rsc", std::string(bytes.begin(), bytes.end())).c_str(), 1);
    OMXMLDocument::setResourceOpener(
        [](int id, int) -> OMIStream* { return openResourceStream(id, "XML", -1).release(); });
  }
  // The car's cursor is one of the game's, which go with the window.
  ~MazeTest() override { shutdownResources(); }

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
