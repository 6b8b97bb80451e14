#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "framework/OMBackgroundJob.h"
#include "framework/OMCachedFile.h"
#include "framework/OMFileServices.h"
#include "framework/OMIStreamDLL16.h"
#include "framework/OMIStreamDLL16InfoCache.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMNEFile.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMQueriedFile.h"
#include "framework/OMResFile.h"
#include "framework/OMResourceReport.h"
#include "tests/framework/StreamDrain.h"
#include "tests/support/TempFolder.h"
#include "tools/NEResourceWriter.h"

namespace {

using Bytes = NEResourceWriter::Bytes;

Bytes bytesOf(const std::string& text)
{
  return Bytes(text.begin(), text.end());
}

std::string pattern(std::size_t length, int seed)
{
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i)
    bytes[i] = char(i * 31 + seed + i / 97);
  return bytes;
}

// The bytes a stream hands out, without the padding to the alignment unit.
std::string content(OMIStream& stream, std::size_t length)
{
  return omtest::drain(stream).substr(0, length);
}

void resetResources()
{
  terminateFileServices();
}

class ResFiles : public ::testing::Test {
 protected:
  void SetUp() override { resetResources(); }
  void TearDown() override { resetResources(); }

  // Packs resources {type, id, bytes} into a file in the test folder.
  std::string pack(const std::string& name, const std::vector<std::array<std::string, 3>>& items,
                   int shift, bool nameTable)
  {
    NEResourceWriter writer;
    writer.setAlignShift(shift);
    writer.setNameTable(nameTable);
    for (const auto& item : items)
      EXPECT_TRUE(writer.add(item[0], item[1], bytesOf(item[2]))) << writer.error();
    Bytes file;
    EXPECT_TRUE(writer.build(file)) << writer.error();
    dir.write(name, file);
    return dir.file(name);
  }

  TempFolder dir;
};

}  // namespace

TEST_F(ResFiles, PackedFilesReadBackByteForByte)
{
  const std::string big = pattern(70000, 1), small = pattern(33, 2), wave = pattern(5000, 3);
  for (int shift : {0, 1, 4, 9}) {
    for (bool nameTable : {false, true}) {
      SCOPED_TRACE("shift " + std::to_string(shift) + (nameTable ? " with" : " without") +
                   " name table");
      resetResources();
      std::vector<std::array<std::string, 3>> items = {
          {"ASEQ", "100", small}, {"CURSOR", "5", wave}, {"WAVE", "7", wave}, {"TEXT", "x", small}};
      if (shift > 0) items.push_back({"BK16", "1", big});
      const std::string path = pack("t.rsc", items, shift, nameTable);
      for (const auto& item : items) {
        if (item[1] == "x") continue;
        const int id = std::stoi(item[1]);
        OMIStreamDLL16 whole(id, item[0].c_str(), path.c_str(), -1, nullptr);
        ASSERT_GE(whole.size(), std::int32_t(item[2].size())) << item[0];
        EXPECT_TRUE(content(whole, item[2].size()) == item[2]) << item[0];
        OMIStreamDLL16 blocks(id, item[0].c_str(), path.c_str(), 1000, nullptr);
        EXPECT_TRUE(content(blocks, item[2].size()) == item[2]) << item[0];
      }
      OMIStreamDLL16 absent(101, "ASEQ", path.c_str(), -1, nullptr);
      EXPECT_EQ(absent.size(), 0);
      EXPECT_EQ(absent.load(0), 0);
    }
  }
}

TEST_F(ResFiles, CMakeBuiltFilesHoldTheirSources)
{
  const std::string rsc = OM_TEST_RSC_DIR, data = OM_TEST_DATA_DIR;
  const std::string demo = rsc + "/demo.rsc", second = rsc + "/second.rsc";
  const std::pair<const char*, const char*> expected[] = {
      {"ASEQ", "walk.aseq"}, {"WAVE", "hello.wav"}, {"CURSOR", "cursor.cur"}};
  const int ids[] = {100, 7, 5};
  for (int i = 0; i < 3; ++i) {
    const std::string source = omtest::readHostFile(data + "/" + expected[i].second);
    OMIStreamDLL16 stream(ids[i], expected[i].first, demo.c_str(), -1, nullptr);
    EXPECT_EQ(content(stream, source.size()), source) << expected[i].first;
  }
  OMIStreamDLL16 font(3, "NFNT", second.c_str(), 0, nullptr);
  const std::string walk = omtest::readHostFile(data + "/walk.aseq");
  EXPECT_EQ(content(font, walk.size()), walk);
}

TEST_F(ResFiles, BackgroundLoadAndCacheGiveTheSameBytes)
{
  const std::string big = pattern(40000, 4);
  const std::string path = pack("bg.rsc", {{"BK16", "9", big}, {"ASEQ", "1", "a"}}, 4, false);

  static int doneCalls;
  doneCalls = 0;
  OMLinkToFct done([](OMWord) -> OMWord { return ++doneCalls; });
  OMIStreamDLL16 stream(9, "BK16", path.c_str(), -1, nullptr);
  stream.loadAsync(&done);
  EXPECT_TRUE(stream.isLoading());
  for (long pass = 0; stream.isLoading() && pass < 100000000; ++pass) {
    stepBackgroundJobs();
    std::this_thread::yield();
  }
  EXPECT_EQ(doneCalls, 1);
  EXPECT_EQ(stream.loadStatus(), 0);
  EXPECT_TRUE(content(stream, big.size()) == big);
  std::unique_ptr<OMIStream> clone = stream.clone();
  EXPECT_TRUE(content(*clone, big.size()) == big);

  OMIStreamDLL16 waited(9, "BK16", path.c_str(), -1, nullptr);
  waited.loadAsync(&done);
  ASSERT_NE(waited.pendingJob(), nullptr);
  setPriority(waited.pendingJob(), 7);
  EXPECT_EQ(waited.pendingJob()->priority(), 7);
  requeueStreamRead(&waited, 3);
  EXPECT_EQ(waited.pendingJob()->priority(), 3);
  EXPECT_EQ(waited.waitLoaded(), 0);
  EXPECT_EQ(doneCalls, 2);
  EXPECT_EQ(waited.pendingJob(), nullptr);
  EXPECT_TRUE(content(waited, big.size()) == big);

  // With the whole file in the cache, the bytes are handed out in place.
  OMCachedFile* cached = cacheFile(path.c_str());
  ASSERT_EQ(cached->waitLoaded(), 0);
  OMNEFile::current().giveUp();
  {
    OMIStreamDLL16 fromCache(9, "BK16", path.c_str(), 4096, nullptr);
    EXPECT_TRUE(fromCache.isFromCache());
    EXPECT_EQ(fromCache.data(), cached->loadedData() + fromCache.dataOffset());
    fromCache.setPosition(0);
    EXPECT_TRUE(content(fromCache, big.size()) == big);
    EXPECT_NE(OMNEFile::current().image(), nullptr);
    // The stream's reference keeps the entry.
    uncacheFile(path.c_str());
    EXPECT_TRUE(isFileCached(path.c_str()));
  }
  // The cached bytes are gone with the last reference; the file is read from disk again.
  EXPECT_FALSE(isFileCached(path.c_str()));
  EXPECT_EQ(OMNEFile::current().image(), nullptr);
  OMIStreamDLL16 fromDisk(9, "BK16", path.c_str(), -1, nullptr);
  EXPECT_FALSE(fromDisk.isFromCache());
  EXPECT_TRUE(content(fromDisk, big.size()) == big);
}

TEST_F(ResFiles, LaterIndexedFileWinsUntilUnpinned)
{
  const std::string first =
      pack("first.rsc", {{"ASEQ", "100", "first"}, {"WAVE", "1", "w"}}, 0, false);
  const std::string second = pack("second.rsc", {{"ASEQ", "100", "second"}}, 0, true);
  const std::string never = pack("never.rsc", {{"ASEQ", "200", "never"}}, 0, false);
  openResFile(first.c_str(), 1);
  openResFile(second.c_str(), 1);
  openResFile(never.c_str(), 0);

  EXPECT_EQ(resourceFileOf(100, "ASEQ").value(), second);
  std::unique_ptr<OMIStream> stream = openResourceStream(100, "ASEQ", -1);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(content(*stream, 6), "second");

  // The same in the background.
  std::unique_ptr<OMIStream> background = openResourceStream(100, "ASEQ", -1);
  ASSERT_TRUE(background->is(OMIStreamDLL16::classDescriptor));
  auto* resource = static_cast<OMIStreamDLL16*>(background.get());
  resource->loadAsync(nullptr);
  EXPECT_TRUE(resource->isLoading());
  EXPECT_EQ(resource->waitLoaded(), 0);
  EXPECT_FALSE(resource->isLoading());
  EXPECT_EQ(content(*resource, 6), "second");

  unpinResFile(second.c_str());
  EXPECT_EQ(resourceFileOf(100, "ASEQ").value(), first);
  stream = openResourceStream(100, "ASEQ", -1);
  EXPECT_EQ(content(*stream, 5), "first");

  // Registered but never activated: no answers.
  EXPECT_EQ(openResourceStream(200, "ASEQ", -1), nullptr);
  pinResFile(never.c_str());
  EXPECT_NE(openResourceStream(200, "ASEQ", -1), nullptr);

  EXPECT_EQ(openResourceStream(0, "ASEQ", -1), nullptr);
  EXPECT_EQ(openResourceStream(100, "", -1), nullptr);
  EXPECT_EQ(openResourceStream(100, "NONE", -1), nullptr);
  EXPECT_FALSE(resourceFileOf(999, "ASEQ"));
}

TEST_F(ResFiles, CloseKeepsAFileThatIsStillRegistered)
{
  const std::string path = pack("a.rsc", {{"ASEQ", "100", "a"}}, 0, false);
  openResFile(path.c_str(), 1);
  openResFile(path.c_str(), 1);
  EXPECT_EQ(findResFile("A.RSC") == nullptr, true);
  closeResFile(path.c_str(), 1);
  ASSERT_NE(findResFile(path.c_str()), nullptr);
  EXPECT_NE(findResourceFile(100, "ASEQ"), nullptr);
  closeResFile(path.c_str(), 1);
  EXPECT_EQ(findResFile(path.c_str()), nullptr);
  EXPECT_EQ(findResourceFile(100, "ASEQ"), nullptr);

  // A caller's index instead of the file's table.
  const OMResIndexRecord records[] = {{100, "ASEQ"}, {7, "WAVE"}};
  openResFileWithIndex(path.c_str(), records, 2, 1);
  EXPECT_NE(findResourceFile(7, "WAVE"), nullptr);
  std::unique_ptr<OMIStream> stream = openResourceStream(100, "ASEQ", -1);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(content(*stream, 1), "a");
}

TEST_F(ResFiles, TypeAndIdListingsFollowTheTables)
{
  const std::string plain =
      pack("p.rsc",
           {{"ASEQ", "100", "x"}, {"ASEQ", "named", "y"}, {"CURSOR", "3", "z"}, {"#300", "1", "q"}},
           0, false);
  OMResFile plainFile(plain.c_str());
  EXPECT_EQ(plainFile.resourceTypes(), (std::vector<std::string>{"ASEQ", "CURSOR"}));
  EXPECT_EQ(plainFile.resourceIds("ASEQ"), (std::vector<std::int16_t>{100}));
  // A longer name that begins with a stored name matches it.
  OMIStreamDLL16 prefix(100, "ASEQUENCE", plain.c_str(), -1, nullptr);
  EXPECT_GT(prefix.size(), 0);

  const std::string named =
      pack("n.rsc", {{"WAVE", "7", "w"}, {"WAVE", "intro", "i"}, {"BITMAP", "2", "b"}}, 0, true);
  OMResFile namedFile(named.c_str());
  EXPECT_EQ(namedFile.resourceTypes(), (std::vector<std::string>{"WAVE", "BITMAP"}));
  EXPECT_EQ(namedFile.resourceIds("WAVE"), (std::vector<std::int16_t>{7}));
  OMIStreamDLL16 noPrefix(7, "WAVES", named.c_str(), -1, nullptr);
  EXPECT_EQ(noPrefix.size(), 0);
}

TEST_F(ResFiles, OtherBlocksFollowTheNameTableEntryWhateverItsCount)
{
  const std::string path = pack(
      "c.rsc", {{"WAVE", "7", "seven"}, {"ASEQ", "intro", "i"}, {"BITMAP", "2", "b"}}, 0, true);
  Bytes file = bytesOf(omtest::readHostFile(path));
  const auto word = [&file](std::size_t at) { return std::size_t(file[at] | (file[at + 1] << 8)); };
  const std::size_t neOffset = word(60) | (word(62) << 16);
  const std::size_t table = neOffset + word(neOffset + 0x24);
  ASSERT_EQ(word(table + 2), 0x800Fu);
  for (std::uint8_t count : {0, 2, 0xFF}) {
    SCOPED_TRACE(int(count));
    file[table + 4] = count;
    dir.write("c.rsc", file);
    OMNEFile::current().giveUp();
    OMIStreamDLL16 wave(7, "WAVE", path.c_str(), -1, nullptr);
    EXPECT_EQ(content(wave, 5), "seven");
    OMResFile listed(path.c_str());
    EXPECT_EQ(listed.resourceTypes(), (std::vector<std::string>{"WAVE", "ASEQ", "BITMAP"}));
  }
}

TEST_F(ResFiles, AFileThatCouldNotBeOpenedIsTriedAgain)
{
  const std::string path = dir.file("late.rsc");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(OMNEFile::current().makeCurrent(path.c_str()));
  OMIStreamDLL16 before(1, "ASEQ", path.c_str(), -1, nullptr);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(before.size(), 0);
  pack("late.rsc", {{"ASEQ", "1", "late"}}, 0, false);
  OMIStreamDLL16 after(1, "ASEQ", path.c_str(), -1, nullptr);
  EXPECT_EQ(content(after, 4), "late");
}

TEST_F(ResFiles, CachedBytesShorterThanTheTableSaysAreNotHandedOut)
{
  const std::string path = pack("grown.rsc", {{"ASEQ", "1", pattern(3000, 1)}}, 0, false);
  OMIStreamDLL16 fromDisk(1, "ASEQ", path.c_str(), -1, nullptr);
  ASSERT_GE(fromDisk.size(), 3000);
  // The file shrinks while its table stays current; the cache then holds the short file.
  pack("grown.rsc", {{"ASEQ", "1", "tiny"}}, 0, false);
  OMCachedFile* cached = cacheFile(path.c_str());
  ASSERT_EQ(cached->waitLoaded(), 0);
  OMIStreamDLL16 stream(1, "ASEQ", path.c_str(), -1, nullptr);
  EXPECT_LE(std::int64_t(stream.dataOffset()) + stream.size(), cached->loadedSize());
  omtest::drain(stream);
  uncacheFile(path.c_str());
}

TEST_F(ResFiles, InfoCacheKeepsTablesAcrossSwitches)
{
  const std::string a = pack("a.rsc", {{"ASEQ", "1", "aaa"}}, 0, false);
  const std::string b = pack("b.rsc", {{"ASEQ", "1", "bbb"}}, 0, false);
  OMIStreamDLL16InfoCache::add(a.c_str(), 1);
  OMIStreamDLL16InfoCache::add(a.c_str(), 0);
  EXPECT_TRUE(OMIStreamDLL16InfoCache::isCached(a.c_str()));
  OMIStreamDLL16InfoCache* entry = OMIStreamDLL16InfoCache::find(a.c_str());
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(entry->filled);
  EXPECT_EQ(entry->refCount, 2);
  EXPECT_NE(entry->file, nullptr);
  for (int i = 0; i < 3; ++i) {
    OMIStreamDLL16 fromA(1, "ASEQ", a.c_str(), -1, nullptr);
    EXPECT_EQ(content(fromA, 3), "aaa");
    OMIStreamDLL16 fromB(1, "ASEQ", b.c_str(), -1, nullptr);
    EXPECT_EQ(content(fromB, 3), "bbb");
  }
  OMIStreamDLL16InfoCache::release(a.c_str());
  EXPECT_TRUE(OMIStreamDLL16InfoCache::isCached(a.c_str()));
  OMIStreamDLL16InfoCache::release(a.c_str());
  EXPECT_FALSE(OMIStreamDLL16InfoCache::isCached(a.c_str()));
}

TEST_F(ResFiles, BrokenFilesAreRefusedCleanly)
{
  for (bool nameTable : {false, true}) {
    NEResourceWriter writer;
    writer.setAlignShift(2);
    writer.setNameTable(nameTable);
    writer.add("ASEQ", "100", bytesOf(pattern(300, 5)));
    writer.add("ASEQ", "101", bytesOf(pattern(20, 6)));
    writer.add("CURSOR", "5", bytesOf(pattern(50, 7)));
    writer.add("WAVE", "name", bytesOf(pattern(10, 8)));
    Bytes good;
    ASSERT_TRUE(writer.build(good));
    const std::string path = dir.file("broken.rsc");
    const std::pair<const char*, int> resources[] = {{"ASEQ", 100}, {"ASEQ", 101}, {"CURSOR", 5}};

    // Truncated anywhere: a cut table refuses the file, a cut resource only itself; the
    // resources still whole are read, through the registry too. Either is said in one line,
    // once a run however often the file is opened again.
    const std::string other = dir.write("other.rsc", good);
    std::map<std::pair<std::string, int>, std::pair<std::int64_t, std::string>> whole;
    std::int64_t firstData = std::int64_t(good.size());
    for (const auto& [type, id] : resources) {
      OMIStreamDLL16 stream(id, type, other.c_str(), -1, nullptr);
      whole[{type, id}] = {stream.dataOffset() + stream.size(), omtest::drain(stream)};
      firstData = std::min<std::int64_t>(firstData, stream.dataOffset());
    }
    for (std::size_t length = 0; length < good.size(); length += 7) {
      dir.write("broken.rsc", Bytes(good.begin(), good.begin() + std::ptrdiff_t(length)));
      resetResources();
      forgetResourceReports();
      testing::internal::CaptureStderr();
      const bool current = OMNEFile::current().makeCurrent(path.c_str());
      const std::string message = testing::internal::GetCapturedStderr();
      if (std::int64_t(length) >= firstData) {
        EXPECT_TRUE(current) << length;
      }
      EXPECT_NE(message.find("NE resource file \"" + path + "\""), std::string::npos) << length;
      EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
      testing::internal::CaptureStderr();
      for (const std::string& again : {other, path})
        EXPECT_EQ(OMNEFile::current().makeCurrent(again.c_str()), again == other || current)
            << length;
      openResFile(path.c_str(), 1);
      for (const auto& [type, id] : resources) {
        const auto& [end, bytes] = whole[{type, id}];
        const std::string expected = end <= std::int64_t(length) ? bytes : "";
        OMIStreamDLL16 stream(id, type, path.c_str(), -1, nullptr);
        EXPECT_EQ(omtest::drain(stream), expected) << type << id << " cut at " << length;
        std::unique_ptr<OMIStream> indexed = openResourceStream(id, type, 64);
        EXPECT_EQ(indexed ? omtest::drain(*indexed) : "", expected) << type << id << length;
      }
      EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << length;
    }

    // A resource-table offset that lands where the table ends at once (the header's zeros):
    // refused as a file without resources, not taken as an empty one.
    for (const NEResourceWriter::Field& field : writer.fields()) {
      if (std::string(field.what) != "resource-table offset") continue;
      Bytes broken = good;
      broken[field.offset] = 2;
      broken[field.offset + 1] = 0;
      dir.write("broken.rsc", broken);
      forgetResourceReports();
      OMNEFile::current().giveUp();
      testing::internal::CaptureStderr();
      EXPECT_FALSE(OMNEFile::current().makeCurrent(path.c_str()));
      EXPECT_NE(testing::internal::GetCapturedStderr().find(
                    "refused: the resource table holds no resource"),
                std::string::npos);
    }

    // Every field set to 0, 0xFFFF and 0x7FFF: refused, or read within the file.
    for (const NEResourceWriter::Field& field : writer.fields()) {
      for (std::uint32_t value : {0u, 0xFFFFu, 0x7FFFu}) {
        Bytes broken = good;
        for (int byte = 0; byte < field.width; ++byte)
          broken[field.offset + std::size_t(byte)] = std::uint8_t(value >> (8 * byte));
        dir.write("broken.rsc", broken);
        resetResources();
        testing::internal::CaptureStderr();
        openResFile(path.c_str(), 1);
        for (const auto& [type, id] : resources) {
          OMIStreamDLL16 stream(id, type, path.c_str(), -1, nullptr);
          EXPECT_LE(std::int64_t(stream.dataOffset()) + stream.size(), std::int64_t(broken.size()))
              << field.what;
          const std::string whole = omtest::drain(stream);
          EXPECT_EQ(whole.size(), std::size_t(stream.size())) << field.what;
          OMIStreamDLL16 blocks(id, type, path.c_str(), 64, nullptr);
          EXPECT_TRUE(omtest::drain(blocks) == whole) << field.what;
          std::unique_ptr<OMIStream> indexed = openResourceStream(id, type, 100);
          if (indexed) omtest::drain(*indexed);
        }
        testing::internal::GetCapturedStderr();
      }
    }
  }
}

TEST_F(ResFiles, TerminationClosesEverything)
{
  const std::string path = pack("t.rsc", {{"ASEQ", "1", "x"}}, 0, false);
  addSearchPath(dir.path().c_str(), 0);
  openResFile(path.c_str(), 1);
  OMIStreamDLL16InfoCache::add(path.c_str(), 1);
  queryFile("t.rsc");
  cacheFile("t.rsc");
  OMBackgroundJob::start("t.rsc", nullptr, 0, -1, 0, nullptr);
  terminateFileServices();
  EXPECT_EQ(findResFile(path.c_str()), nullptr);
  EXPECT_FALSE(OMIStreamDLL16InfoCache::isCached(path.c_str()));
  EXPECT_FALSE(OMQueriedFile::record().valid);
  EXPECT_FALSE(isFileCached("t.rsc"));
  EXPECT_EQ(backgroundJobCount(), 0);
  EXPECT_FALSE(OMNEFile::current().isFile(path.c_str()));
  EXPECT_EQ(findFileOnSearchPath("t.rsc").value(), "t.rsc");
}

TEST_F(ResFiles, WindowsPathsReachTheFilesOnAMappedDrive)
{
  std::filesystem::create_directories(dir / "Rsc");
  std::filesystem::create_directories(dir / "Scripts");
  dir.write("Scripts/Startup.mps", std::string("start"));
  const std::string packed = pack("Rsc/Demo.rsc", {{"ASEQ", "100", "drive q"}}, 4, false);
  ScopedEnv drive("OM_DRIVE_Q", dir.path());

  openResFile("Q:\\RSC\\demo.rsc", 1);
  std::unique_ptr<OMIStream> stream = openResourceStream(100, "ASEQ", -1);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(content(*stream, 7), "drive q");
  EXPECT_EQ(resourceFileOf(100, "ASEQ").value(), "Q:\\RSC\\demo.rsc");

  addSearchPath("Q:\\scripts", 1);
  addSearchPath("Q:\\rsc", 0);
  EXPECT_EQ(findFileOnSearchPath("startup.MPS").value(), "Q:\\scripts\\startup.MPS");
  EXPECT_EQ(findFileOnSearchPath("DEMO.RSC").value(), "Q:\\rsc\\DEMO.RSC");
  EXPECT_EQ(queryFile("STARTUP.mps").size, 5);
}

TEST_F(ResFiles, RandomlyDamagedFilesAreReadWithinBounds)
{
  NEResourceWriter writer;
  writer.setAlignShift(1);
  writer.setNameTable(true);
  writer.add("ASEQ", "100", bytesOf(pattern(200, 1)));
  writer.add("WAVE", "7", bytesOf(pattern(90, 2)));
  writer.add("WAVE", "name", bytesOf(pattern(9, 3)));
  Bytes good;
  ASSERT_TRUE(writer.build(good));
  const std::string path = dir.file("damaged.rsc");
  // Damage lands in the headers and tables, where it matters.
  const std::size_t tableEnd = 128 + 80;
  std::uint32_t seed = 99;
  testing::internal::CaptureStderr();
  for (int round = 0; round < 300; ++round) {
    Bytes damaged = good;
    for (int change = 0; change < 3; ++change) {
      seed = seed * 1103515245 + 12345;
      damaged[(seed >> 8) % std::min(tableEnd, damaged.size())] = std::uint8_t(seed >> 24);
    }
    dir.write("damaged.rsc", damaged);
    OMNEFile::current().giveUp();
    for (const char* type : {"ASEQ", "WAVE"}) {
      for (int id : {100, 7}) {
        OMIStreamDLL16 stream(id, type, path.c_str(), 50, nullptr);
        EXPECT_LE(std::int64_t(stream.dataOffset()) + stream.size(), std::int64_t(damaged.size()));
        omtest::drain(stream);
      }
    }
    OMResFile file(path.c_str());
    for (const std::string& type : file.resourceTypes())
      file.resourceIds(type.c_str());
  }
  testing::internal::GetCapturedStderr();
}
