#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "framework/OMAsyncFile.h"
#include "framework/OMBackgroundJob.h"
#include "framework/OMCachedFile.h"
#include "framework/OMFileSystem.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMPrintParameters.h"
#include "framework/OMQueriedFile.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

std::string pattern(std::size_t length)
{
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i)
    bytes[i] = char('a' + (i * 7 + i / 251) % 26);
  return bytes;
}

// A handler whose reads wait until the test lets them go, so that "busy" can be seen
// without timing.
class GatedFileSystem : public OMFileSystem {
 public:
  void open(OMAsyncFile& file) override
  {
    file.handle = 1;
    file.size = 100;
  }
  void read(OMAsyncFile& file) override
  {
    gate.get_future().wait();
    std::memset(file.readBuffer, 'g', std::size_t(file.readLength));
    file.lastRead = file.readLength;
  }
  void write(OMAsyncFile& file) override { file.lastWritten = -1; }
  void close(OMAsyncFile& file) override { file.handle = -1; }
  bool find(const char*, const OMFindEntry*&, int&) override { return false; }
  bool stat(const char*, OMFileStatus&) override { return false; }
  bool remove(const char*) override { return false; }

  std::promise<void> gate;
};

class Files : public ::testing::Test {
 protected:
  void SetUp() override
  {
    clearSearchPaths();
    OMQueriedFile::record().clear();
  }
  void TearDown() override
  {
    clearSearchPaths();
    OMQueriedFile::record().clear();
  }
  TempFolder dir;
};

std::vector<OMWord> endedJobs;
int failedJobs = 0;
std::string lastReadData;
OMWord rememberJob(OMWord word)
{
  endedJobs.push_back(word);
  auto* job = reinterpret_cast<OMBackgroundJob*>(word);
  if (job->isFailed()) ++failedJobs;
  if (job->isFinished() && !job->isCopy())
    lastReadData.assign(reinterpret_cast<const char*>(job->data()), std::size_t(job->length()));
  return 0;
}

void runJobs()
{
  // Passes while a worker is busy do nothing; yield so that the worker runs.
  for (long pass = 0; pass < 100000000 && backgroundJobCount() > 0; ++pass) {
    stepBackgroundJobs();
    std::this_thread::yield();
  }
}

}  // namespace

TEST_F(Files, AsyncFileReadsWritesAndSeeks)
{
  const std::string bytes = pattern(5000);
  dir.write("data.bin", bytes);
  OMAsyncFile file(dir.file("data.bin").c_str(), 0, 0, false);
  ASSERT_EQ(file.status, OMAsyncFile::ok);
  EXPECT_EQ(file.size, 5000);
  EXPECT_TRUE(file.readable);
  EXPECT_FALSE(file.writable);

  std::string buffer(100, '\0');
  std::int32_t count = 0;
  ASSERT_TRUE(file.seek(4950, 0));
  EXPECT_TRUE(file.read(buffer.data(), 100, &count, false));
  EXPECT_EQ(count, 50);
  EXPECT_EQ(buffer.substr(0, 50), bytes.substr(4950));

  EXPECT_FALSE(file.seek(0, 2));
  EXPECT_EQ(file.status, OMAsyncFile::failed);
  EXPECT_FALSE(file.write("x", 1, &count, false));

  ASSERT_TRUE(file.seek(10, 0));
  EXPECT_FALSE(file.read(buffer.data(), 20, nullptr, true));
  file.waitDone();
  OMAsyncFile::Info info;
  ASSERT_TRUE(file.info(info));
  EXPECT_EQ(info.lastRead, 20);
  EXPECT_EQ(info.position, 30);
  EXPECT_EQ(buffer.substr(0, 20), bytes.substr(10, 20));

  OMAsyncFile written(dir.file("out.bin").c_str(), 1 | 0x100, 0600, true);
  written.waitDone();
  ASSERT_EQ(written.status, OMAsyncFile::ok);
  EXPECT_TRUE(written.write("hello", 5, &count, false));
  EXPECT_EQ(dir.read("out.bin"), "hello");
}

TEST_F(Files, AsyncFileRefusesWhatCannotBeOpened)
{
  OMAsyncFile missing(dir.file("none.bin").c_str(), 0, 0, false);
  EXPECT_EQ(missing.status, OMAsyncFile::failed);
  char byte;
  EXPECT_FALSE(missing.read(&byte, 1, nullptr, false));
  OMAsyncFile::Info info;
  EXPECT_FALSE(missing.info(info));

  OMAsyncFile empty("", 0, 0, false);
  EXPECT_EQ(empty.status, OMAsyncFile::failed);
  OMAsyncFile noHandler("3:file", 0, 0, false);
  EXPECT_EQ(noHandler.status, OMAsyncFile::failed);
}

TEST_F(Files, BusyFileRefusesRequestsUntilTheWorkerIsDone)
{
  GatedFileSystem gated;
  setFileSystemSlot(5, &gated);
  {
    OMAsyncFile file("5:anything", 0, 0, false);
    ASSERT_EQ(file.status, OMAsyncFile::ok);
    EXPECT_TRUE(file.notPlain);
    char buffer[10] = {};
    EXPECT_FALSE(file.read(buffer, 10, nullptr, true));
    EXPECT_TRUE(file.isBusy());
    EXPECT_FALSE(file.seek(0, 0));
    EXPECT_EQ(file.status, OMAsyncFile::busyStatus);
    OMAsyncFile::Info info;
    EXPECT_FALSE(file.info(info));
    EXPECT_FALSE(file.read(buffer, 10, nullptr, false));
    gated.gate.set_value();
    file.waitDone();
    EXPECT_FALSE(file.isBusy());
    ASSERT_TRUE(file.info(info));
    EXPECT_EQ(info.lastRead, 10);
    EXPECT_EQ(buffer[9], 'g');
  }
  setFileSystemSlot(5, nullptr);
}

// A job cancelled while its worker still reads into the job's buffer: the cancel waits for
// the read, so nothing is written into freed memory (the sanitizer build sees it).
TEST_F(Files, ACancelledJobWaitsForTheReadInFlight)
{
  GatedFileSystem gated;
  setFileSystemSlot(5, &gated);
  OMBackgroundJob* job = OMBackgroundJob::start("5:anything", nullptr, 0, -1, 0, nullptr);
  ASSERT_NE(job, nullptr);
  // The open runs on the worker too.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (job->state() != OMBackgroundJob::reading && std::chrono::steady_clock::now() < deadline) {
    stepBackgroundJobs();
    std::this_thread::yield();
  }
  EXPECT_EQ(job->state(), OMBackgroundJob::reading);
  std::thread opener([&gated] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    gated.gate.set_value();
  });
  OMBackgroundJob::cancel(job);
  opener.join();
  EXPECT_EQ(backgroundJobCount(), 0);
  setFileSystemSlot(5, nullptr);
}

TEST_F(Files, WorkerHandshakeKeepsEveryRead)
{
  const std::string bytes = pattern(4096);
  dir.write("data.bin", bytes);
  OMAsyncFile file(dir.file("data.bin").c_str(), 0, 0, true);
  file.waitDone();
  ASSERT_EQ(file.status, OMAsyncFile::ok);
  char buffer[64];
  for (int i = 0; i < 2000; ++i) {
    const int offset = (i * 61) % 4000;
    ASSERT_TRUE(file.seek(offset, 0));
    file.read(buffer, 64, nullptr, true);
    while (file.isBusy()) {
    }
    ASSERT_EQ(file.lastRead, 64);
    ASSERT_EQ(std::string(buffer, 64), bytes.substr(std::size_t(offset), 64));
  }
}

TEST_F(Files, SearchPathsResolveNames)
{
  std::filesystem::create_directory(dir / "A");
  std::filesystem::create_directory(dir / "B");
  dir.write("B/x.txt", std::string("x"));
  dir.write("A/only.txt", std::string("a"));
  const std::string a = dir.file("A"), b = dir.file("B") + "\\";
  addSearchPath(a.c_str(), 0);
  addSearchPath(b.c_str(), 1);
  addSearchPath("", 1);

  EXPECT_EQ(findFileOnSearchPath("X.TXT").value(), b + "X.TXT");
  EXPECT_EQ(findFileOnSearchPath("only.txt").value(), a + "\\only.txt");
  // Without a listing, too, the letter case of a name does not matter.
  const std::string upper = findFileOnSearchPath("ONLY.Txt").value();
  EXPECT_EQ(upper, a + "\\ONLY.Txt");
  OMAsyncFile opened(upper.c_str(), 0, 0, false);
  EXPECT_EQ(opened.status, OMAsyncFile::ok);
  EXPECT_EQ(findFileOnSearchPath("y.txt").value(), b + "y.txt");
  EXPECT_EQ(findFileOnSearchPath("D:\\RSC\\demo.rsc").value(), "D:\\RSC\\demo.rsc");
  EXPECT_EQ(findFileOnSearchPath("scripts\\Startup.mps").value(), "scripts\\Startup.mps");
  EXPECT_FALSE(findFileOnSearchPath(""));
  setSearchPathStrict(1);
  EXPECT_FALSE(findFileOnSearchPath("y.txt"));
  EXPECT_TRUE(findFileOnSearchPath("x.txt"));
}

TEST_F(Files, BackgroundJobsReadAndCopyInPriorityOrder)
{
  const std::string bytes = pattern(30000);
  dir.write("src.bin", bytes);
  addSearchPath(dir.path().c_str(), 0);
  endedJobs.clear();
  failedJobs = 0;
  OMLinkToFct done(&rememberJob);

  OMBackgroundJob* read = OMBackgroundJob::start("src.bin", nullptr, 100, 20000, 1, &done);
  OMBackgroundJob* copy =
      OMBackgroundJob::start("src.bin", dir.file("copy.bin").c_str(), 0, -1, 5, &done);
  OMBackgroundJob* missing = OMBackgroundJob::start("none.bin", nullptr, 0, -1, 3, &done);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(OMBackgroundJob::start("", nullptr, 0, -1, 0, &done), nullptr);
  stepBackgroundJobs();
  // The highest priority goes first.
  EXPECT_NE(copy->state(), OMBackgroundJob::starting);
  EXPECT_EQ(read->state(), OMBackgroundJob::starting);
  EXPECT_EQ(missing->state(), OMBackgroundJob::starting);
  setPriority(read, 9);
  stepBackgroundJobs();
  EXPECT_NE(read->state(), OMBackgroundJob::starting);
  runJobs();
  ASSERT_EQ(endedJobs.size(), 3u);
  EXPECT_EQ(failedJobs, 1);
  EXPECT_EQ(lastReadData, bytes.substr(100, 20000));
  EXPECT_EQ(dir.read("copy.bin"), bytes);
}

TEST_F(Files, FinishRunsAJobAtOnceAndSuspendHoldsTheTask)
{
  const std::string bytes = pattern(100000);
  dir.write("src.bin", bytes);
  addSearchPath(dir.path().c_str(), 0);
  endedJobs.clear();
  failedJobs = 0;
  OMLinkToFct done(&rememberJob);
  OMBackgroundJob* job = OMBackgroundJob::start("src.bin", nullptr, 0, -1, 0, &done);
  suspendBackgroundReads();
  stepBackgroundJobs();
  EXPECT_EQ(job->state(), OMBackgroundJob::starting);
  resumeBackgroundReads();
  EXPECT_TRUE(finish(job));
  EXPECT_EQ(backgroundJobCount(), 0);
  EXPECT_EQ(lastReadData, bytes);

  OMBackgroundJob* beyond = OMBackgroundJob::start("src.bin", nullptr, 99990, 100, 0, &done);
  EXPECT_FALSE(finish(beyond));
  EXPECT_EQ(failedJobs, 1);
}

TEST_F(Files, CacheSharesEntriesAndAnswersQueries)
{
  const std::string bytes = pattern(12345);
  dir.write("cached.bin", bytes);
  addSearchPath(dir.path().c_str(), 1);

  OMCachedFile* entry = cacheFile("cached.bin");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(cacheFile("CACHED.BIN"), entry);
  EXPECT_EQ(entry->refCount(), 2);
  EXPECT_EQ(backgroundJobCount(), 1);
  EXPECT_EQ(entry->sizeOf(), 12345);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry->data()), 12345), bytes);
  EXPECT_EQ(entry->waitLoaded(), 0);

  // A cached file answers without a record.
  OMFileQuery query = queryFile("cached.bin");
  EXPECT_EQ(query.exists, 1);
  EXPECT_EQ(query.size, 12345);
  EXPECT_FALSE(OMQueriedFile::record().valid);

  uncacheFile("cached.bin");
  EXPECT_TRUE(isFileCached("cached.bin"));
  uncacheFile("cached.bin");
  EXPECT_FALSE(isFileCached("cached.bin"));
  EXPECT_FALSE(isFileCached(""));

  // A copy entry keeps the bytes on disk and removes them when it goes.
  const std::string copyPath = dir.file("local.bin");
  OMCachedFile* copy = cacheFile("cached.bin", nullptr, copyPath.c_str());
  EXPECT_EQ(copy->waitLoaded(), 0);
  EXPECT_EQ(copy->data(), nullptr);
  EXPECT_EQ(dir.read("local.bin"), bytes);
  uncacheFile("cached.bin");
  EXPECT_FALSE(std::filesystem::exists(copyPath));

  OMCachedFile* missing = cacheFile("missing.bin");
  EXPECT_EQ(missing->waitLoaded(), 1);
  uncacheFile("missing.bin");
}

TEST_F(Files, NamedCacheFormsCopyAndCallBack)
{
  const std::string bytes = pattern(5000);
  dir.write("named.bin", bytes);
  addSearchPath(dir.path().c_str(), 0);
  static OMWord calledWith;
  calledWith = 0;
  OMLinkToFct done([](OMWord entry) -> OMWord { return calledWith = entry; });

  OMCachedFile* background = cacheFileInBackground("named.bin", &done, 4, 0);
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(calledWith, 0u);
  EXPECT_EQ(background->waitLoaded(), 0);
  EXPECT_EQ(calledWith, reinterpret_cast<OMWord>(background));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(background->data()), 5000), bytes);
  uncacheFile("named.bin");

  const std::string copyPath = dir.file("named-copy.bin");
  OMCachedFile* copy = cacheFileAsCopyInBackground("named.bin", copyPath.c_str(), &done, 2, 0);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->waitLoaded(), 0);
  EXPECT_EQ(calledWith, reinterpret_cast<OMWord>(copy));
  EXPECT_EQ(dir.read("named-copy.bin"), bytes);
  EXPECT_EQ(cacheFileAsCopy("NAMED.bin", copyPath.c_str()), copy);
  EXPECT_EQ(copy->refCount(), 2);
  uncacheFile("named.bin");
  uncacheFile("named.bin");

  OMCachedFile* plainCopy = cacheFileAsCopy("named.bin", copyPath.c_str());
  EXPECT_EQ(plainCopy->copyPath(), copyPath);
  EXPECT_EQ(plainCopy->waitLoaded(), 0);
  EXPECT_EQ(plainCopy->data(), nullptr);
  uncacheFile("named.bin");
}

TEST_F(Files, QueryRecordKeepsTheFileUntilItChanges)
{
  dir.write("q.bin", std::string("12345"));
  addSearchPath(dir.path().c_str(), 0);
  OMFileQuery query = queryFile("q.bin");
  EXPECT_EQ(query.exists, 1);
  EXPECT_EQ(query.size, 5);
  OMQueriedFile& record = OMQueriedFile::record();
  ASSERT_TRUE(record.valid);
  ASSERT_NE(record.fileFor("Q.BIN"), nullptr);

  // Answered from the record even though the file grew.
  dir.write("q.bin", std::string("1234567"));
  EXPECT_EQ(queryFile("q.bin").size, 5);
  // Written through the engine: the record is forgotten.
  const std::string path = dir.path() + "\\q.bin";
  OMAsyncFile writer(path.c_str(), 1, 0, false);
  writer.write("x", 1, nullptr, false);
  EXPECT_FALSE(record.valid);
  EXPECT_EQ(queryFile("q.bin").size, 7);
  EXPECT_TRUE(fileSystemRemove(path.c_str()));
  EXPECT_FALSE(record.valid);
  EXPECT_EQ(queryFile("q.bin").exists, 0);
}

TEST(PrintParameters, StoreReplacesEverything)
{
  EXPECT_TRUE(printParameters().source.isEmpty());
  EXPECT_TRUE(printParameters().page.isEmpty());
  setPrintParameters(2, OMRect(0, 0, 640, 480), 1, 3, OMRect(10, 10, 600, 800));
  EXPECT_EQ(printParameters().mode, 2);
  EXPECT_EQ(printParameters().source.right(), 640);
  EXPECT_EQ(printParameters().secondWord, 3);
  EXPECT_EQ(printParameters().page.bottom(), 800);
  EXPECT_FALSE(printParameters().flag);
}

TEST_F(Files, TheJobsTaskStepsJobsOnTheApplicationsPassesAndAPinKeepsAnEntry)
{
  omtest::TestApp session;
  const std::string bytes = pattern(20000);
  dir.write("src.bin", bytes);
  addSearchPath(dir.path().c_str(), 0);
  endedJobs.clear();
  failedJobs = 0;
  OMLinkToFct done(&rememberJob);
  suspendBackgroundReads();
  ASSERT_NE(OMBackgroundJob::start("src.bin", nullptr, 0, -1, 0, &done), nullptr);
  ASSERT_EQ(session.app().taskList().count(), 1);
  EXPECT_TRUE(session.app().taskList().first()->isSuspended());
  omtest::runPasses(5);
  EXPECT_TRUE(endedJobs.empty());
  resumeBackgroundReads();
  for (long pass = 0; pass < 100000000 && backgroundJobCount() > 0; ++pass) {
    omtest::runPasses(1);
    std::this_thread::yield();
  }
  ASSERT_EQ(endedJobs.size(), 1u);
  EXPECT_EQ(lastReadData, bytes);

  OMCachedFile* entry = cacheFile("src.bin");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->waitLoaded(), 0);
  entry->unpin();  // not below 0: the next pin still holds
  EXPECT_EQ(entry->pinCount(), 0);
  entry->pin();
  uncacheFile("src.bin");
  EXPECT_EQ(findCachedFile("src.bin"), entry);
  entry->unpin();
  EXPECT_EQ(findCachedFile("src.bin"), nullptr);
}
