#pragma once

#include <string>

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
// Adds every resource to the writer; false when any line could not be used, with one message
// a line, each naming its line number.
bool readResourceManifest(const std::string& manifestPath, NEResourceWriter& writer,
                          std::string& error);
