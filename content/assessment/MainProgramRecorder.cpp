// Stands in for the product's main program that the assessment program starts at its end:
// appends one line holding its command line and working folder to the file named by its first
// argument, says so on standard output, and ends with 0.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
  if (argc < 2) {
    std::fprintf(stderr, "usage: assessment_demo_recorder <log file> [words...]\n");
    return 2;
  }
  std::string line;
  for (int i = 1; i < argc; ++i)
    line += std::string(i > 1 ? " " : "") + argv[i];
  std::vector<char> folder(4096);
  line += " | in ";
  line += ::getcwd(folder.data(), folder.size()) ? folder.data() : "?";
  std::FILE* log = std::fopen(argv[1], "a");
  if (!log) return 1;
  const bool written = std::fprintf(log, "%s\n", line.c_str()) > 0;
  if (std::fclose(log) != 0 || !written) return 1;
  std::printf("The main program was started: %s\n", line.c_str());
  return 0;
}
