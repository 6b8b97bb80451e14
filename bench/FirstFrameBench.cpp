// Time to the first frame: the game started on the demo, headless on the real clock, until it
// first waits for input with its first screen drawn (its input script's "snap" at 0 is
// answered then). Prints each start and the medians of the real time and of the processor time
// the program used (the latter moves less when other work shares the machine). A plain
// program: run it by hand.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Start {
  double milliseconds = -1;  // to the snap, -1 when it never came
  double processor = 0;      // user and system time of the program, to its end
};

double millisecondsOf(const timeval& t)
{
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
}

double median(std::vector<double> values)
{
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// One start in a fresh work folder.
Start oneStart(const std::filesystem::path& work)
{
  std::filesystem::remove_all(work);
  std::filesystem::create_directories(work);
  std::filesystem::copy_file(DEMO_WORK "/korvanix.INI", work / "korvanix.INI");
  std::ofstream(work / "run.input") << "at 0 snap first\n";
  int out[2];
  if (::pipe(out) != 0) return {};
  const auto started = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    if (::chdir(work.c_str()) != 0) ::_exit(97);
    ::setenv("OM_HOST", "headless", 1);
    ::setenv("OM_INPUT_SCRIPT", "run.input", 1);
    ::setenv("OM_DRIVE_D", DEMO_CD, 1);
    ::setenv("XDG_RUNTIME_DIR", work.c_str(), 1);
    ::unsetenv("OM_CLOCK");
    ::execl(KORVANIX_PATH, "korvanix", static_cast<char*>(nullptr));
    ::_exit(98);
  }
  ::close(out[1]);
  std::string said;
  char block[256];
  Start start;
  for (ssize_t got; (got = ::read(out[0], block, sizeof block)) > 0;) {
    said.append(block, static_cast<std::size_t>(got));
    if (said.find("snap first") != std::string::npos) {
      start.milliseconds =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
              .count();
      break;
    }
  }
  ::kill(child, SIGKILL);
  rusage used{};
  ::wait4(child, nullptr, 0, &used);
  start.processor = millisecondsOf(used.ru_utime) + millisecondsOf(used.ru_stime);
  ::close(out[0]);
  return start;
}

}  // namespace

int main(int argc, char** argv)
{
  const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  // A folder of this run's own: two runs at once must not clear each other's.
  const std::filesystem::path work =
      std::filesystem::temp_directory_path() / ("om-first-frame-" + std::to_string(::getpid()));
  std::vector<double> times, processor;
  oneStart(work);  // the caches warm
  for (int i = 0; i < starts; ++i) {
    const Start start = oneStart(work);
    if (start.milliseconds < 0) {
      std::fprintf(stderr, "start %d showed no frame\n", i);
      std::filesystem::remove_all(work);
      return 1;
    }
    std::printf("start %2d: %.1f ms (processor %.1f ms)\n", i, start.milliseconds, start.processor);
    times.push_back(start.milliseconds);
    processor.push_back(start.processor);
  }
  std::filesystem::remove_all(work);
  std::printf("median time to the first frame: %.1f ms over %d starts (processor %.1f ms)\n",
              median(times), starts, median(processor));
  return 0;
}
