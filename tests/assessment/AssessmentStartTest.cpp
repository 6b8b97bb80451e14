// The assessment program from its main to its end on the headless host, and the lookups that
// its start-up makes: machine checks, descriptor, registry, hand-off file, first script.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "assessment/src/DescriptorFile.h"
#include "framework/OMApp.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMProgramEntry.h"
#include "framework/OMTask.h"
#include "platform/src/user/InstanceRegistry.h"
#include "tests/assessment/AssessmentTestSupport.h"
#include "tests/support/PauseRuns.h"
#include "trinkets/src/OMStreamBytes.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/rthread/YThread.h"

namespace {

struct Seen {
  int probes = 0;
  std::string script;
  std::string debug;
  RECT stage{};
  int depth = 0;
  bool classCursor = false;
  int secondCopyStatus = -2;
};
Seen seen;
bool startSecondCopy = false;

// Runs the program itself in the current folder, its standard error into the named file
// when one is given; its exit status, -1 when it did not end within the time.
int runSecondCopy(const char* errorFile = nullptr, int hundredths = 6000)
{
  const pid_t child = ::fork();
  if (child == 0) {
    if (errorFile) {
      std::FILE* errors = std::freopen(errorFile, "w", stderr);
      if (!errors) ::_exit(97);
    }
    ::execl(MARLOVIND_PATH, "marlovind", static_cast<char*>(nullptr));
    ::_exit(98);
  }
  int status = 0;
  for (int waited = 0; waited < hundredths; ++waited) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ::usleep(10000);
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, &status, 0);
  return -1;
}

std::unique_ptr<OMTask> raiseWait;
int passesWaited = 0;

OMWord waitForRaise(OMWord)
{
  if (omhost::headlessHost()->raiseCount() == 0 && ++passesWaited < 200) return 0;
  assessmentApp()->removeTask(raiseWait.get());
  assessmentApp()->quit();
  return 0;
}

OMWord probe(OMWord)
{
  ++seen.probes;
  seen.script = assessmentThread()->name();
  seen.debug = omtest::readHostFile("debug.txt");
  // Where the stage lies on the screen.
  GetWindowRect(assessmentStage()->handle(), &seen.stage);
  seen.depth = assessmentStage()->offscreen()->depth();
  seen.classCursor = OMTrinket::defaultCursor() != nullptr;
  if (!startSecondCopy) {
    assessmentApp()->quit();
    return 0;
  }
  seen.secondCopyStatus = runSecondCopy();
  // The request to come forward is a message: the loop goes on until it has been handled.
  const OMLinkToFct link(&waitForRaise);
  raiseWait = std::make_unique<OMTask>(&link, 0);
  assessmentApp()->addTask(raiseWait.get());
  return 0;
}

class AssessmentStartTest : public ::testing::Test, public AssessmentWorld {
 protected:
  AssessmentStartTest()
  {
    seen = Seen{};
    startSecondCopy = false;
    for (const char* name : {"mthRacer.mps", "rtnsm.mps", "rtnmm.mps", "exit.mps", "rtnsi.mps"})
      writeScript(name, "say started\rProbe\r");
    registerProbe(&probe);
  }
  ~AssessmentStartTest() override { resetStartupFacts(); }
};

TEST_F(AssessmentStartTest, TheFirstStartRunsItsScriptOnACentredEightBitStageAndASecondCopyLeaves)
{
  TempFolder runtime;
  ScopedEnv runtimeFolder("XDG_RUNTIME_DIR", runtime.path());
  omuser::InstanceRegistry::instance().setEnabled(true);
  startSecondCopy = true;
  omhost::HeadlessHost& host = omtest::startAppSession();
  host.screen().resize(800, 600, 8);
  omuser::InstanceRegistry::instance().setEnabled(true);
  char commandLine[] = "";
  EXPECT_EQ(runProgramEntry(GetModuleHandleA(nullptr), commandLine, &appMain), 0);
  omuser::InstanceRegistry::instance().setEnabled(false);
  omhost::useRealClock();

  EXPECT_EQ(seen.probes, 1);
  EXPECT_EQ(seen.script, "mthRacer.mps");
  EXPECT_EQ(seen.debug, "started\n");
  EXPECT_EQ(seen.stage.left, 80);
  EXPECT_EQ(seen.stage.top, 60);
  EXPECT_EQ(seen.stage.right - seen.stage.left, 640);
  EXPECT_EQ(seen.stage.bottom - seen.stage.top, 480);
  EXPECT_EQ(seen.depth, 8);
  EXPECT_TRUE(seen.classCursor);
  EXPECT_EQ(seen.secondCopyStatus, 0);
  EXPECT_GT(host.raiseCount(), 0);
  EXPECT_TRUE(host.messageBoxes().empty());
  // Everything made is gone again.
  EXPECT_EQ(assessmentApp(), nullptr);
  EXPECT_EQ(assessmentStage(), nullptr);
  EXPECT_EQ(OMTrinket::defaultCursor(), nullptr);
  EXPECT_EQ(DescriptorFile::current(), nullptr);
}

TEST_F(AssessmentStartTest, EachFailedCheckShowsItsTextAndNothingIsMade)
{
  struct Case {
    const char* name;
    unsigned long long memory;
    unsigned waveDevices;
    bool winG;
    bool disk;
    int width, height, depth;
    bool descriptor;
    const char* text;  // null: the program runs
  };
  const char* depthText =
      "This product requires a 256-color display.\nPlease set your display to 256-color mode "
      "and start again.";
  const char* sizeText =
      "This product requires at least a 640 x 480 256-color display. Please set your display "
      "to 640 x 480 256-color and start again.";
  const Case cases[] = {
      {"memory short by one", 7999999, 1, true, true, 640, 480, 8, true,
       "Not enough memory to run this application."},
      {"memory just enough", 8000000, 1, true, true, 640, 480, 8, true, nullptr},
      {"no wave device", 1u << 30, 0, true, true, 640, 480, 8, true,
       "This application requires .WAV driver to run."},
      {"no WinG", 1u << 30, 1, false, true, 640, 480, 8, true,
       "This application requires Wing to run."},
      {"disk test fails", 1u << 30, 1, true, false, 640, 480, 8, true,
       "There is not enough disk space free to run this product. Please make some room on your "
       "hard drive and start again."},
      {"4 bits", 1u << 30, 1, true, true, 640, 480, 4, true, depthText},
      {"639 wide", 1u << 30, 1, true, true, 639, 480, 8, true, sizeText},
      {"479 high", 1u << 30, 1, true, true, 640, 479, 8, true, sizeText},
      {"16 bits", 1u << 30, 1, true, true, 640, 480, 16, true, nullptr},
      {"no descriptor", 1u << 30, 1, true, true, 640, 480, 8, false,
       "Cannot read PLSDescriptor.txt."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    seen = Seen{};
    StartupFacts& facts = startupFacts();
    facts.availableVirtualBytes = [&] { return c.memory; };
    facts.waveDeviceCount = [&] { return c.waveDevices; };
    facts.winGLoads = [&] { return c.winG; };
    facts.diskTest = [&](int bytes) { return c.disk && bytes == 100000; };
    if (!c.descriptor) std::filesystem::rename("PLSDescriptor.txt", "kept.txt");
    const omhost::HeadlessHost& host = runAppMain(c.width, c.height, c.depth);
    if (!c.descriptor) std::filesystem::rename("kept.txt", "PLSDescriptor.txt");
    EXPECT_EQ(seen.probes, c.text ? 0 : 1);
    ASSERT_EQ(host.messageBoxes().size(), c.text ? 1u : 0u);
    if (!c.text) continue;
    EXPECT_EQ(host.messageBoxes()[0].text, c.text);
    EXPECT_EQ(host.messageBoxes()[0].caption, "Alert");
    EXPECT_EQ(host.messageBoxes()[0].style, 0x3000u);
  }
}

int preExitCalls = 0;

void countPreExit()
{
  ++preExitCalls;
}

// A fatal script error inside the main loop ends the loop, not the process: the pre-exit call
// runs once, everything is torn down and the status is 1. The program itself ends so too,
// with nothing used after it was freed.
TEST_F(AssessmentStartTest, AFatalScriptErrorEndsThroughTheMainLoopWithStatusOne)
{
  writeScript("mthRacer.mps", "say started\rcall \"gone.mps\"\rsay never\r");
  preExitCalls = 0;
  setPreExitHook(&countPreExit);
  omhost::HeadlessHost& host = omtest::startAppSession();
  host.screen().resize(640, 480, 8);
  EXPECT_EQ(appMain(), 1);
  omhost::useRealClock();
  setPreExitHook(nullptr);
  EXPECT_EQ(preExitCalls, 1);
  EXPECT_EQ(boxTexts(host), std::vector<std::string>{"unknown script"});
  EXPECT_EQ(omtest::readHostFile("debug.txt"), "started\n");
  EXPECT_EQ(assessmentApp(), nullptr);
  EXPECT_EQ(assessmentThread(), nullptr);

  TempFolder runtime;
  ScopedEnv runtimeFolder("XDG_RUNTIME_DIR", runtime.path());
  const std::string errors = runtime.path() + "/errors.txt";
  EXPECT_EQ(runSecondCopy(errors.c_str(), 3000), 1);
  const std::string said = omtest::readHostFile(errors);
  EXPECT_NE(said.find("unknown script"), std::string::npos) << said;
  EXPECT_EQ(said.find("Sanitizer"), std::string::npos) << said;
  EXPECT_EQ(said.find("runtime error"), std::string::npos) << said;
}

// The program itself, headless, until its first script leaves, however its pause holds it.
TEST_F(AssessmentStartTest, APauseHoldsTheRunAsLongAsItLastsAndNoLonger)
{
  for (const omtest::PauseRun& run : omtest::pauseRuns("exec \"false\"\r")) {
    SCOPED_TRACE(run.name);
    std::filesystem::remove("debug.txt");
    writeScript("mthRacer.mps", run.script);
    std::optional<ScopedEnv> clock;
    if (run.clock) clock.emplace("OM_CLOCK", run.clock);
    const long usedBefore = omtest::endedChildrenProcessorMilliseconds();
    EXPECT_EQ(runSecondCopy(nullptr, 3000), 0);
    const long used = omtest::endedChildrenProcessorMilliseconds() - usedBefore;
    EXPECT_EQ(omtest::readHostFile("debug.txt"), "started\nresumed\n");
    if (run.processorLimit) {
      EXPECT_LT(used, run.processorLimit);
    }
  }
}

TEST_F(AssessmentStartTest, TheHandOffFileChoosesTheFirstScriptAndIsDeleted)
{
  struct Case {
    std::vector<unsigned char> bytes;  // empty: no file
    const char* script;
  };
  const Case cases[] = {
      {{1, 0, 0, 0, 'm'}, "rtnsm.mps"},
      {{1, 0, 0, 0, 'x'}, "rtnmm.mps"},
      {{2, 0, 0, 0, 'm'}, "exit.mps"},
      {{3, 0, 0, 0, 'q'}, "rtnsi.mps"},
      {{7, 0, 0, 0, 'm'}, "mthRacer.mps"},
      {{}, "mthRacer.mps"},
      // Three bytes are no mode; four bytes of mode 3 keep the letter.
      {{1, 0, 0}, "mthRacer.mps"},
      {{3, 0, 0, 0}, "rtnsi.mps"},
      {{1, 0, 0, 1, 'm'}, "mthRacer.mps"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    seen = Seen{};
    if (!c.bytes.empty()) work.write("users/tovik.dat", c.bytes);
    runAppMain(640, 480, 8);
    EXPECT_EQ(seen.script, c.script);
    EXPECT_FALSE(std::filesystem::exists("users/tovik.dat"));
  }
  EXPECT_EQ(firstScriptName(4, 'm'), std::string("mthRacer.mps"));
}

TEST_F(AssessmentStartTest, ResourcesComeFromTheDescriptorsFilesOrTheNamedLoaderFile)
{
  ScopedEdition edition(OMEdition::assessment);
  NEResourceWriter race;
  race.add("RRGB", "300", {7, 7});
  race.add("NFNT", "12", {1});
  writeResourceFile("mthracer.rsc", race);
  DescriptorFile descriptor("PLSDescriptor.txt");
  struct Case {
    const char* loader;
    int id;
    const char* type;
    std::vector<std::uint8_t> bytes;
    bool served;
  };
  const Case cases[] = {
      {nullptr, 300, "RRGB", {1, 2, 3}, true},
      {nullptr, 300, "ASEQ", {4, 5}, true},
      {nullptr, 7, "WAVE", {9, 9, 9, 9}, true},
      {nullptr, 7, "SFX", {9, 9, 9, 9}, true},
      {nullptr, 12, "NFNT", {}, false},
      {nullptr, 300, "TEXT", {}, false},
      {"mthracer.rsc", 300, "RRGB", {7, 7}, true},
      {"mthracer.rsc", 12, "NFNT", {1}, true},
      {"", 300, "RRGB", {1, 2, 3}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + std::to_string(c.id));
    setLoaderFileName(c.loader);
    std::unique_ptr<OMIStream> stream = resourceById(c.id, c.type);
    ASSERT_EQ(stream != nullptr, c.served);
    if (!stream) continue;
    // Resources are stored in whole units: the bytes asked for come first.
    std::vector<std::uint8_t> bytes;
    readStreamBytes(*stream, bytes);
    bytes.resize(c.bytes.size());
    EXPECT_EQ(bytes, c.bytes);
  }
  setLoaderFileName(nullptr);
  char buffer[256];
  mainExePath(buffer);
  EXPECT_STREQ(buffer, "false");
}

TEST_F(AssessmentStartTest, ABrokenRegistryOrDescriptorKeyEndsTheProgramWithItsAssertion)
{
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    const char* name;
    const char* descriptor;
    std::string marlovinDir;
    const char* message;
  };
  const Case cases[] = {
      {"no WinExeNamePath", "AODLL ao.rsc\r\n", "\"D:\"", "!err1, file ..\\\\src\\\\main"},
      {"no key", "WinExeNamePath Other\r\n", "\"D:\"", "!err1, file"},
      {"not a text", "WinExeNamePath Tovik\r\n", "dword:0000002a", "!err2, file"},
      {"300 bytes", "WinExeNamePath Tovik\r\n", "\"" + std::string(300, 'x') + "\"", "!err2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    work.write("PLSDescriptor.txt", c.descriptor);
    setRegistry(c.marlovinDir, "\"false\"");
    DescriptorFile descriptor("PLSDescriptor.txt");
    char buffer[256];
    EXPECT_DEATH(baseDirectory(buffer), std::string("Assertion failed: ") + c.message);
  }
}

}  // namespace
