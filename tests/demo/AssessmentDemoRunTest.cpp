// The assessment demo run end to end as CI runs it: the program itself, headless at 8 bits, on
// the stepping clock, in a fresh copy of its laid-out folders with a registry file of its own,
// driven by an input script. What it drew, played and wrote is held against goldens written
// once from a reviewed run; the data files are also read back field by field.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/demo/DemoProgram.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace omdemo;
namespace fs = std::filesystem;

const std::string goldens = std::string(ASSESSMENT_GOLDENS) + "/";

std::string readFile(const std::string& path)
{
  return omtest::readHostFile(path);
}

// A host path as the registry file holds it: on drive C:, backslashes doubled in quotes.
std::string registryPath(const std::string& hostPath)
{
  std::string path = "C:";
  for (const char c : hostPath)
    path += c == '/' ? std::string("\\\\") : std::string(1, c);
  return path;
}

// A fresh copy of the demo's folders: the work folder as laid out (the descriptor and an empty
// "users\"), the install folder, and a registry naming them, with the recorder as the main
// program writing into "main-program.txt" beside them.
class AssessmentCopy {
 public:
  explicit AssessmentCopy(const std::string& folder) : folder_(folder)
  {
    const std::string laidOut = ASSESSMENT_DEMO_FOLDER;
    fs::create_directories(snaps());
    fs::copy(laidOut + "/work", work(), fs::copy_options::recursive);
    fs::copy(laidOut + "/install", folder_ + "/install", fs::copy_options::recursive);
    writeRegistry(ASSESSMENT_RECORDER);
  }

  void writeRegistry(const std::string& mainProgram) const
  {
    const std::string key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bramblewick\\Demo\\";
    std::ofstream(registry(), std::ios::binary)
        << key << "MarlovinDir]\n@=\"" << registryPath(folder_ + "/install") << "\"\n\n"
        << key << "MainExe]\n@=\"" << registryPath(mainProgram) << " " << recorded() << "\"\n";
  }

  std::string folder() const { return folder_; }
  std::string work() const { return folder_ + "/work"; }
  std::string snaps() const { return folder_ + "/snaps"; }
  std::string audio() const { return folder_ + "/audio.wav"; }
  std::string registry() const { return folder_ + "/registry.txt"; }
  std::string recorded() const { return folder_ + "/main-program.txt"; }
  std::string windows() const { return folder_ + "/windows"; }
  std::string inWork(const std::string& name) const { return work() + "/" + name; }

  std::map<std::string, std::string> settings(const std::string& input) const
  {
    const std::string script = folder_ + "/input.txt";
    std::ofstream(script, std::ios::binary) << input;
    return {{"OM_HOST", "headless"},
            {"OM_SCREEN", "640x480x8"},
            {"OM_CLOCK", "step:10"},
            {"OM_INPUT_SCRIPT", script},
            {"OM_SNAP_DIR", snaps()},
            {"OM_AUDIO_CAPTURE", audio()},
            {"OM_REGISTRY", registry()},
            {"OM_WINDOWS_DIR", windows()},
            {"OM_DIALOG_ANSWER", "10"},
            {"OM_MSGBOX_ANSWER", "1"},
            {"TZ", "UTC"},
            {"XDG_RUNTIME_DIR", folder_}};
  }

  Result run(const std::string& input, const std::map<std::string, std::string>& extra = {}) const
  {
    std::map<std::string, std::string> all = settings(input);
    for (const auto& [name, value] : extra)
      all[name] = value;
    DemoProgram program(MARLOVIND_PATH, work(), all);
    Result result;
    result.status = program.wait(120);
    result.signal = program.endingSignal();
    result.out = program.output();
    result.err = program.errors();
    return result;
  }

  // What the recorder wrote, with this copy's folder named "COPY".
  std::string recordedLines() const
  {
    std::string text = readFile(recorded());
    for (std::size_t at; (at = text.find(folder_)) != std::string::npos;)
      text.replace(at, folder_.size(), "COPY");
    return text;
  }

 private:
  std::string folder_;
};

std::vector<std::string> goldenSnaps(const std::string& run)
{
  return goldenSnapsOf(goldens + "snaps.golden", run);
}

// A data file of the scripts and the sign-in, read as its own format says: the used count,
// then 68-byte slots of name, value (NUL-ended texts of 32 bytes) and a time stamp. Empty when
// the file is not whole.
std::map<std::string, std::string> variablesOf(const std::string& bytes)
{
  std::map<std::string, std::string> variables;
  std::int32_t used = 0;
  if (bytes.size() < 4) return {};
  std::memcpy(&used, bytes.data(), 4);
  if (used < 0 || bytes.size() != 4 + 68 * std::size_t(used)) return {};
  for (std::size_t slot = 0; slot < std::size_t(used); ++slot) {
    const char* at = bytes.data() + 4 + 68 * slot;
    variables[std::string(at, strnlen(at, 32))] = std::string(at + 32, strnlen(at + 32, 32));
  }
  return variables;
}

// The progress file's sound flags and the first record's name.
struct Progress {
  bool whole = false;
  int sfx = -1, music = -1, voice = -1;
};
Progress progressOf(const std::string& bytes)
{
  if (bytes.size() != 4 + 40 * 182) return {};
  return {true, bytes[0], bytes[1], bytes[2]};
}

// Keeps a file that differs from its golden in the build folder and reports it.
void expectGoldenFile(const std::string& path, const std::string& golden)
{
  if (readFile(path) == readFile(goldens + golden)) return;
  fs::create_directories("failed-frames");
  const std::string kept = "failed-frames/" + golden;
  std::error_code error;
  fs::copy_file(path, kept, fs::copy_options::overwrite_existing, error);
  ADD_FAILURE() << path << " differs from its golden " << golden << "; it is kept as "
                << fs::absolute(kept).string();
}

class AssessmentDemoRunsHeadless : public ::testing::Test {
 protected:
  TempFolder temp;
  AssessmentCopy copy{temp.path() + "/demo"};
};

// The first time each of these tones is heard clearly in the capture, in order: a tone heard
// when it stands out of a slice of 100 ms among them.
std::vector<int> tonesInOrder(const std::vector<std::int16_t>& samples,
                              const std::vector<int>& tones)
{
  std::vector<int> heard;
  const int length = int(double(samples.size()) * 1000 / kCaptureRate);
  for (int from = 0; from + 100 <= length; from += 50) {
    const auto [tone, share] = strongestTone(samples, from, 100, tones);
    if (share > 0.3 && std::find(heard.begin(), heard.end(), tone) == heard.end())
      heard.push_back(tone);
  }
  return heard;
}

// Run 1: the splash, the race won by one honk, the sign-in of "Ann", the ride answered by the
// answer's hot spot and by the horn, the confirmation kept, exactly as reviewed; the data files
// are whole and say what happened, and the main program was started.
TEST_F(AssessmentDemoRunsHeadless, FirstRunMatchesItsGoldens)
{
  const Result result = copy.run(readFile(ASSESSMENT_INPUT));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  expectSnapsAsGoldens("first", goldenSnaps("first"), result.out, copy.snaps());
  EXPECT_EQ(readFile(copy.inWork("debug.txt")), readFile(goldens + "debug.expected"));
  // The right honk: the race was won without "rightAnswer", and the scripts went on.
  const std::string said = readFile(copy.inWork("debug.txt"));
  EXPECT_EQ(said.find("rightAnswer"), std::string::npos);
  EXPECT_NE(said.find("rewardPrizeTicket\nisNew 1\nvisits 1\n"), std::string::npos);

  // Counting: set 1 right at levels 2 and 3, set 2 wrong (level 1); shapes: set 3 right, then
  // wrong at level 3, set 4 right (level 2).
  EXPECT_EQ(readFile(copy.inWork("results.txt")), "1 1\r\n2 2\r\n");
  const std::map<std::string, std::string> users =
      variablesOf(readFile(copy.inWork("users/USERS.DAT")));
  EXPECT_EQ(
      users,
      (std::map<std::string, std::string>{
          {"user1", "Ann"}, {"currentUser", "user1"}, {"newUserID", "2"}, {"totalUsers", "1"}}));
  expectGoldenFile(copy.inWork("users/USERS.DAT"), "users.dat.golden");
  const std::map<std::string, std::string> session =
      variablesOf(readFile(copy.inWork("users/SESSION.DAT")));
  EXPECT_EQ(session.count("visits") ? session.at("visits") : "", "1");
  expectGoldenFile(copy.inWork("users/SESSION.DAT"), "session.dat.golden");
  const Progress progress = progressOf(readFile(copy.windows() + "/tovik.dat"));
  EXPECT_TRUE(progress.whole);
  EXPECT_EQ(progress.sfx + progress.music + progress.voice, 3);
  expectGoldenFile(copy.windows() + "/tovik.dat", "tovik.dat.golden");
  EXPECT_FALSE(fs::exists(copy.inWork("users/tovik.dat")));
  EXPECT_EQ(copy.recordedLines(), "COPY/main-program.txt | in COPY/work\n");
  EXPECT_NE(result.out.find("The main program was started"), std::string::npos);

  // The right honk's sound as soon as the horn is pressed, and the speech: the race's problem,
  // the ride's introduction, help and start, its first problem, the first right answer's
  // speech, the level-3 problem, ...; the finish's speech last.
  const std::vector<std::int16_t> samples = capturedSamples(copy.audio());
  const auto [honk, share] = strongestTone(samples, 28100, 200, {784, 196});
  EXPECT_EQ(honk, 784);
  EXPECT_GT(share, 0.2);
  const std::vector<int> speech = {2400, 1250, 1300, 1350, 1900, 1550, 2000,
                                   1650, 2100, 1950, 2050, 2150, 1450};
  EXPECT_EQ(tonesInOrder(samples, speech), speech);
}

// Run 2 in the same folders: "Ann" is known and her visits are counted on; the delete button
// leaves no result file; the main program is started again.
TEST_F(AssessmentDemoRunsHeadless, SecondRunKnowsAnnAndDeletesTheResults)
{
  std::string input = readFile(ASSESSMENT_INPUT);
  ASSERT_EQ(copy.run(input).status, 0);
  const std::string keep = "click 217 394", remove = "click 417 394";
  ASSERT_NE(input.find(keep), std::string::npos);
  input.replace(input.find(keep), keep.size(), remove);
  const Result again = copy.run(input);
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.err, "");
  const std::string said = readFile(copy.inWork("debug.txt"));
  EXPECT_NE(said.find("isNew 0\nvisits 2\ngoToConfirmation\n"), std::string::npos) << said;
  EXPECT_EQ(variablesOf(readFile(copy.inWork("users/USERS.DAT"))).at("totalUsers"), "1");
  EXPECT_FALSE(fs::exists(copy.inWork("results.txt")));
  EXPECT_EQ(copy.recordedLines(),
            "COPY/main-program.txt | in COPY/work\n"
            "COPY/main-program.txt | in COPY/work\n");
}

// The input script with one more line at that time, among the others in time order.
std::string withLineAt(const std::string& input, int time, const std::string& command)
{
  std::istringstream lines(input);
  std::string out, line;
  bool added = false;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string at;
    int when = 0;
    if (!added && words >> at >> when && at == "at" && when > time) {
      out += "at " + std::to_string(time) + " " + command + "\n";
      added = true;
    }
    out += line + "\n";
  }
  return added ? out : out + "at " + std::to_string(time) + " " + command + "\n";
}

// Run 6: Esc on each screen. The splash and the race run "mthRacer.mps", a name that Esc does
// not know, so there it does nothing; the sign-in asks before leaving. "No", and the run goes
// on to its end as run 1.
TEST_F(AssessmentDemoRunsHeadless, EscAsksOnTheSignInAndAnsweredNoGoesOn)
{
  const struct {
    const char* screen;
    int time;
    bool asks;
  } escapes[] = {{"splash", 1000, false}, {"race", 20000, false}, {"sign-in", 41200, true}};
  for (const auto& escape : escapes) {
    SCOPED_TRACE(escape.screen);
    const AssessmentCopy fresh(temp.path() + "/esc-" + escape.screen);
    const Result result =
        fresh.run(withLineAt(readFile(ASSESSMENT_INPUT), escape.time, "key Esc"),
                  {{"OM_DIALOG_ANSWER", "11"}});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err.find("[dialog] Exit:") != std::string::npos, escape.asks) << result.err;
    EXPECT_EQ(result.err.find("-> 11") != std::string::npos, escape.asks) << result.err;
    EXPECT_EQ(readFile(fresh.inWork("debug.txt")), readFile(goldens + "debug.expected"));
    EXPECT_EQ(readFile(fresh.inWork("results.txt")), "1 1\r\n2 2\r\n");
    EXPECT_EQ(fresh.recordedLines(), "COPY/main-program.txt | in COPY/work\n");
  }
}

// Run 7: runs of run 1 killed at chosen clock times, around the sign-in's saves and the
// results: every data file is whole or not there yet, never a part.
TEST_F(AssessmentDemoRunsHeadless, KilledRunsLeaveWholeFiles)
{
  std::vector<int> times;
  for (int i = 0; i < 10; ++i) {
    times.push_back(42600 + 100 * i);
    times.push_back(84000 + 500 * i);
  }
  const std::string input = readFile(ASSESSMENT_INPUT);
  std::map<std::string, int> found;  // the kills after which each file was there
  for (const int time : times) {
    SCOPED_TRACE(time);
    const AssessmentCopy killed(temp.path() + "/killed-" + std::to_string(time));
    DemoProgram program(MARLOVIND_PATH, killed.work(),
                        killed.settings(withLineAt(input, time, "snap kill")));
    ASSERT_TRUE(program.waitForOutput("snap kill", 60)) << program.errors();
    program.kill();
    for (const char* name : {"users/USERS.DAT", "users/SESSION.DAT"}) {
      const std::string path = killed.inWork(name);
      if (fs::exists(path)) {
        EXPECT_FALSE(variablesOf(readFile(path)).empty()) << name;
        ++found[name];
      }
    }
    const std::string progress = killed.windows() + "/tovik.dat";
    if (fs::exists(progress)) {
      EXPECT_TRUE(progressOf(readFile(progress)).whole);
      ++found["tovik.dat"];
    }
    const std::string results = killed.inWork("results.txt");
    if (fs::exists(results)) {
      EXPECT_EQ(readFile(results), "1 1\r\n2 2\r\n");
      ++found["results.txt"];
    }
  }
  // The times catch each file both before and after its save.
  for (const char* name : {"users/USERS.DAT", "users/SESSION.DAT", "tovik.dat", "results.txt"}) {
    EXPECT_GT(found[name], 0) << name;
    EXPECT_LT(found[name], int(times.size())) << name;
  }
}

// Run 3: the hand-off file chooses the first script and is gone afterwards; a script that
// is not there ends the program with 1 and leaves the user list as it was.
TEST_F(AssessmentDemoRunsHeadless, HandOffFileChoosesTheFirstScript)
{
  struct Case {
    std::int32_t mode;
    char letter;
    int status;
    std::string firstSaid;  // the first line of "debug.txt"
  };
  const Case cases[] = {
      {3, 'm', 0, "rtnsi"}, {1, 'm', 1, ""},  // "rtnsm.mps" is not there: "unknown script"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    fs::copy_file(goldens + "users.dat.golden", copy.inWork("users/USERS.DAT"),
                  fs::copy_options::overwrite_existing);
    std::string handOff(4, '\0');
    std::memcpy(handOff.data(), &c.mode, 4);
    std::ofstream(copy.inWork("users/tovik.dat"), std::ios::binary) << handOff << c.letter;
    fs::remove(copy.inWork("debug.txt"));
    const Result result = copy.run("at 3000 close\n");
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_FALSE(fs::exists(copy.inWork("users/tovik.dat")));
    const std::string said = readFile(copy.inWork("debug.txt"));
    EXPECT_EQ(said.substr(0, said.find('\n')), c.firstSaid);
    EXPECT_EQ(readFile(copy.inWork("users/USERS.DAT")), readFile(goldens + "users.dat.golden"));
  }
}

// Run 4: a user list cut in its third slot. A copy is kept and named by its Windows and host
// paths, the sign-in lists the names read before the cut, and the next save writes the list
// whole.
TEST_F(AssessmentDemoRunsHeadless, DamagedUserListIsKeptAndReadUpToTheCut)
{
  const std::string whole = readFile(goldens + "users.dat.golden");
  const std::string cut = whole.substr(0, 4 + 68 * 2 + 20);
  std::ofstream(copy.inWork("users/USERS.DAT"), std::ios::binary) << cut;
  // The message box that says so on the sign-in is answered before the name is typed.
  const Result result = copy.run(withLineAt(readFile(ASSESSMENT_INPUT), 41000, "key Enter"));
  EXPECT_EQ(result.status, 0);
  const std::string told = "USERS\\USERS.DAT (" + fs::canonical(copy.inWork("users")).string() +
                          "/USERS.DAT): it is damaged; what could be read of it is used, and "
                          "the file as it was is kept as USERS\\USERS.BAD (";
  EXPECT_NE(result.err.find(told), std::string::npos) << result.err;
  EXPECT_EQ(readFile(copy.inWork("users/USERS.BAD")), cut);
  const std::map<std::string, std::string> users =
      variablesOf(readFile(copy.inWork("users/USERS.DAT")));
  ASSERT_FALSE(users.empty()) << "the saved list is not whole";
  EXPECT_EQ(users.at("user1"), "Ann");
}

// Run 5: what keeps the program from starting, and a main program that cannot be started.
TEST_F(AssessmentDemoRunsHeadless, PrerequisitesRefuseTheStart)
{
  {
    SCOPED_TRACE("no registry file");
    fs::remove(copy.registry());
    const Result result = copy.run("");
    EXPECT_EQ(result.signal, SIGABRT);
    EXPECT_NE(result.err.find("Assertion failed: !err1, file ..\\src\\main, line "),
              std::string::npos)
        << result.err;
    copy.writeRegistry(ASSESSMENT_RECORDER);
  }
  {
    SCOPED_TRACE("no descriptor");
    fs::rename(copy.inWork("PLSDescriptor.txt"), copy.folder() + "/kept.txt");
    const Result result = copy.run("");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("PLSDescriptor.txt"), std::string::npos) << result.err;
    fs::rename(copy.folder() + "/kept.txt", copy.inWork("PLSDescriptor.txt"));
  }
  {
    SCOPED_TRACE("600 x 400");
    const Result result = copy.run("", {{"OM_SCREEN", "600x400x8"}});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("at least a 640 x 480 256-color display"), std::string::npos)
        << result.err;
  }
  EXPECT_FALSE(fs::exists(copy.inWork("debug.txt")));
}

}  // namespace
