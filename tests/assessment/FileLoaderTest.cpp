// The assessment edition's background file loader: whole files into memory or copied, at once
// or step by step from the main loop, shared by name and counted by use.
#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/OMIStreamFile.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMLoadedFile.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TempFolder.h"
#include "trinkets/src/OMStreamBytes.h"

namespace {

int completions = 0;

OMWord countCompletion(OMWord entry)
{
  if (entry) ++completions;
  return 0;
}

std::string pattern(std::size_t size, int seed)
{
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(seed)) & 0xFF);
  return bytes;
}

class FileLoaderTest : public ::testing::Test {
 protected:
  FileLoaderTest() { completions = 0; }
  ~FileLoaderTest() override { unloadAllFiles(); }

  std::string onE(const std::string& name) const { return "E:\\" + name; }
  // Runs passes until the condition holds, giving the workers time between them (a step is
  // taken only once the worker has finished the one before); false after 20 s.
  template <typename Condition>
  static bool passUntil(Condition condition, int passes = 20000)
  {
    for (int i = 0; i < passes; ++i) {
      if (condition()) return true;
      omtest::runPasses(1);
      ::usleep(1000);
    }
    return condition();
  }
  static void serviceAll()
  {
    EXPECT_TRUE(passUntil([] { return backgroundFileCount() == 0; }));
  }

  TempFolder folder;
  ScopedEnv drive{"OM_DRIVE_E", folder.path()};
  ScopedEdition edition{OMEdition::assessment};
  omtest::TestApp app;
};

TEST_F(FileLoaderTest, EveryWayOfLoadingAndCopyingGivesTheWholeFile)
{
  const OMLinkToFct done(&countCompletion);
  int expectedCompletions = 0;
  for (std::size_t size : {1u, 511u, 512u, 513u, 65537u}) {
    for (int way = 0; way < 4; ++way) {
      SCOPED_TRACE(std::to_string(size) + " bytes, way " + std::to_string(way));
      const std::string name = "f" + std::to_string(size) + "-" + std::to_string(way) + ".bin";
      const std::string copy = "copy-" + name;
      const std::string content = pattern(size, way);
      folder.write(name, content);
      OMLoadedFile* entry = nullptr;
      switch (way) {
        case 0:
          entry = loadFileNow(onE(name).c_str());
          break;
        case 1:
          entry = copyFileNow(onE(name).c_str(), onE(copy).c_str());
          break;
        case 2:
          entry = loadFileInBackground(onE(name).c_str(), &done, 0, way % 2);
          ++expectedCompletions;
          break;
        case 3:
          entry = copyFileInBackground(onE(name).c_str(), onE(copy).c_str(), &done, 0, 1);
          ++expectedCompletions;
          break;
      }
      ASSERT_NE(entry, nullptr);
      serviceAll();
      ASSERT_TRUE(entry->isLoaded());
      if (entry->isCopy()) {
        EXPECT_EQ(folder.read(copy), content);
      } else {
        ASSERT_EQ(entry->size(), size);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry->data()), size), content);
        // Streams on the name read the held bytes.
        OMIStreamFile stream(onE(name).c_str(), -1, nullptr);
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(readStreamBytes(stream, bytes));
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);
      }
    }
  }
  EXPECT_EQ(completions, expectedCompletions);
  // Deleting a copy's entry deletes its copy.
  unloadAllFiles();
  EXPECT_EQ(folder.read("copy-f1-1.bin"), "");
  EXPECT_EQ(loadedFileCount(), 0);
}

TEST_F(FileLoaderTest, EntriesAreSharedCountedAndRefusedWithoutADrive)
{
  folder.write("a.bin", pattern(3000, 1));
  OMLoadedFile* first = loadFileNow(onE("a.bin").c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(loadFileNow(onE("A.BIN").c_str()), first);
  EXPECT_EQ(first->useCount(), 2);
  EXPECT_TRUE(isFileLoaded(onE("a.bin").c_str()));
  unloadFile(onE("a.bin").c_str());
  EXPECT_TRUE(isFileLoaded(onE("a.bin").c_str()));
  unloadFile(onE("a.bin").c_str());
  EXPECT_FALSE(isFileLoaded(onE("a.bin").c_str()));
  // Failures leave no entry.
  for (const char* name : {"a.bin", "E:\\missing.bin", "", static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(loadFileNow(name), nullptr) << (name ? name : "null");
    EXPECT_EQ(loadFileInBackground(name, nullptr, 0, 1), nullptr) << (name ? name : "null");
  }
  EXPECT_EQ(loadedFileCount(), 0);
  EXPECT_EQ(loadedFileChunkSize("E:\\missing.bin"), 0);
}

TEST_F(FileLoaderTest, BackgroundWorkWaitsWhileSuspendedOrPausedAndGoesByPriority)
{
  const OMLinkToFct done(&countCompletion);
  for (int i = 0; i < 50; ++i)
    folder.write("b" + std::to_string(i) + ".bin", pattern(20000 + 37 * i, i));
  std::vector<OMLoadedFile*> entries;
  for (int i = 0; i < 50; ++i)
    entries.push_back(
        loadFileInBackground(onE("b" + std::to_string(i) + ".bin").c_str(), &done, 50 - i, 0));
  EXPECT_EQ(backgroundFileCount(), 50);
  suspendLoadedFiles();
  passUntil([] { return false; }, 20);
  for (OMLoadedFile* entry : entries)
    EXPECT_EQ(entry->state(), OMLoadedFile::openPending);
  resumeLoadedFiles();
  pauseFileService();
  passUntil([] { return false; }, 20);
  EXPECT_EQ(entries.front()->state(), OMLoadedFile::openPending);
  resumeFileService();
  // The lowest priority value goes first: the last entry made.
  EXPECT_TRUE(passUntil([&] { return entries.back()->isLoaded(); }));
  EXPECT_FALSE(entries.front()->isLoaded());
  setLoadedFileChunkSize(onE("b0.bin").c_str(), 1000);
  EXPECT_EQ(loadedFileChunkSize(onE("b0.bin").c_str()), 1000);
  EXPECT_TRUE(OMLoadedFile::waitLoaded(entries.front()));
  serviceAll();
  EXPECT_EQ(completions, 50);  // each once, the waited one by the wait
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(entries[static_cast<std::size_t>(i)]->isLoaded()) << i;
    EXPECT_EQ(
        std::string(reinterpret_cast<const char*>(entries[static_cast<std::size_t>(i)]->data()),
                    entries[static_cast<std::size_t>(i)]->size()),
        pattern(20000 + 37 * static_cast<std::size_t>(i), i));
  }
}

}  // namespace
