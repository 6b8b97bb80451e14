// smkwrite: makes a Smacker movie from 8-bit palette PNG frames and PCM WAVE tracks.
//   smkwrite --output movie.smk [--frame-time hundredths-of-ms] [--key-interval n]
//            [--track sound.wav[:raw]]... frame.png...
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/MovieSources.h"
#include "tools/SmackerWriter.h"

namespace {

bool readFile(const std::string& path, moviesources::Bytes& out)
{
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream contents;
  contents << in.rdbuf();
  const std::string text = contents.str();
  out.assign(text.begin(), text.end());
  return true;
}

int fail(const std::string& message)
{
  std::fprintf(stderr, "smkwrite: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv)
{
  SmackerWriter::Movie movie;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--output" && hasValue) {
      output = argv[++i];
    } else if (arg == "--frame-time" && hasValue) {
      movie.frameTime = std::atoi(argv[++i]);
    } else if (arg == "--key-interval" && hasValue) {
      movie.keyInterval = std::atoi(argv[++i]);
    } else if (arg == "--track" && hasValue) {
      std::string path = argv[++i];
      bool raw = false;
      if (path.size() > 4 && path.compare(path.size() - 4, 4, ":raw") == 0) {
        raw = true;
        path.resize(path.size() - 4);
      }
      moviesources::Bytes bytes;
      moviesources::Wave wave;
      std::string error;
      if (!readFile(path, bytes)) return fail("cannot read " + path);
      if (!moviesources::readWave(bytes, wave, error)) return fail(path + ": " + error);
      movie.tracks.push_back({wave.rate, wave.bits, wave.channels, !raw, std::move(wave.samples)});
    } else if (arg.rfind("--", 0) == 0) {
      return fail("unknown option " + arg);
    } else {
      moviesources::Bytes bytes;
      moviesources::IndexedImage image;
      std::string error;
      if (!readFile(arg, bytes)) return fail("cannot read " + arg);
      if (!moviesources::readIndexedPng(bytes, image, error)) return fail(arg + ": " + error);
      if (!movie.frames.empty() && (image.width != movie.width || image.height != movie.height))
        return fail(arg + ": every frame must have the first frame's size");
      movie.width = image.width;
      movie.height = image.height;
      movie.frames.push_back({std::move(image.indices), image.palette});
    }
  }
  if (output.empty()) return fail("no --output given");
  SmackerWriter writer;
  SmackerWriter::Bytes file;
  if (!writer.write(movie, file)) return fail(writer.error());
  std::ofstream out(output, std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out) return fail("cannot write " + output);
  return 0;
}
