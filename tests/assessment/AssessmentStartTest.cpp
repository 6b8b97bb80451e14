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
    const char* text;  // null: the program runs
  };
  const char* depthText =
      "This product requires a 256-color display.\nPlease set your display to 256-color mode "
      "and start again.";
  const char* sizeText =
      "This product requires at least a 640 x 480 256-color display. Please set your display "
      "to 640 x 480 256-color and start again.";
  const Case cases[] = {
      {"memory short by one", 7999999, 1, true, true, 640, 480, 8,
       "Not enough memory to run this application."},
      {"memory just enough", 8000000, 1, true, true, 640, 480, 8, nullptr},
      {"no wave device", 1u << 30, 0, true, true, 640, 480, 8,
       "This application requires .WAV driver to run."},
      {"no WinG", 1u << 30, 1, false, true, 640, 480, 8, "This application requires Wing to run."},
      {"disk test fails", 1u << 30, 1, true, false, 640, 480, 8,
       "There is not enough disk space free to run this product. Please make some room on your "
       "hard drive and start again."},
      {"4 bits", 1u << 30, 1, true, true, 640, 480, 4, depthText},
      {"639 wide", 1u << 30, 1, true, true, 639, 480, 8, sizeText},
      {"479 high", 1u << 30, 1, true, true, 640, 479, 8, sizeText},
      {"16 bits", 1u << 30, 1, true, true, 640, 480, 16, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    seen = Seen{};
    StartupFacts& facts = startupFacts();
    facts.availableVirtualBytes = [&] { return c.memory; };
    facts.waveDeviceCount = [&] { return c.waveDevices; };
    facts.winGLoads = [&] { return c.winG; };
    facts.diskTest = [&](int bytes) { return c.disk && bytes == 100000; };
    const omhost::HeadlessHost& host = runAppMain(c.width, c.height, c.depth);
    EXPECT_EQ(seen.probes, c.text ? 0 : 1);
    ASSERT_EQ(host.messageBoxes().size(), c.text ? 1u : 0u);
    if (!c.text) continue;
    EXPECT_EQ(host.messageBoxes()[0].text, c.text);
    EXPECT_EQ(host.messageBoxes()[0].caption, "Alert");
    EXPECT_EQ(host.messageBoxes()[0].style, 0x3000u);
  }
}

// A descriptor that the program cannot start with stops it before anything is read or
// written: the message names the file by both its paths and the key, in a box as well (it is
// all a user sees), and the status is 1. What it needs: the four names, each a text that was
// not cut, and a product that is installed.
TEST_F(AssessmentStartTest, ADescriptorTheProgramCannotStartWithNamesTheKeyAndStops)
{
  const std::string good =
      "WinExeNamePath Tovik\r\nAODLL ao.rsc\r\nWaveDLL wave.rsc\r\nDataFile r.txt\r\n"
      "DS 1 1 2 1 a 1 0 0 0 0 0 0\r\n";
  const auto without = [&](const std::string& line) {
    std::string text = good;
    text.erase(text.find(line), line.size());
    return text;
  };
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  struct Case {
    const char* name;
    std::string descriptor;  // "FOLDER": a folder of that name
    std::string said;        // empty: the program runs
  };
  const Case cases[] = {
      {"whole", good, ""},
      {"no file", "", "it cannot be read: there is no such file"},
      {"a folder", "FOLDER", "it cannot be read: it is a folder"},
      {"no WinExeNamePath", without("WinExeNamePath Tovik\r\n"),
       "it has no \"WinExeNamePath\" line with a value"},
      {"AODLL without a value", replaced("AODLL ao.rsc", "AODLL"),
       "it has no \"AODLL\" line with a value"},
      {"WaveDLL empty", replaced("wave.rsc", "\"\""), "it has no \"WaveDLL\" line with a value"},
      {"DataFile cut", replaced("r.txt", std::string(128, 'r')),
       "the value of \"DataFile\" is longer than 127 characters"},
      // Nothing at the start reads a problem: the result file is guarded where it is written.
      {"no DS", without("DS 1 1 2 1 a 1 0 0 0 0 0 0\r\n"), ""},
      {"DS of group 30 only", replaced("DS 1 1 2 1", "DS 1 1 2 30"), ""},
      {"a product not installed", replaced("Tovik", "Other"),
       "its \"WinExeNamePath\" \"Other\" names a product that is not installed"},
  };
  const std::string hostPath = std::filesystem::current_path().string() + "/PLSDescriptor.txt";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    seen = Seen{};
    OMProgramEnd::reset();
    std::filesystem::remove_all("PLSDescriptor.txt");
    if (c.descriptor == "FOLDER")
      std::filesystem::create_directory("PLSDescriptor.txt");
    else if (!c.descriptor.empty())
      work.write("PLSDescriptor.txt", c.descriptor);
    work.write("r.txt", "1 3\n");
    testing::internal::CaptureStderr();
    omhost::HeadlessHost& host = omtest::startAppSession();
    host.screen().resize(640, 480, 8);
    const int status = appMain();
    omhost::useRealClock();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(seen.probes, c.said.empty() ? 1 : 0);
    EXPECT_EQ(status, c.said.empty() ? 0 : 1);
    EXPECT_EQ(omtest::readHostFile("r.txt"), "1 3\n");
    if (c.said.empty()) continue;
    const std::string start = "PLSDescriptor.txt (" + hostPath + "): " + c.said;
    EXPECT_EQ(errors.rfind(start, 0), 0u) << errors;
    ASSERT_EQ(host.messageBoxes().size(), 1u);
    EXPECT_EQ(host.messageBoxes()[0].text.rfind(start, 0), 0u);
  }
}

// A resource file that the engine refuses is named as the program names its files: by its
// Windows path and its host file, with what to do, on standard error and in a box. Mended, it
// serves its resources after the run.
TEST_F(AssessmentStartTest, ARefusedResourceFileIsNamedByBothPaths)
{
  const std::string whole = install.read("PRsc/ao.rsc");
  install.write("PRsc/ao.rsc", whole.substr(0, 40));
  writeScript("mthRacer.mps", "Scene \"Pic\"\rProbe\r");
  work.write("PLSDescriptor.txt", omtest::readHostFile("PLSDescriptor.txt") + "Pic 300\r\n");
  testing::internal::CaptureStderr();
  const omhost::HeadlessHost& host = runAppMain(640, 480, 8);
  const std::string errors = testing::internal::GetCapturedStderr();
  const std::string said = "D:\\PRsc\\ao.rsc (" + install.path() +
                           "/PRsc/ao.rsc): it is not a resource file that can be read (";
  EXPECT_EQ(seen.probes, 1);
  EXPECT_NE(errors.find(said), std::string::npos) << errors;
  ASSERT_EQ(host.messageBoxes().size(), 1u);
  EXPECT_EQ(host.messageBoxes()[0].text.rfind(said, 0), 0u);

  install.write("PRsc/ao.rsc", whole);
  DescriptorFile descriptor("PLSDescriptor.txt");
  std::unique_ptr<OMIStream> stream = resourceById(300, "RRGB");
  ASSERT_NE(stream, nullptr);
  std::vector<std::uint8_t> bytes;
  readStreamBytes(*stream, bytes);
  bytes.resize(3);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3}));
}

int preExitCalls = 0;

void countPreExit()
{
  ++preExitCalls;
}

// A fatal script error inside the main loop ends the loop, not the process: the pre-exit call
// runs once, everything is torn down and the status is 1. The program itself ends so too,
// with nothing used after it was freed, and standard error names the line that called for
// the missing script, or the first script that is not there.
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
  EXPECT_NE(said.find("mthRacer.mps line 2: \"call \"gone.mps\"\": unknown script\n"),
            std::string::npos)
      << said;
  EXPECT_EQ(said.find("Sanitizer"), std::string::npos) << said;
  EXPECT_EQ(said.find("runtime error"), std::string::npos) << said;
  // The hand-off file asks for a first script that is not there.
  std::filesystem::remove(install / "PScripts/rtnsm.mps");
  work.write("users/tovik.dat", std::vector<unsigned char>{1, 0, 0, 0, 'm'});
  EXPECT_EQ(runSecondCopy(errors.c_str(), 3000), 1);
  EXPECT_NE(omtest::readHostFile(errors).find("rtnsm.mps: unknown script\n"), std::string::npos)
      << omtest::readHostFile(errors);
}

// The program itself, headless, until its first script leaves, however its pause holds it.
TEST_F(AssessmentStartTest, APauseHoldsTheRunAsLongAsItLastsAndNoLonger)
{
  for (const omtest::PauseRun& run : omtest::pauseRuns("exec \"false\"\r")) {
    SCOPED_TRACE(run.name);
    std::filesystem::remove("debug.txt");
    std::optional<ScopedEnv> clock;
    if (run.clock) clock.emplace("OM_CLOCK", run.clock);
    const auto processorUsedBy = [this](const std::string& script) {
      writeScript("mthRacer.mps", script);
      const long before = omtest::endedChildrenProcessorMilliseconds();
      EXPECT_EQ(runSecondCopy(nullptr, 3000), 0);
      return omtest::endedChildrenProcessorMilliseconds() - before;
    };
    const long used = processorUsedBy(run.script);
    EXPECT_EQ(omtest::readHostFile("debug.txt"), "started\nresumed\n");
    if (run.processorLimit) {
      EXPECT_LT(used - processorUsedBy(run.unpaused), run.processorLimit);
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
