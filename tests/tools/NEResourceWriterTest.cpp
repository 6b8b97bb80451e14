#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/TempFolder.h"
#include "tests/support/ToneMeter.h"
#include "tools/NEResourceWriter.h"
#include "tools/ResourceManifest.h"
#include "tools/WaveWriter.h"

namespace {

using Bytes = NEResourceWriter::Bytes;

unsigned u16(const Bytes& file, std::size_t at)
{
  return file.at(at) | (file.at(at + 1) << 8);
}

Bytes bytes(const std::string& text)
{
  return Bytes(text.begin(), text.end());
}

}  // namespace

TEST(NEResourceWriter, WritesHeadersBlocksAndAlignedData)
{
  NEResourceWriter writer;
  ASSERT_TRUE(writer.setAlignShift(4));
  ASSERT_TRUE(writer.add("ASEQ", "100", bytes("hello")));
  ASSERT_TRUE(writer.add("CURSOR", "5", bytes("cursor bytes")));
  ASSERT_TRUE(writer.add("ASEQ", "101", bytes("x")));
  Bytes file;
  ASSERT_TRUE(writer.build(file)) << writer.error();

  EXPECT_EQ(u16(file, 0), 0x5A4Du);
  EXPECT_GE(u16(file, 24), 64u);
  const std::size_t ne = u16(file, 60);
  EXPECT_EQ(u16(file, ne), 0x454Eu);
  const std::size_t table = ne + u16(file, ne + 0x24);
  const std::size_t tableLength = u16(file, ne + 0x26) - u16(file, ne + 0x24);
  EXPECT_EQ(u16(file, table), 4u);

  // ASEQ: a named type whose name lies in the table.
  const std::size_t aseq = table + 2;
  const unsigned nameOffset = u16(file, aseq);
  ASSERT_LT(nameOffset, 0x8000u);
  ASSERT_LE(nameOffset + 5, tableLength);
  EXPECT_EQ(file[table + nameOffset], 4);
  EXPECT_EQ(
      std::string(file.begin() + table + nameOffset + 1, file.begin() + table + nameOffset + 5),
      "ASEQ");
  EXPECT_EQ(u16(file, aseq + 2), 2u);
  EXPECT_EQ(u16(file, aseq + 8 + 6), 0x8000u | 100);
  const std::size_t data = std::size_t(u16(file, aseq + 8)) << 4;
  EXPECT_EQ(u16(file, aseq + 8 + 2), 1u);
  EXPECT_EQ(std::string(file.begin() + data, file.begin() + data + 5), "hello");

  // CURSOR is numbered type 12 with one entry.
  const std::size_t cursor = aseq + 8 + 24;
  EXPECT_EQ(u16(file, cursor), 0x800Cu);
  EXPECT_EQ(u16(file, cursor + 2), 1u);
  EXPECT_EQ(u16(file, cursor + 8 + 6), 0x8005u);
  EXPECT_EQ(u16(file, cursor + 8 + 12), 0u);
  EXPECT_EQ(file.size() % 16, 0u);
}

TEST(NEResourceWriter, NameTableCarriesTypeNames)
{
  NEResourceWriter writer;
  writer.setNameTable(true);
  ASSERT_TRUE(writer.setAlignShift(0));
  ASSERT_TRUE(writer.add("WAVE", "7", bytes("riff")));
  ASSERT_TRUE(writer.add("WAVE", "intro", bytes("named")));
  Bytes file;
  ASSERT_TRUE(writer.build(file)) << writer.error();
  const std::size_t table = 128;
  EXPECT_EQ(u16(file, table + 2), 0x800Fu);
  EXPECT_EQ(u16(file, table + 4), 1u);
  const std::size_t names = u16(file, table + 10);
  const unsigned waveType = u16(file, table + 22);
  EXPECT_EQ(u16(file, names + 2), waveType);
  EXPECT_STREQ(reinterpret_cast<const char*>(&file[names + 6]), "WAVE");
  // The named resource gets a number that the name table lists.
  const std::size_t second = names + u16(file, names);
  EXPECT_EQ(u16(file, second + 2), waveType | 0x8000);
  EXPECT_EQ(u16(file, second + 4), u16(file, table + 22 + 8 + 12 + 6));
  EXPECT_STREQ(reinterpret_cast<const char*>(&file[second + 6]), "intro");
}

TEST(NEResourceWriter, RefusesWhatTheFormatCannotHold)
{
  NEResourceWriter writer;
  EXPECT_FALSE(writer.setAlignShift(16));
  EXPECT_FALSE(writer.add("ASEQ", "0", bytes("x")));
  EXPECT_FALSE(writer.add("ASEQ", "32768", bytes("x")));
  EXPECT_FALSE(writer.add("#15", "1", bytes("x")));
  EXPECT_FALSE(writer.add("", "1", bytes("x")));

  ASSERT_TRUE(writer.setAlignShift(0));
  ASSERT_TRUE(writer.add("BIG", "1", Bytes(70000, 1)));
  Bytes file;
  EXPECT_FALSE(writer.build(file));
  EXPECT_NE(writer.error().find("alignment"), std::string::npos);

  ASSERT_TRUE(writer.setAlignShift(2));
  EXPECT_TRUE(writer.build(file)) << writer.error();
}

TEST(ResourceManifest, ReadsLinesAndNamesTheFaultyOne)
{
  TempFolder dir;
  dir.write("a.bin", std::string("AAAA"));
  dir.write("with space.bin", std::string("BB"));
  dir.write("good.txt",
            "# comment\n\nASEQ 100 a.bin\n  TEXT  hello   with space.bin  \n#291 7 a.bin\n");
  dir.write("missing.txt", "ASEQ 100 a.bin\nASEQ 101 nowhere.bin\n#2 x\nASEQ 102 a.bin\n");
  dir.write("short.txt", "ASEQ 100\n");

  NEResourceWriter writer;
  std::string error;
  EXPECT_TRUE(readResourceManifest(dir.file("good.txt"), writer, error)) << error;
  Bytes file;
  EXPECT_TRUE(writer.build(file));
  // The numbered type is a resource like any other, not a comment.
  NEResourceWriter direct;
  direct.add("ASEQ", "100", Bytes{'A', 'A', 'A', 'A'});
  direct.add("TEXT", "hello", Bytes{'B', 'B'});
  direct.add("291", "7", Bytes{'A', 'A', 'A', 'A'});
  Bytes expected;
  ASSERT_TRUE(direct.build(expected));
  EXPECT_EQ(file, expected);

  // Every line that cannot be used is named, not only the first.
  NEResourceWriter other;
  EXPECT_FALSE(readResourceManifest(dir.file("missing.txt"), other, error));
  EXPECT_NE(error.find("missing.txt:2:"), std::string::npos) << error;
  EXPECT_NE(error.find("missing.txt:3:"), std::string::npos) << error;
  EXPECT_EQ(error.find("missing.txt:4:"), std::string::npos) << error;
  EXPECT_FALSE(readResourceManifest(dir.file("short.txt"), other, error));
  EXPECT_NE(error.find("short.txt:1:"), std::string::npos) << error;
  EXPECT_FALSE(readResourceManifest(dir.file("none.txt"), other, error));
}

TEST(Rscpack, PacksAManifestAndFailsCleanly)
{
  TempFolder dir;
  dir.write("a.bin", std::string("AAAA"));
  dir.write("m.txt", "ASEQ 100 a.bin\n");
  const std::string tool = RSCPACK_PATH;
  const std::string good = tool + " --shift 3 --name-table --output " + dir.file("o.rsc") + " " +
                           dir.file("m.txt") + " 2>/dev/null";
  EXPECT_EQ(std::system(good.c_str()), 0);
  EXPECT_EQ(dir.read("o.rsc").substr(0, 2), "MZ");
  const std::string bad =
      tool + " --output " + dir.file("p.rsc") + " " + dir.file("nothing.txt") + " 2>/dev/null";
  EXPECT_NE(std::system(bad.c_str()), 0);
}

TEST(ResourceManifest, GeneratorsMakeSoundsAndFontsAndNameBadSpecs)
{
  struct Case {
    const char* source;
    bool works;
    std::size_t size;  // 0: not checked
  };
  for (const Case& c :
       {Case{"!wave 22050 tone 440 100", true, 44 + 2205 + 1},
        Case{"!wave 8000 silence 250", true, 44 + 2000},
        Case{"!wave 11025 clicks 100 10", true, 44 + 1102}, Case{"!wave 0 tone 440 100", false, 0},
        Case{"!wave 22050 hum 3", false, 0},
        Case{"!wave 22050 notes 250 262 330", true, 44 + 2 * 5512},
        Case{"!wave 22050 notes 250", false, 0}, Case{"!wave 22050 notes 250 262 la", false, 0},
        Case{"!wave 22050 notes 250 11025", false, 0}, Case{"!wave 22050 notes 0 262", false, 0},
        Case{"!nfnt pixel", true, 0}, Case{"!nfnt pixel scale 3 caseless", true, 0},
        Case{"!nfnt pixel caseless scale 2 swapped", true, 0},
        Case{"!nfnt pixel scale 9", false, 0}, Case{"!nfnt pixel scale", false, 0},
        Case{"!nfnt pixel bold", false, 0},
        Case{"!nfnt pixel swapped", true, 0}, Case{"!nfnt ttf 12 missing.ttf", false, 0},
        Case{"!nfnt bold", false, 0}, Case{"!sprite 3", false, 0}}) {
    SCOPED_TRACE(c.source);
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_EQ(makeGeneratedContent(c.source, ".", bytes, error), c.works) << error;
    if (!c.works) {
      EXPECT_FALSE(error.empty());
    }
    if (c.size) {
      EXPECT_EQ(bytes.size(), c.size);
    }
  }
  // The two byte orders differ only in the header and location table.
  std::vector<std::uint8_t> big, little;
  std::string error;
  ASSERT_TRUE(makeGeneratedContent("!nfnt pixel", ".", big, error));
  ASSERT_TRUE(makeGeneratedContent("!nfnt pixel swapped", ".", little, error));
  ASSERT_EQ(big.size(), little.size());
  EXPECT_EQ(big[0], little[1]);
  EXPECT_EQ(big[1], little[0]);
  EXPECT_TRUE(std::equal(big.end() - 262, big.end(), little.end() - 262));

  // A melody: its notes in turn, starting and ending at rest, so that it loops without a click.
  const wavewriter::Bytes melody = wavewriter::notes(22050, {262, 330}, 5512);
  ASSERT_EQ(melody.size(), 2u * 5512);
  EXPECT_EQ(melody.front(), 128);
  EXPECT_EQ(melody.back(), 128);
  std::vector<std::int16_t> heard;
  for (const std::uint8_t sample : melody)
    heard.push_back(std::int16_t(sample - 128));
  for (const auto& [from, high, low] : {std::tuple{0, 262, 330}, std::tuple{5512, 330, 262}})
    EXPECT_GT(omtest::tonePower(heard, std::size_t(from), 5512, high, 22050),
              100 * omtest::tonePower(heard, std::size_t(from), 5512, low, 22050))
        << from;

  TempFolder dir;
  dir.write("m.txt", "WAVE 7 !wave 11025 tone 300 50\nNFNT 9 !nfnt pixel\nWAVE 8 !wave x\n");
  NEResourceWriter writer;
  EXPECT_FALSE(readResourceManifest(dir.file("m.txt"), writer, error));
  EXPECT_NE(error.find("m.txt:3:"), std::string::npos) << error;
  EXPECT_EQ(error.find("m.txt:1:"), std::string::npos) << error;
  const std::string tool = RSCPACK_PATH;
  const std::string make = tool + " --generate " + dir.file("t.wav") + " '!wave 11025 tone 300 50'";
  EXPECT_EQ(std::system(make.c_str()), 0);
  EXPECT_EQ(dir.read("t.wav").substr(0, 4), "RIFF");
}
