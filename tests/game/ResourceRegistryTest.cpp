#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/OMCachedFile.h"
#include "framework/OMLinkToFct.h"
#include "tests/game/ResourceTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tools/ResourceManifest.h"

namespace {

using restest::content;
using restest::pattern;
using restest::Resource;

// A block as text: "name[*]: TYPE id, TYPE id" (the star marks a block cut by the file's end).
std::string describe(const std::vector<ResourceMapBlock>& blocks)
{
  std::string out;
  for (const ResourceMapBlock& block : blocks) {
    if (!out.empty()) out += " | ";
    out += block.fileName + (block.complete ? ":" : "*:");
    for (std::size_t i = 0; i < block.entries.size(); ++i)
      out += std::string(i ? ", " : " ") + block.entries[i].type + " " +
             std::to_string(block.entries[i].id);
  }
  return out;
}

std::vector<ResourceMapBlock> readMap(const std::string& text)
{
  std::FILE* file = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  std::vector<ResourceMapBlock> blocks = readResourceMap(file);
  std::fclose(file);
  return blocks;
}

TEST(ResourceMapTest, BlocksAndEntriesAsTheLinesGiveThem)
{
  const std::string blanks(90, ' ');
  const std::string longName(120, 'n');
  struct Case {
    const char* what;
    std::string map;
    std::string expected;
  } cases[] = {
      {"name line: first word, lower-cased", "2\n  Sounds.RSC x\nWAVE 1200\nENDFILE\n",
       "sounds.rsc: WAVE 1200"},
      {"type case kept", "1\na.rsc\nwave 1200\n ASEQ\t7\nENDFILE\n", "a.rsc: wave 1200, ASEQ 7"},
      {"type is the first word, at most four characters", "1\na.rsc\nXML 5\nBK16X 6\nENDFILE\n",
       "a.rsc: XML 5, BK16 6"},
      {"ids outside 1-65535 and lines without one are skipped",
       "1\na.rsc\nWAVE 0\nWAVE 65536\nWAVE\nWAVE x\n\nWAVE 65535\nENDFILE\n", "a.rsc: WAVE 65535"},
      {"more entries than the capacity", "1\na.rsc\nASEQ 1\nASEQ 2\nASEQ 3\nENDFILE\n",
       "a.rsc: ASEQ 1, ASEQ 2, ASEQ 3"},
      {"blank lines between blocks, CR LF line ends",
       "1\r\na.rsc\r\nASEQ 1\r\nENDFILE\r\n\r\n   \r\nb.rsc\r\nASEQ 2\r\n-- ENDFILE --\r\n",
       "a.rsc: ASEQ 1 | b.rsc: ASEQ 2"},
      {"the file ends inside a block", "1\na.rsc\nASEQ 1\nENDFILE\nb.rsc\nASEQ 2\nASEQ 3",
       "a.rsc: ASEQ 1 | b.rsc*: ASEQ 2, ASEQ 3"},
      {"lines longer than a short buffer are read whole",
       "1\n" + longName + ".RSC\nASEQ" + blanks + "7\nENDFILE\n", longName + ".rsc: ASEQ 7"},
      {"a file listed twice is read twice", "1\na.rsc\nASEQ 1\nENDFILE\nA.RSC\nASEQ 2\nENDFILE\n",
       "a.rsc: ASEQ 1 | a.rsc: ASEQ 2"},
      {"only a count", "5\n", ""},
      {"empty", "", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(describe(readMap(c.map)), c.expected) << c.what;
}

// The packer writes the map of the files it packs from their manifests; the game reads back
// every resource of every file, and the capacity line covers the largest block.
TEST(ResourceMapTest, ThePackersMapReadsBackAsItsManifests)
{
  TempFolder dir;
  dir.write("pictures.txt",
            "# pictures\nBK16 100  a.png\nASEQ 200 !aseq hold b.png c.png\n\nRRGB 200 b.png\n");
  dir.write("sounds.txt", "WAVE 400 !wave 22050 tone 1200 100\nXML 401 doc.xml\n");
  dir.write("doc.xml", "<a/>");
  std::string map, error;
  ASSERT_TRUE(writeResourceMap({{"Demo.rsc", dir.file("pictures.txt")},
                                {"sounds.rsc", dir.file("sounds.txt")}},
                               map, error))
      << error;
  EXPECT_EQ(map.substr(0, 3), "3\r\n");
  EXPECT_EQ(describe(readMap(map)), "demo.rsc: BK16 100, ASEQ 200, RRGB 200 | sounds.rsc: WAVE 400, XML 401");

  // What a map cannot hold is refused, each line named; a missing manifest too.
  dir.write("odd.txt", "CURSOR 5 x.cur\nTEXT greeting hi.txt\n#12 7 t.bin\nWAVE 40000 w.wav\nASEQ 1 a.png\n");
  EXPECT_FALSE(writeResourceMap({{"odd.rsc", dir.file("odd.txt")}}, map, error));
  for (const char* line : {"odd.txt:1:", "odd.txt:2:", "odd.txt:3:", "odd.txt:4:"})
    EXPECT_NE(error.find(line), std::string::npos) << error;
  EXPECT_EQ(error.find("odd.txt:5:"), std::string::npos) << error;
  EXPECT_FALSE(writeResourceMap({{"none.rsc", dir.file("none.txt")}}, map, error));
  EXPECT_NE(error.find("none.txt"), std::string::npos) << error;
  EXPECT_FALSE(writeResourceMap({{"two words.rsc", dir.file("sounds.txt")}}, map, error));
}

class ResourceRegistryTest : public restest::ResourceFolders {
 protected:
  // "RSC\" of the work folder as the search path the registry's names resolve through.
  void useLocalFolder()
  {
    work.makeFolder("RSC");
    addSearchPath("RSC\\", 1);
  }

  static std::string lookUp(int id, const char* type, std::size_t length = 5)
  {
    std::unique_ptr<OMIStream> stream = findResourceStream(id, type, -1);
    return content(stream.get(), length);
  }
};

TEST_F(ResourceRegistryTest, AMapRegistersEachFileOnceWithItsFirstBlock)
{
  restest::writeResourceFile(work, "RSC/Sounds.rsc",
                             {{"WAVE", 1200, "w1200"}, {"WAVE", 1300, "w1300"}});
  restest::writeResourceFile(work, "RSC/pics.rsc", {{"BK16", 5, "bk005"}});
  work.write("RSC/resource.map",
             "2\n  Sounds.RSC x\nWAVE 1200\nENDFILE\nsounds.rsc\nWAVE 1300\nENDFILE\n"
             "pics.rsc\nBK16 5\n");
  useLocalFolder();
  testing::internal::CaptureStderr();
  parseResourceMap((work / "RSC/resource.map").c_str());
  const std::string errors = testing::internal::GetCapturedStderr();

  EXPECT_EQ(restest::recordNames(), (std::vector<std::string>{"sounds.rsc", "pics.rsc"}));
  EXPECT_EQ(lookUp(1200, "WAVE"), "w1200");
  // Only the entries of the first block are known, whatever the file holds.
  EXPECT_EQ(lookUp(1300, "WAVE"), "<null>");
  // The unterminated block still registers, and says so.
  EXPECT_EQ(lookUp(5, "BK16"), "bk005");
  EXPECT_NE(errors.find("pics.rsc"), std::string::npos) << errors;

  // Ids that are 0 or negative as 16-bit words give nothing; so does an unknown resource.
  EXPECT_EQ(findResourceStream(0, "WAVE", -1), nullptr);
  EXPECT_EQ(findResourceStream(0x8000 + 1200, "WAVE", -1), nullptr);
  EXPECT_EQ(findResourceStream(1200, nullptr, -1), nullptr);
  EXPECT_EQ(lookUp(1200, "ASEQ"), "<null>");

  // A map that cannot be opened registers nothing.
  parseResourceMap((work / "RSC/none.map").c_str());
  EXPECT_EQ(resourceFileCount(), 2);
}

TEST_F(ResourceRegistryTest, TheScanRegistersReadableResourceFilesUnderLowerCaseNames)
{
  restest::writeResourceFile(work, "RSC/Intro.RSC", {{"ASEQ", 40, "aseq4"}});
  restest::writeResourceFile(work, "RSC/more.rsc.bak", {{"RRGB", 3, "rrgb3"}});
  work.makeFolder("RSC/x.rsc");
  work.write("RSC/damaged.rsc", "MZ not a resource file");
  work.write("RSC/notes.txt", "text");
  useLocalFolder();
  scanResourceFiles("RSC\\");

  const std::vector<std::string> names = restest::recordNames();
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
            (std::set<std::string>{"intro.rsc", "more.rsc.bak"}));
  EXPECT_EQ(lookUp(40, "ASEQ"), "aseq4");
  EXPECT_EQ(lookUp(3, "RRGB"), "rrgb3");
  EXPECT_NE(findResourceFileRecord("INTRO.rsc"), nullptr);
  // Registering again changes nothing.
  registerResourceFile("INTRO.RSC");
  EXPECT_EQ(resourceFileCount(), 2);
}

// What the completions of background caching did, in order.
std::vector<std::string> happenings;
OMWord noteLink(OMWord word)
{
  happenings.push_back("link " + std::to_string(word));
  return 0;
}
void noteEvent(const char* event)
{
  happenings.push_back(std::string(event) + " " + lastCachedFileName() + " " +
                       std::to_string(lastCachedResourceId()));
}

TEST_F(ResourceRegistryTest, BackgroundCachingCompletesWithLinkAndEvent)
{
  const std::string big = pattern(300000, 3);
  restest::writeResourceFile(work, "RSC/big.rsc", {{"BK16", 9, big}, {"ASEQ", 2, "aseq2"}});
  useLocalFolder();
  registerResourceFile("Big.RSC");
  setResourcePortEventHook(&noteEvent);
  happenings.clear();
  setResourceCacheDirectory((work.path() + "/").c_str());

  struct Case {
    int toCacheDirectory;
  } cases[] = {{0}, {1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.toCacheDirectory);
    happenings.clear();
    const OMLinkToFct link(&noteLink, 7);
    cacheDLL("BIG.rsc", &link, 10, 0, c.toCacheDirectory);
    ASSERT_TRUE(isFileCached("big.rsc"));
    EXPECT_TRUE(happenings.empty());
    ASSERT_TRUE(stepJobsUntil([] { return !happenings.empty(); }));
    stepJobsUntil([] { return happenings.size() >= 2; });
    EXPECT_EQ(happenings, (std::vector<std::string>{"link 7", "DLLCached big.rsc 0"}));
    EXPECT_EQ(std::filesystem::exists(work / "big.rsc"), c.toCacheDirectory != 0);
    EXPECT_EQ(lookUp(9, "BK16", big.size()), big);
    // A second request for a cached file calls its link at once.
    cacheDLL("big.rsc", &link, 10, 0, c.toCacheDirectory);
    EXPECT_EQ(happenings.size(), 3u);
    uncacheDLL("big.rsc");
    EXPECT_FALSE(isFileCached("big.rsc"));
    EXPECT_FALSE(std::filesystem::exists(work / "big.rsc"));
  }

  // A single resource: its own completion, then lookups as its keep value says.
  struct Keep {
    std::uint32_t keep;
    int countAfterLookup;
  } keeps[] = {{0, 0}, {1, 1}};
  for (const Keep& k : keeps) {
    SCOPED_TRACE(k.keep);
    happenings.clear();
    const OMLinkToFct link(&noteLink, 8);
    cacheResource(9, "BK16", &link, k.keep, 10);
    EXPECT_EQ(cachedResourceCount(), 1);
    ASSERT_TRUE(stepJobsUntil([] { return happenings.size() >= 2; }));
    EXPECT_EQ(happenings, (std::vector<std::string>{"link 8", "resourceCached big.rsc 9"}));
    EXPECT_EQ(lookUp(9, "BK16", big.size()), big);
    EXPECT_EQ(cachedResourceCount(), k.countAfterLookup);
    // Read again: from the file once the record is gone, from the record while it stays.
    EXPECT_EQ(lookUp(9, "BK16", big.size()), big);
    EXPECT_EQ(cachedResourceCount(), k.countAfterLookup);
    EXPECT_EQ(lastCachedResourceId(), k.keep ? 9 : 0);
    uncacheAllResources();
  }
  EXPECT_EQ(lastCachedResourceId(), 0);
}

TEST_F(ResourceRegistryTest, AResourceLeftWhileItsReadIsInFlightNeverCompletes)
{
  const std::string big = pattern(400000, 5);
  restest::writeResourceFile(work, "RSC/big.rsc", {{"BK16", 9, big}, {"BK16", 10, big}});
  useLocalFolder();
  registerResourceFile("big.rsc");
  setResourcePortEventHook(&noteEvent);
  happenings.clear();
  const OMLinkToFct link(&noteLink, 1);
  cacheResource(9, "BK16", &link, 1, 0);
  cacheResource(10, "BK16", &link, 1, 0);
  uncacheResource(9, "BK16");
  EXPECT_EQ(cachedResourceCount(), 1);
  // The file's own caching ends with the registry while its job runs.
  cacheDLL("big.rsc", &link, 0, 0, 0);
  shutdownResourcePort();
  EXPECT_EQ(cachedResourceCount(), 0);
  EXPECT_EQ(resourceFileCount(), 0);
  EXPECT_FALSE(isFileCached("big.rsc"));
  stepJobs(2000);
  EXPECT_TRUE(happenings.empty()) << happenings.front();
}

}  // namespace
