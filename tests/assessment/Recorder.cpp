// Stands in for the product's main program: writes the words it was started with, one a line,
// to "recorded.txt" in its current folder.
#include <cstdio>

int main(int argc, char** argv)
{
  std::FILE* out = std::fopen("recorded.txt", "w");
  if (!out) return 1;
  for (int i = 1; i < argc; ++i)
    std::fprintf(out, "%s\n", argv[i]);
  return std::fclose(out) == 0 ? 0 : 1;
}
