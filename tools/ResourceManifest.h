#pragma once

#include <cstdint>
#include <string>
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
//   !nfnt pixel [swapped]   | !nfnt ttf PIXELS FONTFILE [swapped]
// ("swapped": the header and location table in the other byte order).
// Adds every resource to the writer; false when any line could not be used, with one message
// a line, each naming its line number.
// Makes the content of a "!" source (files relative to folder); false with a message.
bool makeGeneratedContent(const std::string& source, const std::string& folder,
                          std::vector<std::uint8_t>& bytes, std::string& error);

bool readResourceManifest(const std::string& manifestPath, NEResourceWriter& writer,
                          std::string& error);
