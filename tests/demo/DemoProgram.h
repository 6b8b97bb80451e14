#pragma once

// Running a demo program as CI runs it, and reading what the run left: its snapshots'
// checksums on standard output and the audio capture.
#include <gtest/gtest.h>

#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/TempFolder.h"
#include "tests/support/ToneMeter.h"

extern char** environ;

namespace omdemo {

// A program started in its work folder with only the given settings of its own (no OM_
// setting of the caller reaches it); its standard output and error go to files beside the work
// folder. A user id other than 0 runs it as that user (a test run as root would write where
// an ordinary user may not).
class DemoProgram {
 public:
  DemoProgram(const std::string& programPath, const std::string& workFolder,
              const std::map<std::string, std::string>& settings, uid_t user = 0)
      : out_(workFolder + "/../stdout.txt"), err_(workFolder + "/../stderr.txt")
  {
    std::vector<std::string> environment;
    // Only this run's settings: none of the caller's reach the program.
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      if (text.rfind("OM_", 0) != 0 && text.rfind("XDG_RUNTIME_DIR=", 0) != 0)
        environment.push_back(text);
    }
    for (const auto& [name, value] : settings)
      environment.push_back(name + "=" + value);
    pid_ = ::fork();
    if (pid_ != 0) return;
    std::vector<char*> pointers;
    for (std::string& text : environment)
      pointers.push_back(text.data());
    pointers.push_back(nullptr);
    if (::chdir(workFolder.c_str()) != 0 || !std::freopen(out_.c_str(), "w", stdout) ||
        !std::freopen(err_.c_str(), "w", stderr))
      ::_exit(97);
    if (user != 0 && (::setgroups(0, nullptr) != 0 || ::setgid(user) != 0 || ::setuid(user) != 0))
      ::_exit(96);
    ::execle(programPath.c_str(), programPath.c_str(), static_cast<char*>(nullptr),
             pointers.data());
    ::_exit(98);
  }
  ~DemoProgram()
  {
    if (running()) kill();
  }
  DemoProgram(const DemoProgram&) = delete;
  DemoProgram& operator=(const DemoProgram&) = delete;

  // Its exit status once it has ended by itself within the time, else -1 (and it is ended).
  int wait(int seconds)
  {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (running() && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (running()) kill();
    return status_;
  }
  // Waits until its standard output holds the text; false when it ended or the time ran out.
  bool waitForOutput(const std::string& text, int seconds)
  {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
      if (output().find(text) != std::string::npos) return true;
      if (!running()) return false;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
  }
  void signal(int number) const { ::kill(pid_, number); }
  void kill()
  {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    ended_ = true;
    status_ = -1;
  }
  // The signal that ended it, 0 when it exited or still runs.
  int endingSignal() const { return signal_; }
  std::string output() const { return omtest::readHostFile(out_); }
  std::string errors() const { return omtest::readHostFile(err_); }

 private:
  bool running()
  {
    if (ended_ || pid_ <= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
    ended_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return false;
  }

  std::string out_, err_;
  pid_t pid_ = -1;
  bool ended_ = false;
  int status_ = -1;
  int signal_ = 0;
};

struct Result {
  int status = -1;
  int signal = 0;  // the signal that ended the program, 0 when it ended by itself
  std::string out, err;
};
// The "snap NAME CHECKSUM" lines of a run's standard output, in order.
inline std::vector<std::string> snapLines(const std::string& out)
{
  std::vector<std::string> lines;
  std::istringstream text(out);
  for (std::string line; std::getline(text, line);)
    if (line.rfind("snap ", 0) == 0) lines.push_back(line.substr(5));
  return lines;
}

// The golden snaps of one run in a goldens file of "RUN NAME CHECKSUM" lines: "NAME CHECKSUM"
// in order.
inline std::vector<std::string> goldenSnapsOf(const std::string& file, const std::string& run)
{
  std::vector<std::string> lines;
  std::istringstream text(omtest::readHostFile(file));
  for (std::string line; std::getline(text, line);) {
    std::istringstream words(line);
    std::string name, snap, checksum;
    if (words >> name >> snap >> checksum && name == run) lines.push_back(snap + " " + checksum);
  }
  return lines;
}

// Compares a run's snaps ("NAME CHECKSUM" in order) with their goldens; a frame that differs is
// kept in the current folder's "failed-frames" (the build folder's) for a look.
inline void expectSnapsAsGoldens(const std::string& run, const std::vector<std::string>& expected,
                                 const std::string& out, const std::string& snapsFolder)
{
  const std::vector<std::string> actual = snapLines(out);
  ASSERT_FALSE(expected.empty()) << "no goldens for " << run;
  std::string asGolden;
  for (const std::string& line : actual)
    asGolden += run + " " + line + "\n";
  EXPECT_EQ(actual.size(), expected.size()) << "the run's snaps, as goldens:\n" << asGolden;
  for (std::size_t i = 0; i < std::min(actual.size(), expected.size()); ++i) {
    if (actual[i] == expected[i]) continue;
    const std::string name = actual[i].substr(0, actual[i].find(' '));
    std::filesystem::create_directories("failed-frames");
    const std::string kept = "failed-frames/" + run + "-" + name + ".png";
    std::error_code error;
    std::filesystem::copy_file(snapsFolder + "/" + name + ".png", kept,
                               std::filesystem::copy_options::overwrite_existing, error);
    ADD_FAILURE() << "snap " << actual[i] << " differs from its golden " << expected[i]
                  << "; the frame is kept as " << std::filesystem::absolute(kept).string()
                  << "\nthe run's snaps, as goldens:\n"
                  << asGolden;
  }
}

// The mono 16-bit samples of the audio capture.
inline std::vector<std::int16_t> capturedSamples(const std::string& path)
{
  const std::string bytes = omtest::readHostFile(path);
  std::vector<std::int16_t> samples;
  std::size_t at = 12;
  while (at + 8 <= bytes.size()) {
    std::uint32_t size = 0;
    std::memcpy(&size, bytes.data() + at + 4, 4);
    if (bytes.compare(at, 4, "data") == 0) {
      samples.resize(std::min<std::size_t>(size, bytes.size() - at - 8) / 2);
      std::memcpy(samples.data(), bytes.data() + at + 8, samples.size() * 2);
      break;
    }
    at += 8 + size;
  }
  return samples;
}

constexpr double kCaptureRate = 44100;

// The strongest of these frequencies in a slice of the capture, and its share of the slice's
// power (1 for a pure tone).
inline std::pair<int, double> strongestTone(const std::vector<std::int16_t>& samples, int fromMs,
                                            int ms, const std::vector<int>& frequencies)
{
  const auto from = std::size_t(fromMs * kCaptureRate / 1000);
  const auto count = std::size_t(ms * kCaptureRate / 1000);
  double meanSquare = 0;
  for (std::size_t i = from; i < from + count && i < samples.size(); ++i)
    meanSquare += double(samples[i]) * samples[i] / double(count);
  int best = 0;
  double bestPower = 0;
  for (const int frequency : frequencies) {
    const double power = omtest::tonePower(samples, from, count, frequency, kCaptureRate);
    if (power > bestPower) {
      best = frequency;
      bestPower = power;
    }
  }
  // A sine of amplitude A: power A * A / 4, mean square A * A / 2.
  return {best, meanSquare > 0 ? 2 * bestPower / meanSquare : 0};
}

}  // namespace omdemo
