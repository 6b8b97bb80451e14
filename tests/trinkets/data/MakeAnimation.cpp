// Writes the animation the trinket tests pack into their own resources: two images of 12x8
// and 6x4 pixels in colours 1 and 2, shown in turn, the second 5 pixels to the right.
#include <fstream>

#include "tests/support/AnimationBuilder.h"

int main(int argc, char** argv)
{
  if (argc != 2) return 2;
  omtest::AnimationBuilder builder(8);
  builder.addImage(12, 8, 1);
  builder.addImage(6, 4, 2);
  builder.addSequence({{0, 0, 0, 0}, {5, 0, 1, 0}, {0, 0, OMFrameEntry::loop, 0}});
  const omtest::AnimationBuilder::Bytes bytes = builder.build();
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return out ? 0 : 1;
}
