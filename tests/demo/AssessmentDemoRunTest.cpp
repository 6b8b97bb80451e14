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
#include <memory>
#include <regex>
#include <sstream>
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

  Result run(const std::string& input, const std::map<std::string, std::string>& extra = {},
             uid_t user = 0) const
  {
    std::map<std::string, std::string> all = settings(input);
    for (const auto& [name, value] : extra)
      all[name] = value;
    DemoProgram program(MARLOVIND_PATH, work(), all, user);
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

// The demo's descriptor as lines, each with its line end.
std::vector<std::string> linesOf(const std::string& text)
{
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
    lines.push_back(text.substr(at, end - at));
    at = end;
  }
  return lines;
}

std::string joined(const std::vector<std::string>& lines)
{
  std::string text;
  for (const std::string& line : lines)
    text += line;
  return text;
}

// The key of a line that says something; empty for a comment or a blank line.
std::string keyOf(const std::string& line)
{
  std::istringstream words(line);
  std::string key;
  words >> key;
  return key.empty() || key[0] == '#' ? "" : key;
}

// The line with every number in it replaced by that text.
std::string numbersReplaced(const std::string& line, const std::string& by)
{
  return std::regex_replace(line, std::regex("-?[0-9]+"), by);
}

// Runs of the demo over damaged copies of its descriptor: every line that says something
// deleted, the lines of positions and problems duplicated and with their numbers at both ends
// of 32 bits, the file cut at every twentieth of its length, bytes flipped, and a name of a
// megabyte. Each run either goes on to its end or stops with a message that names the
// descriptor and a key, never by a signal, an assertion or a sanitizer's report; a run that
// stops has written over nothing: the previous results and the user list are as they were. A
// run ends by itself, or by the close box (answered "Yes") when the damage left it nowhere to
// go.
// The runs are shared among three tests, which run side by side.
class DamagedDescriptors : public AssessmentDemoRunsHeadless {
 protected:
  static constexpr std::size_t shares = 3;
  void runShare(std::size_t share)
  {
    const std::string original = readFile(copy.inWork("PLSDescriptor.txt"));
    const std::vector<std::string> lines = linesOf(original);
    // The texts the program finds its files by: without them it cannot start.
    const std::vector<std::string> needed = {"WinExeNamePath", "AODLL", "WaveDLL", "DataFile"};
    // The positions on the screen: a value outside it is named.
    const std::vector<std::string> positions = {"ConfLevelX", "ConfSkillY", "ProblemHS",
                                                "AnswerHS"};
    const auto isOneOf = [](const std::string& key, const std::vector<std::string>& keys) {
      return std::find(keys.begin(), keys.end(), key) != keys.end();
    };
    struct Damage {
      std::string name;
      std::string descriptor;
      std::string key;  // a key the run must name; empty: any when it stops
      bool stops;       // the run must stop
    };
    std::vector<Damage> damages;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string key = keyOf(lines[i]);
      if (key.empty()) continue;
      const std::string line = "line " + std::to_string(i + 1);
      const bool neededKey = isOneOf(key, needed), position = isOneOf(key, positions);
      std::vector<std::string> without = lines;
      without.erase(without.begin() + std::ptrdiff_t(i));
      damages.push_back({line + " deleted", joined(without), neededKey ? key : "", neededKey});
      // A key line read twice is the first one; a problem line twice is a second problem. A
      // resource id is read in 16 bits; a position and a problem's numbers in 32.
      if (key != "DS" && !position) continue;
      std::vector<std::string> twice = lines, huge = lines, least = lines;
      twice.insert(twice.begin() + std::ptrdiff_t(i), lines[i]);
      huge[i] = numbersReplaced(lines[i], "2147483647");
      least[i] = numbersReplaced(lines[i], "-2147483648");
      damages.push_back({line + " twice", joined(twice), "", false});
      damages.push_back({line + " at 2147483647", joined(huge), position ? key : "", false});
      damages.push_back({line + " at -2147483648", joined(least), position ? key : "", false});
    }
    for (int twentieth = 1; twentieth < 20; ++twentieth)
      damages.push_back({"cut at " + std::to_string(twentieth) + "/20",
                         original.substr(0, original.size() * std::size_t(twentieth) / 20), "",
                         false});
    for (std::size_t at = 7; at < original.size(); at += original.size() / 25) {
      std::string flipped = original;
      flipped[at] = char(flipped[at] ^ 0x20);
      damages.push_back({"byte " + std::to_string(at) + " flipped", flipped, "", false});
    }
    std::string longName = original;
    longName.replace(longName.find("\"Demo\""), 6, std::string(1 << 20, 'x'));
    damages.push_back({"a name of a megabyte", longName, "WinExeNamePath", true});

    // This share of them: every third.
    std::vector<Damage> mine;
    for (std::size_t i = share; i < damages.size(); i += shares)
      mine.push_back(damages[i]);
    damages = mine;
    const std::string input = readFile(ASSESSMENT_INPUT) + "at 100000 close\n";
    const std::string previousResults = "1 9\r\n2 9\r\n";
    const std::string users = readFile(goldens + "users.dat.golden");
    // A few runs at a time: each is a program of its own.
    constexpr std::size_t together = 6;
    for (std::size_t first = 0; first < damages.size(); first += together) {
      std::vector<std::unique_ptr<AssessmentCopy>> copies;
      std::vector<std::unique_ptr<DemoProgram>> programs;
      for (std::size_t i = first; i < std::min(first + together, damages.size()); ++i) {
        copies.push_back(
            std::make_unique<AssessmentCopy>(temp.path() + "/damage-" + std::to_string(i)));
        const AssessmentCopy& damaged = *copies.back();
        std::ofstream(damaged.inWork("PLSDescriptor.txt"), std::ios::binary)
            << damages[i].descriptor;
        std::ofstream(damaged.inWork("results.txt"), std::ios::binary) << previousResults;
        std::ofstream(damaged.inWork("users/USERS.DAT"), std::ios::binary) << users;
        programs.push_back(
            std::make_unique<DemoProgram>(MARLOVIND_PATH, damaged.work(), damaged.settings(input)));
      }
      for (std::size_t k = 0; k < programs.size(); ++k) {
        const Damage& damage = damages[first + k];
        SCOPED_TRACE(damage.name);
        const AssessmentCopy& damaged = *copies[k];
        const int status = programs[k]->wait(60);
        const std::string errors = programs[k]->errors();
        EXPECT_EQ(programs[k]->endingSignal(), 0) << errors;
        EXPECT_TRUE(status == 0 || status == 1) << status << "\n" << errors;
        for (const char* broken : {"runtime error", "Sanitizer", "Assertion failed"})
          EXPECT_EQ(errors.find(broken), std::string::npos) << errors;
        const std::string named =
            "PLSDescriptor.txt (" + damaged.inWork("PLSDescriptor.txt") + "): ";
        if (!damage.key.empty()) {
          EXPECT_NE(errors.find(named), std::string::npos) << errors;
          EXPECT_NE(errors.find("\"" + damage.key + "\""), std::string::npos) << errors;
        }
        if (damage.stops) {
          EXPECT_EQ(status, 1);
        }
        // A run that went on kept the previous results or wrote a line per skill area, never an
        // empty file.
        if (status != 1) {
          EXPECT_TRUE(std::regex_match(readFile(damaged.inWork("results.txt")),
                                       std::regex("([0-9]+ [0-9]+\r\n)+")));
          continue;
        }
        EXPECT_TRUE(std::regex_search(
            errors,
            std::regex(std::regex_replace(named, std::regex("[.()]"), "\\$&") + ".*\"[A-Za-z]+\"")))
            << errors;
        EXPECT_EQ(readFile(damaged.inWork("results.txt")), previousResults);
        EXPECT_EQ(readFile(damaged.inWork("users/USERS.DAT")), users);
        EXPECT_FALSE(fs::exists(damaged.inWork("users/SESSION.DAT")));
        EXPECT_FALSE(fs::exists(damaged.recorded()));
      }
    }
  }
};

TEST_F(DamagedDescriptors, FirstShareRunsOrStopsNamingTheKey)
{
  runShare(0);
}
TEST_F(DamagedDescriptors, SecondShareRunsOrStopsNamingTheKey)
{
  runShare(1);
}
TEST_F(DamagedDescriptors, ThirdShareRunsOrStopsNamingTheKey)
{
  runShare(2);
}

// The data files of a run, by name; a file that is not there is left out.
std::map<std::string, std::string> dataFilesOf(const AssessmentCopy& run)
{
  std::map<std::string, std::string> files;
  const std::map<std::string, std::string> paths = {
      {"USERS.DAT", run.inWork("users/USERS.DAT")},
      {"SESSION.DAT", run.inWork("users/SESSION.DAT")},
      {"tovik.dat", run.windows() + "/tovik.dat"},
      {"results.txt", run.inWork("results.txt")}};
  for (const auto& [name, path] : paths)
    if (fs::exists(path)) files[name] = readFile(path);
  return files;
}

// Host signals at moments of the run: at the sign-in with the name typed, in the ride, at the
// confirmation. The input stops at the moment, so the program waits there. The first signal
// asks as the close box does (the exit dialog); answered "Yes" the program ends as it does
// then, answered "No" it goes on, and a second signal saves and ends it with 128 + the
// signal's number. Either way every data file is whole and holds what the close box and "Yes"
// at the same moment leave.
TEST_F(AssessmentDemoRunsHeadless, HostSignalsAskAndASecondOneSavesAndEnds)
{
  const std::string input = readFile(ASSESSMENT_INPUT);
  struct Moment {
    const char* snap;
    int time;
  };
  const Moment moments[] = {{"signin", 42500}, {"ride", 54100}, {"confirm", 88000}};
  struct Road {
    const char* name;
    std::vector<int> signals;
    const char* answer;  // of the exit dialog: 10 "Yes", 11 "No"
    int status;
  };
  const Road roads[] = {{"terminated, yes", {SIGTERM}, "10", 0},
                        {"interrupted twice, no", {SIGINT, SIGINT}, "11", 128 + SIGINT},
                        {"terminated twice, no", {SIGTERM, SIGTERM}, "11", 128 + SIGTERM}};
  int run = 0;
  for (const Moment& moment : moments) {
    SCOPED_TRACE(moment.snap);
    // The input up to the moment's snap.
    const std::string upTo = input.substr(0, input.find("snap " + std::string(moment.snap)));
    const std::string waiting = upTo + "snap " + moment.snap + "\n";
    const AssessmentCopy closed(temp.path() + "/closed-" + moment.snap);
    ASSERT_EQ(closed.run(waiting + "at " + std::to_string(moment.time + 100) + " close\n").status,
              0);
    const std::map<std::string, std::string> expected = dataFilesOf(closed);
    EXPECT_EQ(expected.count("USERS.DAT"), 1u);
    for (const Road& road : roads) {
      SCOPED_TRACE(road.name);
      const AssessmentCopy signalled(temp.path() + "/signalled-" + std::to_string(++run));
      std::map<std::string, std::string> settings = signalled.settings(waiting);
      settings["OM_DIALOG_ANSWER"] = road.answer;
      DemoProgram program(MARLOVIND_PATH, signalled.work(), settings);
      ASSERT_TRUE(program.waitForOutput(std::string("snap ") + moment.snap, 60))
          << program.errors();
      // Each signal but the last waits for the exit dialog it brings up (and its answer).
      for (std::size_t i = 0; i < road.signals.size(); ++i) {
        program.signal(road.signals[i]);
        if (i + 1 == road.signals.size()) break;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (program.errors().find("[dialog] Exit:") == std::string::npos &&
               std::chrono::steady_clock::now() < end)
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      EXPECT_EQ(program.wait(20), road.status) << program.errors();
      EXPECT_EQ(program.endingSignal(), 0);
      EXPECT_NE(program.errors().find("[dialog] Exit:"), std::string::npos);
      EXPECT_EQ(dataFilesOf(signalled), expected);
    }
  }
}

// Files in the way of the data: a folder or a link to nothing where the result file's
// temporary file goes, and an install whose work and Windows folders are read-only. The program
// names the file by both paths, ends with status 1 and no abort, and the previous results are
// kept.
TEST_F(AssessmentDemoRunsHeadless, FilesInTheWayAreNamedAndEndTheProgramWithoutAnAbort)
{
  const std::string previous = "1 9\r\n2 9\r\n";
  struct Case {
    const char* name;
    void (*prepare)(const AssessmentCopy&);
    bool readOnly;
  };
  const Case cases[] = {
      {"a folder as the temporary file",
       [](const AssessmentCopy& c) { fs::create_directory(c.inWork("results.TMP")); }, false},
      {"a link to nothing as the temporary file",
       [](const AssessmentCopy& c) {
         fs::create_symlink(c.folder() + "/gone/results", c.inWork("results.TMP"));
       },
       false},
      {"a read-only install",
       [](const AssessmentCopy& c) {
         fs::create_directories(c.windows());
         for (const std::string& folder : {c.work(), c.inWork("users"), c.windows()})
           fs::permissions(
               folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
               fs::perm_options::remove);
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AssessmentCopy blocked(temp.path() + "/blocked-" + std::to_string(&c - cases));
    std::ofstream(blocked.inWork("results.txt"), std::ios::binary) << previous;
    c.prepare(blocked);
    // Root writes wherever it likes: a read-only install is run by an ordinary user, whose
    // own folder for the run is the only one it may write in.
    const uid_t user = c.readOnly && ::geteuid() == 0 ? 65534 : 0;
    std::map<std::string, std::string> extra;
    if (user != 0) {
      fs::permissions(temp.path(), fs::perms::others_read | fs::perms::others_exec,
                      fs::perm_options::add);
      const std::string runtime = blocked.folder() + "/runtime";
      fs::create_directories(runtime);
      fs::permissions(runtime, fs::perms::all);
      extra["XDG_RUNTIME_DIR"] = runtime;
    }
    const Result result = blocked.run(readFile(ASSESSMENT_INPUT), extra, user);
    EXPECT_EQ(result.signal, 0) << result.err;
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("results.txt (" + blocked.inWork("results.txt") +
                              "): it cannot be written: its temporary file results.TMP cannot "
                              "be made"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(readFile(blocked.inWork("results.txt")), previous);
    EXPECT_FALSE(fs::exists(blocked.recorded()));
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
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("\"WinExeNamePath\" \"Demo\" names a product that is not "
                              "installed: the registry has no key HKEY_LOCAL_MACHINE\\SOFTWARE\\"
                              "Bramblewick\\Demo\\MarlovinDir"),
              std::string::npos)
        << result.err;
    copy.writeRegistry(ASSESSMENT_RECORDER);
  }
  {
    SCOPED_TRACE("no descriptor");
    fs::rename(copy.inWork("PLSDescriptor.txt"), copy.folder() + "/kept.txt");
    const Result result = copy.run("");
    EXPECT_EQ(result.status, 1);
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
