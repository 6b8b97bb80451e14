#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "fuzz/support/SurfaceScript.h"

// Content for the generated scripts, made by our own writers: a resource file with
// animations (one that plays a sound), sounds, a background, a bitmap font and a palette,
// under the ids below, so that scripts that name them reach what loads them.
namespace surfacecontent {

constexpr int squareAnimation = 7;
constexpr int playingAnimation = 8;
constexpr int stageBackground = 9;
constexpr int palette = 11;
constexpr int shortSound = 30;
constexpr int longSound = 32;
constexpr int pixelFont = 128;

// The resource file, with every type; types can be left out to split it as a program does.
std::vector<std::uint8_t> resourceFile(const std::vector<std::string>& types = {});
// The ids as script words.
std::vector<std::string> idWords();
// What the scripts name and where clicks land: the ids, the program's own file names (as
// quoted script words), and three points of the stage.
SurfaceScript::Content scriptContent(std::initializer_list<const char*> fileWords);
// A file of a program's content: its path below the working folder, and its bytes.
struct File {
  std::string path;
  std::vector<std::uint8_t> bytes;
};
File textFile(std::string path, const std::string& text);
// Writes the bytes as a file of the current folder, making its folders.
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
void writeFile(const std::string& path, const std::string& text);

}  // namespace surfacecontent
