#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class NEResourceWriter;

// A resource manifest is text, one resource a line: type, id or name, and the source file
// (relative to the manifest's folder; the rest of the line, so it may hold blanks). Blank
// lines and lines beginning with "#" are skipped, except "#" and a digit, a numbered type.
// Example:
//   ASEQ   100      walk.aseq
//   CURSOR 5        hand.cur
//   TEXT   greeting hello.txt
//   #291   7        table.bin
// A PNG source of an "ASEQ", "BK16" or "RRGB" resource is converted to that format.
// A source beginning with "!" is made by the content writers instead of read:
//   !wave RATE tone FREQ MS | !wave RATE silence MS | !wave RATE clicks MS INTERVAL_MS
//   !nfnt pixel [scale N] [caseless] [swapped] | !nfnt ttf PIXELS FONTFILE [swapped]
//   !aseq once|loop|hold FRAME.png...
// ("swapped": the header and location table in the other byte order; "scale": the pixel font
// N times as large; "caseless": lowercase letters drawn as capitals; !aseq: an animation of
// palette PNGs, see animationFromPngs).
// Adds every resource to the writer; false when any line could not be used, with one message
// a line, each naming its line number.
// Makes the content of a "!" source (files relative to folder); false with a message.
bool makeGeneratedContent(const std::string& source, const std::string& folder,
                          std::vector<std::uint8_t>& bytes, std::string& error);

bool readResourceManifest(const std::string& manifestPath, NEResourceWriter& writer,
                          std::string& error);

// One resource line of a manifest, as written.
struct ManifestLine {
  int number = 0;
  std::string type;
  std::string id;
  std::string source;
};
// The resource lines of a manifest; false (with one message a line) when a line is not one,
// the good lines still listed.
bool readManifestLines(const std::string& manifestPath, std::vector<ManifestLine>& lines,
                       std::string& error);

// A resource map ("resource.map") of resource files, each given by its file name and the
// manifest it is packed from: the largest number of entries of a file, then for each file its
// name, one "TYPE id" line a resource and "ENDFILE", lines ending in CR LF. False when a file
// holds a resource the map cannot list (a type longer than four
// characters, a numbered type, a named id).
bool writeResourceMap(const std::vector<std::pair<std::string, std::string>>& files,
                      std::string& map, std::string& error);
